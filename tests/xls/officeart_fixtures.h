// Byte fixtures for the drawing-record tests: OfficeArt records built in the test.
#pragma once

#include <string>

#include "officeart_record.h"
#include "xls_test_util.h"

namespace celvo::test {

inline void putLE(Bytes& b, std::uint64_t v, int n)
{
    for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline Bytes u16le(std::uint16_t v) { Bytes b; putLE(b, v, 2); return b; }
inline Bytes u32le(std::uint32_t v) { Bytes b; putLE(b, v, 4); return b; }

// An OfficeArt record: header (recVer, recInstance, recType, body length) and body.
inline Bytes oa(unsigned ver, unsigned inst, unsigned type, const Bytes& body)
{
    Bytes r;
    putLE(r, ((inst & 0xFFF) << 4) | (ver & 0xF), 2);
    putLE(r, type, 2);
    putLE(r, body.size(), 4);
    r.insert(r.end(), body.begin(), body.end());
    return r;
}
// The same with a recLen that does not match the body (hostile input).
inline Bytes oaLen(unsigned ver, unsigned inst, unsigned type, std::uint32_t len, const Bytes& body)
{
    Bytes r = oa(ver, inst, type, body);
    r[4] = static_cast<std::uint8_t>(len);
    r[5] = static_cast<std::uint8_t>(len >> 8);
    r[6] = static_cast<std::uint8_t>(len >> 16);
    r[7] = static_cast<std::uint8_t>(len >> 24);
    return r;
}

inline Bytes serialize(const OfficeArtRecordBase& rec)
{
    ArtWriter w;
    rec.write(w);
    return w.buffer();
}

// Reads one record of the given class from bytes; returns the message of
// a failure, or "" on success.
template <class T>
std::string readFrom(T& rec, const Bytes& bytes)
{
    try {
        ByteReader in(bytes, "end of data");
        if (rec.read(in) == 0) return "absent";
        return "";
    } catch (const std::exception& e) {
        return e.what();
    }
}

inline Bytes spContainer(std::uint32_t spid, std::uint32_t flags, const Bytes& more = {})
{
    Bytes body = cat(oa(2, 75, 0xF00A, cat(u32le(spid), u32le(flags))), more);
    return oa(15, 0, 0xF004, body);
}

}  // namespace celvo::test
