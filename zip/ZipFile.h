// The byte files under an archive: one interface for a disk file and a
// growable block of memory, and the splitting of file paths.
#pragma once

#include <cstdint>
#include <string>

#include "celvo/text.h"

using celvo::u16string;
using celvo::u16view;

class CZipAbstractFile {
public:
    enum { begin = 0, current = 1, end = 2 };

    CZipAbstractFile() = default;
    CZipAbstractFile(const CZipAbstractFile&) = delete;
    CZipAbstractFile& operator=(const CZipAbstractFile&) = delete;
    virtual ~CZipAbstractFile() = default;

    // Files that cannot be opened by path answer false.
    virtual bool Open(const u16string& path, unsigned flags, bool throwOnError);
    virtual void Close() = 0;
    virtual void Flush() = 0;
    virtual std::uint64_t GetPosition() const = 0;
    virtual std::uint64_t Seek(std::int64_t offset, int origin) = 0;
    virtual std::uint64_t GetLength() const = 0;
    virtual bool SetLength(std::uint64_t length) = 0;
    virtual std::uint64_t SeekToBegin() { return Seek(0, begin); }
    virtual std::uint64_t SeekToEnd() { return Seek(0, end); }
    virtual u16string GetFilePath() const = 0;
    virtual std::uint32_t Read(void* buffer, std::uint32_t count) = 0;
    virtual void Write(const void* buffer, std::uint32_t count) = 0;
    virtual bool IsClosed() const = 0;

    // Seeks by an unsigned offset from the begin (fromBegin) or back from the end.
    std::uint64_t SeekSigned(std::uint64_t offset, bool fromBegin);
};

// A file in a block of memory. A new file owns its buffer and grows in
// steps of 1024 bytes, by at least half its size each time; a caller's bytes can be attached without ownership,
// and such a file never grows. Sizes stay below 4 GiB.
class CZipMemFile : public CZipAbstractFile {
public:
    CZipMemFile() = default;
    explicit CZipMemFile(std::uint32_t growBy) : m_nGrowBy(growBy) {}
    ~CZipMemFile() override;

    // Attaches a caller's bytes (closing what the file held before).
    void Attach(std::uint8_t* data, std::uint32_t size);
    // Takes the buffer away: the caller frees it with free().
    std::uint8_t* Detach();

    void Close() override;
    void Flush() override {}
    std::uint64_t GetPosition() const override { return m_nPos; }
    std::uint64_t Seek(std::int64_t offset, int origin) override;
    std::uint64_t GetLength() const override { return m_nDataSize; }
    bool SetLength(std::uint64_t length) override;
    u16string GetFilePath() const override { return u16string(); }
    std::uint32_t Read(void* buffer, std::uint32_t count) override;
    void Write(const void* buffer, std::uint32_t count) override;
    bool IsClosed() const override { return m_lpBuf == nullptr; }

    void Grow(std::uint64_t needed);

    std::uint8_t* GetBuffer() const { return m_lpBuf; }
    std::uint32_t GetCapacity() const { return m_nBufSize; }
    void SetGrowBy(std::uint32_t growBy) { m_nGrowBy = growBy; }

private:
    std::uint32_t m_nGrowBy = 1024;
    std::uint32_t m_nPos = 0;
    std::uint32_t m_nBufSize = 0;
    std::uint32_t m_nDataSize = 0;
    std::uint8_t* m_lpBuf = nullptr;
    bool m_bAutoDelete = true;
};

// A disk file on a descriptor. Open flags: flags & 3 access (0 and 3 read,
// 1 write, 2 read and write); flags & 0x70 sharing (not enforced here);
// 0x1000 create; 0x2000 do not truncate.
class CZipFile : public CZipAbstractFile {
public:
    enum : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
    };

    CZipFile() = default;
    ~CZipFile() override;

    bool Open(const u16string& path, unsigned flags, bool throwOnError) override;
    void Close() override;
    void Flush() override;
    std::uint64_t GetPosition() const override;
    std::uint64_t Seek(std::int64_t offset, int origin) override;
    std::uint64_t GetLength() const override;
    bool SetLength(std::uint64_t length) override;
    u16string GetFilePath() const override { return m_szFileName; }
    std::uint32_t Read(void* buffer, std::uint32_t count) override;
    void Write(const void* buffer, std::uint32_t count) override;
    bool IsClosed() const override { return m_hFile == -1; }

    int GetSystemHandle() const;
    [[noreturn]] void ThrowError() const;

private:
    int m_hFile = -1;
    u16string m_szFileName;
};

// The size of a disk file; false when it cannot be opened.
bool GetFileSizeByPath(const u16string& path, std::uint64_t& size);

// A file path split into prefix, drive, directory, title and extension.
class CZipPathComponent {
public:
    explicit CZipPathComponent(const char16_t* path = nullptr);
    explicit CZipPathComponent(const u16string& path) : CZipPathComponent(path.c_str()) {}
    virtual ~CZipPathComponent() = default;

    void SetFullPath(const char16_t* path);
    u16string GetFileName() const;
    u16string GetDirectoryPath() const;
    u16string GetFullPath() const;
    u16string GetPathWithoutDrive() const;
    void SetExtension(const u16string& ext);

    const u16string& GetFileTitle() const { return m_szFileTitle; }
    const u16string& GetFileExt() const { return m_szFileExt; }
    const u16string& GetFileDir() const { return m_szDirectory; }
    const u16string& GetFileDrive() const { return m_szDrive; }
    const u16string& GetPrefix() const { return m_szPrefix; }
    void SetFileTitle(const u16string& title) { m_szFileTitle = title; }

    static bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }
    static void RemoveTrailingSeparators(u16string& path);
    static void RemoveLeadingSeparators(u16string& path);
    static void AppendSeparator(u16string& path);
    static std::size_t GetPrefixLength(const u16string& path);

    static const u16string m_cPrefix;

private:
    u16string m_szDirectory, m_szFileTitle, m_szFileExt, m_szDrive, m_szPrefix;
    char16_t m_cSeparator = u'\\';
};

// Wide-text helpers. WideFormat formats printf-style (UTF-8 arguments) and
// leaves the target unchanged when formatting fails.
bool WideFormat(u16string& target, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
u16string WideLeft(const u16string& s, std::size_t n);
u16string WideMid(const u16string& s, std::size_t n);
char16_t ToLowerWide(char16_t c);
