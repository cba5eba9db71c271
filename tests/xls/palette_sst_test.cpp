// Palette allocation and PALETTE records; the shared string table, its
// index and its records.
#include "test_support.h"

#include <string>
#include <vector>

#include "palette.h"
#include "sst.h"
#include "xls_test_util.h"

namespace celvo {
namespace {

using test::Bytes;
using test::cat;
using test::rec;

std::string errorOf(const std::function<void()>& f)
{
    try {
        f();
        return "ok";
    } catch (const std::exception& e) {
        return e.what();
    }
}

TEST(Palette, AllocatesColours)
{
    struct Case {
        const char* what;
        int r, g, b;
        int expected;
    };
    Palette p;
    const std::vector<Case> cases = {
        {"a default colour is reused", 255, 0, 0, 10},
        {"a new colour takes the first entry nobody asked for", 1, 2, 3, 8},
        {"the same new colour again", 1, 2, 3, 8},
        {"white is entry 1", 255, 255, 255, 9},
        {"another new colour skips the entries handed out", 4, 5, 6, 11},
    };
    for (const auto& c : cases) EXPECT_EQ(p.allocColor(c.r, c.g, c.b), c.expected) << c.what;
    int r = -1, g = -1, b = -1;
    p.unpackColor(8, &r, &g, &b);
    EXPECT_EQ(std::vector<int>({r, g, b}), std::vector<int>({1, 2, 3}));
    p.unpackColor(63, &r, &g, &b);
    EXPECT_EQ(std::vector<int>({r, g, b}), std::vector<int>({0x33, 0x33, 0x33}));
    for (int index : {7, 64, -1, 1000})
        EXPECT_EQ(errorOf([&] { p.unpackColor(index, &r, &g, &b); }), "invalid vector<T> subscript") << index;
}

TEST(Palette, LimitOfFiftySixColours)
{
    Palette p;
    for (int i = 0; i < 56; ++i) EXPECT_EQ(p.allocColor(i, 1, 250), 8 + i);
    EXPECT_EQ(errorOf([&] { p.allocColor(200, 201, 202); }), "no free color index, limit is reached for xls format");
    EXPECT_EQ(p.allocColor(17, 1, 250), 25) << "a colour handed out before still comes back";
    EXPECT_EQ(p.entries().size(), 56u);
}

TEST(Palette, ReadsAndWritesPaletteRecords)
{
    Bytes full = {56, 0};
    for (int i = 0; i < 56; ++i) full.insert(full.end(), {static_cast<std::uint8_t>(i), 2, 3, 0});
    Bytes shortOne = {2, 0, 9, 9, 9, 0, 8, 8, 8, 0};
    struct Case {
        const char* what;
        Bytes data;
        std::string expected;  // "ok" or the error
        std::size_t entries;
    };
    const std::vector<Case> cases = {
        {"56 entries in 226 bytes", full, "ok", 56},
        {"226 bytes less one", Bytes(full.begin(), full.end() - 1), "Palette size is incorrect", 56},
        {"a count that promises more than the record holds", cat(Bytes{0xFF, 0x7F}, Bytes(8, 0)),
         "Palette size is incorrect", 56},
        {"two entries are completed with the default colours", shortOne, "ok", 56},
        {"a count of 0 keeps the palette", Bytes{0, 0}, "ok", 56},
        {"a negative count keeps the palette", Bytes{0xFF, 0xFF}, "ok", 56},
        {"one byte", Bytes{1}, "Palette size is incorrect", 56},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Palette p;
        BiffInput in(cat(rec(0x92, c.data), rec(0xAA, {})));
        RecordCursor r = in.next();
        EXPECT_EQ(errorOf([&] { p.read(r); }), c.expected);
        EXPECT_EQ(p.entries().size(), c.entries);
        EXPECT_EQ(in.peekRecordId(), 0xAA);
    }

    // A short palette never lets allocation run past its entries.
    Palette p;
    BiffInput in(rec(0x92, shortOne));
    RecordCursor r = in.next();
    p.read(r);
    for (int i = 0; i < 56; ++i) p.allocColor(i, 100, 100);
    EXPECT_EQ(errorOf([&] { p.allocColor(1, 1, 1); }), "no free color index, limit is reached for xls format");

    // Each entry's red, green and blue as the record orders them, through
    // unpackColor and after a colour is handed out.
    {
        Bytes distinct = {56, 0};
        for (int i = 0; i < 56; ++i)
            distinct.insert(distinct.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(100 + i),
                                             static_cast<std::uint8_t>(250 - i), 0});
        Palette d;
        BiffInput din(rec(0x92, distinct));
        RecordCursor dr = din.next();
        d.read(dr);
        for (int i : {0, 1, 30, 55}) {
            int cr = -1, cg = -1, cb = -1;
            d.unpackColor(8 + i, &cr, &cg, &cb);
            EXPECT_EQ(std::vector<int>({cr, cg, cb}), std::vector<int>({i, 100 + i, 250 - i})) << i;
        }
        EXPECT_EQ(d.allocColor(2, 102, 248), 10) << "found by its red, green and blue in that order";
        Palette fresh;
        EXPECT_EQ(fresh.allocColor(11, 22, 33), 8);
        BiffOutput fout;
        fresh.write(fout);
        const Bytes& written = fout.bytes();
        ASSERT_GE(written.size(), 10u);
        EXPECT_EQ(Bytes(written.begin() + 6, written.begin() + 10), Bytes({11, 22, 33, 0}));
    }

