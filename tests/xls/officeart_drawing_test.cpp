// Sheet drawings: MSODRAWING blocks with their objects, the selection, the
// shapes and pictures of the drawing.
#include "msodrawing.h"
#include "officeart_fixtures.h"
#include "test_support.h"

namespace celvo {
namespace {

using namespace test;

const Bytes kObjRecord = rec(0x5D, cat(u16le(0x15), u16le(0x12), u16le(8), u16le(1), u16le(0x6011), Bytes(12, 0),
                                       Bytes(4, 0)));
const Bytes kNoteObj = rec(0x5D, cat(u16le(0x15), u16le(0x12), u16le(25), u16le(2), u16le(0x4011), Bytes(12, 0),
                                     Bytes(4, 0)));
const Bytes kTxo = cat(rec(0x1B6, cat(u16le(0x212), Bytes(8, 0), u16le(2), u16le(16), u16le(0), u16le(0))),
                       rec(0x3C, Bytes{0, 'h', 'i'}),
                       rec(0x3C, cat(u16le(0), u16le(5), u32le(0), u16le(2), u16le(0), u32le(0))));
const Bytes kEof = rec(0x000A, {});

Bytes anchor() { return oa(0, 0, 0xF010, cat(u16le(2), Bytes(16, 1))); }
Bytes pictureProps(std::uint32_t pib) { return oa(3, 1, 0xF00B, cat(u16le(0x4104), u32le(pib))); }
Bytes patriarch()
{
    return oa(15, 0, 0xF004, cat(oa(1, 0, 0xF009, Bytes(16, 0)), oa(2, 0, 0xF00A, cat(u32le(0x400), u32le(5)))));
}

// A drawing of a picture and a comment in three MSODRAWING records.
struct Fixture {
    Bytes block1, block2, block3;
    Bytes drawingRecords(const Bytes& selection = {}) const
    {
        Bytes r = cat(rec(0xEC, block1), kObjRecord, rec(0xEC, block2), kNoteObj, rec(0xEC, block3), kTxo);
        if (!selection.empty()) r = cat(r, rec(0xED, selection));
        return r;
    }
};

Fixture makeFixture()
{
    Bytes shape1 = spContainer(0x401, 0xA00, cat(pictureProps(1), anchor(), oa(0, 0, 0xF011, {})));
    Bytes shape2 = spContainer(0x402, 0xA00, cat(anchor(), oa(0, 0, 0xF011, {}), oa(0, 0, 0xF00D, {})));
    Bytes group = oa(15, 0, 0xF003, cat(patriarch(), shape1, shape2));
    Bytes dg = oa(15, 0, 0xF002, cat(oa(0, 1, 0xF008, cat(u32le(3), u32le(0x402))), group));
    Fixture f;
    std::size_t end1 = dg.size() - shape2.size();
    f.block1.assign(dg.begin(), dg.begin() + end1);
    f.block2.assign(dg.begin() + end1, dg.end() - 8);
    f.block3.assign(dg.end() - 8, dg.end());
    return f;
}

const Bytes kSelection = oa(0, 0, 0xF119, cat(u32le(1), u32le(0), u32le(0x401), u32le(0x401)));

// Reads the drawing at the start of the stream; returns what it writes and
// checks that the reader stopped at the first record that is not its own.
Bytes roundTrip(const Bytes& stream, MsoDrawing& drawing, std::size_t drawingLength)
{
    BiffInput in(stream);
    RecordCursor rec = in.next();
    drawing.read(rec, in);
    EXPECT_EQ(in.position(), drawingLength);
    BiffOutput out;
    drawing.write(out);
    return out.bytes();
}

std::string readError(const Bytes& stream)
{
    try {
        MsoDrawing drawing;
        BiffInput in(stream);
        RecordCursor rec = in.next();
        drawing.read(rec, in);
        return "";
    } catch (const std::exception& e) {
        return e.what();
    }
}

TEST(MsoDrawingRecords, BlocksAndObjectsRoundTrip)
{
    Fixture f = makeFixture();
    for (const Bytes& selection : {Bytes{}, kSelection}) {
        Bytes records = f.drawingRecords(selection);
        MsoDrawing drawing;
        EXPECT_EQ(roundTrip(cat(records, kEof), drawing, records.size()), records);
        ASSERT_EQ(drawing.blocks().size(), 3u);
        auto it = drawing.blocks().begin();
        EXPECT_EQ(it->objects.size(), 1u);
        EXPECT_EQ((++it)->objects.size(), 1u);
        EXPECT_EQ((++it)->objects.size(), 1u);  // the TXO with its two CONTINUE records
        EXPECT_EQ(drawing.selectionMissing, selection.empty());
        EXPECT_EQ(drawing.shapes().size(), 3u);
        EXPECT_EQ(drawing.maxObjectId(), 2u);
        ASSERT_NE(drawing.dgContainer(), nullptr);
        EXPECT_EQ(drawing.dgContainer()->fdg()->spidCur, 0x402u);

        // A copy writes the same records and is independent of its source.
        MsoDrawing copy(drawing);
        drawing.shapes()[1]->fsp()->spid = 0x999;
        BiffOutput out;
        copy.write(out);
        EXPECT_EQ(out.bytes(), records);
    }
}

TEST(MsoDrawingRecords, DrawingDataGoingOnInContinueRecords)
{
    // Some writers carry the next shape in a CONTINUE record after the
    // previous shape's objects instead of a new MSODRAWING.
    Fixture f = makeFixture();
    Bytes records = cat(rec(0xEC, f.block1), kObjRecord, rec(0x3C, f.block2), kNoteObj, rec(0x3C, f.block3), kTxo);
    MsoDrawing drawing;
    EXPECT_EQ(roundTrip(cat(records, kEof), drawing, records.size()), records);
    EXPECT_EQ(drawing.blocks().size(), 3u);
    // Once the drawing is complete, a CONTINUE record is an object again.
    Bytes more = cat(f.drawingRecords(), rec(0x3C, Bytes{7, 7}));
    MsoDrawing second;
    EXPECT_EQ(roundTrip(cat(more, kEof), second, more.size()), more);
    EXPECT_EQ(second.blocks().back().objects.size(), 2u);
}

TEST(MsoDrawingRecords, DrawingInterruptedByAnotherRecordGoesOn)
{
    Fixture f = makeFixture();
    Bytes first = cat(rec(0xEC, f.block1), kObjRecord);
    Bytes rest = cat(rec(0xEC, f.block2), kNoteObj, rec(0xEC, f.block3), kTxo);
    Bytes stream = cat(first, rec(0x0208, Bytes(16, 0)), rest, kEof);
    BiffInput in(stream);
    MsoDrawing drawing;
    RecordCursor r1 = in.next();
    drawing.read(r1, in);
    EXPECT_FALSE(drawing.complete());
    in.next();
    RecordCursor r2 = in.next();
    drawing.read(r2, in);
    EXPECT_TRUE(drawing.complete());
    BiffOutput out;
    drawing.write(out);
    EXPECT_EQ(out.bytes(), cat(first, rest));
}

TEST(MsoDrawingRecords, EmptyDrawingWritesNothing)
{
    MsoDrawing drawing;
    BiffOutput out;
    EXPECT_EQ(drawing.write(out), 0u);
    EXPECT_TRUE(out.bytes().empty());
}

TEST(MsoDrawingRecords, MalformedDrawingsFail)
{
    Fixture f = makeFixture();
    Bytes midRecord(f.block2.begin(), f.block2.begin() + 12);
    Bytes restOfIt(f.block2.begin() + 12, f.block2.end());
    struct Case {
        const char* name;
        Bytes stream;
        const char* message;
    };
    const Case cases[] = {
        {"record of 6 bytes", cat(rec(0xEC, Bytes(6, 0)), kEof), "MsoDrawing size is incorrect"},
        {"record cut inside a shape",
         cat(rec(0xEC, f.block1), kObjRecord, rec(0xEC, midRecord), rec(0xEC, restOfIt), kNoteObj, rec(0xEC, f.block3),
             kTxo, kEof),
         "MsoDrawing size is incorrect"},
        {"bad selection", cat(f.drawingRecords(), rec(0xED, oa(0, 0, 0xF11A, {})), kEof),
         "error in record OfficeArtFDGSL"},
        {"selection cut", cat(f.drawingRecords(), rec(0xED, oa(0, 0, 0xF119, u32le(1))), kEof),
         "error in record OfficeArtFDGSL"},
        {"object cut", cat(rec(0xEC, f.block1), rec(0x5D, Bytes(8, 0)), kEof), "error in record Obj"},
        {"chart without its end", cat(rec(0xEC, f.block1), rec(0x0809, Bytes(16, 0))), "error in record ChartSheet"},
    };
    for (const Case& c : cases) EXPECT_EQ(readError(c.stream), c.message) << c.name;
}

TEST(MsoDrawingRecords, DrawingThatNeverCompletesFails)
{
    Fixture f = makeFixture();
    Bytes stream = cat(rec(0xEC, f.block1), kObjRecord, kEof);
    BiffInput in(stream);
    MsoDrawing drawing;
    RecordCursor r = in.next();
    drawing.read(r, in);
    EXPECT_FALSE(drawing.complete());
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            if (attempt == 0) drawing.finishRead();
            BiffOutput out;
            if (attempt == 1) drawing.write(out);
            ADD_FAILURE() << attempt;
        } catch (const xlerror& e) {
            EXPECT_STREQ(e.what(), "error in record OfficeArtDgContainer");
        }
    }
}

