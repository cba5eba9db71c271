#include "ZipFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ZipException.h"
#include "ZipHost.h"

namespace {
constexpr std::uint64_t maxMemSize = 0xFFFFFFFFull;
[[noreturn]] void memError() { CZipException::Throw(CZipException::memError); }
}  // namespace

bool CZipAbstractFile::Open(const u16string&, unsigned, bool) { return false; }

std::uint64_t CZipAbstractFile::SeekSigned(std::uint64_t offset, bool fromBegin)
{
    if (static_cast<std::int64_t>(offset) < 0) {
        offset = GetLength() - offset;
        fromBegin = !fromBegin;
    }
    if (fromBegin) return Seek(static_cast<std::int64_t>(offset), begin);
    return Seek(-static_cast<std::int64_t>(offset), end);
}

// ---------------------------------------------------------------- memory file

CZipMemFile::~CZipMemFile() { Close(); }

void CZipMemFile::Attach(std::uint8_t* data, std::uint32_t size)
{
    Close();
    m_lpBuf = data;
    m_nBufSize = m_nDataSize = size;
    m_nPos = 0;
    m_nGrowBy = 0;
    m_bAutoDelete = false;
}

std::uint8_t* CZipMemFile::Detach()
{
    std::uint8_t* p = m_lpBuf;
    m_lpBuf = nullptr;
    m_nGrowBy = m_nPos = m_nBufSize = m_nDataSize = 0;
    return p;
}

void CZipMemFile::Close()
{
    if (m_bAutoDelete) std::free(m_lpBuf);
    m_lpBuf = nullptr;
    m_nGrowBy = m_nPos = m_nBufSize = m_nDataSize = 0;
}

void CZipMemFile::Grow(std::uint64_t needed)
{
    if (m_nBufSize >= needed) return;
    if (m_nGrowBy == 0 || needed > maxMemSize) memError();
    std::uint64_t missing = needed - m_nBufSize;
    std::uint64_t steps = (missing + m_nGrowBy - 1) / m_nGrowBy;
    // At least half as much again as the buffer holds, in whole steps, so a
    // file written piece by piece is copied a logarithmic number of times.
    const std::uint64_t geometric = (m_nBufSize / 2 + m_nGrowBy - 1) / m_nGrowBy;
    std::uint64_t newSize = m_nBufSize + std::max(steps, geometric) * m_nGrowBy;
    if (newSize > maxMemSize) newSize = maxMemSize;
    void* p = std::realloc(m_lpBuf, static_cast<std::size_t>(newSize));
    if (!p) memError();
    m_lpBuf = static_cast<std::uint8_t*>(p);
    // New memory is cleared so that no stale heap bytes can ever be read back.
    std::memset(m_lpBuf + m_nBufSize, 0, static_cast<std::size_t>(newSize - m_nBufSize));
    m_nBufSize = static_cast<std::uint32_t>(newSize);
}

std::uint32_t CZipMemFile::Read(void* buffer, std::uint32_t count)
{
    if (m_nPos >= m_nDataSize || count == 0) return 0;
    std::uint32_t n = std::min(count, m_nDataSize - m_nPos);
    std::memcpy(buffer, m_lpBuf + m_nPos, n);
    m_nPos += n;
    return n;
}

void CZipMemFile::Write(const void* buffer, std::uint32_t count)
{
    if (count == 0) return;
    std::uint64_t endPos = static_cast<std::uint64_t>(m_nPos) + count;
    if (endPos > m_nBufSize) Grow(endPos);
    std::memcpy(m_lpBuf + m_nPos, buffer, count);
    m_nPos = static_cast<std::uint32_t>(endPos);
    if (m_nPos > m_nDataSize) m_nDataSize = m_nPos;
}

std::uint64_t CZipMemFile::Seek(std::int64_t offset, int origin)
{
    std::int64_t target;
    switch (origin) {
    case begin:
        target = offset;
        break;
    case current:
        target = static_cast<std::int64_t>(m_nPos) + offset;
        break;
    case end:
        target = static_cast<std::int64_t>(m_nDataSize) + offset;
        break;
    default:
        return m_nPos;
    }
    if (target < 0 || static_cast<std::uint64_t>(target) > maxMemSize) memError();
    // A growable file makes room for the target; a file over fixed bytes
    // only moves (a later read there finds nothing).
    if (static_cast<std::uint64_t>(target) > m_nDataSize && m_nGrowBy != 0)
        Grow(static_cast<std::uint64_t>(target));
    m_nPos = static_cast<std::uint32_t>(target);
    return m_nPos;
}

