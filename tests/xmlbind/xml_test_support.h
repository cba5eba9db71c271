// Helpers shared by the tests of the XML binding runtime.
#pragma once

#include <string>
#include <vector>

#include "nimb/reader.h"

namespace nimb_test {

// A sink that remembers every message raised on it.
class recording_sink : public nimb::c_error {
public:
    void report(int severity, nimb::enimb_error code, const char*, int line, const char* message) override
    {
        messages.push_back(std::to_string(severity) + ":" + std::to_string(code) + ":" + std::to_string(line) + ":" +
                           message);
    }
    std::vector<std::string> messages;
};

// UTF-16 code units of an ASCII text in either byte order.
inline std::string utf16_bytes(const std::u16string& text, bool big_endian, bool mark)
{
    std::string out;
    auto put = [&](char16_t u) {
        char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        if (big_endian) { out += hi; out += lo; }
        else { out += lo; out += hi; }
    };
    if (mark) put(0xFEFF);
    for (char16_t u : text) put(u);
    return out;
}

}  // namespace nimb_test
