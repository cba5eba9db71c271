#include "celvo/file.h"

#include <boost/filesystem.hpp>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "celvo/xlerror.h"

namespace celvo {

namespace {

// The length of the well-formed UTF-8 sequence at p (end excluded), or 0.
std::size_t utf8SequenceAt(const unsigned char* p, const unsigned char* end, char32_t& code) noexcept
{
    const unsigned char b = p[0];
    std::size_t n = 0;
    char32_t c = 0, min = 0;
    if (b < 0x80) {
        code = b;
        return 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
        n = 2, c = b & 0x1F, min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3, c = b & 0x0F, min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4, c = b & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (static_cast<std::size_t>(end - p) < n) return 0;
    for (std::size_t i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        c = (c << 6) | (p[i] & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    code = c;
    return n;
}

constexpr char16_t kEscapedByte = 0xDC00;

}  // namespace

u16string pathFromNative(std::string_view bytes)
{
    u16string out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p != end) {
        char32_t c = 0;
        const std::size_t n = *p == 0 ? 0 : utf8SequenceAt(p, end, c);
        if (n == 0) {
            out.push_back(static_cast<char16_t>(kEscapedByte + *p++));
            continue;
        }
        p += n;
        if (c < 0x10000) {
            out.push_back(static_cast<char16_t>(c));
        } else {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    return out;
}

std::string pathToNative(u16view path)
{
    std::string out;
    out.reserve(path.size());
    std::size_t from = 0;  // start of the text not yet converted
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char16_t c = path[i];
        if (c == 0) throw xlerror("invalid path");
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 < path.size() && path[i + 1] >= 0xDC00 && path[i + 1] <= 0xDFFF) {
                ++i;
                continue;
            }
            throw xlerror("invalid path");
        }
        if (c < 0xDC00 || c > 0xDFFF) continue;
        // A lone low surrogate: an escaped byte that was not UTF-8.
        if (c < kEscapedByte + 0x80 || c > kEscapedByte + 0xFF) throw xlerror("invalid path");
        appendUtf8(out, path.substr(from, i - from));
        out.push_back(static_cast<char>(c - kEscapedByte));
        from = i + 1;
    }
    appendUtf8(out, path.substr(from));
    return out;
}

bool fileExists(const std::string& nativePath) noexcept
{
    try {
        boost::system::error_code ec;
        boost::filesystem::path p(nativePath);
        if (!boost::filesystem::exists(p, ec) || ec) return false;
        bool dir = boost::filesystem::is_directory(p, ec);
        return !ec && !dir;
    } catch (...) {
        return false;
    }
}

bool directoryExists(const std::string& nativePath) noexcept
{
    try {
        boost::system::error_code ec;
        boost::filesystem::path p(nativePath);
        if (!boost::filesystem::exists(p, ec) || ec) return false;
        bool dir = boost::filesystem::is_directory(p, ec);
        return !ec && dir;
    } catch (...) {
        return false;
    }
}

namespace {

struct Fd {
    int fd = -1;
    ~Fd() { if (fd >= 0) ::close(fd); }
};

}  // namespace

bool readWholeFile(const std::string& nativePath, std::vector<std::uint8_t>& out, std::uint64_t maxSize)
{
    BookFileRules rules;
    rules.maxSize = maxSize;
    try {
        out = readBookFile(nativePath, rules);
    } catch (const xlerror& e) {
        if (std::strcmp(e.what(), "file is too large") == 0) throw;
        return false;
    }
    return true;
}

std::vector<std::uint8_t> readBookFile(const std::string& nativePath, const BookFileRules& rules)
{
    // Opened without waiting (a FIFO has no writer to wait for) and checked
    // before a byte is read.
    Fd f;
    f.fd = ::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (f.fd < 0) throw xlerror("can't open file for reading");
    struct stat st;
    if (::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) throw xlerror("can't open file for reading");
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size > rules.maxSize || size > SIZE_MAX) throw xlerror("file is too large");

    std::vector<std::uint8_t> out;
    auto readUpTo = [&](std::size_t want) {
        while (out.size() < want) {
            std::uint8_t buf[65536];
            const std::size_t chunk = std::min(sizeof buf, want - out.size());
            const ssize_t n = ::read(f.fd, buf, chunk);
            if (n < 0) {
                if (errno == EINTR) continue;
                throw xlerror("can't read file");
            }
            if (n == 0) break;  // the file got shorter while it was read
            out.insert(out.end(), buf, buf + n);
        }
    };
    std::size_t head = 0;
    for (std::string_view s : rules.signatures) head = std::max(head, s.size());
    readUpTo(std::min<std::size_t>(head, static_cast<std::size_t>(size)));
    if (!rules.signatures.empty()) {
        bool known = false;
        for (std::string_view s : rules.signatures)
            known = known || (out.size() >= s.size() && std::memcmp(out.data(), s.data(), s.size()) == 0);
        if (!known) throw xlerror(rules.wrongSignature);
    }
    out.reserve(static_cast<std::size_t>(size));
    readUpTo(static_cast<std::size_t>(size));
    return out;
}

namespace {

// The file that a path names once its symbolic links are followed (the last
// one may name a file that does not exist yet). False when the links loop or
// cannot be read.
bool followLinks(std::string path, std::string& out)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            out = path;
            return true;
        }
        std::vector<char> target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 2);
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return false;
        std::string next(target.data(), static_cast<std::size_t>(n));
        if (next[0] != '/') {
            // Relative to the folder that holds the link.
            const std::string::size_type slash = path.rfind('/');
            if (slash != std::string::npos) next = path.substr(0, slash + 1) + next;
        }
        path = std::move(next);
    }
    return false;
}

}  // namespace

bool atomicWriteFile(const std::string& nativePath, const void* data, std::size_t size, std::string* error)
{
    auto failWith = [&](const char* what) {
        if (error) *error = what;
        return false;
    };
    std::string target;
    if (nativePath.empty() || !followLinks(nativePath, target)) return failWith("can't open file for writing");
    // An existing target must be a regular file that a plain write could
    // change: a device, a FIFO, a folder or a read-only file stays as it is.
    struct stat old;
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && (!S_ISREG(old.st_mode) || ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0))
        return failWith("can't open file for writing");

    std::string::size_type slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? std::string(".") : target.substr(0, slash == 0 ? 1 : slash);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    // A new file of the usual mode: the kernel applies the process umask,
    // which is never changed here (other threads may be making files).
    std::string tmpPath;
    int fd = -1;
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        const unsigned long long salt =
            (static_cast<unsigned long long>(::getpid()) << 32) ^
            static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
            (static_cast<unsigned long long>(counter.fetch_add(1)) * 0x9E3779B97F4A7C15ull);
        char suffix[17];
        std::snprintf(suffix, sizeof suffix, "%016llx", salt);
        tmpPath = dir + "/." + base + "." + suffix;
        fd = ::open(tmpPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return failWith("can't open file for writing");

    const auto* p = static_cast<const std::uint8_t*>(data);
    std::size_t left = size;
    bool ok = true;
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    // Keep the permissions of the file being replaced.
    if (ok && exists) (void)::fchmod(fd, old.st_mode & 07777);
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(tmpPath.c_str(), target.c_str()) != 0) ok = false;
    if (!ok) {
        ::unlink(tmpPath.c_str());
        return failWith("can't write file");
    }
    // The rename itself reaches the disk with its folder.
    Fd folder;
    folder.fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder.fd >= 0) (void)::fsync(folder.fd);
    return true;
}

}  // namespace celvo
