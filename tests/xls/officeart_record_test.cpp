// The record header, the record base and the generic container reading.
#include <string>

#include "officeart_fixtures.h"
#include "officeart_group.h"
#include "officeart_shapes.h"
#include "test_support.h"

namespace celvo {
namespace {

using namespace test;

TEST(OfficeArtHeader, FieldsKeepEachOther)
{
    OfficeArtRecordHeader h;
    h.set(0, 0x46A, 0xF01D, 100);
    EXPECT_EQ(h.recInstance(), 0x46Au);
    h.setRecVer(15);
    EXPECT_EQ(h.recVer(), 15u);
    EXPECT_EQ(h.recInstance(), 0x46Au);
    h.setRecInstance(0x123);
    EXPECT_EQ(h.recVer(), 15u);
    EXPECT_EQ(h.recInstance(), 0x123u);
    ArtWriter w;
    EXPECT_EQ(h.write(w), 8u);
    EXPECT_EQ(w.buffer(), (Bytes{0x3F, 0x12, 0x1D, 0xF0, 100, 0, 0, 0}));
    h.clear();
    EXPECT_EQ(h.recType(), 0u);
}

TEST(OfficeArtRecord, HeaderMismatchLeavesTheReaderWhereItWas)
{
    struct Case {
        const char* name;
        Bytes bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"other type", oa(0, 0, 0xF00A, cat(u32le(1), u32le(2)))},
        {"other version", oa(1, 0, 0xF008, cat(u32le(1), u32le(2)))},
        {"fixed length differs", oa(0, 0, 0xF008, u32le(1))},
        {"shorter than a header", Bytes{0x00, 0x00, 0x08, 0xF0}},
    };
    for (const Case& c : cases) {
        OfficeArtFDG fdg;
        ByteReader in(c.bytes);
        EXPECT_EQ(fdg.read(in), 0u) << c.name;
        EXPECT_EQ(in.pos(), 0u) << c.name;
        EXPECT_TRUE(fdg.absent) << c.name;
        EXPECT_EQ(fdg.size(), 0u) << c.name;
        EXPECT_TRUE(serialize(fdg).empty()) << c.name;
    }
}

TEST(OfficeArtRecord, ReadRecordWritesTheSameBytes)
{
    const Bytes table[] = {
        oa(0, 3, 0xF008, cat(u32le(2), u32le(0xC02))),
        oa(2, 202, 0xF00A, cat(u32le(0x401), u32le(0xA00))),
        oa(0, 0, 0xF010, cat(u16le(3), u16le(1), u16le(2), u16le(3), u16le(4), u16le(5), u16le(6),
                             u16le(7), u16le(8), u16le(9))),
        oa(1, 0, 0xF009, cat(u32le(1), u32le(2), u32le(3), u32le(4))),
        oa(0, 0, 0xF11D, u32le(7)),
        oa(0, 4, 0xF11E, cat(u32le(1), u32le(2), u32le(3), u32le(4))),
        oa(0, 0, 0xF119, cat(u32le(1), u32le(0), u32le(0x401), u32le(0x401), u32le(0x402))),
        oa(0, 2, 0xF118, cat(u16le(1), u16le(2), u16le(3), u16le(4))),
        // a container holding a record the engine does not model and a short tail
        oa(15, 0, 0xF004, cat(oa(0, 0, 0xF00A + 0x100, Bytes{1, 2, 3}), oa(0, 0, 0xF011, {}), Bytes{9, 9})),
    };
    for (const Bytes& bytes : table) {
        OfficeArtRecordHeader h;
        ByteReader peek(bytes);
        h.read(peek);
        auto rec = makeOfficeArtRecord(h);
        ByteReader in(bytes);
        ASSERT_EQ(rec->read(in), bytes.size()) << std::hex << h.recType();
        EXPECT_FALSE(rec->recomputeLength);
        EXPECT_EQ(serialize(*rec), bytes) << std::hex << h.recType();
        EXPECT_EQ(rec->size(), bytes.size());
        EXPECT_EQ(serialize(*rec->clone()), bytes);
    }
}

TEST(OfficeArtRecord, UnknownMembersStayInTheirPlace)
{
    Bytes unknown = oa(3, 7, 0xF0FF, Bytes{1, 2, 3, 4, 5});
    Bytes bytes = oa(15, 0, 0xF004, cat(oa(2, 75, 0xF00A, cat(u32le(0x401), u32le(0xA00))), unknown,
                                        oa(0, 0, 0xF011, {})));
    OfficeArtSpContainer sp;
    ASSERT_EQ(readFrom(sp, bytes), "");
    ASSERT_EQ(sp.children.items.size(), 3u);
    EXPECT_EQ(sp.children.items[1]->header.recType(), 0xF0FFu);
    EXPECT_EQ(sp.children.items[1]->extra, (Bytes{1, 2, 3, 4, 5}));
    ASSERT_NE(sp.fsp(), nullptr);
    EXPECT_EQ(sp.fsp()->spid, 0x401u);
    EXPECT_EQ(serialize(sp), bytes);
}

TEST(OfficeArtRecord, MalformedRecordsFailWithTheirMessages)
{
    struct Case {
        const char* name;
        Bytes bytes;
        const char* message;
    };
    Bytes fsp = oa(2, 75, 0xF00A, cat(u32le(1), u32le(2)));
    const Case cases[] = {
        {"member longer than its container",
         oaLen(15, 0, 0xF004, 12, cat(oaLen(2, 75, 0xF00A, 8, u32le(1)))), "error in record OfficeArtFSP"},
        {"container longer than the data", oaLen(15, 0, 0xF004, 100, fsp), "error in record OfficeArtSpContainer"},
        {"FRIT entries beyond the record", oa(0, 3, 0xF118, cat(u16le(1), u16le(2))),
         "error in record OfficeArtFRITContainer"},
        {"property entries beyond the record", oa(3, 3, 0xF00B, cat(u16le(0x7F), u32le(1))),
         "error in record OfficeArtFOPTE"},
        {"cut header inside a container", oa(15, 0, 0xF004, cat(fsp, Bytes{1, 2, 3, 4, 5, 6, 7})), ""},
    };
    for (const Case& c : cases) {
        OfficeArtRecordHeader h;
        ByteReader peek(c.bytes);
        h.read(peek);
        auto rec = makeOfficeArtRecord(h);
        std::string message;
        try {
            ByteReader in(c.bytes);
            rec->read(in);
        } catch (const xlerror& e) {
            message = e.what();
        }
        EXPECT_EQ(message, c.message) << c.name;
    }
}

TEST(OfficeArtRecord, NestingDeeperThanTheLimitIsRefused)
{
    Bytes inner = oa(15, 0, 0xF003, {});
    for (int i = 0; i < kMaxOfficeArtDepth + 5; ++i) inner = oa(15, 0, 0xF003, inner);
    OfficeArtSpgrContainer group;
    EXPECT_EQ(readFrom(group, inner), "error in record OfficeArtSpgrContainer");
}

TEST(OfficeArtRecord, NewRecordsComputeTheirLength)
{
    OfficeArtSpContainer sp;
    sp.absent = 0;
    auto fsp = std::make_unique<OfficeArtFSP>();
    fsp->absent = 0;
    fsp->header.setRecInstance(75);
    fsp->spid = 0x401;
    fsp->flags = 0xA00;
    sp.children.items.push_back(std::move(fsp));
    auto data = std::make_unique<OfficeArtClientData>();
    data->absent = 0;
    sp.children.items.push_back(std::move(data));
    Bytes expected = oa(15, 0, 0xF004, cat(oa(2, 75, 0xF00A, cat(u32le(0x401), u32le(0xA00))), oa(0, 0, 0xF011, {})));
    EXPECT_EQ(serialize(sp), expected);
    EXPECT_EQ(sp.size(), expected.size());
}

TEST(OfficeArtPieces, CutsNeverSplitAUnit)
{
    struct Case {
        const char* name;
        std::size_t total;
        std::vector<std::pair<std::size_t, std::size_t>> units;
        std::vector<std::size_t> pieces;
    };
    const Case cases[] = {
        {"empty", 0, {}, {0}},
        {"one piece", 100, {}, {100}},
        {"exactly full", 8224, {}, {8224}},
        {"plain bytes cut at 8224", 20000, {}, {8224, 8224, 3552}},
        {"unit across the cut moves it", 20000, {{8220, 16}}, {8220, 8224, 3556}},
        {"unit ending at the cut stays", 9000, {{8208, 16}}, {8224, 776}},
        {"unit larger than a piece is cut", 20000, {{0, 9000}}, {8224, 8224, 3552}},
    };
    for (const Case& c : cases) EXPECT_EQ(cutIntoPieces(c.total, c.units, 8224), c.pieces) << c.name;
}

}  // namespace
}  // namespace celvo
