#include "ZipHost.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <unicode/ucnv.h>

#include "ZipException.h"

namespace ZipHost {

namespace {
thread_local int lastError = 0;

bool fail()
{
    lastError = errno;
    return false;
}

// Strict UTF-8 check (no overlongs, no surrogates, nothing past U+10FFFF).
bool isUtf8(const std::string& s)
{
    std::size_t i = 0, n = s.size();
    while (i < n) {
        auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) { ++i; continue; }
        int len;
        std::uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) { len = 2; cp = c & 0x1F; }
        else if (c >= 0xE0 && c <= 0xEF) { len = 3; cp = c & 0x0F; }
        else if (c >= 0xF0 && c <= 0xF4) { len = 4; cp = c & 0x07; }
        else return false;
        if (n - i < static_cast<std::size_t>(len)) return false;
        for (int k = 1; k < len; ++k) {
            auto d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += len;
    }
    return true;
}

bool decodeCp437(const std::string& bytes, u16string& text)
{
    UErrorCode err = U_ZERO_ERROR;
    UConverter* cnv = ucnv_open("ibm-437", &err);
    if (U_FAILURE(err)) return false;
    std::vector<char16_t> out(bytes.size() * 2 + 1);
    int32_t len = ucnv_toUChars(cnv, out.data(), static_cast<int32_t>(out.size()), bytes.data(),
                                static_cast<int32_t>(bytes.size()), &err);
    ucnv_close(cnv);
    if (U_FAILURE(err)) return false;
    text.assign(out.data(), static_cast<std::size_t>(len));
    return true;
}
}  // namespace

int LastSystemError() noexcept { return lastError; }
void SetLastSystemError(int code) noexcept { lastError = code; }

u16string SystemErrorText(int code)
{
    char buf[256];
    // The GNU strerror_r returns the text, which may or may not be buf.
    const char* text = strerror_r(code, buf, sizeof buf);
    return celvo::utf8ToUtf16(text ? text : "");
}

std::string NativePath(u16view path) { return celvo::utf16ToUtf8(path); }

bool SetAttributes(u16view path, std::uint32_t attributes)
{
    std::string p = NativePath(path);
    struct stat st;
    if (::stat(p.c_str(), &st) != 0) return fail();
    mode_t mode = st.st_mode & 07777;
    if (attributes & 0x01) mode &= static_cast<mode_t>(~0222);
    else mode |= S_IWUSR;
    if (::chmod(p.c_str(), mode) != 0) return fail();
    return true;
}

bool GetAttributes(u16view path, std::uint32_t& attributes)
{
    struct stat st;
    if (::stat(NativePath(path).c_str(), &st) != 0) return fail();
    attributes = S_ISDIR(st.st_mode) ? 0x10u : 0x20u;
    if (!(st.st_mode & S_IWUSR)) attributes |= 0x01;
    return true;
}

bool GetModificationTime(u16view path, std::int64_t& time)
{
    struct stat st;
    if (::stat(NativePath(path).c_str(), &st) == 0 && st.st_mtime >= 0) {
        time = static_cast<std::int64_t>(st.st_mtime);
        return true;
    }
    if (errno) fail();
    time = static_cast<std::int64_t>(std::time(nullptr));
    return false;
}

bool SetModificationTime(u16view path, std::int64_t time)
{
    struct timespec ts[2];
    ts[0].tv_sec = 0;
    ts[0].tv_nsec = UTIME_OMIT;
    ts[1].tv_sec = static_cast<time_t>(time);
    ts[1].tv_nsec = 0;
    if (::utimensat(AT_FDCWD, NativePath(path).c_str(), ts, 0) != 0) return fail();
    return true;
}

int PathKind(u16view path)
{
    struct stat st;
    if (::stat(NativePath(path).c_str(), &st) != 0) {
        fail();
        return 0;
    }
    return S_ISDIR(st.st_mode) ? -1 : 1;
}

int EncodeWide(u16view text, std::string& bytes, unsigned)
{
    bytes.clear();
    if (text.empty()) return 0;
    bytes = celvo::utf16ToUtf8(text);
    return static_cast<int>(bytes.size());
}