bool CZipMemFile::SetLength(std::uint64_t length)
{
    if (length > maxMemSize) memError();
    auto n = static_cast<std::uint32_t>(length);
    if (m_nBufSize >= n) {
        if (n > m_nDataSize) std::memset(m_lpBuf + m_nDataSize, 0, n - m_nDataSize);
        m_nDataSize = m_nPos = n;
    } else {
        std::uint32_t old = m_nDataSize;
        Grow(n);
        std::memset(m_lpBuf + old, 0, n - old);
        m_nDataSize = n;
    }
    return true;
}

// ------------------------------------------------------------------ disk file

CZipFile::~CZipFile()
{
    if (m_hFile != -1) ::close(m_hFile);
}

void CZipFile::ThrowError() const
{
    int e = errno ? errno : EIO;
    ZipHost::SetLastSystemError(e);
    CZipException::Throw(e, m_szFileName);
}

bool CZipFile::Open(const u16string& path, unsigned flags, bool throwOnError)
{
    if (!IsClosed()) Close();
    int access = static_cast<int>(flags & 3);
    int oflags = (access == 1) ? O_WRONLY : (access == 2) ? O_RDWR : O_RDONLY;
    bool readOnly = (oflags == O_RDONLY);
    if (flags & modeCreate) oflags |= O_CREAT;
    if (!(flags & modeNoTruncate) && !readOnly) oflags |= O_TRUNC;
    int fd = ZipHost::OpenDescriptor(path, static_cast<unsigned>(oflags), flags & 0x70);
    if (fd < 0) {
        if (!throwOnError) return false;
        int e = errno ? errno : EIO;
        CZipException::Throw(e, path);
    }
    m_hFile = fd;
    m_szFileName = path;
    return true;
}

void CZipFile::Close()
{
    if (m_hFile == -1) return;
    int fd = m_hFile;
    u16string name;
    name.swap(m_szFileName);
    m_hFile = -1;
    if (::close(fd) != 0 && errno != EINTR) {
        int e = errno;
        ZipHost::SetLastSystemError(e);
        CZipException::Throw(e, name);
    }
}

void CZipFile::Flush()
{
    if (!ZipHost::CommitDescriptor(m_hFile)) ThrowError();
}

std::uint64_t CZipFile::GetPosition() const
{
    off_t p = ::lseek(m_hFile, 0, SEEK_CUR);
    if (p < 0) ThrowError();
    return static_cast<std::uint64_t>(p);
}

std::uint64_t CZipFile::Seek(std::int64_t offset, int origin)
{
    int whence = origin == begin ? SEEK_SET : origin == current ? SEEK_CUR : SEEK_END;
    off_t p = ::lseek(m_hFile, static_cast<off_t>(offset), whence);
    if (p < 0) ThrowError();
    return static_cast<std::uint64_t>(p);
}

std::uint64_t CZipFile::GetLength() const
{
    struct stat st;
    if (::fstat(m_hFile, &st) != 0) ThrowError();
    return static_cast<std::uint64_t>(st.st_size);
}

bool CZipFile::SetLength(std::uint64_t length) { return ZipHost::SetFileLength(m_hFile, length); }

std::uint32_t CZipFile::Read(void* buffer, std::uint32_t count)
{
    std::uint32_t done = 0;
    auto* p = static_cast<std::uint8_t*>(buffer);
    while (done < count) {
        ssize_t r = ::read(m_hFile, p + done, count - done);
        if (r < 0) {
            if (errno == EINTR) continue;
            ThrowError();
        }
        if (r == 0) break;
        done += static_cast<std::uint32_t>(r);
    }
    return done;
}

void CZipFile::Write(const void* buffer, std::uint32_t count)
{
    std::uint32_t done = 0;
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    while (done < count) {
        ssize_t r = ::write(m_hFile, p + done, count - done);
        if (r < 0) {
            if (errno == EINTR) continue;
            ThrowError();
        }
        if (r == 0) {
            errno = ENOSPC;
            ThrowError();
        }
        done += static_cast<std::uint32_t>(r);
    }
}

int CZipFile::GetSystemHandle() const { return ZipHost::NativeHandle(m_hFile); }

bool GetFileSizeByPath(const u16string& path, std::uint64_t& size)
{
    CZipFile f;
    if (!f.Open(path, CZipFile::modeRead | CZipFile::shareDenyWrite, false)) return false;
    try {
        size = f.GetLength();
        f.Close();
    } catch (const CZipException&) {
        return false;
    }
    return true;
}

// ------------------------------------------------------------- path component

const u16string CZipPathComponent::m_cPrefix = u"\\\\?\\unc\\";

