#include "celvo/bytes.h"

#include <cmath>

#include "test_support.h"

using namespace celvo;

TEST(Bytes, LittleEndianReadsAndBounds)
{
    const std::uint8_t data[] = {0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xFF};
    ByteReader r(data, sizeof data, "Thing size is incorrect");
    EXPECT_EQ(r.u16(), 0x1234);
    EXPECT_EQ(r.u32(), 0x12345678u);
    EXPECT_EQ(r.remaining(), 1u);
    try {
        r.u16();
        FAIL() << "read past the end";
    } catch (const xlerror& e) {
        EXPECT_STREQ(e.what(), "Thing size is incorrect");
    }
    EXPECT_EQ(r.pos(), 6u);  // a failed read consumes nothing
    EXPECT_EQ(static_cast<int>(r.u8()), 0xFF);
    EXPECT_THROW(r.skip(1), xlerror);
    EXPECT_THROW(r.seek(8), xlerror);
}

TEST(Bytes, WriterPatchesAndRoundTrips)
{
    ByteWriter w;
    w.u16(0x0809);
    w.u16(0);  // length placeholder
    w.u32(0xDEADBEEF);
    w.f64(-0.0);
    w.u64(0x0102030405060708ull);
    w.patchU16(2, static_cast<std::uint16_t>(w.size() - 4));
    EXPECT_THROW(w.patchU32(w.size() - 2, 1), xlerror);

    ByteReader r(w.buffer());
    EXPECT_EQ(r.u16(), 0x0809);
    EXPECT_EQ(r.u16(), 20);
    EXPECT_EQ(r.u32(), 0xDEADBEEFu);
    double d = r.f64();
    EXPECT_TRUE(d == 0.0 && std::signbit(d));
    EXPECT_EQ(r.u64(), 0x0102030405060708ull);
    EXPECT_TRUE(r.atEnd());
}
