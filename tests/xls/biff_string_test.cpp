// BIFF text layouts: plain strings, shared (rich) strings across CONTINUE
// records, the narrow/wide pair and the character buffer.
#include "test_support.h"

#include <functional>
#include <string>
#include <vector>

#include "biff_string.h"
#include "xls_test_util.h"

namespace celvo {
namespace {

using test::Bytes;
using test::cat;
using test::rec;

struct ReadCase {
    const char* name;
    Bytes record;  // data of one record (id 0x0204)
    std::function<std::u16string(RecordCursor&, MemPool&)> read;
    std::u16string expected;  // or "error: ..." in UTF-16
};

std::u16string err(const char* s)
{
    return u"error: " + widenAscii(s);
}

TEST(BiffString, ReadsEachLayout)
{
    auto xl = [](bool omit, bool byteCount) {
        return [=](RecordCursor& in, MemPool& pool) {
            XLUnicodeString s;
            std::size_t n = s.read(in, pool, omit, byteCount);
            if (n != s.size() || !in.atEnd()) return std::u16string(u"size mismatch");
            return std::u16string(s.view());
        };
    };
    auto shortStr = [](bool omit) {
        return [=](RecordCursor& in, MemPool& pool) {
            ShortXLUnicodeString s;
            std::size_t n = s.read(in, pool, omit);
            if (n != s.size() - (omit ? 1 : 0) || !in.atEnd()) return std::u16string(u"size mismatch");
            return std::u16string(s.view());
        };
    };
    auto noCch = [](std::uint32_t count) {
        return [=](RecordCursor& in, MemPool& pool) {
            XLUnicodeStringNoCch s;
            s.read(in, pool, count);
            return std::u16string(s.textOrEmpty());
        };
    };
    const std::vector<ReadCase> cases = {
        {"8-bit characters", {3, 0, 0, 'a', 0xE9, 'c'}, xl(false, false), u"a\u00E9c"},
        {"16-bit characters", {2, 0, 1, 0x3A, 0x04, 'b', 0}, xl(false, false), u"\u043Ab"},
        {"1-byte count", {2, 1, 'x', 0, 'y', 0}, xl(false, true), u"xy"},
        {"option byte omitted reads 8-bit", {2, 0, 'h', 'i'}, xl(true, false), u"hi"},
        {"empty", {0, 0, 1}, xl(false, false), u""},
        {"characters past the record", {5, 0, 1, 'a', 0, 'b'}, xl(false, false), err("Label size is incorrect")},
        {"count past the record", {5}, xl(false, false), err("Label size is incorrect")},
        {"short, 16-bit", {1, 1, 0xAC, 0x20}, shortStr(false), u"\u20AC"},
        {"short, option omitted", {3, 'A', 'r', 'l'}, shortStr(true), u"Arl"},
        {"short past the record", {200, 0, 'A'}, shortStr(false), err("Label size is incorrect")},
        {"no count, 8-bit", {0, 'o', 'k'}, noCch(2), u"ok"},
        {"no count, past the record", {1, 'o', 0}, noCch(2), err("Label size is incorrect")},
    };
    for (const auto& c : cases) {
        MemPool pool;
        BiffInput in(rec(0x0204, c.record));
        auto cur = in.next();
        cur.setName("Label");
        std::u16string got;
        try {
            got = c.read(cur, pool);
        } catch (const xlerror& e) {
            got = err(e.what());
        }
        EXPECT_EQ(utf16ToUtf8(got), utf16ToUtf8(c.expected)) << c.name;
    }
}

struct WriteCase {
    const char* name;
    std::function<Bytes(MemPool&)> write;
    Bytes expected;  // empty with an error text
    std::string error;
};

template <class S>
Bytes bytesOf(const S& s)
{
    ByteWriter w;
    s.write(w);
    if (w.size() != s.size()) return {0xEE};  // size() must agree with what is written
    return w.buffer();
}

TEST(BiffString, WritesEachLayoutAndItsLimits)
{
    const std::u16string t255(255, u'x'), t256(256, u'x'), t65536(65536, u'x');
    const std::vector<WriteCase> cases = {
        {"assigned text is 16-bit",
         [](MemPool& p) { XLUnicodeString s; s.assign(u"A\u00E9", p); return bytesOf(s); },
         {2, 0, 1, 'A', 0, 0xE9, 0}, ""},
        {"read 8-bit text is written back 8-bit",
         [](MemPool& p) {
             XLUnicodeString s;
             s.count = 2;
             s.text = poolCopy(p, u"ok");
             return bytesOf(s);
         },
         {2, 0, 0, 'o', 'k'}, ""},
        {"1-byte count, option omitted",
         [](MemPool& p) {
             XLUnicodeString s;
             s.byteCount = s.optionOmitted = true;
             s.count = 1;
             s.text = poolCopy(p, u"z");
             return bytesOf(s);
         },
         {1, 'z'}, ""},
        {"1-byte count over 255",
         [&](MemPool& p) {
             XLUnicodeString s;
             s.assign(t256.c_str(), p);
             s.byteCount = true;
             return bytesOf(s);
         },
         {}, "string is too long"},
        {"65535 characters fit a 2-byte count",
         [&](MemPool& p) {
             XLUnicodeString s;
             s.assign(t65536.substr(1).c_str(), p);
             return Bytes{static_cast<std::uint8_t>(s.count), static_cast<std::uint8_t>(s.count >> 8)};
         },
         {0xFF, 0xFF}, ""},
        {"more than 65535 characters",
         [&](MemPool& p) {
             XLUnicodeString s;
             s.assign(t65536.c_str(), p);
             return bytesOf(s);
         },
         {}, "string is too long"},
        {"null text leaves the string",
         [](MemPool& p) {
             XLUnicodeString s;
             s.assign(u"a", p);
             s.assign(nullptr, p);
             return bytesOf(s);
         },
         {1, 0, 1, 'a', 0}, ""},
        {"short string", [](MemPool& p) { return bytesOf(ShortXLUnicodeString(u"Arial", p)); },
         {5, 1, 'A', 0, 'r', 0, 'i', 0, 'a', 0, 'l', 0}, ""},
        {"short string of 255", [&](MemPool& p) { return Bytes{ShortXLUnicodeString(t255, p).count}; }, {255}, ""},
        {"short string of 256", [&](MemPool& p) { return bytesOf(ShortXLUnicodeString(t256, p)); }, {},
         "string is too long"},
        {"no count", [](MemPool& p) { XLUnicodeStringNoCch s; s.assign(u"q", p); return bytesOf(s); }, {1, 'q', 0},
         ""},
        {"rich string over 65535",
         [&](MemPool& p) {
             (void)RichString(t65536, p);
             return Bytes{};
         },
         {}, "string is too long"},
    };
    for (const auto& c : cases) {
        MemPool pool;
        try {
            Bytes got = c.write(pool);
            EXPECT_EQ(c.error, "") << c.name;
            EXPECT_EQ(got, c.expected) << c.name;
        } catch (const xlerror& e) {
            EXPECT_EQ(e.what(), c.error) << c.name;
        }
    }
}

TEST(BiffString, ShortStringInsideFormulaBytes)
{
    MemPool pool;
    ShortXLUnicodeString s(u"Name", pool);
    ByteWriter w;
    w.u8(0x17);  // a token before the string
    s.writeToBuffer(w);
    ByteReader r(w.buffer());
    r.u8();
    ShortXLUnicodeString back;
    EXPECT_EQ(back.readFromBuffer(r, pool), 10u);
    EXPECT_EQ(back.view(), u"Name");
    ByteReader cut(w.buffer().data(), 5);
    cut.u8();
    EXPECT_THROW(back.readFromBuffer(cut, pool), xlerror);
}

TEST(NameParsedFormula, ReadsFormulaAndExtraBytes)
{
    struct Case {
        const char* name;
        std::size_t total;
        std::uint16_t formula;
        std::string result;
    };
    const Case cases[] = {
        {"formula and extra", 5, 3, "3+2"},
        {"formula only", 5, 5, "5+0"},
        {"formula longer than the total", 2, 3, "Lbl size is incorrect"},
        {"total beyond the record", 6, 3, "Lbl size is incorrect"},
    };
    for (const auto& c : cases) {
        MemPool pool;
        BiffInput in(rec(0x0018, {1, 2, 3, 4, 5}));
        auto cur = in.next();
        cur.setName("Lbl");
        NameParsedFormula f;
        std::string got;
        try {
            f.read(cur, pool, c.total, c.formula);
            got = std::to_string(f.formulaLength) + "+" + std::to_string(f.extraLength);
            ByteWriter w;
            f.write(w);
            const Bytes src{1, 2, 3, 4, 5};
            EXPECT_EQ(w.buffer(), Bytes(src.begin(), src.begin() + static_cast<std::ptrdiff_t>(c.total)));
            EXPECT_EQ(f.size(), c.total);
        } catch (const xlerror& e) {
            got = e.what();
        }
        EXPECT_EQ(got, c.result) << c.name;
    }
}

// ------------------------------------------------------------ rich strings

std::u16string longText(std::size_t n)
{
    std::u16string t;
    for (std::size_t i = 0; i < n; ++i) t += static_cast<char16_t>(0x0410 + i % 32);  // Cyrillic
    return t;
}

// (id, length, first data byte) of each record.
struct Piece {
    unsigned id, length, first;
    bool operator==(const Piece& o) const { return id == o.id && length == o.length && first == o.first; }
};
std::ostream& operator<<(std::ostream& os, const Piece& p)
{
    return os << "{" << std::hex << p.id << std::dec << "," << p.length << "," << p.first << "}";
}
std::vector<Piece> piecesOf(const Bytes& s)
{
    std::vector<Piece> out;
    BiffInput in(s);
    while (!in.eof()) {
        auto c = in.next();
        unsigned first = c.atEnd() ? 256 : c.u8();
        out.push_back({c.id(), static_cast<unsigned>(c.length()), first});
    }
    return out;
}

TEST(RichString, TenThousandCharactersSplitAtCharacterBoundaries)
{
    MemPool pool;
    RichString s(longText(10000), pool);
    s.options |= strflag::kRichRuns;
    s.ext = new ExtStringFormat;
    pool.registerObject(s.ext);
    s.ext->runs = {{0, 5}, {4000, 6}, {9999, 7}};

    BiffOutput out;
    {
        RecordWriter w(out, 0x00FC);
        std::uint32_t r = 8224;  // a fresh record
        s.write(w, r);
        EXPECT_EQ(r, 8222u - 3560u - 12u);
    }
    // Header 5 bytes, then 8218 character bytes (8219 left, made even);
    // each CONTINUE: option byte 0x01 and at most 8222 character bytes.
    const std::vector<Piece> expected = {
        {0xFC, 5 + 8218, 0x10}, {0x3C, 1 + 8222, 0x01}, {0x3C, 1 + 3560 + 12, 0x01}};
    EXPECT_EQ(piecesOf(out.bytes()), expected);

    BiffInput in(out.bytes());
    auto cur = in.next();
    RichString back;
    back.read(cur, pool);
    EXPECT_TRUE(back.view() == s.view());
    ASSERT_NE(back.ext, nullptr);
    ASSERT_EQ(back.ext->runs.size(), 3u);
    EXPECT_EQ(back.ext->runs[1].firstChar, 4000);
    EXPECT_EQ(back.ext->runs[2].font, 7);
    EXPECT_TRUE(cur.atEnd());
    EXPECT_TRUE(in.eof());
}

struct SplitCase {
    const char* name;
    std::uint32_t remaining;  // room counted before the string
    std::size_t before;       // bytes already in the record
    std::function<RichString(MemPool&)> make;
    std::vector<Piece> expected;
};

TEST(RichString, SplitPoints)
{
    auto plain = [](std::u16string t) { return [t](MemPool& p) { return RichString(t, p); }; };
    auto narrow = [](std::size_t n) {
        return [n](MemPool& p) {
            RichString s(std::u16string(n, u'a'), p);
            s.options = 0;
            return s;
        };
    };
    auto withPhonetic = [](std::size_t n) {
        return [n](MemPool& p) {
            RichString s(u"k", p);
            s.options |= strflag::kPhonetic;
            s.ext = new ExtStringFormat;
            p.registerObject(s.ext);
            s.ext->phonetic = new ExtStringPhonetic;
            p.registerObject(s.ext->phonetic);
            s.ext->phonetic->size = static_cast<std::int32_t>(n);
            std::uint8_t* b = p.allocate(n);
            for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i);
            s.ext->phonetic->bytes = b;
            return s;
        };
    };
    // A header of 9 bytes: count, options, run count, phonetic size.
    auto runsAndPhonetic = [](MemPool& p) {
        RichString s(u"\U0001F600x", p);
        s.options |= strflag::kRichRuns | strflag::kPhonetic;
        s.ext = new ExtStringFormat;
        p.registerObject(s.ext);
        s.ext->runs = {{0, 1}};
        s.ext->phonetic = new ExtStringPhonetic;
        p.registerObject(s.ext->phonetic);
        return s;
    };
    const std::vector<SplitCase> cases = {
        {"nine bytes left: the header moves to a CONTINUE", 9, 8215, plain(u"ab"),
         {{0xFC, 8215, 0}, {0x3C, 7, 2}}},
        {"ten bytes left: the header stays", 10, 8214, plain(u"abc"), {{0xFC, 8214 + 9, 0}}},
        {"8-bit characters with an odd room", 14, 8210, narrow(20), {{0xFC, 8210 + 3 + 10, 0}, {0x3C, 1 + 10, 0}}},
        {"a pair that would end the record moves whole to a CONTINUE", 10, 8214,
         plain(u"ab\U0001F600c"), {{0xFC, 8214 + 3 + 4, 0}, {0x3C, 1 + 6, 1}}},
        {"room for one unit, a pair first: no character before the CONTINUE", 11, 8213, runsAndPhonetic,
         {{0xFC, 8213 + 9, 0}, {0x3C, 1 + 6 + 4, 1}}},
        {"a pair that fits stays", 11, 8213, plain(u"ab\U0001F600"), {{0xFC, 8213 + 3 + 8, 0}}},
        {"phonetic block across a CONTINUE", 20, 8204, withPhonetic(30),
         {{0xFC, 8204 + 7 + 2 + 11, 0}, {0x3C, 19, 11}}},
    };
    for (const auto& c : cases) {
        MemPool pool;
        RichString s = c.make(pool);
        BiffOutput out;
        {
            RecordWriter w(out, 0x00FC);
            w.bytes(Bytes(c.before, 0).data(), c.before);
            std::uint32_t r = c.remaining;
            s.write(w, r);
        }
        EXPECT_EQ(piecesOf(out.bytes()), c.expected) << c.name;
        BiffInput in(out.bytes());
        auto cur = in.next();
        cur.skip(c.before);
        RichString back;
        back.read(cur, pool);
        EXPECT_TRUE(back.view() == s.view()) << c.name;
        if (s.ext && s.ext->phonetic) {
            ASSERT_TRUE(back.ext && back.ext->phonetic) << c.name;
            EXPECT_EQ(back.ext->phonetic->size, s.ext->phonetic->size);
            EXPECT_EQ(Bytes(back.ext->phonetic->bytes, back.ext->phonetic->bytes + back.ext->phonetic->size),
                      Bytes(s.ext->phonetic->bytes, s.ext->phonetic->bytes + s.ext->phonetic->size));
        }
    }
}

struct RichReadCase {
    const char* name;
    Bytes stream;
    std::u16string expected;  // text, or the error
};

TEST(RichString, ReadsWhatOtherWritersSplitAndRefusesBrokenData)
{
    const std::vector<RichReadCase> cases = {
        {"8-bit first part, 16-bit CONTINUE",
         cat(rec(0xFC, {4, 0, 0, 'a', 'b'}), rec(0x3C, {1, 0x3A, 0x04, 'd', 0})), u"ab\u043Ad"},
        {"16-bit first part, 8-bit CONTINUE", cat(rec(0xFC, {3, 0, 1, 'x', 0}), rec(0x3C, {0, 'y', 'z'})), u"xyz"},
        {"string starting at the beginning of a CONTINUE", cat(rec(0xFC, {}), rec(0x3C, {2, 0, 0, 'h', 'i'})),
         u"hi"},
        {"empty string at the end of a record, next string in the CONTINUE",
         cat(rec(0xFC, {0, 0, 0}), rec(0x3C, {1, 0, 0, 'n'})), u""},
        {"characters go on in a record that is not CONTINUE",
         cat(rec(0xFC, {4, 0, 0, 'a', 'b'}), rec(0xFF, {0, 'c', 'd'})), err("SST size is incorrect")},
        {"count beyond the stream", rec(0xFC, {0xFF, 0xFF, 1, 'a', 0}), err("SST size is incorrect")},
        {"16-bit character cut by the record's end", cat(rec(0xFC, {2, 0, 1, 'a', 0, 'b'}), rec(0x3C, {1, 0, 0})),
         err("SST size is incorrect")},
        {"huge phonetic size", rec(0xFC, {1, 0, 4, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}), err("SST size is incorrect")},
        {"huge run count", rec(0xFC, {1, 0, 8, 0xFF, 0xFF, 'a'}), err("SST size is incorrect")},
        {"header cut by the end of the stream", rec(0xFC, {1, 0}), err("SST size is incorrect")},
        {"run count split across a CONTINUE", cat(rec(0xFC, {1, 0, 8, 1}), rec(0x3C, {0, 'q', 0, 0, 3, 0})), u"q"},
    };
    for (const auto& c : cases) {
        MemPool pool;
        BiffInput in(c.stream);
        auto cur = in.next();
        cur.setName("SST");
        std::u16string got;
        try {
            RichString s;
            s.read(cur, pool);
            got = s.view();
        } catch (const xlerror& e) {
            got = err(e.what());
        }
        EXPECT_EQ(utf16ToUtf8(got), utf16ToUtf8(c.expected)) << c.name;
    }
}

// ------------------------------------------------------- narrow/wide pair

TEST(ConvString, ConvertsThroughTheBookCodePage)
{
    Locale utf8, ascii;
    ASSERT_TRUE(utf8.set("C.UTF-8"));
    ASSERT_TRUE(ascii.set("C"));
    struct Case {
        const char* name;
        std::function<std::string(ConvString&)> run;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"wide to narrow", [&](ConvString& c) { c.setWide(u"caf\u00E9"); return std::string(c.narrowStr(utf8)); },
         "caf\xC3\xA9"},
        {"narrow to wide",
         [&](ConvString& c) { c.setNarrow("caf\xC3\xA9"); return utf16ToUtf8(c.wideStr(utf8)); }, "caf\xC3\xA9"},
        {"missing characters become ?",
         [&](ConvString& c) {
             c.setWide(u"a\u00E9\U0001F600b");
             std::string s = c.narrowStr(ascii);
             return s + (c.conversionFailed() ? " failed" : "");
         },
         "a??b failed"},
        {"an invalid narrow text gives an empty wide text",
         [&](ConvString& c) {
             c.setNarrow("a\xFF");
             std::string s = utf16ToUtf8(c.wideStr(utf8));
             return s + (c.conversionFailed() ? "failed" : "");
         },
         "failed"},
        {"a new text clears the failed flag",
         [&](ConvString& c) {
             c.setWide(u"\u00E9");
             c.narrowStr(ascii);
             c.setWide(u"ok");
             std::string s = c.narrowStr(ascii);
             return s + (c.conversionFailed() ? " failed" : "");
         },
         "ok"},
        {"null texts are ignored",
         [&](ConvString& c) {
             c.setWide(u"keep");
             c.setWide(nullptr);
             c.setNarrow(nullptr);
             return std::string(c.narrowStr(utf8));
         },
         "keep"},
        {"the newer form wins",
         [&](ConvString& c) {
             c.setWide(u"old");
             c.setNarrow("new");
             return utf16ToUtf8(c.wideStr(utf8)) + "/" + c.narrowStr(utf8);
         },
         "new/new"},
    };
    for (const auto& c : cases) {
        ConvString s;
        EXPECT_EQ(c.run(s), c.expected) << c.name;
    }
    EXPECT_EQ(std::u16string(ConvString(static_cast<const char16_t*>(nullptr)).wideStr(utf8)), u"");
}

TEST(WideBuffer, InlineUpTo999Characters)
{
    WideBuffer b;
    char16_t* small = b.get(999);
    EXPECT_EQ(b.get(10), small);
    char16_t* big = b.get(1000);
    EXPECT_NE(big, small);
    big[1000] = u'x';  // n + 1 characters
}

}  // namespace
}  // namespace celvo