CZipPathComponent::CZipPathComponent(const char16_t* path) { SetFullPath(path); }

std::size_t CZipPathComponent::GetPrefixLength(const u16string& path)
{
    std::size_t n = std::min(path.size(), m_cPrefix.size());
    std::size_t i = 0;
    while (i < n && ToLowerWide(path[i]) == m_cPrefix[i]) ++i;
    return i;
}

void CZipPathComponent::SetFullPath(const char16_t* pathText)
{
    u16string path = pathText ? pathText : u"";
    std::size_t prefix = GetPrefixLength(path);
    m_szPrefix.clear();
    if (prefix == 2 || prefix == 4 || prefix == 8) {
        m_szPrefix = path.substr(0, prefix);
        path.erase(0, prefix);
    }
    // Paths written only with slashes are joined with slashes again.
    m_cSeparator = (path.find(u'/') != u16string::npos && path.find(u'\\') == u16string::npos) ? u'/' : u'\\';

    m_szDrive.clear();
    if (path.size() >= 2 && path[1] == u':') {
        m_szDrive = path.substr(0, 2);
        path.erase(0, 2);
    }
    std::size_t lastSep = path.find_last_of(u"\\/");
    u16string dir = lastSep == u16string::npos ? u16string() : path.substr(0, lastSep + 1);
    u16string name = lastSep == u16string::npos ? path : path.substr(lastSep + 1);
    std::size_t dot = name.rfind(u'.');
    m_szFileTitle = dot == u16string::npos ? name : name.substr(0, dot);
    SetExtension(dot == u16string::npos ? u16string() : name.substr(dot));

    bool rootOnly = !dir.empty() && dir.find_first_not_of(u"\\/") == u16string::npos;
    RemoveTrailingSeparators(dir);
    std::size_t lead = dir.find_first_not_of(u'\\');
    dir.erase(0, lead == u16string::npos ? dir.size() : lead);
    if (rootOnly && m_cSeparator == u'/') dir = u"/";
    m_szDirectory = dir;
}

void CZipPathComponent::SetExtension(const u16string& ext)
{
    std::size_t first = ext.find_first_not_of(u'.');
    m_szFileExt = first == u16string::npos ? u16string() : ext.substr(first);
}

u16string CZipPathComponent::GetFileName() const
{
    u16string s = m_szFileTitle;
    if (!m_szFileExt.empty()) s += u"." + m_szFileExt;
    return s;
}

u16string CZipPathComponent::GetDirectoryPath() const
{
    u16string s = m_szPrefix + m_szDrive;
    if (!m_szDrive.empty() && !m_szDirectory.empty()) s += u'\\';
    return s + m_szDirectory;
}

u16string CZipPathComponent::GetFullPath() const
{
    u16string s = GetDirectoryPath();
    u16string name = GetFileName();
    if (!name.empty()) {
        if (s.empty()) s = u".";
        if (!IsSeparator(s.back())) s += m_cSeparator;
        s += name;
    }
    return s;
}

u16string CZipPathComponent::GetPathWithoutDrive() const
{
    u16string s = m_szDirectory;
    u16string name = GetFileName();
    if (!s.empty() && !name.empty() && !IsSeparator(s.back())) s += m_cSeparator;
    return s + name;
}

void CZipPathComponent::RemoveTrailingSeparators(u16string& path)
{
    while (!path.empty() && IsSeparator(path.back())) path.pop_back();
}

void CZipPathComponent::RemoveLeadingSeparators(u16string& path)
{
    std::size_t i = 0;
    while (i < path.size() && IsSeparator(path[i])) ++i;
    path.erase(0, i);
}

void CZipPathComponent::AppendSeparator(u16string& path)
{
    RemoveTrailingSeparators(path);
    path += u'\\';
}

// --------------------------------------------------------------- wide helpers

bool WideFormat(u16string& target, const char* format, ...)
{
    for (std::size_t size = 1024; size <= 7168; size += 1024) {
        std::vector<char> buf(size);
        va_list args;
        va_start(args, format);
        int n = std::vsnprintf(buf.data(), size, format, args);
        va_end(args);
        if (n < 0) return false;
        if (static_cast<std::size_t>(n) < size || size == 7168) {
            target = celvo::utf8ToUtf16(buf.data());
            return true;
        }
    }
    return false;
}

u16string WideLeft(const u16string& s, std::size_t n) { return s.substr(0, std::min(n, s.size())); }
u16string WideMid(const u16string& s, std::size_t n) { return n >= s.size() ? u16string() : s.substr(n); }
char16_t ToLowerWide(char16_t c) { return celvo::toLowerUnit(c); }
