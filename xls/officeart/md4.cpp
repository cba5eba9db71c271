#include "md4.h"

#include <cstring>
#include <vector>

namespace celvo {

namespace {

inline std::uint32_t rotl(std::uint32_t x, int s) { return (x << s) | (x >> (32 - s)); }
inline std::uint32_t f(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return (x & y) | (~x & z); }
inline std::uint32_t g(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return (x & y) | (x & z) | (y & z); }
inline std::uint32_t h(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return x ^ y ^ z; }

void block(std::uint32_t st[4], const std::uint8_t* p)
{
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = static_cast<std::uint32_t>(p[4 * i]) | (static_cast<std::uint32_t>(p[4 * i + 1]) << 8) |
               (static_cast<std::uint32_t>(p[4 * i + 2]) << 16) | (static_cast<std::uint32_t>(p[4 * i + 3]) << 24);
    std::uint32_t a = st[0], b = st[1], c = st[2], d = st[3];

    static const int r1[4] = {3, 7, 11, 19};
    for (int i = 0; i < 16; ++i) {
        std::uint32_t t = rotl(a + f(b, c, d) + x[i], r1[i % 4]);
        a = d; d = c; c = b; b = t;
    }
    static const int r2[4] = {3, 5, 9, 13};
    static const int k2[16] = {0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15};
    for (int i = 0; i < 16; ++i) {
        std::uint32_t t = rotl(a + g(b, c, d) + x[k2[i]] + 0x5A827999u, r2[i % 4]);
        a = d; d = c; c = b; b = t;
    }
    static const int r3[4] = {3, 9, 11, 15};
    static const int k3[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
    for (int i = 0; i < 16; ++i) {
        std::uint32_t t = rotl(a + h(b, c, d) + x[k3[i]] + 0x6ED9EBA1u, r3[i % 4]);
        a = d; d = c; c = b; b = t;
    }
    st[0] += a; st[1] += b; st[2] += c; st[3] += d;
}

}  // namespace

Md4Digest md4(const void* data, std::size_t size)
{
    std::uint32_t st[4] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u};
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::size_t full = size / 64;
    for (std::size_t i = 0; i < full; ++i) block(st, p + 64 * i);

    // Padding: 0x80, zeros up to 56 mod 64, then the bit length (64 bits, little-endian).
    std::uint8_t tail[128] = {};
    std::size_t rest = size % 64;
    if (rest) std::memcpy(tail, p + 64 * full, rest);
    tail[rest] = 0x80;
    std::size_t tailLen = rest < 56 ? 64 : 128;
    std::uint64_t bits = static_cast<std::uint64_t>(size) * 8;
    for (int i = 0; i < 8; ++i) tail[tailLen - 8 + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    for (std::size_t off = 0; off < tailLen; off += 64) block(st, tail + off);

    Md4Digest out{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) out[4 * i + j] = static_cast<std::uint8_t>(st[i] >> (8 * j));
    return out;
}

}  // namespace celvo
