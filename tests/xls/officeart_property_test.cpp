// Shape property tables.
#include "officeart_fixtures.h"
#include "officeart_shapes.h"
#include "test_support.h"

namespace celvo {
namespace {

using namespace test;

TEST(OfficeArtProperties, OpidWords)
{
    struct Case {
        unsigned id;
        bool fBid, fComplex;
        std::uint16_t word;
    };
    const Case cases[] = {
        {0x0104, true, false, 0x4104}, {0x0105, true, true, 0xC105}, {0x0080, false, false, 0x0080},
        {0x3FFF, false, true, 0xBFFF},
    };
    for (const Case& c : cases) {
        OfficeArtFOPTEOPID opid(c.id, c.fBid, c.fComplex);
        EXPECT_EQ(opid.word(), c.word);
        EXPECT_EQ(opid.opid(), c.id);
    }
    for (unsigned bad : {0x4000u, 0xFFFFu}) {
        try {
            OfficeArtFOPTEOPID opid(bad, false, false);
            ADD_FAILURE() << bad;
        } catch (const xlerror& e) {
            EXPECT_STREQ(e.what(), "error in OfficeArtFOPTEOPID");
        }
    }
}

TEST(OfficeArtProperties, TablesReadAndWriteBack)
{
    struct Case {
        const char* name;
        Bytes bytes;
        std::size_t entries, complex;
    };
    const Case cases[] = {
        {"two entries and 4 complex bytes",
         oa(3, 2, 0xF00B, cat(u16le(0x4104), u32le(1), u16le(0xC105), u32le(4), Bytes{'3', 0, 0, 0})), 2, 4},
        {"empty table", oa(3, 0, 0xF00B, {}), 0, 0},
        {"secondary table", oa(3, 1, 0xF121, cat(u16le(0x0181), u32le(0x08000041))), 1, 0},
        {"tertiary table", oa(3, 1, 0xF122, cat(u16le(0x03BF), u32le(0x00080008))), 1, 0},
    };
    for (const Case& c : cases) {
        OfficeArtRecordHeader h;
        ByteReader peek(c.bytes);
        h.read(peek);
        auto rec = makeOfficeArtRecord(h);
        ByteReader in(c.bytes);
        ASSERT_EQ(rec->read(in), c.bytes.size()) << c.name;
        const OfficeArtRGFOPTE* table = nullptr;
        if (auto* p = dynamic_cast<OfficeArtFOPT*>(rec.get())) table = &p->rgfopte;
        if (auto* p = dynamic_cast<OfficeArtSecondaryFOPT*>(rec.get())) table = &p->rgfopte;
        if (auto* p = dynamic_cast<OfficeArtTertiaryFOPT*>(rec.get())) table = &p->rgfopte;
        ASSERT_NE(table, nullptr) << c.name;
        EXPECT_EQ(table->entries.size(), c.entries) << c.name;
        EXPECT_EQ(table->complex.size(), c.complex) << c.name;
        EXPECT_EQ(serialize(*rec), c.bytes) << c.name;
    }
}

TEST(OfficeArtProperties, AddingPropertiesCountsThem)
{
    OfficeArtFOPT table;
    EXPECT_TRUE(table.absent);
    table.addProperty(OfficeArtFOPTE(OfficeArtFOPTEOPID(0x0104, true, false).word(), 1));
    table.addProperty(OfficeArtFOPTE(OfficeArtFOPTEOPID(0x0105, true, true).word(), 4), Bytes{'3', 0, 0, 0});
    EXPECT_FALSE(table.absent);
    EXPECT_EQ(table.header.recInstance(), 2u);
    EXPECT_EQ(serialize(table),
              oa(3, 2, 0xF00B, cat(u16le(0x4104), u32le(1), u16le(0xC105), u32le(4), Bytes{'3', 0, 0, 0})));
    ASSERT_NE(table.rgfopte.find(0x0104), nullptr);
    EXPECT_EQ(table.rgfopte.find(0x0104)->op, 1u);
    EXPECT_EQ(table.rgfopte.find(0x0181), nullptr);
}

TEST(OfficeArtProperties, EntriesBeyondTheRecordFail)
{
    const Bytes cases[] = {
        oa(3, 2, 0xF00B, cat(u16le(0x4104), u32le(1))),
        oa(3, 0xFFF, 0xF00B, Bytes(12, 0)),
    };
    for (const Bytes& bytes : cases) {
        OfficeArtFOPT table;
        EXPECT_EQ(readFrom(table, bytes), "error in record OfficeArtFOPTE");
    }
}

}  // namespace
}  // namespace celvo
