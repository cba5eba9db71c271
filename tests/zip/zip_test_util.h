// Helpers of the ZIP tests: temporary folders, running the independent
// tools (python's zipfile, unzip, zip, zipinfo) and reading files.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "ZipException.h"
#include "test_support.h"

namespace ziptest {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder removed with its contents when the object goes.
class TempDir {
public:
    TempDir()
    {
        std::string tmpl = "/tmp/celvo-zip-XXXXXX";
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        const char* d = ::mkdtemp(buf.data());
        path_ = d ? d : "/tmp";
    }
    ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Runs a shell command; returns its exit status and puts stdout+stderr in out.
inline int run(const std::string& command, std::string* out = nullptr)
{
    // Tools never wait for an answer (zip asks for missing volumes).
    std::string full = "(" + command + ") </dev/null 2>&1";
    FILE* p = ::popen(full.c_str(), "r");
    if (!p) return -1;
    std::string text;
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) text.append(buf.data(), n);
    int status = ::pclose(p);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline bool haveTool(const std::string& name) { return run("command -v " + name + " >/dev/null") == 0; }

// Runs a python script (under the system python) with arguments.
inline int python(const std::string& script, const std::string& args, std::string* out = nullptr)
{
    TempDir d;
    std::string path = d.file("script.py");
    std::ofstream(path) << script;
    return run(celvo::test::systemPython() + " " + path + " " + args, out);
}

inline Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const Bytes& data)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

inline Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Deterministic data that compresses a little.
inline Bytes sampleData(std::size_t n, unsigned seed = 1)
{
    Bytes b(n);
    unsigned x = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        b[i] = static_cast<std::uint8_t>((i % 7 == 0) ? (x >> 16) : ('a' + (i % 13)));
    }
    return b;
}

// The code of the library exception that f raises, 0 when none.
inline int codeOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const CZipException& e) {
        return e.m_iCause;
    }
    return 0;
}

// Data that does not compress.
inline Bytes noiseData(std::size_t n, std::uint32_t seed = 7)
{
    Bytes b(n);
    std::uint32_t x = seed;
    for (auto& c : b) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<std::uint8_t>(x >> 24);
    }
    return b;
}

}  // namespace ziptest
