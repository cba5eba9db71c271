// Worksheet record classes: byte-exact round trips, length rules, and the
// values and rules the records carry.
#include "test_support.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

#include "biff_stream.h"
#include "corpus_records.h"
#include "sheet_records_cells.h"
#include "sheet_records_formula.h"
#include "sheet_records_text.h"
#include "sheet_records_pagesetup.h"
#include "sheet_records_settings.h"
#include "xls_test_util.h"

namespace celvo {
namespace {

using test::Bytes;
using test::cat;
using test::rec;

// ---- byte builders -----------------------------------------------------------

Bytes u16s(std::initializer_list<std::uint16_t> vs)
{
    ByteWriter w;
    for (auto v : vs) w.u16(v);
    return w.buffer();
}
Bytes u32b(std::uint32_t v)
{
    ByteWriter w;
    w.u32(v);
    return w.buffer();
}
Bytes f64b(double v)
{
    ByteWriter w;
    w.f64(v);
    return w.buffer();
}
Bytes fill(std::size_t n, std::uint8_t b = 0xAB) { return Bytes(n, b); }
// An XLUnicodeString of 8-bit characters.
Bytes str8(const std::string& s)
{
    Bytes b = u16s({static_cast<std::uint16_t>(s.size())});
    b.push_back(0);
    b.insert(b.end(), s.begin(), s.end());
    return b;
}
// An XLUnicodeString of 16-bit characters.
Bytes str16(const std::u16string& s)
{
    Bytes b = u16s({static_cast<std::uint16_t>(s.size())});
    b.push_back(1);
    for (char16_t c : s) {
        b.push_back(static_cast<std::uint8_t>(c));
        b.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return b;
}
std::uint32_t highWord(double d)
{
    std::uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return static_cast<std::uint32_t>(bits >> 32);
}

double fromBits(std::uint64_t bits)
{
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// ---- running records -----------------------------------------------------------

// Reads records from the input and writes what was read.
using RecordRun = std::function<void(BiffInput&, BiffOutput&)>;

// The pool that holds the texts the tests read.
MemPool& pool()
{
    static MemPool p;
    return p;
}

// A record class, given the pool when it keeps text.
template <class R>
R make()
{
    if constexpr (std::is_constructible_v<R, MemPool&>)
        return R(pool());
    else
        return R();
}

// One record read by a record class and written back.
template <class R>
RecordRun one()
{
    return [](BiffInput& in, BiffOutput& out) {
        R r = make<R>();
        RecordCursor c = in.next();
        r.read(c);
        r.write(out);
    };
}

template <class Block>
RecordRun block(bool biff5 = false)
{
    return [biff5](BiffInput& in, BiffOutput& out) {
        Block b = make<Block>();
        if constexpr (std::is_same_v<Block, PageSetup>) b = PageSetup(pool(), biff5);
        RecordCursor c = in.next();
        b.read(in, c);
        b.write(out);
    };
}

RecordRun formulaBlock()
{
    return [](BiffInput& in, BiffOutput& out) {
        FormulaBlock b;
        RecordCursor c = in.next();
        b.read(in, c);
        b.write(out);
    };
}

// The bytes written, or "error: <message>".
struct Outcome {
    Bytes bytes;
    std::string error;
    std::size_t unread = 0;  // input bytes left after the run
};

Outcome runOn(const Bytes& input, const RecordRun& run)
{
    Outcome o;
    BiffInput in(input);
    BiffOutput out;
    try {
        run(in, out);
        o.bytes = out.bytes();
        o.unread = input.size() - in.position();
    } catch (const std::exception& e) {
        o.error = e.what();
    }
    return o;
}

// ---- byte-exact round trips ---------------------------------------------------------

struct RoundTripCase {
    const char* what;
    Bytes input;
    RecordRun run;
};

// A fixture of every record class, in the form a file holds it.
const std::vector<RoundTripCase>& fixtures()
{
    static const Bytes rowBody = u16s({7, 1, 9, 300, 0, 0, 0x0140, 0x0F});
    static const std::vector<RoundTripCase> cases = {
        // cells
        {"BLANK", rec(0x0201, u16s({4, 2, 15})), one<Blank>()},
        {"NUMBER", rec(0x0203, cat(u16s({1, 3, 16}), f64b(-2.75))), one<Number>()},
        {"RK", rec(0x027E, cat(u16s({65535, 255, 17}), u32b(0x3FF00000))), one<RK>()},
        {"LABELSST", rec(0x00FD, cat(u16s({9, 0, 15}), u32b(123456))), one<LabelSst>()},
        {"BOOLERR boolean", rec(0x0205, cat(u16s({0, 0, 15}), Bytes{1, 0})), one<BoolErr>()},
        {"BOOLERR error", rec(0x0205, cat(u16s({0, 1, 15}), Bytes{0x2A, 1})), one<BoolErr>()},
        {"LABEL 8-bit", rec(0x0204, cat(u16s({2, 3, 15}), str8("hello"))), one<Label>()},
        {"LABEL 16-bit", rec(0x0204, cat(u16s({2, 3, 15}), str16(u"\u00e9t\u00e9 \u6771"))), one<Label>()},
        {"LABEL empty", rec(0x0204, cat(u16s({2, 3, 15}), str8(""))), one<Label>()},
        {"MULRK", rec(0x00BD, cat(u16s({4, 2, 15}), u32b(0x3FF00000), u16s({16}), u32b(6), u16s({3}))),
         one<MulRk>()},
        {"MULBLANK", rec(0x00BE, u16s({4, 1, 15, 16, 17, 3})), one<MulBlank>()},
        {"ROW", rec(0x0208, rowBody), one<Row>()},
        {"DIMENSIONS", rec(0x0200, cat(u32b(1), u32b(70000), u16s({2, 9, 0}))), one<Dimensions>()},
        {"DBCELL", rec(0x00D7, cat(u32b(0x1234), u16s({10, 20, 30}))), one<DBCell>()},
        {"DBCELL without cells", rec(0x00D7, u32b(44)), one<DBCell>()},
        {"INDEX", rec(0x020B, cat(u32b(0), u32b(0), u32b(3), u32b(0x200), u32b(0x1000), u32b(0x2000))),
         one<Index>()},
        {"NOTE", rec(0x001C, cat(u16s({3, 4, 2, 1}), str8("Author"), Bytes{0})), one<Note>()},
        {"NOTE without padding byte", rec(0x001C, cat(u16s({3, 4, 0, 7}), str16(u"An"))), one<Note>()},
        // formulas
        {"FORMULA number",
         rec(0x0006, cat(u16s({1, 2, 15}), f64b(3.5), u16s({1}), u32b(0), u16s({3}), Bytes{0x1E, 0x05, 0x00})),
         one<Formula>()},
        {"FORMULA with extra operand bytes",
         rec(0x0006, cat(u16s({1, 2, 15}), f64b(1), u16s({3}), u32b(7), u16s({1}), Bytes{0x17}, Bytes{9, 8, 7})),
         one<Formula>()},
        {"SHRFMLA", rec(0x04BC, cat(u16s({1, 5}), Bytes{0, 2, 0, 3}, u16s({2}), Bytes{0x1E, 0x01}, Bytes{5})),
         one<ShrFmla>()},
        {"STRING 8-bit", rec(0x0207, str8("cached")), one<StringRecord>()},
        {"STRING 16-bit", rec(0x0207, str16(u"\u0416")), one<StringRecord>()},
        {"STRING split before its record is full",
         cat(rec(0x0207, cat(u16s({8300}), Bytes{0}, fill(8217, 'a'))), rec(0x003C, cat(Bytes{0}, fill(83, 'b')))),
         one<StringRecord>()},
        {"STRING of 8-bit and 16-bit pieces",
         cat(rec(0x0207, cat(u16s({3}), Bytes{0}, Bytes{'a'})), rec(0x003C, cat(Bytes{1}, u16s({0x0416, 0x0417})))),
         one<StringRecord>()},
        // settings
        {"CALCMODE", rec(0x000D, u16s({0})), one<CalcMode>()},
        {"CALCCOUNT", rec(0x000C, u16s({50})), one<CalcCount>()},
        {"REFMODE", rec(0x000F, u16s({0})), one<CalcRefMode>()},
        {"ITERATION", rec(0x0011, u16s({1})), one<CalcIter>()},
        {"SAVERECALC", rec(0x005F, u16s({0})), one<CalcSaveRecalc>()},
        {"PRINTHEADERS", rec(0x002A, u16s({1})), one<PrintRowCol>()},
        {"PRINTGRIDLINES", rec(0x002B, u16s({1})), one<PrintGrid>()},
        {"GRIDSET", rec(0x0082, u16s({0})), one<GridSet>()},
        {"WSBOOL", rec(0x0081, u16s({0x0DC1})), one<WsBool>()},
        {"DEFCOLWIDTH", rec(0x0055, u16s({10})), one<DefColWidth>()},
        {"UNCALCED", rec(0x005E, u16s({0})), one<Uncalced>()},
        {"DELTA", rec(0x0010, f64b(0.0001)), one<CalcDelta>()},
        {"GUTS", rec(0x0080, u16s({29, 0, 2, 0})), one<Guts>()},
        {"DEFAULTROWHEIGHT", rec(0x0225, u16s({1, 300})), one<DefaultRowHeight>()},
        {"SCL", rec(0x00A0, u16s({3, 4})), one<Scl>()},
        {"WINDOW2", rec(0x023E, cat(u16s({0x06B6, 5, 2, 64, 0, 60, 85}), u32b(0))), one<Window2>()},
        {"PANE", rec(0x0041, cat(u16s({0, 3, 3, 0}), Bytes{2, 0})), one<Pane>()},
        {"COLINFO", rec(0x007D, u16s({3, 5, 2742, 15, 0x0001, 0})), one<ColInfo>()},
        {"SELECTION", rec(0x001D, cat(Bytes{3}, u16s({4, 2, 1, 2}), u16s({0, 0}), Bytes{0, 0}, u16s({4, 9}),
                                          Bytes{2, 5})),
         one<Selection>()},
        {"VERTICALPAGEBREAKS", rec(0x001A, u16s({2, 3, 0, 65535, 9, 0, 65535})), one<VerticalPageBreaks>()},
        {"HORIZONTALPAGEBREAKS", rec(0x001B, u16s({1, 20, 0, 255})), one<HorizontalPageBreaks>()},
        {"MERGECELLS", rec(0x00E5, u16s({2, 1, 2, 1, 2, 10, 10, 0, 255})), one<MergeCells>()},
        {"MERGECELLS empty", rec(0x00E5, u16s({0})), one<MergeCells>()},
        {"PHONETIC", rec(0x00EF, u16s({0, 0x0037, 1, 1, 1, 2, 2})), one<PhoneticInfo>()},
        // page setup and protection
        {"HCENTER", rec(0x0083, u16s({1})), one<HCenter>()},
        {"VCENTER", rec(0x0084, u16s({1})), one<VCenter>()},
        {"SETUP", rec(0x00A1, cat(u16s({9, 85, 2, 1, 0, 0x0000, 600, 600}), f64b(0.3), f64b(0.4), u16s({2}))),
         one<celvo::Setup>()},
        {"HEADER", rec(0x0014, str8("&CPage &P")), one<Header>()},
        {"FOOTER", rec(0x0015, str16(u"&L\u00a9 2026")), one<Footer>()},
        {"HEADER empty", rec(0x0014, {}), one<Header>()},
        {"PLS", rec(0x004D, cat(u16s({0}), fill(40))), one<Pls>()},
        {"OBJPROTECT", rec(0x0063, u16s({1})), one<ObjProtect>()},
        {"SCENPROTECT", rec(0x00DD, u16s({1})), one<ScenProtect>()},
        // blocks
        {"page-setup run",
         cat(rec(0x0014, str8("h")), rec(0x0015, str8("f")), rec(0x0083, u16s({1})), rec(0x0084, u16s({0})),
             rec(0x0026, f64b(0.5)), rec(0x0027, f64b(0.6)), rec(0x0028, f64b(0.7)), rec(0x0029, f64b(0.8)),
             rec(0x004D, cat(u16s({0}), fill(10))),
             rec(0x00A1, cat(u16s({9, 100, 1, 1, 1, 0x0002, 600, 600}), f64b(0.5), f64b(0.5), u16s({1})))),
         block<PageSetup>()},
        {"protection run",
         cat(rec(0x0012, u16s({1})), rec(0x00DD, u16s({1})), rec(0x0063, u16s({1})), rec(0x0013, u16s({0xCC3D}))),
         block<SheetProtection>()},
        {"formula block with cached string",
         cat(rec(0x0006, cat(u16s({0, 0, 15}), Bytes{0, 0, 0, 0, 0, 0, 0xFF, 0xFF}, u16s({1}), u32b(0), u16s({3}),
                             Bytes{0x17, 0x00, 0x00})),
             rec(0x0207, str8(""))),
         formulaBlock()},
        {"shared formula block",
         cat(rec(0x0006, cat(u16s({2, 1, 15}), Bytes{0, 0, 0, 0, 0, 0, 0xFF, 0xFF}, u16s({0x0009}), u32b(0),
                             u16s({5}), Bytes{0x01, 2, 0, 1, 0})),
             rec(0x04BC, cat(u16s({2, 4}), Bytes{1, 1, 0, 3}, u16s({3}), Bytes{0x24, 0, 0})),
             rec(0x0207, str16(u"x\u00ff\u0100"))),
         formulaBlock()},
        {"array formula block",
         cat(rec(0x0006, cat(u16s({2, 1, 15}), f64b(6), u16s({0x0001}), u32b(0), u16s({5}), Bytes{0x01, 2, 0, 1, 0})),
             rec(0x0221, cat(u16s({2, 3}), Bytes{1, 1}, u16s({1}), u32b(0), u16s({3}), Bytes{0x1E, 0x06, 0x00}))),
         formulaBlock()},
        {"table formula block",
         cat(rec(0x0006, cat(u16s({2, 1, 15}), f64b(6), u16s({0x0001}), u32b(0), u16s({5}), Bytes{0x02, 2, 0, 1, 0})),
             rec(0x0236, fill(16, 3))),
         formulaBlock()},
        {"formula block with a two-byte record in front",
         cat(rec(0x0006, u16s({0})),
             rec(0x0006, cat(u16s({0, 0, 15}), f64b(1), u16s({1}), u32b(0), u16s({3}), Bytes{0x1E, 1, 0}))),
         formulaBlock()},
    };
    return cases;
}

TEST(SheetRecords, EveryRecordWritesBackTheBytesItRead)
{
    for (const auto& c : fixtures()) {
        SCOPED_TRACE(c.what);
        Outcome o = runOn(c.input, c.run);
        EXPECT_EQ(o.error, "");
        EXPECT_EQ(o.bytes, c.input);
        EXPECT_EQ(o.unread, 0u);
    }
}

// Every fixture cut short inside its last record, or with that record's
// length field raised over bytes that belong to nothing, either reads or
// fails with a message; no cut reads outside the stream.
TEST(SheetRecords, CutAndOverlongFixturesFailCleanly)
{
    for (const auto& c : fixtures()) {
        SCOPED_TRACE(c.what);
        // The last record of the fixture starts at `last`.
        std::size_t last = 0;
        for (std::size_t p = 0; p + 4 <= c.input.size(); p += 4 + getU16(&c.input[p + 2])) last = p;
        std::size_t length = getU16(&c.input[last + 2]);
        for (std::size_t cut = 0; cut < length; ++cut) {
            Bytes shorter(c.input.begin(), c.input.begin() + static_cast<std::ptrdiff_t>(last + 4 + cut));
            putU16(&shorter[last + 2], static_cast<std::uint16_t>(cut));
            Outcome o = runOn(shorter, c.run);
            if (!o.error.empty()) {
                bool named = o.error.find("size is incorrect") != std::string::npos ||
                             o.error.rfind("error in ", 0) == 0;
                EXPECT_TRUE(named) << "cut at " << cut << ": " << o.error;
            }
        }
        Bytes longer = cat(c.input, Bytes{0xEE, 0xEE, 0xEE});
        putU16(&longer[last + 2], static_cast<std::uint16_t>(length + 3));
        Outcome o = runOn(longer, c.run);
        EXPECT_TRUE(o.error.empty() || o.error.find("size is incorrect") != std::string::npos) << o.error;
    }
}

// ---- length rules -----------------------------------------------------------------

struct BadLengthCase {
    const char* what;
    Bytes input;
    RecordRun run;
    std::string message;
};

TEST(SheetRecords, EveryWrongLengthGivesTheRecordsMessage)
{
    const std::vector<BadLengthCase> cases = {
        {"BLANK short", rec(0x0201, u16s({1, 2})), one<Blank>(), "Blank size is incorrect"},
        {"BLANK long", rec(0x0201, u16s({1, 2, 3, 4})), one<Blank>(), "Blank size is incorrect"},
        {"NUMBER short", rec(0x0203, u16s({1, 2, 3})), one<Number>(), "Number size is incorrect"},
        {"NUMBER long", rec(0x0203, cat(u16s({1, 2, 3}), f64b(1), Bytes{0})), one<Number>(),
         "Number size is incorrect"},
        {"RK short", rec(0x027E, u16s({1, 2, 3, 4})), one<RK>(), "RK size is incorrect"},
        {"RK long", rec(0x027E, u16s({1, 2, 3, 4, 5, 6})), one<RK>(), "RK size is incorrect"},
        {"LABELSST short", rec(0x00FD, u16s({1, 2, 3})), one<LabelSst>(), "LabelSst size is incorrect"},
        {"LABELSST long", rec(0x00FD, u16s({1, 2, 3, 4, 5, 6})), one<LabelSst>(), "LabelSst size is incorrect"},
        {"BOOLERR short", rec(0x0205, u16s({1, 2, 3})), one<BoolErr>(), "BoolErr size is incorrect"},
        {"BOOLERR long", rec(0x0205, u16s({1, 2, 3, 4, 5})), one<BoolErr>(), "BoolErr size is incorrect"},
        {"ROW short", rec(0x0208, u16s({1, 2, 3, 4, 5, 6, 7})), one<Row>(), "Row size is incorrect"},
        {"ROW long", rec(0x0208, u16s({1, 2, 3, 4, 5, 6, 7, 8, 9})), one<Row>(), "Row size is incorrect"},
        {"LABEL string ends before the record",
         rec(0x0204, cat(u16s({1, 2, 15}), str8("abc"), Bytes{0})), one<Label>(), "Label size is incorrect"},
        {"LABEL string runs past the record", rec(0x0204, cat(u16s({1, 2, 15, 5}), Bytes{0}, Bytes{'a', 'b'})),
         one<Label>(), "Label size is incorrect"},
        {"LABEL without a string", rec(0x0204, u16s({1, 2, 15})), one<Label>(), "Label size is incorrect"},
        {"MULRK short", rec(0x00BD, u16s({1, 2})), one<MulRk>(), "MulRk size is incorrect"},
        {"MULRK entry cut", rec(0x00BD, cat(u16s({1, 2, 15}), u32b(1), u16s({2}), Bytes{0})), one<MulRk>(),
         "MulRk size is incorrect"},
        {"MULBLANK short", rec(0x00BE, u16s({1, 2})), one<MulBlank>(), "MulBlank size is incorrect"},
        {"MULBLANK odd", rec(0x00BE, cat(u16s({1, 2, 15, 3}), Bytes{0})), one<MulBlank>(),
         "MulBlank size is incorrect"},
        {"DIMENSIONS 10 bytes", rec(0x0200, cat(u32b(0), u32b(1), u16s({0}))), one<Dimensions>(),
         "Dimensions size is incorrect"},
        {"DIMENSIONS 16 bytes", rec(0x0200, cat(u32b(0), u32b(1), u16s({0, 1, 0, 0}))), one<Dimensions>(),
         "Dimensions size is incorrect"},
        {"DBCELL short", rec(0x00D7, u16s({1})), one<DBCell>(), "DBCell size is incorrect"},
        {"DBCELL odd", rec(0x00D7, cat(u32b(1), Bytes{2})), one<DBCell>(), "DBCell size is incorrect"},
        {"INDEX short", rec(0x020B, cat(u32b(0), u32b(0), u32b(3))), one<Index>(), "Index size is incorrect"},
        {"NOTE author runs past the record", rec(0x001C, cat(u16s({1, 2, 0, 1, 9}), Bytes{0, 'a'})), one<Note>(),
         "Note size is incorrect"},
        {"NOTE short", rec(0x001C, u16s({1, 2, 0})), one<Note>(), "Note size is incorrect"},
        {"FORMULA short", rec(0x0006, fill(21)), one<Formula>(), "Formula size is incorrect"},
        {"FORMULA token count beyond the record",
         rec(0x0006, cat(u16s({1, 2, 15}), f64b(1), u16s({0}), u32b(0), u16s({4}), Bytes{0x1E, 1, 0})),
         one<Formula>(), "Formula size is incorrect"},
        {"SHRFMLA short", rec(0x04BC, fill(9)), one<ShrFmla>(), "ShrFmla size is incorrect"},
        {"SHRFMLA token count beyond the record",
         rec(0x04BC, cat(u16s({1, 5}), Bytes{0, 2, 0, 3}, u16s({3}), Bytes{0x1E, 1})), one<ShrFmla>(),
         "ShrFmla size is incorrect"},
        {"STRING cut with no CONTINUE", rec(0x0207, cat(u16s({4}), Bytes{0, 'a', 'b'})), one<StringRecord>(),
         "String size is incorrect"},
        {"STRING with bytes after the text", rec(0x0207, cat(str8("ab"), Bytes{0})), one<StringRecord>(),
         "String size is incorrect"},
        {"CALCMODE of length 4", rec(0x000D, u16s({1, 0})), one<CalcMode>(), "CalcMode size is incorrect"},
        {"CALCCOUNT short", rec(0x000C, Bytes{1}), one<CalcCount>(), "CalcCount size is incorrect"},
        {"REFMODE long", rec(0x000F, u16s({1, 0})), one<CalcRefMode>(), "CalcRefMode size is incorrect"},
        {"ITERATION empty", rec(0x0011, {}), one<CalcIter>(), "CalcIter size is incorrect"},
        {"SAVERECALC long", rec(0x005F, Bytes{1, 0, 0}), one<CalcSaveRecalc>(), "CalcSaveRecalc size is incorrect"},
        {"PRINTHEADERS long", rec(0x002A, Bytes{1, 0, 0}), one<PrintRowCol>(), "PrintRowCol size is incorrect"},
        {"PRINTGRIDLINES short", rec(0x002B, Bytes{1}), one<PrintGrid>(), "PrintGrid size is incorrect"},
        {"GRIDSET long", rec(0x0082, Bytes{1, 0, 0}), one<GridSet>(), "GridSet size is incorrect"},
        {"WSBOOL short", rec(0x0081, Bytes{1}), one<WsBool>(), "WsBool size is incorrect"},
        {"DEFCOLWIDTH long", rec(0x0055, Bytes{1, 0, 0}), one<DefColWidth>(), "DefColWidth size is incorrect"},
        {"UNCALCED long", rec(0x005E, Bytes{1, 0, 0}), one<Uncalced>(), "Uncalced size is incorrect"},
        {"DELTA short", rec(0x0010, fill(7)), one<CalcDelta>(), "CalcDelta size is incorrect"},
        {"GUTS long", rec(0x0080, fill(10)), one<Guts>(), "Guts size is incorrect"},
        {"DEFAULTROWHEIGHT short", rec(0x0225, fill(2)), one<DefaultRowHeight>(),
         "DefaultRowHeight size is incorrect"},
        {"SCL long", rec(0x00A0, fill(6)), one<Scl>(), "Scl size is incorrect"},
        {"WINDOW2 short", rec(0x023E, fill(10)), one<Window2>(), "Window2 size is incorrect"},
        {"WINDOW2 long", rec(0x023E, fill(20)), one<Window2>(), "Window2 size is incorrect"},
        {"PANE short", rec(0x0041, fill(8)), one<Pane>(), "Pane size is incorrect"},
        {"COLINFO short", rec(0x007D, fill(10)), one<ColInfo>(), "ColInfo size is incorrect"},
        {"SELECTION short", rec(0x001D, fill(8)), one<Selection>(), "Selection size is incorrect"},
        {"SELECTION count beyond the ranges", rec(0x001D, cat(Bytes{3}, u16s({0, 0, 0, 2}), fill(6))),
         one<Selection>(), "Selection size is incorrect"},
        {"SELECTION ranges beyond the count", rec(0x001D, cat(Bytes{3}, u16s({0, 0, 0, 0}), fill(6))),
         one<Selection>(), "Selection size is incorrect"},
        {"VERTICALPAGEBREAKS short", rec(0x001A, Bytes{1}), one<VerticalPageBreaks>(),
         "VerticalPageBreaks size is incorrect"},
        {"VERTICALPAGEBREAKS count beyond the entries", rec(0x001A, u16s({2, 3, 0, 65535})),
         one<VerticalPageBreaks>(), "VerticalPageBreaks size is incorrect"},
        {"HORIZONTALPAGEBREAKS entries beyond the count", rec(0x001B, u16s({0, 3, 0, 255})),
         one<HorizontalPageBreaks>(), "HorizontalPageBreaks size is incorrect"},
        {"MERGECELLS short", rec(0x00E5, Bytes{1}), one<MergeCells>(), "MergeCells size is incorrect"},
        {"MERGECELLS count beyond the ranges", rec(0x00E5, u16s({2, 1, 2, 1, 2})), one<MergeCells>(),
         "MergeCells size is incorrect"},
        {"MERGECELLS huge count", rec(0x00E5, u16s({0xFFFF})), one<MergeCells>(), "MergeCells size is incorrect"},
        {"PHONETIC short", rec(0x00EF, fill(5)), one<PhoneticInfo>(), "PhoneticInfo size is incorrect"},
        {"PHONETIC of length 14 with count 2", rec(0x00EF, u16s({0, 0x37, 2, 1, 1, 2, 2})), one<PhoneticInfo>(),
         "PhoneticInfo size is incorrect"},
        {"HCENTER long", rec(0x0083, fill(3)), one<HCenter>(), "HCenter size is incorrect"},
        {"VCENTER short", rec(0x0084, fill(1)), one<VCenter>(), "VCenter size is incorrect"},
        {"margin short", rec(0x0026, fill(4)), block<PageSetup>(), "Margin size is incorrect"},
        {"margin long", rec(0x0029, fill(9)), block<PageSetup>(), "Margin size is incorrect"},
        {"PLS without its environment", rec(0x004D, Bytes{1}), block<PageSetup>(), "Pls size is incorrect"},
        {"SETUP short", rec(0x00A1, fill(33)), block<PageSetup>(), "Setup size is incorrect"},
        {"SETUP long", rec(0x00A1, fill(36)), block<PageSetup>(), "Setup size is incorrect"},
        {"HEADER string runs past the record", rec(0x0014, cat(u16s({10}), Bytes{0, 'a'})), block<PageSetup>(),
         "Header size is incorrect"},
        {"HEADER of 2 bytes with characters", rec(0x0014, u16s({1})), block<PageSetup>(), "Header size is incorrect"},
        {"FOOTER with bytes after the text", rec(0x0015, cat(str8("x"), Bytes{0})), block<PageSetup>(),
         "Footer size is incorrect"},
        {"PROTECT empty", rec(0x0012, {}), block<SheetProtection>(), "Protect size is incorrect"},
        {"PASSWORD short", rec(0x0013, fill(1)), block<SheetProtection>(), "Password size is incorrect"},
        {"OBJPROTECT empty", rec(0x0063, {}), block<SheetProtection>(), "ObjProtect size is incorrect"},
        {"SCENPROTECT short", rec(0x00DD, Bytes{1}), block<SheetProtection>(), "ScenProtect size is incorrect"},
        {"page-setup block started on a foreign record", rec(0x0055, u16s({8})), block<PageSetup>(),
         "error in PageSetup"},
        {"formula block: a two-byte record not followed by FORMULA",
         cat(rec(0x0006, u16s({0})), rec(0x0203, cat(u16s({1, 2, 3}), f64b(1)))), formulaBlock(),
         "error in record FormulaBlock"},
        {"formula block: a two-byte record at the end of the stream", rec(0x0006, u16s({0})), formulaBlock(),
         "error in record FormulaBlock"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(runOn(c.input, c.run).error, c.message);
    }
}

// Real files carry a few records in shorter or longer forms that are accepted.
TEST(SheetRecords, TolerantLengthsAreAcceptedAndWrittenInFullForm)
{
    struct Case {
        const char* what;
        Bytes input;
        RecordRun run;
        Bytes written;
    };
    const std::vector<Case> cases = {
        {"DIMENSIONS of 12 bytes", rec(0x0200, cat(u32b(1), u32b(5), u16s({2, 4}))), one<Dimensions>(),
         rec(0x0200, cat(u32b(1), u32b(5), u16s({2, 4, 0})))},
        {"COLINFO of 11 bytes", rec(0x007D, cat(u16s({1, 1, 4000, 15, 0}), Bytes{7})), one<ColInfo>(),
         rec(0x007D, u16s({1, 1, 4000, 15, 0, 7}))},
        {"PANE of 9 bytes", rec(0x0041, cat(u16s({0, 3, 3, 0}), Bytes{2})), one<Pane>(),
         rec(0x0041, cat(u16s({0, 3, 3, 0}), Bytes{2, 0}))},
        {"OBJPROTECT of 4 bytes", rec(0x0063, u16s({1, 0xEEEE})), one<ObjProtect>(), rec(0x0063, u16s({1}))},
        {"PROTECT of 4 bytes (Quattro Pro)", rec(0x0012, u16s({1, 0})), block<SheetProtection>(),
         rec(0x0012, u16s({1}))},
        {"INDEX with a cut position", rec(0x020B, cat(u32b(0), u32b(0), u32b(3), u32b(0), u32b(77), Bytes{1, 2})),
         one<Index>(), rec(0x020B, cat(u32b(0), u32b(0), u32b(3), u32b(0), u32b(77)))},
        {"MERGECELLS with bytes after the ranges", rec(0x00E5, cat(u16s({1, 1, 2, 1, 2}), Bytes{9, 9})),
         one<MergeCells>(), rec(0x00E5, u16s({1, 1, 2, 1, 2}))},
        {"HEADER of an empty text without option byte", rec(0x0014, u16s({0})), one<Header>(), rec(0x0014, {})},
        {"NOTE with bytes after the padding", rec(0x001C, cat(u16s({3, 4, 0, 1}), str8("A"), Bytes{0, 5, 5})),
         one<Note>(), rec(0x001C, cat(u16s({3, 4, 0, 1}), str8("A"), Bytes{0}))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Outcome o = runOn(c.input, c.run);
        EXPECT_EQ(o.error, "");
        EXPECT_EQ(o.bytes, c.written);
        EXPECT_EQ(o.unread, 0u);
    }
}

// A record never reads into the one after it, whatever its fields say.
TEST(SheetRecords, ReadersStopAtTheirRecord)
{
    Bytes next = rec(0x0201, u16s({9, 9, 9}));
    const std::vector<RoundTripCase> cases = {
        {"MERGECELLS", rec(0x00E5, u16s({3, 1, 1, 1, 1})), one<MergeCells>()},
        {"INDEX", rec(0x020B, fill(15)), one<Index>()},
        {"NOTE", rec(0x001C, u16s({1, 2, 0, 1})), one<Note>()},
        {"PANE", rec(0x0041, fill(4)), one<Pane>()},
        {"COLINFO", rec(0x007D, fill(6)), one<ColInfo>()},
        {"FORMULA", rec(0x0006, cat(u16s({1, 2, 15}), f64b(1), u16s({0}), u32b(0), u16s({40}))), one<Formula>()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BiffInput in(cat(c.input, next));
        BiffOutput out;
        EXPECT_THROW(c.run(in, out), xlerror);
    }
}

// ---- values -------------------------------------------------------------------

TEST(SheetRecords, RkValuesDecode)
{
    struct Case {
        const char* what;
        std::uint32_t rk;
        double expected;
    };
    const std::vector<Case> cases = {
        {"high word of 1.0", highWord(1.0), 1.0},
        {"high word of 1.0 over 100", highWord(1.0) | 1, 0.01},
        {"integer 1", (1u << 2) | 2, 1.0},
        {"integer -1", 0xFFFFFFFCu | 2, -1.0},
        {"integer 2", 10, 2.0},
        {"integer 2 over 100", 11, 0.02},
        {"largest integer", 0x7FFFFFFCu | 2, 536870911.0},
        {"smallest integer", 0x80000000u | 2, -536870912.0},
        {"zero", 0, 0.0},
        {"high word of -2.5", highWord(-2.5), -2.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_DOUBLE_EQ(rkToDouble(c.rk), c.expected);
    }
}

TEST(SheetRecords, NumbersThatFitTheRkFormBecomeRk)
{
    struct Case {
        double value;
        bool rk;
    };
    const std::vector<Case> cases = {
        {1.0, true}, {1.5, true}, {-2.5, true}, {0.0, true}, {1048576.0, true},
        {0.1, false}, {1.0 / 3.0, false}, {123456.789, false}, {1e10, false},
        {fromBits(0x3FF0000100000000ull), false},  // low word 0, low bits of the high word set
        {std::numeric_limits<double>::denorm_min(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        std::uint32_t rk = 0;
        ASSERT_EQ(doubleToRk(c.value, rk), c.rk);
        if (c.rk) {
            EXPECT_EQ(rk, highWord(c.value));
            EXPECT_EQ(rkToDouble(rk), c.value);
        }
    }
}

TEST(SheetRecords, RunsExpandToSingleCells)
{
    BiffInput in(cat(rec(0x00BD, cat(u16s({4, 2, 15}), u32b(highWord(1.0)), u16s({16}), u32b(10), u16s({17}),
                                    u32b(11), u16s({99}))),
                     rec(0x00BE, u16s({7, 254, 20, 21, 0}))));
    MulRk mulRk;
    RecordCursor c1 = in.next();
    mulRk.read(c1);
    std::vector<RK> rks = mulRk.cells();
    ASSERT_EQ(rks.size(), 3u);
    struct Want {
        std::uint16_t col, xf;
        double value;
    };
    const Want want[] = {{2, 15, 1.0}, {3, 16, 2.0}, {4, 17, 0.02}};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rks[i].row, 4);
        EXPECT_EQ(rks[i].col, want[i].col);
        EXPECT_EQ(rks[i].xf, want[i].xf);
        EXPECT_DOUBLE_EQ(rks[i].value(), want[i].value);
    }

    MulBlank mulBlank;
    RecordCursor c2 = in.next();
    mulBlank.read(c2);
    std::vector<Blank> blanks = mulBlank.cells();
    ASSERT_EQ(blanks.size(), 2u);
    EXPECT_EQ(blanks[0].row, 7);
    EXPECT_EQ(blanks[0].col, 254);
    EXPECT_EQ(blanks[0].xf, 20);
    EXPECT_EQ(blanks[1].col, 255);
    EXPECT_EQ(blanks[1].xf, 21);
}

TEST(SheetRecords, RunsPastTheLastColumnAreRefused)
{
    struct Case {
        const char* what;
        Bytes input;
        bool blank;
    };
    const std::vector<Case> cases = {
        {"MULRK from column 255 with two cells",
         rec(0x00BD, cat(u16s({0, 255, 15}), u32b(0), u16s({15}), u32b(0), u16s({256}))), false},
        {"MULRK from column 65535", rec(0x00BD, cat(u16s({0, 65535, 15}), u32b(0), u16s({0}))), false},
        {"MULBLANK from column 250 with seven cells", rec(0x00BE, u16s({0, 250, 1, 1, 1, 1, 1, 1, 1, 256})), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BiffInput in(c.input);
        RecordCursor cur = in.next();
        try {
            if (c.blank) {
                MulBlank m;
                m.read(cur);
                m.cells();
            } else {
                MulRk m;
                m.read(cur);
                m.cells();
            }
            ADD_FAILURE() << "no error";
        } catch (const xlerror& e) {
            EXPECT_STREQ(e.what(), "col must be in range 0-255");
        }
    }
}

TEST(SheetRecords, FormulaResultKinds)
{
    struct Case {
        const char* what;
        std::array<std::uint8_t, 8> cached;
        FormulaResult kind;
    };
    const std::vector<Case> cases = {
        {"number", {0, 0, 0, 0, 0, 0, 0xF0, 0x3F}, FormulaResult::Number},
        {"number with 0xFFFF in one byte only", {0, 0, 0, 0, 0, 0, 0xFF, 0x7F}, FormulaResult::Number},
        {"string", {0, 0, 0, 0, 0, 0, 0xFF, 0xFF}, FormulaResult::String},
        {"boolean", {1, 0, 1, 0, 0, 0, 0xFF, 0xFF}, FormulaResult::Boolean},
        {"error", {2, 0, 7, 0, 0, 0, 0xFF, 0xFF}, FormulaResult::Error},
        {"empty string", {3, 0, 0, 0, 0, 0, 0xFF, 0xFF}, FormulaResult::Blank},
        {"unknown type", {4, 0, 0, 0, 0, 0, 0xFF, 0xFF}, FormulaResult::Unknown},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Formula f;
        f.cached = c.cached;
        EXPECT_EQ(f.resultKind(), c.kind);
    }
    Formula f;
    f.cached = {2, 0, 42, 0, 0, 0, 0xFF, 0xFF};
    EXPECT_EQ(f.cachedValueByte(), 42);
}

TEST(SheetRecords, FormulaIsWrittenWithAlwaysCalculateSet)
{
    Bytes body = cat(u16s({1, 2, 15}), f64b(2), u16s({0x0008}), u32b(0), u16s({3}), Bytes{0x1E, 2, 0});
    Outcome o = runOn(rec(0x0006, body), one<Formula>());
    ASSERT_EQ(o.error, "");
    Bytes expected = body;
    expected[14] = 0x09;
    EXPECT_EQ(o.bytes, rec(0x0006, expected));
}

// ---- formula blocks -------------------------------------------------------------

Bytes formulaRec(std::array<std::uint8_t, 8> cached, const Bytes& tokens = {0x1E, 1, 0})
{
    return rec(0x0006, cat(u16s({3, 1, 15}), Bytes(cached.begin(), cached.end()), u16s({1}), u32b(0),
                           u16s({static_cast<std::uint16_t>(tokens.size())}), tokens));
}
const std::array<std::uint8_t, 8> kStringResult = {0, 0, 0, 0, 0, 0, 0xFF, 0xFF};

TEST(SheetRecords, FormulaBlocksTakeTheirRecordsAndLeaveTheNext)
{
    const Bytes nextRecord = rec(0x0201, u16s({9, 9, 15}));
    struct Case {
        const char* what;
        Bytes block;
        bool shared;
        std::uint16_t following;
        bool hasString;
        std::u16string text;
    };
    std::u16string longText(5000, u'\u0416');
    // 5000 16-bit characters: 4110 in the STRING record, the rest in a CONTINUE
    // with its own option byte.
    Bytes longString = cat(
        rec(0x0207, cat(u16s({5000}), Bytes{1}, [] {
                Bytes b;
                for (int i = 0; i < 4110; ++i) b.insert(b.end(), {0x16, 0x04});
                return b;
            }())),
        rec(0x003C, cat(Bytes{1}, [] {
                Bytes b;
                for (int i = 0; i < 890; ++i) b.insert(b.end(), {0x16, 0x04});
                return b;
            }())));
    const std::vector<Case> cases = {
        {"formula alone", formulaRec({0, 0, 0, 0, 0, 0, 0xF0, 0x3F}), false, 0, false, u""},
        {"string result", cat(formulaRec(kStringResult), rec(0x0207, str8("abc"))), false, 0, true, u"abc"},
        {"shared formula with string result",
         cat(formulaRec(kStringResult, {0x01, 3, 0, 1, 0}),
             rec(0x04BC, cat(u16s({3, 5}), Bytes{1, 1, 0, 3}, u16s({3}), Bytes{0x1E, 1, 0})),
             rec(0x0207, str16(u"\u00e9"))),
         true, 0, true, u"\u00e9"},
        {"array formula", cat(formulaRec({0, 0, 0, 0, 0, 0, 0, 0}), rec(0x0221, fill(17))), false, 0x0221, false,
         u""},
        {"string across CONTINUE", cat(formulaRec(kStringResult), longString), false, 0, true, longText},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes input = cat(c.block, nextRecord);
        BiffInput in(input);
        FormulaBlock b;
        RecordCursor first = in.next();
        b.read(in, first);
        EXPECT_EQ(b.shared, c.shared);
        EXPECT_EQ(b.following.id, c.following);
        EXPECT_EQ(b.hasString, c.hasString);
        EXPECT_TRUE(b.string.text == c.text);
        EXPECT_EQ(in.position(), c.block.size());
        EXPECT_EQ(in.peekRecordId(), 0x0201);
        BiffOutput out;
        b.write(out);
        EXPECT_EQ(out.bytes(), c.block);
    }
}

TEST(SheetRecords, LongCachedStringsAreSplitWithAnOptionBytePerRecord)
{
    struct Case {
        const char* what;
        std::u16string text;
        std::vector<std::size_t> lengths;  // of the STRING and its CONTINUE records
    };
    const std::vector<Case> cases = {
        {"fits one record", std::u16string(8221, u'a'), {8224}},
        {"8-bit, one byte more", std::u16string(8222, u'a'), {8224, 2}},
        {"16-bit", std::u16string(10000, u'\u4e00'), {8223, 8223, 3559}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StringRecord s;
        s.text = c.text;
        BiffOutput out;
        s.write(out);
        const Bytes& b = out.bytes();
        std::vector<std::size_t> lengths;
        for (std::size_t p = 0; p + 4 <= b.size(); p += 4 + getU16(&b[p + 2])) {
            EXPECT_EQ(getU16(&b[p]), lengths.empty() ? 0x0207 : 0x003C);
            lengths.push_back(getU16(&b[p + 2]));
        }
        EXPECT_EQ(lengths, c.lengths);
        BiffInput in(b);
        StringRecord back;
        RecordCursor cur = in.next();
        back.read(cur);
        EXPECT_TRUE(back.text == c.text);
        EXPECT_TRUE(in.eof());
    }
}

// ---- settings -----------------------------------------------------------------

// The bytes of each record with its defaults. Those that the spreadsheet
// application's own files hold are held against those files in
// NewSheetDefaultsAreThoseOfTheApplicationsFiles; PHONETIC, the page setup
// and INDEX (with no rows) are this library's own.
TEST(SheetRecords, NewSheetSettingsWriteTheirDefaults)
{
    struct Case {
        const char* what;
        std::function<void(BiffOutput&)> write;
        Bytes expected;
    };
    const std::vector<Case> cases = {
        {"CALCMODE", [](BiffOutput& o) { CalcMode().write(o); }, rec(0x000D, u16s({1}))},
        {"CALCCOUNT", [](BiffOutput& o) { CalcCount().write(o); }, rec(0x000C, u16s({100}))},
        {"REFMODE", [](BiffOutput& o) { CalcRefMode().write(o); }, rec(0x000F, u16s({1}))},
        {"ITERATION", [](BiffOutput& o) { CalcIter().write(o); }, rec(0x0011, u16s({0}))},
        {"DELTA", [](BiffOutput& o) { CalcDelta().write(o); }, rec(0x0010, f64b(0.001))},
        {"SAVERECALC", [](BiffOutput& o) { CalcSaveRecalc().write(o); }, rec(0x005F, u16s({1}))},
        {"PRINTHEADERS", [](BiffOutput& o) { PrintRowCol().write(o); }, rec(0x002A, u16s({0}))},
        {"PRINTGRIDLINES", [](BiffOutput& o) { PrintGrid().write(o); }, rec(0x002B, u16s({0}))},
        {"GRIDSET", [](BiffOutput& o) { GridSet().write(o); }, rec(0x0082, u16s({1}))},
        {"GUTS", [](BiffOutput& o) { Guts().write(o); }, rec(0x0080, u16s({0, 0, 0, 0}))},
        {"DEFAULTROWHEIGHT", [](BiffOutput& o) { DefaultRowHeight().write(o); }, rec(0x0225, u16s({0, 255}))},
        {"WSBOOL", [](BiffOutput& o) { WsBool().write(o); }, rec(0x0081, u16s({0x04C1}))},
        {"DEFCOLWIDTH", [](BiffOutput& o) { DefColWidth().write(o); }, rec(0x0055, u16s({8}))},
        {"WINDOW2", [](BiffOutput& o) { Window2().write(o); },
         rec(0x023E, cat(u16s({0x00B6, 0, 0, 64, 0, 0, 0}), u32b(0)))},
        {"SELECTION", [](BiffOutput& o) { Selection().write(o); },
         rec(0x001D, cat(Bytes{3}, u16s({0, 0, 0, 1, 0, 0}), Bytes{0, 0}))},
        {"PHONETIC", [](BiffOutput& o) { PhoneticInfo().write(o); }, rec(0x00EF, u16s({0, 0x0037, 0}))},
        {"INDEX", [](BiffOutput& o) { Index().write(o); }, rec(0x020B, cat(u32b(0), u32b(0), u32b(3), u32b(0)))},
        {"DIMENSIONS", [](BiffOutput& o) { Dimensions().write(o); },
         rec(0x0200, cat(u32b(0), u32b(0), u16s({0, 0, 0})))},
        {"page setup", [](BiffOutput& o) { PageSetup(pool()).write(o); },
         cat(rec(0x0014, {}), rec(0x0015, {}), rec(0x0083, u16s({0})), rec(0x0084, u16s({0})),
             rec(0x00A1, cat(u16s({0, 100, 1, 1, 1, 6, 0, 0}), f64b(0.5), f64b(0.5), u16s({0}))))},
        {"protection", [](BiffOutput& o) { SheetProtection().write(o); }, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BiffOutput out;
        c.write(out);
        EXPECT_EQ(out.bytes(), c.expected);
    }
}

// The defaults of a new sheet are what the spreadsheet application writes:
// the records of the blank book Office 365 saves, and the default row
// height of a 97-2003 book of Excel's. WINDOW2 is compared from its second
// field on: the book sets the selected bit of the active sheet.
TEST(SheetRecords, NewSheetDefaultsAreThoseOfTheApplicationsFiles)
{
    CELVO_REQUIRE_CORPUS();
    const test::RecordData blank = test::partRecords(test::applicationBlankBook(), 1);
    const test::RecordData classic = test::partRecords(test::applicationClassicBook(), 1);
    ASSERT_FALSE(blank.empty()) << test::applicationBlankBook();
    ASSERT_FALSE(classic.empty()) << test::applicationClassicBook();
    struct Case {
        const char* what;
        std::function<void(BiffOutput&)> write;
        const test::RecordData& theirs;
        std::size_t from;
    };
    const std::vector<Case> cases = {
        {"CALCMODE", [](BiffOutput& o) { CalcMode().write(o); }, blank, 0},
        {"CALCCOUNT", [](BiffOutput& o) { CalcCount().write(o); }, blank, 0},
        {"REFMODE", [](BiffOutput& o) { CalcRefMode().write(o); }, blank, 0},
        {"ITERATION", [](BiffOutput& o) { CalcIter().write(o); }, blank, 0},
        {"DELTA", [](BiffOutput& o) { CalcDelta().write(o); }, blank, 0},
        {"SAVERECALC", [](BiffOutput& o) { CalcSaveRecalc().write(o); }, blank, 0},
        {"PRINTHEADERS", [](BiffOutput& o) { PrintRowCol().write(o); }, blank, 0},
        {"PRINTGRIDLINES", [](BiffOutput& o) { PrintGrid().write(o); }, blank, 0},
        {"GRIDSET", [](BiffOutput& o) { GridSet().write(o); }, blank, 0},
        {"GUTS", [](BiffOutput& o) { Guts().write(o); }, blank, 0},
        {"WSBOOL", [](BiffOutput& o) { WsBool().write(o); }, blank, 0},
        {"DEFCOLWIDTH", [](BiffOutput& o) { DefColWidth().write(o); }, blank, 0},
        {"DIMENSIONS", [](BiffOutput& o) { Dimensions().write(o); }, blank, 0},
        {"SELECTION", [](BiffOutput& o) { Selection().write(o); }, blank, 0},
        {"WINDOW2", [](BiffOutput& o) { Window2().write(o); }, blank, 2},
        {"DEFAULTROWHEIGHT", [](BiffOutput& o) { DefaultRowHeight().write(o); }, classic, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BiffOutput out;
        c.write(out);
        const Bytes& ours = out.bytes();
        ASSERT_GE(ours.size(), 4u);
        const auto found = c.theirs.find(getU16(ours.data()));
        ASSERT_NE(found, c.theirs.end()) << "the application's file has no such record";
        ASSERT_GE(found->second.size(), c.from);
        EXPECT_EQ(Bytes(ours.begin() + 4 + static_cast<std::ptrdiff_t>(c.from), ours.end()),
                  Bytes(found->second.begin() + static_cast<std::ptrdiff_t>(c.from), found->second.end()));
    }
}

TEST(SheetRecords, BiffFiveLayoutsRead)
{
    {
        BiffInput in(rec(0x0200, u16s({1, 9, 2, 5})));
        Dimensions d;
        d.biff5 = true;
        RecordCursor c = in.next();
        d.read(c);
        EXPECT_EQ(d.firstRow, 1u);
        EXPECT_EQ(d.rowBound, 9u);
        EXPECT_EQ(d.firstCol, 2);
        EXPECT_EQ(d.colBound, 5);
    }
    {
        BiffInput in(rec(0x023E, cat(u16s({0x06B6, 4, 2}), u32b(0x12345678))));
        Window2 w;
        w.biff5 = true;
        RecordCursor c = in.next();
        w.read(c);
        EXPECT_EQ(w.options, 0x06B6);
        EXPECT_EQ(w.topRow, 4);
        EXPECT_EQ(w.leftCol, 2);
        EXPECT_EQ(w.gridColor, 64);
    }
    {
        BiffInput in(rec(0x0204, cat(u16s({1, 2, 15, 3}), Bytes{'a', 'b', 'c'})));
        Label l(pool());
        l.biff5 = true;
        RecordCursor c = in.next();
        l.read(c);
        EXPECT_TRUE(l.text.view() == u"abc");
    }
    {
        BiffInput in(rec(0x020B, cat(u32b(0), u16s({0, 5}), u32b(0x99), u32b(0x400))));
        Index x;
        x.biff5 = true;
        RecordCursor c = in.next();
        x.read(c);
        EXPECT_EQ(x.rowBound, 3u);  // the 16-bit row fields are not kept
        EXPECT_EQ(x.defColWidthPos, 0x99u);
        EXPECT_EQ(x.dbCellPos, std::vector<std::uint32_t>{0x400});
    }
    {
        BiffInput in(rec(0x001C, cat(u16s({1, 2, 4}), Bytes{'n', 'o', 't', 'e'})));
        Note n(pool());
        n.biff5 = true;
        RecordCursor c = in.next();
        n.read(c);
        EXPECT_EQ(n.biff5Text, u"note");
    }
    {
        BiffInput in(rec(0x0207, cat(u16s({2}), Bytes{'o', 'k'})));
        StringRecord str;
        str.biff5 = true;
        RecordCursor c = in.next();
        str.read(c);
        EXPECT_TRUE(str.text == u"ok");
    }
    {
        BiffInput in(rec(0x0014, Bytes{2, 'h', 'i'}));
        PageSetup p(pool(), true);
        RecordCursor c = in.next();
        p.read(in, c);
        EXPECT_TRUE(p.header.text.view() == u"hi");
    }
}

TEST(SheetRecords, ReadingMarksOptionalRecordsPresent)
{
    struct Case {
        const char* what;
        Bytes input;
        std::function<bool(BiffInput&)> readPresent;
    };
    const std::vector<Case> cases = {
        {"UNCALCED", rec(0x005E, u16s({0})),
         [](BiffInput& in) {
             Uncalced u;
             RecordCursor c = in.next();
             u.read(c);
             return u.present;
         }},
        {"PANE", rec(0x0041, cat(u16s({0, 3, 3, 0}), Bytes{2, 0})),
         [](BiffInput& in) {
             Pane p;
             RecordCursor c = in.next();
             p.read(c);
             return p.present;
         }},
        {"PLS", rec(0x004D, u16s({0})),
         [](BiffInput& in) {
             Pls p;
             RecordCursor c = in.next();
             p.read(c);
             return p.present;
         }},
        {"margin", rec(0x0027, f64b(0.5)),
         [](BiffInput& in) {
             PageSetup p(pool());
             RecordCursor c = in.next();
             p.read(in, c);
             return p.right.present && !p.left.present;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BiffInput in(c.input);
        EXPECT_TRUE(c.readPresent(in));
    }
    EXPECT_FALSE(Uncalced().present);
    EXPECT_FALSE(Pane().present);
    EXPECT_FALSE(Pls().present);
}

TEST(SheetRecords, ZoomFromScl)
{
    struct Case {
        std::uint16_t num, den;
        int zoom;
        bool written;
    };
    const std::vector<Case> cases = {
        {100, 100, 100, false}, {3, 4, 75, true}, {150, 100, 150, true}, {200, 200, 100, false},
        {5, 0, 100, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.num) + "/" + std::to_string(c.den));
        Scl s;
        s.numerator = c.num;
        s.denominator = c.den;
        EXPECT_EQ(s.zoom(), c.zoom);
        EXPECT_EQ(s.needsWriting(), c.written);
    }
    Scl s;
    s.setZoom(150);
    EXPECT_EQ(s.numerator, 150);
    EXPECT_EQ(s.denominator, 100);
}

TEST(SheetRecords, PageBreaksAreWrittenSorted)
{
    VerticalPageBreaks v;
    for (std::uint16_t col : {9, 3, 5}) v.entries.push_back({col, 0, 65535});
    BiffOutput out;
    v.write(out);
    EXPECT_EQ(out.bytes(), rec(0x001A, u16s({3, 3, 0, 65535, 5, 0, 65535, 9, 0, 65535})));

    HorizontalPageBreaks h;
    h.entries = {{4, 10, 20}, {4, 0, 9}, {2, 0, 255}};
    BiffOutput out2;
    h.write(out2);
    EXPECT_EQ(out2.bytes(), rec(0x001B, u16s({3, 2, 0, 255, 4, 0, 9, 4, 10, 20})));
    EXPECT_FALSE(HorizontalPageBreaks().needsWriting());
}

TEST(SheetRecords, ColumnEntriesExpandAndCollapse)
{
    ColInfo three;
    three.firstCol = 3;
    three.lastCol = 5;
    three.width = 3000;
    three.xf = 16;
    three.options = 1;
    std::vector<ColInfo> e = three.expand();
    ASSERT_EQ(e.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(e[i].firstCol, 3 + i);
        EXPECT_EQ(e[i].lastCol, 3 + i);
        EXPECT_EQ(e[i].width, 3000);
        EXPECT_EQ(e[i].xf, 16);
        EXPECT_EQ(e[i].options, 1);
    }
    ColInfo wide = three;
    wide.firstCol = 250;
    wide.lastCol = 65535;
    EXPECT_EQ(wide.expand().size(), 6u);
    ColInfo backwards = three;
    backwards.firstCol = 6;
    backwards.lastCol = 5;
    EXPECT_TRUE(backwards.expand().empty());

    struct Col {
        std::uint16_t col, width, xf;
    };
    struct Span {
        std::uint16_t first, last, width;
    };
    struct Case {
        const char* what;
        std::vector<Col> cols;
        std::vector<Span> runs;
    };
    const std::vector<Case> cases = {
        {"adjacent equal columns share a record", {{4, 10, 0}, {2, 10, 0}, {3, 10, 0}, {5, 20, 0}},
         {{2, 4, 10}, {5, 5, 20}}},
        {"a gap starts a new record", {{2, 10, 0}, {4, 10, 0}}, {{2, 2, 10}, {4, 4, 10}}},
        {"another format starts a new record", {{2, 10, 0}, {3, 10, 1}}, {{2, 2, 10}, {3, 3, 10}}},
        {"the first entry of a column counts", {{2, 10, 0}, {2, 30, 0}, {3, 10, 0}}, {{2, 3, 10}}},
        {"no columns", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<ColInfo> cols;
        for (const auto& x : c.cols) {
            ColInfo ci;
            ci.firstCol = ci.lastCol = x.col;
            ci.width = x.width;
            ci.xf = x.xf;
            cols.push_back(ci);
        }
        std::vector<ColInfo> runs = collapseColumns(cols);
        ASSERT_EQ(runs.size(), c.runs.size());
        for (std::size_t i = 0; i < runs.size(); ++i) {
            EXPECT_EQ(runs[i].firstCol, c.runs[i].first);
            EXPECT_EQ(runs[i].lastCol, c.runs[i].last);
            EXPECT_EQ(runs[i].width, c.runs[i].width);
        }
    }
}

TEST(SheetRecords, DimensionsWidenWithEachCell)
{
    struct Step {
        std::uint32_t row;
        std::uint16_t col;
        std::uint32_t firstRow, rowBound;
        std::uint16_t firstCol, colBound;
    };
    const std::vector<Step> steps = {
        {5, 3, 5, 6, 3, 4},
        {2, 7, 2, 6, 3, 8},
        {9, 0, 2, 10, 0, 8},
        {65535, 255, 2, 65536, 0, 256},
    };
    Dimensions d;
    for (const auto& s : steps) {
        SCOPED_TRACE(std::to_string(s.row) + "," + std::to_string(s.col));
        d.include(s.row, s.col);
        EXPECT_EQ(d.firstRow, s.firstRow);
        EXPECT_EQ(d.rowBound, s.rowBound);
        EXPECT_EQ(d.firstCol, s.firstCol);
        EXPECT_EQ(d.colBound, s.colBound);
    }
}

// ---- limits of the format on writing ---------------------------------------------------

std::vector<std::size_t> recordLengths(const Bytes& b, std::vector<std::uint16_t>* ids = nullptr)
{
    std::vector<std::size_t> lengths;
    for (std::size_t p = 0; p + 4 <= b.size(); p += 4 + getU16(&b[p + 2])) {
        if (ids) ids->push_back(getU16(&b[p]));
        lengths.push_back(getU16(&b[p + 2]));
    }
    return lengths;
}

TEST(SheetRecords, MergedRangesAreSplitAt1026PerRecord)
{
    struct Case {
        std::size_t ranges;
        std::vector<std::size_t> lengths;
    };
    const std::vector<Case> cases = {
        {0, {2}},
        {1, {10}},
        {1026, {8210}},
        {1027, {8210, 10}},
        {3000, {8210, 8210, 2 + 8 * 948}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ranges);
        MergeCells m;
        for (std::size_t i = 0; i < c.ranges; ++i) {
            auto r = static_cast<std::uint16_t>(i);
            m.ranges.push_back({r, r, 0, 1});
        }
        BiffOutput out;
        m.write(out);
        std::vector<std::uint16_t> ids;
        EXPECT_EQ(recordLengths(out.bytes(), &ids), c.lengths);
        for (auto id : ids) EXPECT_EQ(id, 0x00E5);
        // Reading the records back gives the ranges in order.
        BiffInput in(out.bytes());
        std::vector<CellRange16> back;
        while (!in.eof()) {
            MergeCells part;
            RecordCursor cur = in.next();
            part.read(cur);
            back.insert(back.end(), part.ranges.begin(), part.ranges.end());
        }
        EXPECT_TRUE(back == m.ranges);
    }
}

TEST(SheetRecords, HeaderAndFooterTextIsLimitedTo255Characters)
{
    struct Case {
        std::size_t chars;
        bool accepted;
    };
    for (const auto& c : std::vector<Case>{{0, true}, {1, true}, {255, true}, {256, false}, {70000, false}}) {
        SCOPED_TRACE(c.chars);
        Header h(pool());
        std::u16string text(c.chars, u'\u00e9');
        if (c.accepted) {
            h.assign(text);
            BiffOutput out;
            h.write(out);
            EXPECT_EQ(recordLengths(out.bytes()), std::vector<std::size_t>{c.chars ? 3 + 2 * c.chars : 0});
        } else {
            try {
                h.assign(text);
                ADD_FAILURE() << "accepted";
            } catch (const xlerror& e) {
                EXPECT_STREQ(e.what(), "string is too long");
            }
        }
    }
}

TEST(SheetRecords, RecordsLongerThanTheFormatAllowsAreRefused)
{
    struct Case {
        const char* what;
        std::function<void(BiffOutput&)> write;
    };
    const std::vector<Case> cases = {
        {"LABEL", [](BiffOutput& o) {
             Label l(pool());
             l.text.assign(std::u16string(4200, u'x').c_str(), pool());
             l.write(o);
         }},
        {"SELECTION", [](BiffOutput& o) {
             Selection s;
             s.refs.resize(1400);
             s.write(o);
         }},
        {"page breaks", [](BiffOutput& o) {
             HorizontalPageBreaks h;
             h.entries.resize(1400);
             h.write(o);
         }},
        {"PHONETIC", [](BiffOutput& o) {
             PhoneticInfo p;
             p.ranges.resize(1100);
             p.write(o);
         }},
        {"FORMULA", [](BiffOutput& o) {
             Formula f;
             f.tokens.resize(8300);
             f.write(o);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BiffOutput out;
        EXPECT_THROW(c.write(out), xlerror);
        for (std::size_t len : recordLengths(out.bytes())) EXPECT_LE(len, 8224u);
    }
}

// ---- page setup and protection blocks -------------------------------------------------

TEST(SheetRecords, PageSetupRunStopsAtTheFirstForeignRecord)
{
    Bytes run = cat(rec(0x0014, str8("head")), rec(0x0015, str8("foot")), rec(0x0026, f64b(0.25)),
                    rec(0x00A1, cat(u16s({9, 80, 1, 2, 3, 0x0000, 0, 0}), f64b(0.3), f64b(0.4), u16s({1}))));
    Bytes input = cat(run, rec(0x0055, u16s({8})));
    BiffInput in(input);
    PageSetup p(pool());
    RecordCursor first = in.next();
    p.read(in, first);
    EXPECT_EQ(in.position(), run.size());
    EXPECT_EQ(in.peekRecordId(), 0x0055);
    EXPECT_TRUE(p.header.text.view() == u"head");
    EXPECT_TRUE(p.footer.text.view() == u"foot");
    EXPECT_TRUE(p.left.present);
    EXPECT_DOUBLE_EQ(p.left.value, 0.25);
    EXPECT_FALSE(p.right.present);
    EXPECT_DOUBLE_EQ(p.right.value, 0.75);
    EXPECT_DOUBLE_EQ(p.top.value, 1.0);
    EXPECT_EQ(p.paper(), 9);
    EXPECT_EQ(p.printZoom(), 80);
    EXPECT_TRUE(p.landscape());
    EXPECT_EQ(p.setup.fitWidth, 2);
    EXPECT_EQ(p.setup.fitHeight, 3);
}

TEST(SheetRecords, PrinterSettingsGoOnInContinueRecords)
{
    struct Case {
        std::size_t dataBytes;
        std::vector<std::size_t> lengths;
    };
    const std::vector<Case> cases = {
        {0, {2}},
        {8222, {8224}},
        {8223, {8224, 1}},
        {20000, {8224, 8224, 3554}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dataBytes);
        PageSetup p(pool());
        p.pls.present = true;
        p.pls.environment = 1;
        for (std::size_t i = 0; i < c.dataBytes; ++i) p.pls.data.push_back(static_cast<std::uint8_t>(i * 7));
        BiffOutput out;
        p.write(out);
        std::vector<std::uint16_t> ids;
        std::vector<std::size_t> lengths = recordLengths(out.bytes(), &ids);
        // HEADER, FOOTER, HCENTER, VCENTER, PLS and its CONTINUE records, SETUP.
        ASSERT_EQ(ids.size(), 5 + c.lengths.size());
        EXPECT_EQ(ids[4], 0x004D);
        for (std::size_t i = 1; i < c.lengths.size(); ++i) EXPECT_EQ(ids[4 + i], 0x003C);
        EXPECT_EQ(std::vector<std::size_t>(lengths.begin() + 4, lengths.end() - 1), c.lengths);

        BiffInput in(out.bytes());
        PageSetup back(pool());
        RecordCursor first = in.next();
        back.read(in, first);
        EXPECT_TRUE(in.eof());
        EXPECT_TRUE(back.pls.present);
        EXPECT_EQ(back.pls.environment, 1);
        EXPECT_EQ(back.pls.data, p.pls.data);
    }
}

TEST(SheetRecords, PrintSettingsFollowTheNoPrinterSettingsBit)
{
    PageSetup p(pool());
    EXPECT_EQ(p.paper(), 0);
    EXPECT_EQ(p.printZoom(), 100);
    EXPECT_FALSE(p.landscape());
    p.setup.paperSize = 5;
    EXPECT_EQ(p.paper(), 0);

    struct Case {
        const char* what;
        std::function<void(PageSetup&)> change;
        int paper, zoom;
        bool landscape;
    };
    const std::vector<Case> cases = {
        {"paper 9", [](PageSetup& s) { s.setPaper(9); }, 9, 100, false},
        {"zoom 75", [](PageSetup& s) { s.setPrintZoom(75); }, 0, 75, false},
        {"landscape", [](PageSetup& s) { s.setLandscape(true); }, 0, 100, true},
        {"portrait", [](PageSetup& s) { s.setLandscape(false); }, 0, 100, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PageSetup s(pool());
        c.change(s);
        EXPECT_EQ(s.setup.options & celvo::Setup::kNoPrinterSettings, 0);
        EXPECT_EQ(s.paper(), c.paper);
        EXPECT_EQ(s.printZoom(), c.zoom);
        EXPECT_EQ(s.landscape(), c.landscape);
    }
}

TEST(SheetRecords, SetMarginWritesTheMarginRecord)
{
    PageSetup p(pool());
    p.left.value = 0.75;
    p.left.present = true;
    BiffOutput out;
    p.write(out);
    std::vector<std::uint16_t> ids;
    recordLengths(out.bytes(), &ids);
    EXPECT_EQ(ids, (std::vector<std::uint16_t>{0x0014, 0x0015, 0x0083, 0x0084, 0x0026, 0x00A1}));
}

TEST(SheetRecords, ProtectionRunAndSwitch)
{
    Bytes run = cat(rec(0x0012, u16s({1})), rec(0x0013, u16s({0x83AF})));
    BiffInput in(cat(run, rec(0x0055, u16s({8}))));
    SheetProtection p;
    RecordCursor first = in.next();
    p.read(in, first);
    EXPECT_EQ(in.position(), run.size());
    EXPECT_TRUE(p.isProtected());
    EXPECT_TRUE(p.hasPassword);
    EXPECT_FALSE(p.hasObjProtect);

    struct Case {
        const char* what;
        bool present;
        std::uint16_t flag;
        bool arg;
        bool presentAfter;
        bool protectedAfter;
    };
    const std::vector<Case> cases = {
        {"off on a sheet without PROTECT", false, 0, false, false, false},
        {"on on a sheet without PROTECT", false, 0, true, true, true},
        {"off on a protected sheet", true, 1, false, true, false},
        {"on on an unprotected sheet with PROTECT", true, 0, true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SheetProtection s;
        s.hasProtect = c.present;
        s.protect.value = c.flag;
        s.setProtected(c.arg);
        EXPECT_EQ(s.hasProtect, c.presentAfter);
        EXPECT_EQ(s.isProtected(), c.protectedAfter);
        BiffOutput out;
        s.write(out);
        EXPECT_EQ(out.bytes().empty(), !c.presentAfter);
    }
}

}  // namespace
}  // namespace celvo