int DecodeBytes(const std::string& bytes, u16string& text, unsigned codePage)
{
    text.clear();
    if (bytes.empty()) return 0;
    std::string cut = bytes.substr(0, bytes.find('\0'));
    if (isUtf8(cut)) text = celvo::utf8ToUtf16(cut);
    else if (codePage == CodePageUtf8 || !decodeCp437(cut, text)) text = celvo::utf8ToUtf16(cut);
    return static_cast<int>(text.size());
}

bool SetFileLength(int descriptor, std::uint64_t length)
{
    if (length > static_cast<std::uint64_t>(INT64_MAX)) {
        lastError = EINVAL;
        errno = EINVAL;
        return false;
    }
    if (::ftruncate(descriptor, static_cast<off_t>(length)) != 0) return fail();
    return true;
}

int OpenDescriptor(u16view path, unsigned flags, unsigned)
{
    // Sharing modes have no equivalent here: POSIX files are not locked.
    int fd;
    do {
        fd = ::open(NativePath(path).c_str(), static_cast<int>(flags) | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) fail();
    return fd;
}

bool CommitDescriptor(int descriptor)
{
    if (::fsync(descriptor) != 0 && errno != EINVAL && errno != EROFS) return fail();
    return true;
}

int NativeHandle(int descriptor) { return descriptor; }

std::uint64_t FreeSpaceOf(u16view path)
{
    std::string p = NativePath(path);
    struct statvfs vfs;
    while (!p.empty() && ::statvfs(p.c_str(), &vfs) != 0) {
        // Ask the folder that holds a path that does not exist yet.
        auto slash = p.find_last_of('/');
        if (slash == std::string::npos) p = ".";
        else if (slash == 0) p = "/";
        else p.resize(slash);
        if (p == "." || p == "/") {
            if (::statvfs(p.c_str(), &vfs) != 0) {
                fail();
                return 0;
            }
            break;
        }
    }
    if (p.empty()) return 0;
    return static_cast<std::uint64_t>(vfs.f_bavail) * static_cast<std::uint64_t>(vfs.f_frsize);
}

bool IsRemovableDrive(u16view) { return false; }

bool SetDriveLabel(u16view, u16view)
{
    lastError = ENOTSUP;
    return false;
}

bool CurrentDirectory(u16string& directory)
{
    std::vector<char> buf(4096);
    if (!::getcwd(buf.data(), buf.size())) return fail();
    directory = celvo::utf8ToUtf16(buf.data());
    return true;
}

u16string MakeTempFile(u16view directoryHint, std::uint64_t needed)
{
    u16string dir;
    if (!directoryHint.empty() && (needed == 0 || FreeSpaceOf(directoryHint) >= needed)) {
        dir = u16string(directoryHint);
    } else {
        const char* t = std::getenv("TMPDIR");
        dir = celvo::utf8ToUtf16(t && *t ? t : "/tmp");
        if (needed != 0 && FreeSpaceOf(dir) < needed) {
            if (!CurrentDirectory(dir) || FreeSpaceOf(dir) < needed) return u16string();
        }
    }
    std::string pattern = NativePath(dir);
    if (pattern.empty() || pattern.back() != '/') pattern += '/';
    pattern += "BLXXXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        fail();
        return u16string();
    }
    ::close(fd);
    return celvo::utf8ToUtf16(name.data());
}

bool DeletePath(u16view path, bool throwOnFailure)
{
    if (::unlink(NativePath(path).c_str()) == 0) return true;
    fail();
    if (throwOnFailure) CZipException::Throw(CZipException::notRemoved, u16string(path));
    return false;
}

bool MovePath(u16view oldPath, u16view newPath, bool throwOnFailure)
{
    // Moving never replaces an existing file.
    struct stat st;
    std::string to = NativePath(newPath);
    if (::lstat(to.c_str(), &st) == 0) {
        errno = EEXIST;
        fail();
    } else if (::rename(NativePath(oldPath).c_str(), to.c_str()) == 0) {
        return true;
    } else {
        fail();
    }
    if (throwOnFailure) CZipException::Throw(CZipException::notRenamed, u16string(oldPath));
    return false;
}

}  // namespace ZipHost
