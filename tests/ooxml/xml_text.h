// Written XML put on one line for comparisons in the tests.
#pragma once

#include <string>

namespace xml_text {

// The written text on one line: line ends and indentation become one blank.
inline std::string flat(const std::string& text)
{
    std::string out;
    bool blank = false;
    for (char c : text) {
        if (c == '\n' || c == '\t') {
            blank = true;
            continue;
        }
        if (blank && !out.empty() && out.back() != '>' && c != '<') out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

}  // namespace xml_text
