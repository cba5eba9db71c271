// Byte fixtures for the .xls tests: records and streams built in the test.
#pragma once

#include <dirent.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace celvo::test {

using Bytes = std::vector<std::uint8_t>;

// One record: id, length, data.
inline Bytes rec(std::uint16_t id, const Bytes& data)
{
    Bytes r{static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8),
            static_cast<std::uint8_t>(data.size()), static_cast<std::uint8_t>(data.size() >> 8)};
    r.insert(r.end(), data.begin(), data.end());
    return r;
}

inline Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes r;
    for (const auto& p : parts) r.insert(r.end(), p.begin(), p.end());
    return r;
}
template <class... T>
Bytes cat(const T&... parts)
{
    return cat({parts...});
}

// Names of the .xls files in a folder, sorted.
inline std::vector<std::string> xlsFiles(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".xls") == 0) names.push_back(n);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace celvo::test