    // Written back: count, then every entry.
    Palette q;
    BiffInput in2(rec(0x92, full));
    RecordCursor r2 = in2.next();
    q.read(r2);
    BiffOutput out;
    q.write(out);
    EXPECT_EQ(out.bytes(), rec(0x92, full));
}

MemPool& testPool()
{
    static MemPool pool;
    return pool;
}

RichString plain(u16view text)
{
    return RichString(text, testPool());
}

RichString withRuns(u16view text, std::vector<ExtStringFormat::Run> runs)
{
    RichString s = plain(text);
    s.options |= strflag::kRichRuns;
    s.ext = new ExtStringFormat;
    testPool().registerObject(s.ext);
    s.ext->runs = std::move(runs);
    return s;
}

RichString withPhonetic(u16view text)
{
    RichString s = plain(text);
    s.options |= strflag::kPhonetic;
    s.ext = new ExtStringFormat;
    testPool().registerObject(s.ext);
    s.ext->phonetic = new ExtStringPhonetic;
    testPool().registerObject(s.ext->phonetic);
    return s;
}

TEST(SharedStrings, HashAndEquality)
{
    EXPECT_EQ(sstHash(u""), 2166136261u);
    // FNV-1: multiply, then exclusive or.
    EXPECT_EQ(sstHash(u"a"), (2166136261u * 16777619u) ^ 0x61u);
    EXPECT_EQ(sstHash(u"\u0100"), (2166136261u * 16777619u) ^ 0x100u);

    const RichString runs = withRuns(u"x", {{0, 5}});
    const RichString otherRuns = withRuns(u"x", {{0, 6}});
    const RichString phonetic = withPhonetic(u"x");
    RichString narrow = plain(u"x");
    narrow.options = 0;
    struct Case {
        const char* what;
        RichString a, b;
        bool equal;
    };
    const std::vector<Case> cases = {
        {"same text", plain(u"x"), plain(u"x"), true},
        {"case differs", plain(u"x"), plain(u"X"), false},
        {"the character width plays no part", plain(u"x"), narrow, true},
        {"runs against none", runs, plain(u"x"), false},
        {"equal runs", runs, runs, true},
        {"different runs", runs, otherRuns, false},
        {"a phonetic block never equals, itself included", phonetic, phonetic, false},
    };
    for (const auto& c : cases) EXPECT_EQ(sstEqual(c.a, c.b), c.equal) << c.what;
}

TEST(SharedStrings, AddsFindsAndReplaces)
{
    SST sst(testPool());
    EXPECT_EQ(sst.addString(u"a"), 0u);
    EXPECT_EQ(sst.addString(u"b"), 1u);
    EXPECT_EQ(sst.addString(u"a"), 0u);
    EXPECT_EQ(sst.cstTotal, 3u);
    EXPECT_EQ(sst.cstUnique, 2u);
    EXPECT_EQ(sst.addString(u""), 2u) << "the empty text is an entry";
    EXPECT_EQ(sst.addString(u""), 2u);

    // A forced add appends and the index then leads to the newer position.
    bool added = false;
    EXPECT_EQ(sst.add(plain(u"a"), true, &added), 3u);
    EXPECT_TRUE(added);
    EXPECT_EQ(sst.addString(u"a"), 3u);

    // Replacing never leaves the old text leading to the replaced position.
    sst.replaceString(1, u"c");
    EXPECT_EQ(sst.at(1).view(), u"c");
    EXPECT_EQ(sst.addString(u"b"), 4u) << "the old text is a new entry";
    EXPECT_EQ(sst.addString(u"c"), 1u);
    sst.replaceString(4, u"a");  // an equal text at another position
    EXPECT_EQ(sst.addString(u"a"), 4u);
    EXPECT_EQ(sst.addString(u"b"), 5u);

    const RichString phonetic = withPhonetic(u"p");
    const unsigned first = sst.add(phonetic, false);
    EXPECT_NE(sst.add(phonetic, false), first) << "a string with a phonetic block is never shared";
    sst.setString(first, plain(u"q"));
    EXPECT_EQ(sst.addString(u"q"), first);
}

// SST data (counts and strings) as records: the first piece is the SST
// record, the others CONTINUE records.
Bytes sstRecords(const std::vector<Bytes>& pieces)
{
    Bytes out = rec(0xFC, pieces[0]);
    for (std::size_t i = 1; i < pieces.size(); ++i) out = cat(out, rec(0x3C, pieces[i]));
    return out;
}

TEST(SharedStrings, ReadsRecordsAndRefusesHostileOnes)
{
    const Bytes counts2 = {5, 0, 0, 0, 2, 0, 0, 0};
    struct Case {
        const char* what;
        Bytes stream;
        std::string expected;  // the entries joined by '|', or the error
    };
    const std::vector<Case> cases = {
        {"two strings", sstRecords({cat(counts2, Bytes{2, 0, 0, 'h', 'i', 1, 0, 1, 0x14, 0x04})}), "hi|Д"},
        {"characters go on in a CONTINUE with another width",
         sstRecords({cat(counts2, Bytes{4, 0, 0, 'a', 'b'}), Bytes{1, 0x14, 0x04, 'c', 0, 1, 0, 0, 'z'}}), "abДc|z"},
        {"a header at the start of a CONTINUE", sstRecords({counts2, Bytes{1, 0, 0, 'x', 1, 0, 0, 'y'}}), "x|y"},
        {"runs and a phonetic block over CONTINUE records",
         sstRecords({cat(counts2, Bytes{1, 0, 0x0C, 1, 0, 3, 0, 0, 0, 'r'}), Bytes{0, 0, 2, 0, 9, 8},
                     Bytes{7, 1, 0, 0, 's'}}),
         "r|s"},
        {"a CONTINUE that holds only the option byte of characters that go on",
         sstRecords({cat(counts2, Bytes{3, 0, 0, 'a'}), Bytes{0}, Bytes{1, 'b', 0, 'c', 0}, Bytes{1, 0, 0, 'z'}}),
         "abc|z"},
        {"an empty CONTINUE inside the characters",
         sstRecords({cat(counts2, Bytes{2, 0, 0, 'a'}), Bytes{}, Bytes{0, 'b', 1, 0, 0, 'c'}}), "ab|c"},
        {"an empty CONTINUE between strings", sstRecords({cat(counts2, Bytes{1, 0, 0, 'x'}), Bytes{}, Bytes{1, 0, 0, 'y'}}),
         "x|y"},
        {"an empty CONTINUE after the strings of a count too large",
         sstRecords({Bytes{0, 0, 0, 0, 5, 0, 0, 0, 1, 0, 0, 'a'}, Bytes{}, Bytes{}}), "a"},
        {"a string cut by the end of the records after an empty CONTINUE",
         sstRecords({cat(counts2, Bytes{3, 0, 0, 'a'}), Bytes{}}), "error: SST size is incorrect"},
        {"duplicates keep their positions", sstRecords({cat(counts2, Bytes{1, 0, 0, 'd', 1, 0, 0, 'd'})}), "d|d"},
        {"a record shorter than its counts", sstRecords({Bytes(7, 0)}), "error: SST size is incorrect"},
        {"a huge count over records that end: the strings stored are kept",
         sstRecords({Bytes{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 1, 0, 0, 'a'}}), "a"},
        {"a huge count and a string cut by the end of the records",
         sstRecords({Bytes{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 1, 0, 0, 'a', 5, 0, 0, 'b'}}), "error: SST size is incorrect"},
        {"a negative count reads nothing", sstRecords({Bytes{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 'a'}}), ""},
        {"characters that the next record does not continue",
         cat(rec(0xFC, cat(counts2, Bytes{9, 0, 0, 'a'})), rec(0x85, Bytes(12, 0))), "error: SST size is incorrect"},
        {"a header that straddles the record end", sstRecords({cat(counts2, Bytes{1}), Bytes{0, 0, 'q', 1, 0, 0, 'r'}}),
         "error: SST size is incorrect"},
        {"half a 16-bit character before the record end",
         sstRecords({cat(counts2, Bytes{2, 0, 1, 'a'}), Bytes{1, 0, 'b', 0}}), "error: SST size is incorrect"},
        {"a phonetic size beyond the stream",
         sstRecords({cat(counts2, Bytes{1, 0, 4, 0xFF, 0xFF, 0xFF, 0x7F, 'a'})}), "error: SST size is incorrect"},
        {"a run count beyond the stream", sstRecords({cat(counts2, Bytes{1, 0, 8, 0xFF, 0xFF, 'a', 0, 0})}),
         "error: SST size is incorrect"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SST sst(testPool());
        BiffInput in(c.stream);
        std::string got;
        try {
            RecordCursor r = in.next();
            sst.read(r);
            for (std::size_t i = 0; i < sst.size(); ++i) got += (i ? "|" : "") + utf16ToUtf8(sst.at(i).view());
        } catch (const xlerror& e) {
            got = std::string("error: ") + e.what();
        }
        EXPECT_EQ(got, c.expected);
    }
}

TEST(SharedStrings, MixedWidthStringsAreWrittenWhole)
{
    // 8-bit characters first, 16-bit ones in the CONTINUE record.
    const Bytes stream = sstRecords({Bytes{1, 0, 0, 0, 1, 0, 0, 0, 4, 0, 0, 'a', 'b'}, Bytes{1, 0x14, 0x04, 'c', 0}});
    SST sst(testPool());
    BiffInput in(stream);
    RecordCursor r = in.next();
    sst.read(r);
    BiffOutput out;
    sst.write(out);
    SST back(testPool());
    BiffInput again(out.bytes());
    RecordCursor r2 = again.next();
    back.read(r2);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back.at(0).view(), u"abДc");
}

// Walks the records of a stream: ids and data lengths.
std::vector<std::pair<std::uint16_t, std::size_t>> recordsOf(const Bytes& stream)
{
    std::vector<std::pair<std::uint16_t, std::size_t>> out;
    BiffInput in(stream);
    while (!in.eof()) {
        RecordCursor r = in.next();
        out.emplace_back(r.id(), r.length());
    }
    return out;
}

TEST(SharedStrings, WritesManyStringsWithExactContinueBoundaries)
{
    SST sst(testPool());
    std::vector<u16string> texts;
    for (int i = 0; i < 3000; ++i) texts.push_back(u"s" + widenAscii(std::to_string(i)));
    u16string longText;
    for (int i = 0; i < 10000; ++i) longText.push_back(static_cast<char16_t>(0x0400 + i % 200));
    texts.push_back(longText);
    texts.push_back(u"after");
    for (const auto& t : texts) sst.addString(t);
    sst.addString(u"s7");

    BiffOutput out;
    sst.write(out);
    const Bytes stream = out.bytes();
    const auto records = recordsOf(stream);
    ASSERT_GE(records.size(), 4u);
    EXPECT_EQ(records[0].first, 0xFC);
    std::size_t total = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (i) {
            EXPECT_EQ(records[i].first, 0x3C);
        }
        EXPECT_LE(records[i].second, 8224u);
        total += 4 + records[i].second;
    }
    EXPECT_EQ(total, stream.size()) << "every length field equals the bytes that follow it";

