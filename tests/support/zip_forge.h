// ZIP archives written entry by entry, for hostile packages and the package
// fuzz target: each entry's name is stored as its bytes (separators, a
// leading slash, case and all), and its data, method, checksum and declared
// size are what the caller says, so that any of them can be forged.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace celvo::test {

using ZipBytes = std::vector<std::uint8_t>;

// One archive entry as it is written: its bytes as stored and what the
// headers declare of them.
struct RawEntry {
    std::string name;
    ZipBytes stored;
    std::uint16_t method = 0;  // 0 stored, 8 deflated
    std::uint32_t crc = 0;
    std::uint64_t size = 0;  // the declared uncompressed size
};

// An entry stored as it is, with its true checksum and size.
inline RawEntry storedEntry(const std::string& name, const std::string& data)
{
    RawEntry e;
    e.name = name;
    e.stored.assign(data.begin(), data.end());
    e.crc = static_cast<std::uint32_t>(crc32(0, e.stored.data(), static_cast<uInt>(e.stored.size())));
    e.size = e.stored.size();
    return e;
}

// An entry deflated (raw deflate), with its true checksum and size.
inline RawEntry deflatedEntry(const std::string& name, const std::string& data)
{
    RawEntry e;
    e.name = name;
    e.method = 8;
    e.crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    e.size = data.size();
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    e.stored.resize(deflateBound(&z, static_cast<uLong>(data.size())) + 16);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = e.stored.data();
    z.avail_out = static_cast<uInt>(e.stored.size());
    deflate(&z, Z_FINISH);
    e.stored.resize(e.stored.size() - z.avail_out);
    deflateEnd(&z);
    return e;
}

inline void zipPut16(ZipBytes& b, std::uint16_t v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void zipPut32(ZipBytes& b, std::uint32_t v)
{
    zipPut16(b, static_cast<std::uint16_t>(v));
    zipPut16(b, static_cast<std::uint16_t>(v >> 16));
}

// The archive of the entries: local headers and data, the central
// directory, its end record. Names that are not plain ASCII are marked as
// UTF-8.
inline ZipBytes zipArchive(const std::vector<RawEntry>& entries)
{
    ZipBytes out, central;
    for (const RawEntry& e : entries) {
        const auto offset = static_cast<std::uint32_t>(out.size());
        bool ascii = true;
        for (unsigned char c : e.name) ascii = ascii && c < 0x80;
        auto header = [&](ZipBytes& b, bool local) {
            zipPut32(b, local ? 0x04034B50u : 0x02014B50u);
            if (!local) zipPut16(b, 20);
            zipPut16(b, 20);
            zipPut16(b, ascii ? 0 : 0x0800);
            zipPut16(b, e.method);
            zipPut16(b, 0);
            zipPut16(b, 0x21);
            zipPut32(b, e.crc);
            zipPut32(b, static_cast<std::uint32_t>(e.stored.size()));
            zipPut32(b, static_cast<std::uint32_t>(e.size));
            zipPut16(b, static_cast<std::uint16_t>(e.name.size()));
            zipPut16(b, 0);
            if (!local) {
                zipPut16(b, 0);
                zipPut16(b, 0);
                zipPut16(b, 0);
                zipPut32(b, 0);
                zipPut32(b, offset);
            }
            b.insert(b.end(), e.name.begin(), e.name.end());
        };
        header(out, true);
        out.insert(out.end(), e.stored.begin(), e.stored.end());
        header(central, false);
    }
    const auto centralAt = static_cast<std::uint32_t>(out.size());
    out.insert(out.end(), central.begin(), central.end());
    zipPut32(out, 0x06054B50u);
    zipPut16(out, 0);
    zipPut16(out, 0);
    zipPut16(out, static_cast<std::uint16_t>(entries.size()));
    zipPut16(out, static_cast<std::uint16_t>(entries.size()));
    zipPut32(out, static_cast<std::uint32_t>(central.size()));
    zipPut32(out, centralAt);
    zipPut16(out, 0);
    return out;
}

}  // namespace celvo::test
