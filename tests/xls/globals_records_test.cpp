// Workbook-globals records: accepted lengths, exact failure texts, and the
// stream staying in step after a malformed record.
#include "test_support.h"

#include <functional>
#include <string>
#include <vector>

#include "corpus_records.h"
#include "globals_records.h"
#include "xls_test_util.h"

namespace celvo {
namespace {

// The pool that receives the characters the records read.
MemPool& testPool()
{
    static MemPool pool;
    return pool;
}

template <class R>
R withPool()
{
    R r;
    r.pool = &testPool();
    return r;
}

using test::Bytes;
using test::cat;
using test::rec;

// Reads the first record of the stream with the given reader; reports
// "ok: <values>" or "error: <text>", and the id of the record that follows.
struct Outcome {
    std::string result;
    std::uint16_t nextId;
};

Outcome readFirst(const Bytes& record, const std::function<std::string(RecordCursor&, BiffInput&)>& reader)
{
    // A marker record after the one under test shows the stream is in step.
    BiffInput in(cat(record, rec(0x00AA, {})));
    Outcome o;
    try {
        RecordCursor c = in.next();
        o.result = "ok: " + reader(c, in);
    } catch (const std::exception& e) {
        o.result = std::string("error: ") + e.what();
    }
    o.nextId = in.peekRecordId();
    return o;
}

template <class R>
std::function<std::string(RecordCursor&, BiffInput&)> word()
{
    return [](RecordCursor& c, BiffInput&) {
        R r;
        r.read(c);
        return std::to_string(r.value);
    };
}

struct MalformedCase {
    const char* what;
    Bytes record;
    std::function<std::string(RecordCursor&, BiffInput&)> reader;
    std::string expected;
};

std::string u16s(const std::vector<std::uint16_t>& v)
{
    std::string s;
    for (auto x : v) s += (s.empty() ? "" : ",") + std::to_string(x);
    return s;
}

TEST(GlobalsRecords, LengthsAndMessages)
{
    auto interfaceHdr = [](RecordCursor& c, BiffInput&) {
        InterfaceHdr r;
        r.cv = 77;
        r.read(c);
        return std::to_string(r.cv);
    };
    auto mms = [](RecordCursor& c, BiffInput&) {
        Mms r;
        r.read(c);
        return std::to_string(r.caitm) + "," + std::to_string(r.cditm);
    };
    auto rrTabId = [](RecordCursor& c, BiffInput&) {
        RRTabId r;
        r.ids = {9, 8};
        r.read(c);
        return u16s(r.ids);
    };
    auto window1 = [](RecordCursor& c, BiffInput&) {
        Window1 r;
        r.read(c);
        return u16s({r.xWn, r.yWn, r.dxWn, r.dyWn, r.grbit, r.itabCur, r.itabFirst, r.ctabSel, r.wTabRatio});
    };
    auto country = [](RecordCursor& c, BiffInput&) {
        Country r;
        r.read(c);
        return u16s({r.iCountryDef, r.iCountryWinIni});
    };
    auto recalcId = [](RecordCursor& c, BiffInput&) {
        RecalcId r;
        r.read(c);
        return std::to_string(r.dwBuild);
    };
    auto bookExt = [](RecordCursor& c, BiffInput&) {
        BookExt r;
        r.grbit1 = 0;
        r.read(c);
        return std::to_string(r.cb) + " grbit1 " + std::to_string(r.grbit1);
    };
    auto extSst = [](RecordCursor& c, BiffInput&) {
        ExtSST r;
        r.read(c);
        return std::to_string(r.dsst) + " entries " + std::to_string(r.entries.size());
    };
    auto boundSheet = [](RecordCursor& c, BiffInput&) {
        auto r = withPool<BoundSheet8>();
        r.read(c);
        return std::to_string(r.lbPlyPos) + " " + std::to_string(r.hsState) + " " + utf16ToUtf8(r.sheetName.view());
    };
    auto boundSheetOld = [](RecordCursor& c, BiffInput&) {
        auto r = withPool<BoundSheet8>();
        r.oldFormat = true;
        r.read(c);
        return utf16ToUtf8(r.sheetName.view());
    };
    auto format = [](RecordCursor& c, BiffInput&) {
        auto r = withPool<Format>();
        r.read(c);
        return std::to_string(r.ifmt) + " " + utf16ToUtf8(r.text.view());
    };
    auto formatOld = [](RecordCursor& c, BiffInput&) {
        auto r = withPool<Format>();
        r.oldFormat = true;
        r.read(c);
        return std::to_string(r.ifmt) + " " + utf16ToUtf8(r.text.view());
    };
    auto style = [](RecordCursor& c, BiffInput&) {
        auto r = withPool<Style>();
        r.read(c);
        return r.builtIn() ? "built-in " + std::to_string(r.istyBuiltIn) + " level " + std::to_string(r.iLevel)
                           : "named " + utf16ToUtf8(r.styleName.view());
    };
    auto lbl = [](RecordCursor& c, BiffInput&) {
        auto r = withPool<Lbl>();
        r.read(c);
        return utf16ToUtf8(u16view(r.text.textOrEmpty(), r.text.count)) + " itab " + std::to_string(r.itab) + " cce " +
               std::to_string(r.formula.size()) + " extra " + std::to_string(r.extra.size());
    };
    auto writeAccess = [](RecordCursor& c, BiffInput&) {
        WriteAccess r;
        r.read(c);
        return std::to_string(r.bytes[0]) + " " + std::to_string(r.bytes[3]) + " " + std::to_string(r.bytes[111]);
    };

    const Bytes window1Data = {0, 0, 15, 0, 0x1B, 0x3F, 0xF6, 0x27, 0x38, 0, 2, 0, 1, 0, 1, 0, 0x58, 2};
    Bytes name112(112, 0x41);
    Bytes name120(120, 0x42);
    const std::vector<MalformedCase> cases = {
        {"InterfaceHdr of length 0 keeps the code page", rec(0xE1, {}), interfaceHdr, "ok: 77"},
        {"InterfaceHdr of length 2 replaces it", rec(0xE1, {0xB0, 0x04}), interfaceHdr, "ok: 1200"},
        {"InterfaceHdr of length 1", rec(0xE1, {1}), interfaceHdr, "error: InterfaceHdr size is incorrect"},
        {"Mms", rec(0xC1, {3, 4}), mms, "ok: 3,4"},
        {"Mms of length 3", rec(0xC1, {3, 4, 5}), mms, "error: Mms size is incorrect"},
        {"CodePage", rec(0x42, {0xE4, 0x04}), word<CodePage>(), "ok: 1252"},
        {"CodePage of length 4", rec(0x42, {1, 2, 3, 4}), word<CodePage>(), "error: CodePage size is incorrect"},
        {"DSF of length 0", rec(0x161, {}), word<DSF>(), "error: DSF size is incorrect"},
        {"BuiltInFnGroupCount of length 1", rec(0x9C, {1}), word<BuiltInFnGroupCount>(),
         "error: BuiltInFnGroupCount size is incorrect"},
        {"Backup of length 3", rec(0x40, {1, 0, 0}), word<Backup>(), "error: Backup size is incorrect"},
        {"HideObj of length 1", rec(0x8D, {1}), word<HideObj>(), "error: HideObj size is incorrect"},
        {"Date1904", rec(0x22, {1, 0}), word<Date1904>(), "ok: 1"},
        {"Date1904 of length 4", rec(0x22, {1, 0, 0, 0}), word<Date1904>(), "error: Date1904 size is incorrect"},
        {"CalcPrecision of length 1", rec(0x0E, {1}), word<CalcPrecision>(), "error: CalcPrecision size is incorrect"},
        {"RefreshAll of length 0", rec(0x1B7, {}), word<RefreshAll>(), "error: RefreshAll size is incorrect"},
        {"BookBool of length 3", rec(0xDA, {0, 0, 0}), word<BookBool>(), "error: BookBool size is incorrect"},
        {"UsesELFs of length 1", rec(0x160, {0}), word<UsesELFs>(), "error: UsesELFs size is incorrect"},
        {"RRTabId of length 0 keeps the list", rec(0x13D, {}), rrTabId, "ok: 9,8"},
        {"RRTabId of length 4", rec(0x13D, {1, 0, 2, 0}), rrTabId, "ok: 1,2"},
        {"RRTabId of length 3", rec(0x13D, {1, 0, 2}), rrTabId, "error: RRTabId size is incorrect"},
        {"Window1", rec(0x3D, window1Data), window1, "ok: 0,15,16155,10230,56,2,1,1,600"},
        {"Window1 of length 16", rec(0x3D, Bytes(16, 0)), window1, "error: Window1 size is incorrect"},
        {"Country", rec(0x8C, {7, 0, 49, 0}), country, "ok: 7,49"},
        {"Country of length 2", rec(0x8C, {7, 0}), country, "error: Country size is incorrect"},
        {"RecalcId", rec(0x1C1, {0xC1, 1, 0, 0, 0x10, 0x27, 0, 0}), recalcId, "ok: 10000"},
        {"RecalcId of length 6", rec(0x1C1, Bytes(6, 0)), recalcId, "error: RecalcId size is incorrect"},
        {"BookExt of length 21 with cb 21 reads grbit1",
         rec(0x863, cat(Bytes{0x63, 8, 0, 0}, Bytes(8, 0), Bytes{21, 0, 0, 0}, Bytes{0, 0, 0, 0}, Bytes{0x9E})), bookExt,
         "ok: 21 grbit1 158"},
        {"BookExt of length 22 with cb 21",
         rec(0x863, cat(Bytes{0x63, 8, 0, 0}, Bytes(8, 0), Bytes{21, 0, 0, 0}, Bytes{0, 0, 0, 0}, Bytes{1, 2})), bookExt,
         "error: BookExt size is incorrect"},
        {"BookExt of length 23 with cb 23",
         rec(0x863, cat(Bytes{0x63, 8, 0, 0}, Bytes(8, 0), Bytes{23, 0, 0, 0}, Bytes{0, 0, 0, 0}, Bytes{1, 2, 3})),
         bookExt, "error: BookExt size is incorrect"},
        {"BookExt shorter than its fixed part", rec(0x863, Bytes(12, 0)), bookExt, "error: BookExt size is incorrect"},
        {"ExtSST of length 2 holds no entries", rec(0xFF, {8, 0}), extSst, "ok: 8 entries 0"},
        {"ExtSST of length 10", rec(0xFF, Bytes(10, 0)), extSst, "ok: 0 entries 1"},
        {"ExtSST of length 12: the bytes after the whole buckets are passed over", rec(0xFF, Bytes(12, 0)), extSst,
         "ok: 0 entries 1"},
        {"ExtSST of odd length", rec(0xFF, Bytes(1020, 0)), extSst, "ok: 0 entries 127"},
        {"ExtSST of length 1", rec(0xFF, {0}), extSst, "error: ExtSST size is incorrect"},
        {"BoundSheet8, 16-bit name", rec(0x85, {0x10, 0, 0, 0, 1, 0, 2, 1, 'A', 0, 'b', 0}), boundSheet,
         "ok: 16 1 Ab"},
        {"BoundSheet8, 8-bit name", rec(0x85, {0, 0, 0, 0, 2, 0, 3, 0, 'X', 'y', 'z'}), boundSheet, "ok: 0 2 Xyz"},
        {"BoundSheet8 of length 7", rec(0x85, Bytes(7, 0)), boundSheet, "error: BoundSheet8 size is incorrect"},
        {"BoundSheet8 name longer than the record", rec(0x85, {0, 0, 0, 0, 0, 0, 200, 0, 'A', 'B'}), boundSheet,
         "error: BoundSheet8 size is incorrect"},
        {"BoundSheet8 of an old file has no option byte", rec(0x85, {0, 0, 0, 0, 0, 0, 2, 'O', 'k'}), boundSheetOld,
         "ok: Ok"},
        {"Format", rec(0x41E, {0xA4, 0, 3, 0, 0, '0', '.', '0'}), format, "ok: 164 0.0"},
        {"Format of length 4", rec(0x41E, {0xA4, 0, 0, 0}), format, "error: Format size is incorrect"},
        {"Format text longer than the record", rec(0x41E, {0xA4, 0, 0xFF, 0xFF, 1, 'a', 0}), format,
         "error: Format size is incorrect"},
        {"Format of an old file: byte count, no option byte", rec(0x41E, {5, 0, 2, '#', '0'}), formatOld, "ok: 5 #0"},
        {"Format of an old file with one character", rec(0x41E, {5, 0, 1, '0'}), formatOld, "ok: 5 0"},
        {"Format of an old file shorter than its count", rec(0x41E, {5, 0}), formatOld, "error: Format size is incorrect"},
        {"Style, built-in", rec(0x293, {0x10, 0x80, 4, 0xFF}), style, "ok: built-in 4 level 255"},
        {"Style, named", rec(0x293, {0x15, 0, 2, 0, 0, 'M', 'y'}), style, "ok: named My"},
        {"Style name one character shorter than the record says", rec(0x293, {0x15, 0, 3, 0, 0, 'M', 'y'}), style,
         "error: Style size is incorrect"},
        {"Style with bytes after its fields", rec(0x293, {0x10, 0x80, 4, 0xFF, 0}), style,
         "error: Style size is incorrect"},
        {"Lbl with a formula and extra bytes",
         rec(0x18, {0, 0, 0, 2, 3, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 'N', 'm', 0x1E, 1, 0, 9}), lbl,
         "ok: Nm itab 2 cce 3 extra 1"},
        {"Lbl whose formula runs past the record", rec(0x18, {0, 0, 0, 1, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'N'}), lbl,
         "error: Lbl size is incorrect"},
        {"Lbl shorter than its fixed part", rec(0x18, Bytes(10, 0)), lbl, "error: Lbl size is incorrect"},
        {"WriteAccess of 112 bytes", rec(0x5C, name112), writeAccess, "ok: 65 65 65"},
        {"WriteAccess longer than 112 bytes keeps 112 and the stream in step", rec(0x5C, name120), writeAccess,
         "ok: 66 66 66"},
        {"WriteAccess shorter than 112 replaces only its front", rec(0x5C, {9}), writeAccess, "ok: 9 67 32"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Outcome o = readFirst(c.record, c.reader);
        EXPECT_EQ(o.result, c.expected);
        EXPECT_EQ(o.nextId, 0x00AA) << "the next record must be read in place";
    }
}

// Writes one record and gives its bytes.
template <class R>
Bytes written(const R& r)
{
    BiffOutput out;
    r.write(out);
    return out.bytes();
}

// The bytes of each record with its defaults. The defaults that the
// spreadsheet application's own files hold are held against those files in
// DefaultsAreThoseOfTheApplicationsFiles; the window's place and size in
// WINDOW1 (0,15 and 16155 x 10230 twips) and the user name of WRITEACCESS
// are this library's own; the other records follow the layouts of the
// format's documentation with the values the cases set.
TEST(GlobalsRecords, WritesWithDefaults)
{
    struct Case {
        const char* what;
        Bytes actual;
        Bytes expected;
    };
    MemPool& pool = testPool();
    Format named;
    named.ifmt = 164;
    named.text.assign(u"0.0", pool);
    Format empty;
    empty.ifmt = 5;
    Style custom;
    custom.ixfe = 0x0015;
    custom.styleName.assign(u"S", pool);
    BoundSheet8 sheet;
    sheet.lbPlyPos = 0x01020304;
    sheet.hsState = 1;
    sheet.sheetName.assign(u"Ab", pool);
    Lbl lbl;
    lbl.itab = 2;
    lbl.text.assign(u"N", pool);
    lbl.formula = {0x1E, 1, 0};
    WriteAccess wa;
    Bytes waData = {1, 0, 0, 'C'};
    waData.resize(112, 0x20);

    const std::vector<Case> cases = {
        {"InterfaceHdr", written(InterfaceHdr()), rec(0xE1, {0xB0, 0x04})},
        {"Mms", written(Mms()), rec(0xC1, {0, 0})},
        {"CodePage", written(CodePage()), rec(0x42, {0xB0, 0x04})},
        {"RRTabId", written(RRTabId()), rec(0x13D, {1, 0})},
        {"BuiltInFnGroupCount", written(BuiltInFnGroupCount()), rec(0x9C, {14, 0})},
        {"Window1", written(Window1()), rec(0x3D, {0, 0, 15, 0, 0x1B, 0x3F, 0xF6, 0x27, 0x38, 0, 0, 0, 0, 0, 1, 0, 0x58, 2})},
        {"CalcPrecision", written(CalcPrecision()), rec(0x0E, {1, 0})},
        {"Country", written(Country()), rec(0x8C, {1, 0, 1, 0})},
        {"WriteAccess", written(wa), rec(0x5C, waData)},
        {"Format with text", written(named), rec(0x41E, {164, 0, 3, 0, 1, '0', 0, '.', 0, '0', 0})},
        {"Format without text", written(empty), rec(0x41E, {5, 0})},
        {"Style built-in", written(Style()), rec(0x293, {0x10, 0x80, 4, 0xFF})},
        {"Style named", written(custom), rec(0x293, {0x15, 0, 1, 0, 1, 'S', 0})},
        {"BoundSheet8", written(sheet), rec(0x85, {4, 3, 2, 1, 1, 0, 2, 1, 'A', 0, 'b', 0})},
        {"Lbl", written(lbl), rec(0x18, {0, 0, 0, 1, 3, 0, 0, 0, 2, 0, 0, 0, 0, 0, 1, 'N', 0, 0x1E, 1, 0})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.actual, c.expected);
    }
}

// The defaults are what the spreadsheet application writes: the records of
// the blank book Office 365 saves, and of a 97-2003 book of Excel's (the
// count of built-in function groups, the country, and WINDOW1 from its
// flags on: its place and size are our own).
TEST(GlobalsRecords, DefaultsAreThoseOfTheApplicationsFiles)
{
    CELVO_REQUIRE_CORPUS();
    const test::RecordData blank = test::partRecords(test::applicationBlankBook(), 0);
    const test::RecordData classic = test::partRecords(test::applicationClassicBook(), 0);
    ASSERT_FALSE(blank.empty()) << test::applicationBlankBook();
    ASSERT_FALSE(classic.empty()) << test::applicationClassicBook();
    struct Case {
        const char* what;
        Bytes ours;  // the whole record
        const test::RecordData& theirs;
        std::size_t from;  // the first byte of the data compared
    };
    const Case cases[] = {
        {"InterfaceHdr", written(InterfaceHdr()), blank, 0},
        {"Mms", written(Mms()), blank, 0},
        {"CodePage", written(CodePage()), blank, 0},
        {"RRTabId", written(RRTabId()), blank, 0},
        {"CalcPrecision", written(CalcPrecision()), blank, 0},
        {"BuiltInFnGroupCount", written(BuiltInFnGroupCount()), classic, 0},
        {"Country", written(Country()), classic, 0},
        {"Window1", written(Window1()), classic, 8},
        {"Window1 of the blank book", written(Window1()), blank, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_GE(c.ours.size(), 4u);
        const auto found = c.theirs.find(getU16(c.ours.data()));
        ASSERT_NE(found, c.theirs.end()) << "the application's file has no such record";
        ASSERT_GE(found->second.size(), c.from);
        EXPECT_EQ(Bytes(c.ours.begin() + 4 + static_cast<std::ptrdiff_t>(c.from), c.ours.end()),
                  Bytes(found->second.begin() + static_cast<std::ptrdiff_t>(c.from), found->second.end()));
    }
}

TEST(GlobalsRecords, TextsThatDoNotFitTheirRecordAreRefused)
{
    Format longFormat;
    longFormat.text.assign(u16string(5000, u'x').c_str(), testPool());  // 10003 bytes of data
    BiffOutput out;
    try {
        longFormat.write(out);
        FAIL() << "written";
    } catch (const xlerror& e) {
        EXPECT_STREQ(e.what(), "record is too long");
    }
    try {
        BoundSheet8 longName;
        longName.sheetName = ShortXLUnicodeString(u16string(256, u'x'), testPool());
        FAIL() << "made";
    } catch (const xlerror& e) {
        EXPECT_STREQ(e.what(), "string is too long");
    }
}

TEST(GlobalsRecords, SupportingLinkBlockKeepsItsRecords)
{
    const Bytes stream = cat(rec(0x1AE, {2, 0, 1, 4}), rec(0x23, {1, 2}), rec(0x1AE, {5}), rec(0x17, {1, 0, 0, 0, 0, 0, 1, 0}),
                             rec(0x3C, {7}), rec(0x18, {0}));
    BiffInput in(stream);
    RecordCursor first = in.next();
    SupBook block;
    block.read(first, in);
    EXPECT_EQ(block.records.size(), 2u);
    EXPECT_TRUE(block.hasXti);
    EXPECT_EQ(block.externSheet.entries.size(), 1u);
    EXPECT_EQ(block.continues.size(), 1u);
    EXPECT_EQ(in.peekRecordId(), 0x18) << "the NAME record is left for the loader";
    BiffOutput out;
    block.write(out);
    EXPECT_EQ(out.bytes(), Bytes(stream.begin(), stream.end() - 5));
}

}  // namespace
}  // namespace celvo
