// What the corpus list (MANIFEST.tsv) says of the files of one folder of
// the corpus: the note of each file, and whether it is spoilt on purpose.
#pragma once

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace celvo::test {

// The note column of the list for the files of the folder `sub`, by file
// name (the folder part dropped).
inline std::map<std::string, std::string> corpusNotes(const std::string& corpus, const std::string& sub)
{
    std::map<std::string, std::string> notes;
    std::ifstream in(corpus + "/MANIFEST.tsv");
    const std::string prefix = sub + "/";
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::istringstream row(line);
        std::string field;
        while (std::getline(row, field, '\t')) fields.push_back(field);
        if (fields.size() < 7 || fields[0].compare(0, prefix.size(), prefix) != 0) continue;
        notes[fields[0].substr(prefix.size())] = fields[6];
    }
    return notes;
}

// True for a file the list calls broken, hostile, encrypted or not of its
// format on purpose (a note may stand in quotes).
inline bool spoiltOnPurpose(const std::string& note)
{
    std::string text = note;
    while (!text.empty() && text[0] == '"') text.erase(0, 1);
    for (const char* spoilt : {"BROKEN-ON-PURPOSE", "NOT-XLS", "HOSTILE", "ENCRYPTED"})
        if (text.compare(0, std::char_traits<char>::length(spoilt), spoilt) == 0) return true;
    return false;
}

}  // namespace celvo::test
