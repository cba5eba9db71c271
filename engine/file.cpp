#include "celvo/file.h"

#include <boost/filesystem.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "celvo/xlerror.h"

namespace celvo {

std::string pathToNative(u16view path) { return utf16ToUtf8(path); }

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
    Fd f;
    f.fd = ::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (f.fd < 0) return false;
    struct stat st;
    if (::fstat(f.fd, &st) != 0 || S_ISDIR(st.st_mode)) return false;
    out.clear();
    if (S_ISREG(st.st_mode)) {
        if (static_cast<std::uint64_t>(st.st_size) > maxSize) throw xlerror("file is too large");
        out.reserve(static_cast<std::size_t>(st.st_size));
    }
    std::uint8_t buf[65536];
    for (;;) {
        ssize_t n = ::read(f.fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        if (out.size() + static_cast<std::size_t>(n) > maxSize) throw xlerror("file is too large");
        out.insert(out.end(), buf, buf + n);
    }
    return true;
}

bool atomicWriteFile(const std::string& nativePath, const void* data, std::size_t size, std::string* error)
{
    auto failWith = [&](const char* what) {
        if (error) *error = what;
        return false;
    };
    if (nativePath.empty()) return failWith("can't open file for writing");
    struct stat st;
    if (::stat(nativePath.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return failWith("can't open file for writing");

    std::string::size_type slash = nativePath.rfind('/');
    std::string dir = slash == std::string::npos ? std::string(".") : nativePath.substr(0, slash == 0 ? 1 : slash);
    std::string base = slash == std::string::npos ? nativePath : nativePath.substr(slash + 1);
    std::string tmpl = dir + "/." + base + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) return failWith("can't open file for writing");
    const std::string tmpPath(name.data());

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
    // Keep the permissions of the file being replaced; new files get the
    // usual mode under the process umask.
    if (ok) {
        struct stat old;
        if (::stat(nativePath.c_str(), &old) == 0) {
            (void)::fchmod(fd, old.st_mode & 07777);
        } else {
            mode_t mask = ::umask(0);
            ::umask(mask);
            (void)::fchmod(fd, 0666 & ~mask);
        }
    }
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(tmpPath.c_str(), nativePath.c_str()) != 0) ok = false;
    if (!ok) {
        ::unlink(tmpPath.c_str());
        return failWith("can't write file");
    }
    return true;
}

}  // namespace celvo