TEST(MsoDrawingRecords, PictureTest)
{
    Bytes nested = oa(15, 0, 0xF003, cat(patriarch(), spContainer(0x410, 0xA00, pictureProps(1))));
    struct Case {
        const char* name;
        Bytes shape;
        bool picture;
    };
    const Case cases[] = {
        {"anchored with a picture index", spContainer(0x401, 0xA00, pictureProps(1)), true},
        {"picture index 0", spContainer(0x401, 0xA00, pictureProps(0)), true},
        {"without the has-anchor flag", spContainer(0x401, 0x800, pictureProps(1)), false},
        {"without a picture index", spContainer(0x401, 0xA00, oa(3, 1, 0xF00B, cat(u16le(0x0080), u32le(1)))), false},
        {"negative picture index", spContainer(0x401, 0xA00, pictureProps(0x80000001u)), false},
        {"nested group", nested, false},
    };
    for (const Case& c : cases) {
        Bytes group = oa(15, 0, 0xF003, cat(patriarch(), c.shape));
        Bytes dg = oa(15, 0, 0xF002, cat(oa(0, 1, 0xF008, cat(u32le(2), u32le(0x401))), group));
        MsoDrawing drawing;
        Bytes records = cat(rec(0xEC, dg), kObjRecord);
        EXPECT_EQ(roundTrip(cat(records, kEof), drawing, records.size()), records) << c.name;
        EXPECT_EQ(drawing.pictures().size(), c.picture ? 1u : 0u) << c.name;
    }
}

}  // namespace
}  // namespace celvo