    // Each CONTINUE that carries the long string's characters starts with its
    // option byte and holds an even number of character bytes.
    BiffInput in(stream);
    in.next();
    while (!in.eof()) {
        RecordCursor r = in.next();
        if (r.length() > 0 && r.take(1)[0] == 0x01) {
            EXPECT_EQ((r.length() - 1) % 2, 0u);
            break;
        }
    }

    SST back(testPool());
    BiffInput again(stream);
    RecordCursor first = again.next();
    back.read(first);
    ASSERT_EQ(back.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) ASSERT_EQ(back.at(i).view(), texts[i]) << i;
    EXPECT_EQ(back.cstTotal, texts.size() + 1);
    EXPECT_EQ(back.cstUnique, texts.size());
    EXPECT_TRUE(again.eof());
}

TEST(SharedStrings, HeaderNeverStartsInTheLastNineBytes)
{
    // Fill the first record up to 9 bytes before its end: the next string's
    // header then opens a CONTINUE record.
    const std::size_t room = 8224 - 8 - 9;
    RichString narrow = plain(u16string(room - 3, u'b'));
    narrow.options = 0;  // read from a file in the 8-bit form
    SST s2(testPool());
    s2.add(narrow, false);
    s2.add(plain(u"next"), false);
    BiffOutput out2;
    s2.write(out2);
    const auto r2 = recordsOf(out2.bytes());
    ASSERT_EQ(r2.size(), 2u);
    EXPECT_EQ(r2[0].second, 8 + 3 + (room - 3)) << "the first record ends after the 8-bit string";
    EXPECT_EQ(r2[1].second, 3u + 8u) << "the header of the next string opens the CONTINUE record";
}

}  // namespace
}  // namespace celvo
