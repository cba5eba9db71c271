// The road of the .xlsx engine through the ZIP library: a package is read
// from memory or a file into its entries, or written entry by entry into
// memory or a file. Failures are celvo::xlerror with the library's text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "Bundlex.h"
#include "celvo/text.h"

namespace celvo {

// Bounds on what a package may expand to in memory.
struct ZipLimits {
    std::uint64_t maxEntrySize = 1ull << 30;
    std::uint64_t maxTotalSize = 2ull << 30;
};

// One entry of a package: its name as stored ('/' between folders) and its bytes.
struct ZipEntry {
    u16string name;
    std::vector<std::uint8_t> data;
};

// The archive reader: an archive opened read-only on a file or on a
// caller's bytes (which must outlive the reader).
class ZipReader {
public:
    explicit ZipReader(const u16string& path);
    ZipReader(const std::uint8_t* data, std::size_t size);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    CBundlex& archive() { return m_archive; }
    std::uint32_t count() const { return m_archive.GetCount(); }
    // The name of entry i with '/' between folders; empty for a bad index.
    u16string name(std::uint32_t i);
    bool isDirectory(std::uint32_t i);
    // The bytes of entry i: its declared size and CRC are enforced and the
    // limits applied; `total` counts the bytes of the whole package so far.
    std::vector<std::uint8_t> extract(std::uint32_t i, const ZipLimits& limits, std::uint64_t& total);

private:
    CBundlex m_archive;
    CZipMemFile m_file;
};

// The archive writer: builds the package in memory; a package for a path
// is written there through a temporary file and a rename when it is finished.
class ZipWriter {
public:
    ZipWriter();
    explicit ZipWriter(u16string path);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // Every entry added from now on carries this DOS date and time instead of
    // the time of its addition (a package written twice is then the same
    // bytes). 0x0021, 0 is 1980-01-01 00:00, the earliest there is.
    void setEntryTime(std::uint16_t dosDate, std::uint16_t dosTime)
    {
        m_dosDate = dosDate;
        m_dosTime = dosTime;
    }
    // Adds one entry; parts of 5 bytes or more are deflated, shorter ones stored.
    void add(const u16string& name, const std::uint8_t* data, std::size_t size);
    void add(const u16string& name, const std::vector<std::uint8_t>& data) { add(name, data.data(), data.size()); }
    // Writes the central directory; returns the bytes of the package (and,
    // for a writer on a path, saves them there).
    std::vector<std::uint8_t> finish();

private:
    CZipMemFile m_file;
    CBundlex m_archive;
    u16string m_path;
    bool m_finished = false;
    std::uint16_t m_dosDate = 0;
    std::uint16_t m_dosTime = 0;
};

std::vector<ZipEntry> readZipPackage(const std::uint8_t* data, std::size_t size, const ZipLimits& limits = {});
std::vector<ZipEntry> readZipPackageFile(const u16string& path, const ZipLimits& limits = {});
std::vector<std::uint8_t> writeZipPackage(const std::vector<ZipEntry>& entries);
void writeZipPackageFile(const u16string& path, const std::vector<ZipEntry>& entries);

}  // namespace celvo
