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
    // Lengths around the 56-byte padding limit and the 64-byte block: the
    // digest of each must differ from its neighbours' and be stable.
    std::string prev;
    for (std::size_t n : {55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u}) {
        std::string s(n, 'x');
        std::string d = hex(md4(s.data(), s.size()));
        EXPECT_EQ(d, hex(md4(s.data(), s.size())));
        EXPECT_NE(d, prev) << n;
        prev = d;
    }
}

}  // namespace
}  // namespace celvo
