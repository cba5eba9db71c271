// The .xlsx sheet: the cell store, cell values, shared formulas and the
// shared-strings table.
#include "test_support.h"

#include <cmath>
#include <string>
#include <vector>

#include "book.h"
#include "celvo/numtext.h"
#include "part_shared_strings.h"
#include "sheet.h"

namespace celvo {
namespace {

std::string u8(const char16_t* s) { return s ? utf16ToUtf8(s) : "(null)"; }

const std::string kMain = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";

// A book with one sheet, and a second sheet read from a worksheet document
// and bound to the book (its strings from a shared-strings part when given).
struct Fixture {
    XMLBookImplT* book = new XMLBookImplT();
    XMLSheetImplT* sheet = nullptr;
    std::unique_ptr<XMLSheetImplT> loaded;

    Fixture() { sheet = static_cast<XMLSheetImplT*>(book->addSheet(u"Data", nullptr)); }
    ~Fixture() { book->release(); }
    std::string message() const { return book->errorMessage(); }

    XMLSheetImplT& load(const std::string& sheetData, const std::string& more = "")
    {
        const std::string doc = "<worksheet " + kMain + ">" + more + "<sheetData>" + sheetData + "</sheetData></worksheet>";
        loaded = std::make_unique<XMLSheetImplT>(doc.data(), doc.size());
        loaded->bind(book, -1);
        return *loaded;
    }
    std::string saved(XMLSheetImplT& s)
    {
        std::string out;
        s.serialize(out);
        return out;
    }
};

TEST(XlsxSheet, UsedRangeAndPositions)
{
    Fixture f;
    XMLSheetImplT& s = *f.sheet;
    EXPECT_EQ((std::vector<int>{s.firstRow(), s.lastRow(), s.firstColumn(), s.lastColumn()}),
              (std::vector<int>{0, 0, 0, 0}));
    ASSERT_TRUE(s.writeNumber(5, 3, 1.0, nullptr));
    EXPECT_EQ((std::vector<int>{s.firstRow(), s.lastRow(), s.firstColumn(), s.lastColumn()}),
              (std::vector<int>{5, 6, 3, 4}));
    // Rows written in any order are kept in order.
    for (int row : {7, 2, 5}) ASSERT_TRUE(s.writeNumber(row, 0, row, nullptr));
    std::vector<unsigned> order;
    for (const sheet::c_CT_Row& r : s.sheetData().rows) order.push_back(r.r.value);
    EXPECT_EQ(order, (std::vector<unsigned>{3, 6, 8}));
    EXPECT_NE(f.saved(s).find("<dimension ref=\"A3:D8\"/>"), std::string::npos) << f.saved(s);

    struct Bad {
        int row, col;
        const char* message;
    };
    for (const Bad& b : std::vector<Bad>{{0, 16384, "col must be in range 0-16383"},
                                         {0, -1, "col must be in range 0-16383"},
                                         {1048576, 0, "row must be in range 0-1048575"},
                                         {-1, 0, "row must be in range 0-1048575"},
                                         {-1, -1, "col must be in range 0-16383"}}) {
        SCOPED_TRACE(b.message);
        EXPECT_FALSE(s.writeString(b.row, b.col, u"x", nullptr));
        EXPECT_EQ(f.message(), b.message);
    }
    EXPECT_TRUE(s.writeNumber(1048575, 16383, 1, nullptr));
    EXPECT_EQ(s.lastRow(), 1048576);
    EXPECT_EQ(s.lastColumn(), 16384);
}

TEST(XlsxSheet, ValuesWrittenAndRead)
{
    Fixture f;
    XMLSheetImplT& s = *f.sheet;
    ASSERT_TRUE(s.writeNumber(0, 0, 0.1, nullptr));
    ASSERT_TRUE(s.writeNumber(0, 1, -0.0, nullptr));
    ASSERT_TRUE(s.writeNumber(0, 2, 1e300, nullptr));
    ASSERT_TRUE(s.writeString(1, 0, u"same", nullptr));
    ASSERT_TRUE(s.writeString(1, 1, u"same", nullptr));
    ASSERT_TRUE(s.writeString(1, 2, u" lead \U0001F600", nullptr));
    ASSERT_TRUE(s.writeBool(2, 0, true, nullptr));
    ASSERT_TRUE(s.writeFormula(3, 0, u"=SUM(A1;B1)&\"a;b\"", nullptr));
    ASSERT_TRUE(s.writeFormula(3, 1, u"SUM({1,2;3,4})", nullptr));
    EXPECT_FALSE(s.writeNumber(4, 0, std::nan(""), nullptr));
    EXPECT_EQ(f.message(), "number is not finite");
    EXPECT_FALSE(s.writeNumber(4, 0, HUGE_VAL, nullptr));
    EXPECT_FALSE(s.writeBlank(4, 0, nullptr));
    EXPECT_EQ(f.message(), "format is null");
    EXPECT_EQ(s.cellType(4, 0), CELLTYPE_EMPTY);

    EXPECT_EQ(s.readNumber(0, 0, nullptr), 0.1);
    EXPECT_TRUE(std::signbit(s.readNumber(0, 1, nullptr)));
    EXPECT_EQ(s.readNumber(0, 2, nullptr), 1e300);
    EXPECT_EQ(u8(s.readString(1, 2, nullptr)), u8(u" lead \U0001F600"));
    EXPECT_TRUE(s.readBool(2, 0, nullptr));
    EXPECT_EQ(s.readNumber(2, 0, nullptr), 0.0);
    EXPECT_EQ(f.message(), "this cell doesn't contain a number");
    EXPECT_EQ(u8(s.readFormula(3, 0, nullptr)), "SUM(A1;B1)&\"a;b\"");
    EXPECT_EQ(u8(s.readFormula(3, 1, nullptr)), "SUM({1,2;3,4})");
    EXPECT_EQ(s.readFormula(0, 0, nullptr), nullptr);
    EXPECT_EQ(f.message(), "this cell doesn't contain a formula");
    EXPECT_EQ(s.readString(9, 9, nullptr), nullptr);
    EXPECT_EQ(f.message(), "cell is not found");

    const std::string xml = f.saved(s);
    for (const char* piece : {"<v>0.1</v>", "<v>-0</v>", "<v>1e+300</v>", "<f>SUM(A1,B1)&amp;&quot;a;b&quot;</f>",
                              "<f>SUM({1,2;3,4})</f>"})
        EXPECT_NE(xml.find(piece), std::string::npos) << piece << "\n" << xml;
    // One shared item for the two equal texts.
    SharedStrings& strings = f.book->sharedStrings();
    EXPECT_EQ(strings.size(), 2u);
    std::string sst;
    strings.serialize(sst);
    EXPECT_NE(sst.find("<t xml:space=\"preserve\"> lead "), std::string::npos) << sst;
}

TEST(XlsxSheet, CellsReadFromAPart)
{
    Fixture f;
    f.book->sharedStrings().addString(u"zero");
    struct Case {
        const char* cell;
        int type;
        std::string text;  // readString, or the number / error code read
    };
    const std::vector<Case> cases = {
        {"<c r=\"A1\"><v>2.5</v></c>", CELLTYPE_NUMBER, "2.5"},
        {"<c r=\"A1\" t=\"s\"><v>0</v></c>", CELLTYPE_STRING, "zero"},
        {"<c r=\"A1\" t=\"s\"><v>1</v></c>", CELLTYPE_STRING, "index is out of range or no value"},
        {"<c r=\"A1\" t=\"s\"><v>-1</v></c>", CELLTYPE_STRING, "index is out of range or no value"},
        {"<c r=\"A1\" t=\"str\"><f>A2</f><v>cached</v></c>", CELLTYPE_STRING, "cached"},
        {"<c r=\"A1\" t=\"inlineStr\"><is><r><t>Hel</t></r><r><rPr><b/></rPr><t>lo</t></r></is></c>", CELLTYPE_STRING,
         "Hello"},
        {"<c r=\"A1\" t=\"b\"><v>1</v></c>", CELLTYPE_BOOLEAN, "1"},
        {"<c r=\"A1\" t=\"e\"><v>#N/A</v></c>", CELLTYPE_ERROR, "42"},
        {"<c r=\"A1\" t=\"e\"><v>#BAD</v></c>", CELLTYPE_ERROR, "unknown error value"},
        {"<c r=\"A1\" t=\"d\"><v>2000-01-01T12:00:00</v></c>", CELLTYPE_NUMBER, "36526.5"},
        // A formula that holds no value yet is a number, as on a .xls book.
        {"<c r=\"A1\"><f>1+1</f></c>", CELLTYPE_NUMBER, "0"},
        {"<c r=\"A1\" t=\"str\"><f>A2</f></c>", CELLTYPE_NUMBER, "0"},
        {"<c r=\"A1\" s=\"0\"/>", CELLTYPE_BLANK, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cell);
        XMLSheetImplT& s = f.load(std::string("<row r=\"1\">") + c.cell + "</row>");
        EXPECT_EQ(s.cellType(0, 0), c.type);
        std::string got;
        if (c.type == CELLTYPE_STRING) {
            const char16_t* text = s.readString(0, 0, nullptr);
            got = text ? u8(text) : f.message();
        } else if (c.type == CELLTYPE_NUMBER) {
            got = utf16ToUtf8(formatShortest(s.readNumber(0, 0, nullptr)));
        } else if (c.type == CELLTYPE_BOOLEAN) {
            got = s.readBool(0, 0, nullptr) ? "1" : "0";
        } else if (c.type == CELLTYPE_ERROR) {
            const int code = s.readError(0, 0);
            got = code == ERRORCODE_FAILURE ? f.message() : std::to_string(code);
        } else {
            EXPECT_TRUE(s.readBlank(0, 0, nullptr));
        }
        EXPECT_EQ(got, c.text);
    }
    EXPECT_TRUE(f.load("<row r=\"1\"><c r=\"A1\" t=\"d\"><v>2000-01-01</v></c></row>").isDate(0, 0));
    // An inline string is no blank.
    XMLSheetImplT& s = f.load("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>x</t></is></c></row>");
    EXPECT_FALSE(s.readBlank(0, 0, nullptr));
    EXPECT_EQ(f.message(), "cell is not blank");
}

TEST(XlsxSheet, RowsAndCellsUnsortedOrTwiceAreMerged)
{
    Fixture f;
    XMLSheetImplT& s = f.load("<row r=\"3\"><c r=\"B3\"><v>2</v></c><c r=\"A3\"><v>1</v></c></row>"
                              "<row r=\"1\"><c r=\"A1\"><v>0</v></c></row>"
                              "<row r=\"3\"><c r=\"B3\"><v>9</v></c></row>");
    EXPECT_EQ(s.readNumber(0, 0, nullptr), 0);
    EXPECT_EQ(s.readNumber(2, 0, nullptr), 1);
    EXPECT_EQ(s.readNumber(2, 1, nullptr), 9);
    EXPECT_EQ((std::vector<int>{s.firstRow(), s.lastRow(), s.firstColumn(), s.lastColumn()}),
              (std::vector<int>{0, 3, 0, 2}));
    // Merged ranges count as used; a range that names no cells is left out.
    struct Merge {
        std::string cells, merges;
        std::vector<int> range;
    };
    for (const Merge& c : std::vector<Merge>{
             {"", "<mergeCell ref=\"B2:D4\"/>", {1, 4, 1, 4}},
             {"<row r=\"3\"><c r=\"C3\"><v>1</v></c></row>", "<mergeCell ref=\"B2:D4\"/>", {1, 4, 1, 4}},
             {"<row r=\"9\"><c r=\"J9\"><v>1</v></c></row>", "<mergeCell ref=\"B2:D4\"/><mergeCell ref=\"bad\"/>",
              {1, 9, 1, 10}}}) {
        SCOPED_TRACE(c.merges);
        const std::string doc = "<worksheet " + kMain + "><sheetData>" + c.cells + "</sheetData><mergeCells>" +
                                c.merges + "</mergeCells></worksheet>";
        XMLSheetImplT merged(doc.data(), doc.size());
        merged.bind(f.book, -1);
        EXPECT_EQ((std::vector<int>{merged.firstRow(), merged.lastRow(), merged.firstColumn(), merged.lastColumn()}),
                  c.range);
    }
    // The dimension read is replaced by the one of the cells.
    XMLSheetImplT& stale = f.load("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>", "<dimension ref=\"A1\"/>");
    ASSERT_TRUE(stale.writeNumber(99, 5, 1, nullptr));
    EXPECT_NE(f.saved(stale).find("<dimension ref=\"A1:F100\"/>"), std::string::npos) << f.saved(stale);
}

// A shared formula over A1:A3 (its text in A1) and C1 with its own formula.
const std::string kShared = "<row r=\"1\"><c r=\"A1\"><f t=\"shared\" ref=\"A1:A3\" si=\"0\">B1*$B$1+Data!C1+SUM(1:1)</f>"
                            "<v>1</v></c><c r=\"C1\"><f>A1</f></c></row>"
                            "<row r=\"2\"><c r=\"A2\"><f t=\"shared\" si=\"0\"/><v>2</v></c></row>"
                            "<row r=\"3\"><c r=\"A3\"><f t=\"shared\" si=\"0\"/><v>3</v></c></row>";

TEST(XlsxSheet, SharedFormulaMembersReadTheirOwnText)
{
    Fixture f;
    XMLSheetImplT& s = f.load(kShared);
    EXPECT_EQ(u8(s.readFormula(0, 0, nullptr)), "B1*$B$1+Data!C1+SUM(1:1)");
    EXPECT_EQ(u8(s.readFormula(2, 0, nullptr)), "B3*$B$1+Data!C3+SUM(3:3)");
    EXPECT_TRUE(s.isFormula(1, 0));
    // Overwriting the leading cell hands the text to the next member.
    ASSERT_TRUE(s.writeNumber(0, 0, 5, nullptr));
    EXPECT_EQ(u8(s.readFormula(1, 0, nullptr)), "B2*$B$1+Data!C2+SUM(2:2)");
    EXPECT_EQ(u8(s.readFormula(2, 0, nullptr)), "B3*$B$1+Data!C3+SUM(3:3)");
    // The new leading cell holds the text and the range, and reads so
    // when the part is read again.
    const std::string xml = f.saved(s);
    const std::size_t a2 = xml.find("r=\"A2\"");
    ASSERT_NE(a2, std::string::npos) << xml;
    EXPECT_EQ(xml.find("ref=\"A1:A3\"", a2), xml.find("ref=\"A1:A3\"")) << xml;
    EXPECT_NE(xml.find(">B2*$B$1+Data!C2+SUM(2:2)</f>", a2), std::string::npos) << xml;
    const std::string reread = xml;
    XMLSheetImplT again(reread.data(), reread.size());
    again.bind(f.book, -1);
    EXPECT_EQ(u8(again.readFormula(2, 0, nullptr)), "B3*$B$1+Data!C3+SUM(3:3)");
    // And again, then the last member alone.
    ASSERT_TRUE(s.writeString(1, 0, u"x", nullptr));
    EXPECT_EQ(u8(s.readFormula(2, 0, nullptr)), "B3*$B$1+Data!C3+SUM(3:3)");
    ASSERT_TRUE(s.writeFormula(2, 0, u"1", nullptr));
    EXPECT_EQ(u8(s.readFormula(2, 0, nullptr)), "1");
}

TEST(SharedStringsPart, PlainItemsFoundRichOnesKept)
{
    SharedStrings table;
    EXPECT_EQ(table.addString(u"a"), 0u);
    EXPECT_EQ(table.addString(u"b"), 1u);
    EXPECT_EQ(table.addString(u"a"), 0u);
    EXPECT_EQ(table.addString(u"A"), 2u);
    EXPECT_EQ(table.addString(u""), 3u);
    EXPECT_EQ(table.addString(u"\ttab"), 4u);
    std::string out;
    table.serialize(out);
    EXPECT_NE(out.find("count=\"1\" uniqueCount=\"5\""), std::string::npos) << out;
    EXPECT_NE(out.find("<si><t/></si>"), std::string::npos) << out;
    EXPECT_NE(out.find("<t xml:space=\"preserve\">\ttab</t>"), std::string::npos) << out;
    EXPECT_THROW(table.getString(5), xlerror);

    const std::string part = "<sst " + kMain + " count=\"57\" uniqueCount=\"9\">"
                             "<si><r><t>Hel</t></r><r><rPr><b/></rPr><t>lo</t></r></si>"
                             "<si><t>x</t></si><si><t>x</t></si>"
                             "<si><r><t>k</t></r><rPh sb=\"0\" eb=\"1\"><r><t>K</t></r></rPh></si></sst>";
    SharedStrings loaded(part.data(), part.size());
    EXPECT_EQ(loaded.getString(0), u"Hello");
    EXPECT_TRUE(loaded.isRich(0));
    EXPECT_EQ(loaded.getString(3), u"k");
    // A plain write never takes a rich item; of equal plain items the later.
    EXPECT_EQ(loaded.addString(u"Hello"), 4u);
    EXPECT_EQ(loaded.addString(u"x"), 2u);
    out.clear();
    loaded.serialize(out);
    EXPECT_NE(out.find("count=\"57\" uniqueCount=\"5\""), std::string::npos) << out;
    EXPECT_NE(out.find("<rPh sb=\"0\" eb=\"1\"><r><t>K</t></r></rPh>"), std::string::npos) << out;
}

// Tables read from a part: what a plain write of a text finds, and what the
// saved part holds; everything read is written back, read again the same.
TEST(SharedStringsPart, LoadedTablesKeepTheirItems)
{
    struct Case {
        const char* name;
        std::string items;   // the items of the part
        const char16_t* add; // a text written into a cell
        std::uint32_t place; // where it is found or put
        std::vector<std::string> saved;  // held by the part saved
    };
    const std::vector<Case> cases = {
        {"a rich item is never taken for a plain text", "<si><r><t>a</t></r><r><rPr><i/></rPr><t>b</t></r></si>", u"ab",
         1, {"<rPr><i/></rPr><t>b</t>", "<si><t>ab</t></si>"}},
        {"a text with phonetic runs is not taken either", "<si><t>ab</t><rPh sb=\"0\" eb=\"1\"><t>x</t></rPh></si>",
         u"ab", 1, {"<rPh sb=\"0\" eb=\"1\"><t>x</t></rPh></si>", "<si><t>ab</t></si>"}},
        {"an item of properties only", "<si><t>k</t><phoneticPr fontId=\"1\" type=\"Hiragana\"/></si>", u"k", 1,
         {"<phoneticPr fontId=\"1\" type=\"Hiragana\"/>"}},
        {"a plain item is taken again", "<si><t>ab</t></si>", u"ab", 0, {"<si><t>ab</t></si></sst>"}},
        {"a plain item with blanks at its ends is marked to keep them", "<si><t>\tab </t></si>", u"\tab ", 0,
         {"<t xml:space=\"preserve\">\tab </t>"}},
        {"a new text ending in a line break is marked", "<si><t>x</t></si>", u"ab\n", 1,
         {"<t xml:space=\"preserve\">ab\n</t>"}},
        {"a blank inside a text is no reason to mark it", "<si><t>x</t></si>", u"a b", 1, {"<si><t>a b</t></si>"}},
        {"an empty item joins to an empty text", "<si/>", u"", 1, {"<si/><si><t/></si>"}},
        {"a count past 32 bits is kept", "<si><t>x</t></si>", u"y", 1, {"count=\"8876876876876\" uniqueCount=\"2\""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string counts = std::string(c.name).find("count past") != std::string::npos
                                       ? " count=\"8876876876876\" uniqueCount=\"7\""
                                       : " count=\"9\" uniqueCount=\"9\"";
        const std::string part = "<sst " + kMain + counts + ">" + c.items + "</sst>";
        SharedStrings table(part.data(), part.size());
        EXPECT_EQ(table.addString(c.add), c.place);
        EXPECT_EQ(table.getString(c.place), c.add);
        EXPECT_THROW(table.getString(static_cast<std::uint32_t>(table.size())), xlerror);
        std::string out;
        table.serialize(out);
        for (const std::string& want : c.saved) EXPECT_NE(out.find(want), std::string::npos) << want << "\n" << out;
        EXPECT_NE(out.find("uniqueCount=\"" + std::to_string(table.size()) + "\""), std::string::npos) << out;
        SharedStrings again(out.data(), out.size());
        std::string twice;
        again.serialize(twice);
        EXPECT_EQ(out, twice);
        for (std::uint32_t i = 0; i < table.size(); ++i) EXPECT_EQ(again.getString(i), table.getString(i));
    }
}

// Many texts, added and added again, keep their places through every growth
// of the index; so do those of a table read from a part.
TEST(SharedStringsPart, ManyTextsKeepTheirPlaces)
{
    SharedStrings table;
    auto text = [](int i) { return utf8ToUtf16("text " + std::to_string(i * 7919 % 100003)); };
    for (int i = 0; i < 20000; ++i) ASSERT_EQ(table.addString(text(i)), static_cast<std::uint32_t>(i));
    for (int i = 19999; i >= 0; --i) ASSERT_EQ(table.addString(text(i)), static_cast<std::uint32_t>(i));
    EXPECT_EQ(table.addString(u""), 20000u);
    std::string out;
    table.serialize(out);
    SharedStrings loaded(out.data(), out.size());
    for (int i = 0; i < 20000; i += 97) {
        EXPECT_EQ(loaded.getString(static_cast<std::uint32_t>(i)), text(i));
        EXPECT_EQ(loaded.addString(text(i)), static_cast<std::uint32_t>(i));
    }
    EXPECT_EQ(loaded.addString(u"new"), 20001u);
}

// A cell naming a place outside the table, at either end, fails its read.
TEST(SharedStringsPart, CellsNamingNoItemFailTheirRead)
{
    Fixture f;
    f.book->sharedStrings().addString(u"only");
    XMLSheetImplT& s = f.load("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>-1</v></c>"
                              "<c r=\"C1\" t=\"s\"><v>1</v></c><c r=\"D1\" t=\"s\"><v>4294967296</v></c></row>");
    EXPECT_EQ(u8(s.readString(0, 0, nullptr)), "only");
    for (int col = 1; col <= 3; ++col) {
        EXPECT_EQ(s.readString(0, col, nullptr), nullptr) << col;
        EXPECT_EQ(f.message(), "index is out of range or no value") << col;
    }
}

}  // namespace
}  // namespace celvo
