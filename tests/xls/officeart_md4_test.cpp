// MD4 against the test suite of RFC 1320 (appendix A.5).
#include <cstdio>
#include <string>

#include "md4.h"
#include "test_support.h"

namespace celvo {
namespace {

std::string hex(const Md4Digest& d)
{
    std::string s;
    char b[3];
    for (auto v : d) {
        std::snprintf(b, sizeof b, "%02x", v);
        s += b;
    }
    return s;
}

TEST(Md4, RfcTestSuite)
{
    struct Case {
        std::string input;
        const char* digest;
    };
    const Case cases[] = {
        {"", "31d6cfe0d16ae931b73c59d7e0c089c0"},
        {"a", "bde52cb31de33e46245e05fbdbd6fb24"},
        {"abc", "a448017aaf21d8525fc10ae87aa6729d"},
        {"message digest", "d9130a8164549fe818874806e1c7014b"},
        {"abcdefghijklmnopqrstuvwxyz", "d79e1c308aa5bbcdeea8ed63df412da9"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "043f8582f241db351ce627e153e7f0e4"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "e33b4ddc9c38f2199c3e7b164fcc0536"},
    };
    for (const Case& c : cases) EXPECT_EQ(hex(md4(c.input.data(), c.input.size())), c.digest) << '"' << c.input << '"';
}

TEST(Md4, PaddingBoundaries)
{
    // Lengths around the 56-byte padding limit and the 64-byte block, of
    // the letter x; the digests are those of OpenSSL's MD4 (its legacy
    // provider: `openssl dgst -provider legacy -md4`).
    struct Case {
        std::size_t length;
        const char* digest;
    };
    const Case cases[] = {
        {55, "92f32bb82c95ad10e8f87ae58ab06807"},  {56, "374d5f08103b7092c83b4626ebceffab"},
        {57, "eebaefd8f3ba932d44239a789c38317a"},  {63, "2870452596e98fffd48332289b3472b9"},
        {64, "b1abf956a5ae6f3221e5fe85e300fbb0"},  {65, "afc1a3308fc176a53238a09aeddec2e6"},
        {119, "b55ae15e41e55643b0c3daad5e05c905"}, {120, "d8f9adfc41ec43552619606c70cfd287"},
    };
    for (const Case& c : cases) {
        const std::string s(c.length, 'x');
        EXPECT_EQ(hex(md4(s.data(), s.size())), c.digest) << c.length;
    }
}

}  // namespace
}  // namespace celvo
