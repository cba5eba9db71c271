// Record stream: bounded cursor, CONTINUE handling on both sides, record base.
#include "test_support.h"

#include <functional>
#include <string>
#include <vector>

#include "biff_stream.h"
#include "xls_test_util.h"

namespace celvo {
namespace {

using test::Bytes;
using test::rec;
using test::cat;

// Reads what a case asks for and reports the values as text, or the error.
std::string run(const Bytes& stream, const std::function<std::string(BiffInput&)>& body)
{
    BiffInput in(stream);
    try {
        return body(in);
    } catch (const xlerror& e) {
        return std::string("error: ") + e.what();
    }
}

struct CursorCase {
    const char* name;
    Bytes stream;
    std::function<std::string(BiffInput&)> body;
    std::string expected;
};

TEST(RecordCursor, ReadsWithinTheRecordAndContinues)
{
    const std::vector<CursorCase> cases = {
        {"fields inside the record", rec(0x31, {1, 0, 2, 0, 0, 0, 3}),
         [](BiffInput& in) {
             auto c = in.next();
             c.setName("Font");
             std::string s = std::to_string(c.u16());
             s += "," + std::to_string(c.u32());
             s += "," + std::to_string(c.u8());
             return s + " left " + std::to_string(c.remaining());
         },
         "1,2,3 left 0"},
        {"a field crossing the end names the record", rec(0x31, {1, 0, 2}),
         [](BiffInput& in) {
             auto c = in.next();
             c.setName("Font");
             c.u16();
             return std::to_string(c.u16());
         },
         "error: Font size is incorrect"},
        {"a field never reaches into the next record", cat(rec(0x31, {1}), rec(0x3C, {2, 3, 4})),
         [](BiffInput& in) {
             auto c = in.next();
             c.setName("Font");
             return std::to_string(c.u32());
         },
         "error: Font size is incorrect"},
        {"unread bytes are skipped by the next record", cat(rec(0x31, {1, 2, 3, 4}), rec(0x0A, {})),
         [](BiffInput& in) {
             auto c = in.next();
             c.u8();
             auto d = in.next();
             return std::to_string(d.id()) + " eof " + std::to_string(in.eof());
         },
         "10 eof 1"},
        {"requireLength", rec(0x12, {1, 0, 0}),
         [](BiffInput& in) {
             auto c = in.next();
             c.setName("Protect");
             c.requireLength(2);
             return std::string("read");
         },
         "error: Protect size is incorrect"},
        {"record running past the end of the stream", Bytes{0x31, 0, 10, 0, 1, 2},
         [](BiffInput& in) { return std::to_string(in.next().id()); },
         "error: read error: record 0x0031 runs past the end of the stream"},
        {"next at the end of the stream", Bytes{0x31, 0},
         [](BiffInput& in) { return std::to_string(in.next().id()); },
         "error: read error: unexpected end of stream"},
        {"readInt32 with one byte left takes 3 from the CONTINUE",
         cat(rec(0x41, {0x11}), rec(0x3C, {0x22, 0x33, 0x44, 0x55, 0x66})),
         [](BiffInput& in) {
             auto c = in.next();
             std::uint32_t v = c.readInt32();
             char buf[40];
             std::snprintf(buf, sizeof buf, "%08X left %zu", v, c.remaining());
             return std::string(buf);
         },
         "44332211 left 2"},
        {"readInt16 over an empty CONTINUE", cat(rec(0x41, {0x11}), rec(0x3C, {}), rec(0x3C, {0x22})),
         [](BiffInput& in) {
             auto c = in.next();
             std::string s = std::to_string(c.readInt16());
             return s + " continues " + std::to_string(c.continues());
         },
         "8721 continues 2"},
        {"readInt16 without CONTINUE", cat(rec(0x41, {0x11}), rec(0x42, {0x22, 0x33})),
         [](BiffInput& in) { return std::to_string(in.next().readInt16()); },
         "error: readInt16: CONTINUE record not found"},
        {"readInt32 at the end of the stream", rec(0x41, {1, 2}),
         [](BiffInput& in) { return std::to_string(in.next().readInt32()); },
         "error: readInt32: CONTINUE record not found"},
        {"enterContinue checks the id", cat(rec(0xFC, {1}), rec(0x42, {2})),
         [](BiffInput& in) {
             auto c = in.next();
             c.setName("SST");
             c.enterContinue();
             return std::string("entered");
         },
         "error: SST size is incorrect"},
        {"enterContinue with its own message", rec(0xFC, {1}),
         [](BiffInput& in) {
             auto c = in.next();
             c.enterContinue("error in XTI");
             return std::string("entered");
         },
         "error: error in XTI"},
        {"enterContinue skips the unread rest", cat(rec(0xFC, {1, 2, 3}), rec(0x3C, {9}), rec(0x0A, {})),
         [](BiffInput& in) {
             auto c = in.next();
             c.u8();
             c.enterContinue();
             std::string s = std::to_string(c.u8());
             s += " next " + std::to_string(in.peekRecordId());
             return s + " length " + std::to_string(c.length());
         },
         "9 next 10 length 3"},
        {"tryContinue stays when none follows", cat(rec(0xFC, {1}), rec(0x0A, {})),
         [](BiffInput& in) {
             auto c = in.next();
             std::string s = std::to_string(c.tryContinue());
             return s + " " + std::to_string(c.u8());
         },
         "0 1"},
        {"a CONTINUE running past the end", cat(rec(0xFC, {1}), Bytes{0x3C, 0, 5, 0, 1}),
         [](BiffInput& in) {
             auto c = in.next();
             c.enterContinue();
             return std::string("entered");
         },
         "error: read error: record 0x003C runs past the end of the stream"},
    };
    for (const auto& c : cases) EXPECT_EQ(run(c.stream, c.body), c.expected) << c.name;
}

TEST(BiffInput, LooksAheadAndComesBack)
{
    BiffInput in(cat(rec(0x0809, {6, 0}), rec(0x0031, {1}), Bytes{0, 0, 0}));
    EXPECT_EQ(in.peekRecordId(), 0x0809);
    EXPECT_EQ(in.peekRecordId(), 0x0809);
    std::size_t saved = in.savePosition();
    EXPECT_EQ(in.next().id(), 0x0809);
    EXPECT_EQ(in.next().id(), 0x0031);
    EXPECT_TRUE(in.eof()) << "three bytes are no record header";
    EXPECT_EQ(in.peekRecordId(), 0);
    in.restorePosition(saved);
    EXPECT_EQ(in.next().id(), 0x0809);
    EXPECT_THROW(in.seek(in.bytes().size() + 1), xlerror);
}

// Pieces of the written stream: (id, length) of each record header in turn.
std::vector<std::pair<unsigned, unsigned>> headers(const Bytes& s)
{
    std::vector<std::pair<unsigned, unsigned>> out;
    BiffInput in(s);
    while (!in.eof()) {
        auto c = in.next();
        out.emplace_back(c.id(), static_cast<unsigned>(c.length()));
    }
    return out;
}

using Pieces = std::vector<std::pair<unsigned, unsigned>>;

struct WriteCase {
    const char* name;
    std::function<void(BiffOutput&)> body;
    Pieces expected;
};

TEST(RecordWriter, OpensAndPatchesContinueRecords)
{
    const Bytes big(20000, 0xAB);
    const std::vector<WriteCase> cases = {
        {"short record keeps its exact length",
         [](BiffOutput& out) { out.writeRecord(0x0031, Bytes{1, 2, 3}); }, {{0x31, 3}}},
        {"empty record", [](BiffOutput& out) { out.writeRecord(0x000A, nullptr, 0); }, {{0x0A, 0}}},
        {"exactly 8224 bytes stays one record",
         [](BiffOutput& out) { out.writeRecord(0x00FC, Bytes(8224, 1)); }, {{0xFC, 8224}}},
        {"long data goes on in CONTINUE records",
         [&](BiffOutput& out) { out.writeRecord(0x00FC, big); }, {{0xFC, 8224}, {0x3C, 8224}, {0x3C, 3552}}},
        {"writer: data that fits keeps its exact length",
         [](BiffOutput& out) {
             RecordWriter w(out, 0x00FC);
             w.u16(1);
             w.u32(2);
         },
         {{0xFC, 6}}},
        {"writer: writeInt32 with 2 bytes of room splits the value",
         [](BiffOutput& out) {
             RecordWriter w(out, 0x00FC);
             w.bytes(Bytes(8222, 0).data(), 8222);
             w.writeInt32(0x11223344);
         },
         {{0xFC, 8224}, {0x3C, 2}}},
        {"writer: a whole value moves to the next CONTINUE",
         [](BiffOutput& out) {
             RecordWriter w(out, 0x00FC);
             w.bytes(Bytes(8222, 0).data(), 8222);
             w.u32(0x11223344);
         },
         {{0xFC, 8222}, {0x3C, 4}}},
        {"writer: explicit CONTINUE and ensure",
         [](BiffOutput& out) {
             RecordWriter w(out, 0x0017);
             w.u16(7);
             w.startContinue();
             w.u8(1);
             w.ensure(8223);
             w.ensure(8224);
             w.u8(2);
         },
         {{0x17, 2}, {0x3C, 1}, {0x3C, 1}}},
        {"writer: long byte run", [&](BiffOutput& out) { RecordWriter(out, 0x00EB).bytes(big.data(), big.size()); },
         {{0xEB, 8224}, {0x3C, 8224}, {0x3C, 3552}}},
    };
    for (const auto& c : cases) {
        BiffOutput out;
        c.body(out);
        EXPECT_EQ(headers(out.bytes()), c.expected) << c.name;
    }
}

TEST(RecordWriter, SplitValueReadsBackAcrossTheContinue)
{
    BiffOutput out;
    {
        RecordWriter w(out, 0x00FC);
        w.bytes(Bytes(8222, 7).data(), 8222);
        w.writeInt32(0x11223344);
        w.writeInt16(0xBEEF);
        EXPECT_EQ(w.finish(), out.writePosition());
        EXPECT_THROW(w.u8(1), xlerror);
    }
    BiffInput in(out.bytes());
    auto c = in.next();
    c.skip(8222);
    EXPECT_EQ(c.readInt32(), 0x11223344u);
    EXPECT_EQ(c.readInt16(), 0xBEEF);
    EXPECT_TRUE(in.eof());
}

// A two-field record shaped like the record classes built on the base.
class Sample : public BiffRecord {
public:
    std::uint16_t a = 0;
    std::vector<std::uint8_t> tail;
    std::uint16_t recordId() const override { return 0x0123; }
    const char* name() const override { return "Sample"; }

protected:
    void readBody(RecordCursor& in) override
    {
        a = in.u16();
        tail = in.bytes(in.u16());
    }
    void writeBody(ByteWriter& out) const override
    {
        out.u16(a);
        out.u16(static_cast<std::uint16_t>(tail.size()));
        out.bytes(tail);
    }
};

TEST(BiffRecord, WritesTheComputedLengthAndReadsBack)
{
    Sample s;
    s.a = 0x4242;
    s.tail = {1, 2, 3};
    BiffOutput out;
    EXPECT_EQ(s.write(out), 11u);
    EXPECT_EQ(out.bytes(), (Bytes{0x23, 0x01, 7, 0, 0x42, 0x42, 3, 0, 1, 2, 3}));

    Sample r;
    BiffInput in(out.bytes());
    auto c = in.next();
    r.read(c);
    EXPECT_EQ(r.a, 0x4242);
    EXPECT_EQ(r.tail, s.tail);

    // A count that claims more than the record holds fails with the name.
    BiffInput bad(rec(0x0123, {1, 0, 9, 0, 1}));
    auto b = bad.next();
    try {
        r.read(b);
        ADD_FAILURE() << "no error";
    } catch (const xlerror& e) {
        EXPECT_STREQ(e.what(), "Sample size is incorrect");
    }
}

}  // namespace
}  // namespace celvo
