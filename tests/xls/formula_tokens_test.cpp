#include "formula/ptg.h"

#include "celvo/xlerror.h"
#include "formula/compiler.h"
#include "formula_fake_context.h"
#include "test_support.h"

using namespace celvo;
using celvo::test::hexBytes;

TEST(FormulaTokens, RgceLoc)
{
    RgceLoc absolute(0, 0, false, false);
    EXPECT_EQ(absolute.colWord(), 0x0000);
    RgceLoc relative(0, 0, true, true);
    EXPECT_EQ(relative.colWord(), 0xC000);
    RgceLoc last(65535, 255, true, false);
    EXPECT_EQ(last.row(), 65535);
    EXPECT_EQ(last.col(), 255);
    EXPECT_TRUE(last.rowRelative());
    EXPECT_FALSE(last.colRelative());

    RgceLoc kept(3, 4, true, true);
    try {
        kept.set(0, 256, false, false);
        ADD_FAILURE();
    } catch (const xlerror& e) {
        EXPECT_STREQ(e.what(), "RgceLoc: col must be less than 256");
    }
    EXPECT_EQ(kept.row(), 3);  // nothing stored
    EXPECT_EQ(kept.colWord(), 0xC004);
}

TEST(FormulaTokens, RgceAreaBytes)
{
    RgceArea area(RgceLoc(1, 2, true, false), RgceLoc(3, 4, false, true));
    ByteWriter out;
    area.write(out);
    EXPECT_EQ(out.buffer(), hexBytes("01 00 03 00 02 80 04 40"));
    ByteReader in(out.buffer());
    RgceArea back;
    back.read(in);
    EXPECT_EQ(back.first().row(), 1);
    EXPECT_EQ(back.first().col(), 2);
    EXPECT_TRUE(back.first().rowRelative());
    EXPECT_FALSE(back.first().colRelative());
    EXPECT_EQ(back.last().row(), 3);
    EXPECT_EQ(back.last().colWord(), 0x4004);
}

TEST(FormulaTokens, UnitSizes)
{
    struct Case { const char* bytes; std::size_t operandSize; };
    const Case cases[] = {
        {"03", 0}, {"16", 0}, {"1C 07", 1}, {"1D 01", 1}, {"1E 01 00", 2}, {"41 DD 00", 2},
        {"29 00 00", 2}, {"42 01 04 00", 3}, {"01 00 00 00 00", 4}, {"43 01 00 00 00", 4},
        {"2C 00 00 00 C0", 4}, {"26 00 00 00 00 00 00", 6}, {"59 00 00 01 00 00 00", 6},
        {"7A 00 00 00 00 00 C0", 6}, {"60 00 00 00 00 00 00 00", 7},
        {"1F 00 00 00 00 00 00 F0 3F", 8}, {"6D 00 00 00 00 00 00 00 00", 8},
        {"3B 00 00 00 00 00 00 00 00 00 00", 10},
        {"17 02 00 61 62", 4}, {"17 02 01 61 00 62 00", 6},  // 16-bit characters take twice the bytes
        {"18 01 00 00 00 00", 5}, {"18 1D 00 00 00 00", 5}, {"18 0A 00 00 0C 80 25 01 00 03 00 0C 00 0C 00", 14},
        {"19 01 00 00", 3}, {"19 40 00 01", 3},
        {"19 04 01 00 08 00 0A 00", 7},  // choose: count 1, then two offsets
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bytes = hexBytes(c.bytes);
        bytes.push_back(0x03);  // a following token must stay unread
        ByteReader in(bytes);
        PtgUnit unit = readPtgUnit(in);
        EXPECT_EQ(unit.id, bytes[0]) << c.bytes;
        EXPECT_EQ(unit.operandSize, c.operandSize) << c.bytes;
        EXPECT_EQ(in.remaining(), 1u) << c.bytes;
    }
}

TEST(FormulaTokens, UnreadableUnits)
{
    struct Case { const char* bytes; const char* message; };
    const Case cases[] = {
        {"00", "can't recognize formula block: unknown ptg"},
        {"1A", "can't recognize formula block: unknown ptg"},
        {"2E 00 00", "can't recognize formula block: unknown ptg"},
        {"3F", "can't recognize formula block: unknown ptg"},
        {"80", "can't recognize formula block: unknown ptg"},
        {"18 04 00 00 00 00 00", "unknown Ptg 0x18"},
        {"19 03 00 00", "unknown Ptg 0x19"},
        {"1E 01", "cut"},
        {"17 05 00 61", "cut"},
        {"17 01 01 61", "cut"},
        {"19 04 05 00 00 00", "cut"},
        {"44 00 00", "cut"},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bytes = hexBytes(c.bytes);
        ByteReader in(bytes.data(), bytes.size(), "cut");
        try {
            readPtgUnit(in);
            ADD_FAILURE() << c.bytes;
        } catch (const xlerror& e) {
            EXPECT_STREQ(e.what(), c.message) << c.bytes;
        }
    }
}

TEST(FormulaTokens, SharedFormulaReference)
{
    std::vector<std::uint8_t> ref = makeSharedFormulaRef(0x1234, 7);
    EXPECT_EQ(ref, hexBytes("01 34 12 07 00"));
    std::uint16_t row = 0, col = 0;
    EXPECT_TRUE(isSharedFormulaRef(ref.data(), ref.size(), &row, &col));
    EXPECT_EQ(row, 0x1234);
    EXPECT_EQ(col, 7);

    std::vector<std::uint8_t> plain = hexBytes("1E 01 00");
    EXPECT_FALSE(isSharedFormulaRef(plain.data(), plain.size(), &row, &col));
    EXPECT_FALSE(isSharedFormulaRef(nullptr, 0, &row, &col));
    std::vector<std::uint8_t> shortRef = hexBytes("01 00 00");
    EXPECT_FALSE(isSharedFormulaRef(shortRef.data(), shortRef.size(), &row, &col));
}

TEST(FormulaTokens, ExternSheetEntriesAreShared)
{
    celvo::test::FakeFormulaContext book;
    MakeFormula compiler(book);
    std::vector<std::uint8_t> first = compiler.compile(u"=Sheet2!A1");
    std::vector<std::uint8_t> again = compiler.compile(u"=Sheet2!B5+1");
    ASSERT_EQ(book.xti.size(), 1u);
    EXPECT_EQ(book.xti[0], std::make_pair(1, 1));
    EXPECT_EQ(first[1], 0);
    EXPECT_EQ(again[1], 0);
    std::vector<std::uint8_t> other = compiler.compile(u"=Sheet3!A1");
    ASSERT_EQ(book.xti.size(), 2u);
    EXPECT_EQ(other[1], 1);
    compiler.compile(u"=Sheet1:Sheet3!A1");
    ASSERT_EQ(book.xti.size(), 3u);
    EXPECT_EQ(book.xti[2], std::make_pair(0, 2));
}
