// Formula cells through the sheet: text written, compiled and read back in
// both reference modes; refused texts leave the cell as it was; shared,
// array and table formulas stay consistent when one of their cells gets a
// formula of its own.

#include "test_support.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "book.h"
#include "book_test_util.h"
#include "sheet.h"
#include "xls_test_util.h"

namespace celvo {
namespace {

using test::Bytes;
using test::BookHolder;
using test::cat;
using test::rec;

Bytes le16(std::uint16_t v) { return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)}; }

// A FORMULA record with the cached number 0 and the given tokens.
Bytes formulaRecord(std::uint16_t row, std::uint16_t col, const Bytes& tokens)
{
    return rec(0x0006, cat({le16(row), le16(col), le16(15), Bytes(8, 0), le16(0), Bytes(4, 0),
                            le16(static_cast<std::uint16_t>(tokens.size())), tokens}));
}

Bytes groupRef(std::uint8_t id, std::uint16_t row, std::uint16_t col) { return cat({{id}, le16(row), le16(col)}); }

// A worksheet substream of these records, read into the sheet.
void readInto(SheetImplT& sheet, const Bytes& body)
{
    const Bytes bof = rec(0x0809, cat({le16(0x0600), le16(0x0010), le16(0x18D3), le16(0x07CD), Bytes{1, 0, 0, 0},
                                       Bytes{6, 0, 0, 0}}));
    BiffInput in(cat({bof, body, rec(0x000A, {})}));
    sheet.read(in);
}

struct Book {
    BookHolder holder;
    SheetImplT* sheet = nullptr;
    explicit Book(std::initializer_list<const char16_t*> names = {u"Sheet1", u"Sheet2", u"My Sheet", u"Year's"})
    {
        for (const char16_t* name : names) {
            auto* s = static_cast<SheetImplT*>(holder->addSheet(name, nullptr));
            if (!sheet) sheet = s;
        }
    }
    BookImplT& book() { return *holder.book; }
    std::u16string read(int row, int col)
    {
        const char16_t* text = sheet->readFormula(row, col, nullptr);
        return text ? std::u16string(text) : u"<" + std::u16string(book().errorMessage(), book().errorMessage() + std::strlen(book().errorMessage())) + u">";
    }
    // Saved and loaded again: the first sheet of the new book.
    SheetImplT* reloaded(BookHolder& again)
    {
        const char* data = nullptr;
        unsigned size = 0;
        EXPECT_TRUE(holder->saveToMemory(&data, &size)) << holder->errorMessage();
        EXPECT_TRUE(again->loadFromMemory(data, size)) << again->errorMessage();
        return static_cast<SheetImplT*>(again->sheet(0));
    }
};

std::vector<Bytes> formulaTokensOf(const std::vector<std::uint8_t>& stream)
{
    std::vector<Bytes> out;
    std::size_t pos = 0;
    while (pos + 4 <= stream.size()) {
        const std::uint16_t id = getU16(&stream[pos]);
        const std::uint16_t len = getU16(&stream[pos + 2]);
        if (id == 0x0006 && len >= 22) out.emplace_back(stream.begin() + pos + 26, stream.begin() + pos + 4 + len);
        pos += 4 + len;
    }
    return out;
}

bool streamHas(SheetImplT& sheet, std::uint16_t wanted)
{
    BiffOutput out;
    sheet.write(out);
    const auto& stream = out.bytes();
    for (std::size_t pos = 0; pos + 4 <= stream.size(); pos += 4 + getU16(&stream[pos + 2]))
        if (getU16(&stream[pos]) == wanted) return true;
    return false;
}

TEST(SheetFormula, TextReadsBackAndSurvivesSaving)
{
    struct Case {
        const char16_t* written;
        const char16_t* read;
    };
    const Case cases[] = {
        {u"1+2*3", u"1+2*3"},
        {u"=A1+B2", u"A1+B2"},
        {u"sum(a1:b2;$C$3;4)", u"SUM(A1:B2;$C$3;4)"},
        {u"A1&B1=\"xy\"", u"A1&B1=\"xy\""},
        {u"IF(A1>0;\"say \"\"hi\"\"\";\"no\")", u"IF(A1>0;\"say \"\"hi\"\"\";\"no\")"},
        {u"Sheet2!A1+'My Sheet'!B2*'Year''s'!C3", u"Sheet2!A1+'My Sheet'!B2*'Year''s'!C3"},
        {u"SUM(Sheet1:Sheet2!A1)", u"SUM(Sheet1:Sheet2!A1)"},
        {u"rate*2", u"Rate*2"},
        {u"-2^2", u"-2^2"},
        {u"0.1+1E+20", u"0.1+1e+20"},
        {u"ROUND(PI();2)", u"ROUND(PI();2)"},
        {u"TODAY()", u"TODAY()"},
    };
    Book b;
    Lbl rate;
    rate.text.assign(u"Rate", b.book().pool());
    rate.formula = {0x1E, 0x05, 0x00};
    b.book().names().push_back(rate);

    int row = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.written, c.written + std::char_traits<char16_t>::length(c.written)).c_str());
        ASSERT_TRUE(b.sheet->writeFormula(row, 1, c.written, nullptr)) << b.book().errorMessage();
        EXPECT_STREQ(b.book().errorMessage(), "ok");
        EXPECT_TRUE(b.sheet->isFormula(row, 1));
        EXPECT_EQ(b.read(row, 1), c.read);
        ++row;
    }
    BookHolder again;
    SheetImplT* loaded = b.reloaded(again);
    ASSERT_NE(loaded, nullptr);
    row = 0;
    for (const Case& c : cases) {
        const char16_t* text = loaded->readFormula(row++, 1, nullptr);
        ASSERT_NE(text, nullptr) << again->errorMessage();
        EXPECT_EQ(std::u16string(text), c.read);
    }
}

// What the cell held before a refused text is still there, and the message
// is the compiler's.
TEST(SheetFormula, RefusedTextLeavesTheCellAsItWas)
{
    const char16_t* refused[] = {u"1+", u"SUM(1;", u"", u"Nowhere!A1", u"\"open", u"NOSUCHFUNCTION(1)"};
    enum Before { Empty, Number, Text, OwnFormula };
    for (Before before : {Empty, Number, Text, OwnFormula}) {
        for (const char16_t* text : refused) {
            Book b;
            SheetImplT& s = *b.sheet;
            bool made = true;
            if (before == Number) made = s.writeNumber(2, 2, 4.5, nullptr);
            if (before == Text) made = s.writeString(2, 2, u"kept", nullptr);
            if (before == OwnFormula) made = s.writeFormula(2, 2, u"Sheet2!A1*2", nullptr);
            ASSERT_TRUE(made);
            EXPECT_FALSE(s.writeFormula(2, 2, text, nullptr)) << std::string(text, text + std::char_traits<char16_t>::length(text));
            EXPECT_STRNE(b.book().errorMessage(), "ok");
            switch (before) {
            case Empty: EXPECT_EQ(s.cellType(2, 2), CELLTYPE_EMPTY); break;
            case Number: EXPECT_EQ(s.readNumber(2, 2, nullptr), 4.5); break;
            case Text: EXPECT_EQ(std::u16string(s.readString(2, 2, nullptr)), u"kept"); break;
            case OwnFormula: EXPECT_EQ(b.read(2, 2), u"Sheet2!A1*2"); break;
            }
            EXPECT_EQ(s.isFormula(2, 2), before == OwnFormula);
        }
    }
}

TEST(SheetFormula, PositionsFormatsAndMessages)
{
    Book b;
    SheetImplT& s = *b.sheet;
    struct Case {
        int row, col;
        const char* message;
    };
    const Case cases[] = {{-1, 0, "row must be in range 0-65535"}, {65536, 0, "row must be in range 0-65535"},
                          {0, 256, "col must be in range 0-255"}, {0, -1, "col must be in range 0-255"}};
    for (const Case& c : cases) {
        EXPECT_FALSE(s.writeFormula(c.row, c.col, u"1", nullptr));
        EXPECT_STREQ(b.book().errorMessage(), c.message);
        EXPECT_EQ(s.readFormula(c.row, c.col, nullptr), nullptr);
        EXPECT_STREQ(b.book().errorMessage(), c.message);
    }

    ASSERT_TRUE(s.writeNumber(0, 0, 3, nullptr));
    IFormatT* format = reinterpret_cast<IFormatT*>(&s);
    EXPECT_EQ(s.readFormula(0, 0, &format), nullptr);
    EXPECT_EQ(format, nullptr);
    EXPECT_STREQ(b.book().errorMessage(), "cell doesn't contain a formula");
    EXPECT_EQ(s.readFormula(5, 5, nullptr), nullptr);
    EXPECT_STREQ(b.book().errorMessage(), "cell doesn't contain a formula");

    // The cell keeps its format unless one is given; the cached result is 0.
    IFormatT* f21 = b.book().format(20);
    ASSERT_NE(f21, nullptr);
    s.setCellFormat(0, 0, f21);
    ASSERT_TRUE(s.writeFormula(0, 0, u"1+1", nullptr));
    EXPECT_EQ(s.cellFormat(0, 0), f21);
    EXPECT_EQ(s.readNumber(0, 0, nullptr), 0.0);
    EXPECT_EQ(s.cellType(0, 0), CELLTYPE_NUMBER);
    ASSERT_NE(s.readFormula(0, 0, &format), nullptr);
    EXPECT_EQ(format, f21);
    IFormatT* f3 = b.book().format(3);
    ASSERT_TRUE(s.writeFormula(0, 0, u"2", f3));
    EXPECT_EQ(s.cellFormat(0, 0), f3);

    // A format of another book is refused before anything changes.
    BookHolder other;
    ASSERT_NE(other->addSheet(u"x", nullptr), nullptr);
    EXPECT_FALSE(s.writeFormula(1, 1, u"1", other->format(0)));
    EXPECT_STREQ(b.book().errorMessage(), "specified format not found");
    EXPECT_EQ(s.cellType(1, 1), CELLTYPE_EMPTY);
    EXPECT_EQ(s.lastRow(), 1);
}

TEST(SheetFormula, ReferenceModeR1C1BothWays)
{
    struct Case {
        int row, col;
        const char16_t* written;  // in R1C1
        const char16_t* read;
        const char16_t* a1;
    };
    const Case cases[] = {
        {4, 2, u"R[-1]C+1", u"R[-1]C+1", u"C4+1"},
        {9, 2, u"R[-1]C+1", u"R[-1]C+1", u"C9+1"},
        {4, 2, u"SUM(R1C1:R[1]C[1])", u"SUM(R1C1:R[1]C[1])", u"SUM($A$1:D6)"},
        {0, 0, u"Sheet2!R2C[0]", u"Sheet2!R2C", u"Sheet2!A$2"},
    };
    for (const Case& c : cases) {
        Book b;
        b.book().setRefR1C1(true);
        ASSERT_TRUE(b.sheet->writeFormula(c.row, c.col, c.written, nullptr)) << b.book().errorMessage();
        EXPECT_EQ(b.read(c.row, c.col), c.read);
        b.book().setRefR1C1(false);
        EXPECT_EQ(b.read(c.row, c.col), c.a1);
    }
}

// A1 to A3 share the formula "the cell to the right"; C1:C2 hold the array
// formula A1*2; E1 is the first cell of a data table.
struct Groups : Book {
    Groups()
    {
        const Bytes shared = rec(0x04BC, cat({le16(0), le16(2), Bytes{0, 0, 0, 3}, le16(5),
                                              Bytes{0x2C, 0, 0, 0x01, 0xC0}}));
        const Bytes arrayTokens{0x44, 0, 0, 0, 0, 0x1E, 2, 0, 0x05};
        const Bytes array = rec(0x0221, cat({le16(0), le16(1), Bytes{2, 2}, le16(0), Bytes(4, 0),
                                             le16(static_cast<std::uint16_t>(arrayTokens.size())), arrayTokens}));
        const Bytes table = rec(0x0236, cat({le16(0), le16(1), Bytes{4, 4}, le16(0), le16(0), le16(0), le16(0),
                                             le16(0)}));
        readInto(*sheet, cat({formulaRecord(0, 0, groupRef(0x01, 0, 0)), shared,
                              formulaRecord(0, 2, groupRef(0x01, 0, 2)), array,
                              formulaRecord(0, 4, groupRef(0x02, 0, 4)), table,
                              formulaRecord(1, 0, groupRef(0x01, 0, 0)),
                              formulaRecord(1, 2, groupRef(0x01, 0, 2)),
                              formulaRecord(1, 4, groupRef(0x02, 0, 4)),
                              formulaRecord(2, 0, groupRef(0x01, 0, 0))}));
    }
};

TEST(SheetFormula, SharedAndArrayFormulasPrintAtEachCell)
{
    Groups g;
    struct Case {
        int row, col;
        const char16_t* text;
    };
    const Case cases[] = {{0, 0, u"B1"}, {1, 0, u"B2"}, {2, 0, u"B3"}, {0, 2, u"$A$1*2"},
                          {1, 2, u"$A$1*2"}, {0, 4, u"?"}, {1, 4, u"?"}};
    for (const Case& c : cases) EXPECT_EQ(g.read(c.row, c.col), c.text) << c.row << "," << c.col;
    g.book().setRefR1C1(true);
    EXPECT_EQ(g.read(2, 0), u"RC[1]");
    EXPECT_EQ(g.read(1, 2), u"R1C1*2");
}

TEST(SheetFormula, CellsLeavingTheirGroupKeepTheOthersConsistent)
{
    struct Case {
        const char* what;
        int row, col;
        // Texts of A1..A3 and C1..C2 afterwards.
        std::vector<std::u16string> texts;
        bool sharedRecord, arrayRecord;
    };
    const Case cases[] = {
        {"first cell of the shared formula", 0, 0, {u"7", u"B2", u"B3", u"$A$1*2", u"$A$1*2"}, true, true},
        {"member of the shared formula", 1, 0, {u"B1", u"7", u"B3", u"$A$1*2", u"$A$1*2"}, true, true},
        {"first cell of the array", 0, 2, {u"B1", u"B2", u"B3", u"7", u"$A$1*2"}, true, false},
        {"member of the array", 1, 2, {u"B1", u"B2", u"B3", u"$A$1*2", u"7"}, true, false},
    };
    const std::pair<int, int> cells[] = {{0, 0}, {1, 0}, {2, 0}, {0, 2}, {1, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Groups g;
        ASSERT_TRUE(g.sheet->writeFormula(c.row, c.col, u"7", nullptr)) << g.book().errorMessage();
        EXPECT_EQ(streamHas(*g.sheet, 0x04BC), c.sharedRecord);
        EXPECT_EQ(streamHas(*g.sheet, 0x0221), c.arrayRecord);
        BookHolder again;
        SheetImplT* loaded = g.reloaded(again);
        ASSERT_NE(loaded, nullptr);
        for (std::size_t i = 0; i < 5; ++i) {
            EXPECT_EQ(g.read(cells[i].first, cells[i].second), c.texts[i]) << i;
            const char16_t* text = loaded->readFormula(cells[i].first, cells[i].second, nullptr);
            ASSERT_NE(text, nullptr) << again->errorMessage();
            EXPECT_EQ(std::u16string(text), c.texts[i]) << "after saving, " << i;
        }
    }
}

// The shared formula goes to its next cell; the cells of an array formula
// keep its tokens as their own.
TEST(SheetFormula, CellsThatStayHoldTheseTokens)
{
    struct Case {
        const char* what;
        int row, col;
        std::vector<Bytes> present;
    };
    const Bytes arrayTokens{0x44, 0, 0, 0, 0, 0x1E, 2, 0, 0x05};
    const Case cases[] = {
        {"first cell of the shared formula", 0, 0, {groupRef(0x01, 1, 0), {0x2C, 0, 0, 0x01, 0xC0}}},
        {"member of the array", 1, 2, {arrayTokens, groupRef(0x01, 0, 0)}},
        {"first cell of the array", 0, 2, {arrayTokens}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Groups g;
        ASSERT_TRUE(g.sheet->writeFormula(c.row, c.col, u"7", nullptr));
        BiffOutput out;
        g.sheet->write(out);
        std::vector<Bytes> tokens = formulaTokensOf(out.bytes());
        const auto& stream = out.bytes();
        for (std::size_t pos = 0; pos + 4 <= stream.size(); pos += 4 + getU16(&stream[pos + 2]))
            if (getU16(&stream[pos]) == 0x04BC) tokens.emplace_back(stream.begin() + pos + 4 + 10, stream.begin() + pos + 4 + getU16(&stream[pos + 2]));
        for (const Bytes& want : c.present)
            EXPECT_NE(std::find(tokens.begin(), tokens.end(), want), tokens.end()) << want.size();
    }
}

TEST(SheetFormula, DataTableCellsAreNotRewritten)
{
    for (const auto& [row, col] : {std::pair<int, int>{0, 4}, {1, 4}}) {
        Groups g;
        EXPECT_FALSE(g.sheet->writeFormula(row, col, u"7", nullptr));
        EXPECT_STREQ(g.book().errorMessage(), "can't change a cell of a data table");
        EXPECT_TRUE(streamHas(*g.sheet, 0x0236));
    }
}

TEST(SheetFormula, RewritingDropsTheCachedString)
{
    Book b;
    const Bytes stringResult{0x00, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    readInto(*b.sheet, cat({rec(0x0006, cat({le16(0), le16(0), le16(15), stringResult, le16(0), Bytes(4, 0),
                                             le16(3), Bytes{0x1E, 1, 0}})),
                            rec(0x0207, cat({le16(2), Bytes{0, 'h', 'i'}}))}));
    EXPECT_EQ(b.sheet->cellType(0, 0), CELLTYPE_STRING);
    ASSERT_TRUE(b.sheet->writeFormula(0, 0, u"2", nullptr));
    EXPECT_EQ(b.sheet->cellType(0, 0), CELLTYPE_NUMBER);
    EXPECT_FALSE(streamHas(*b.sheet, 0x0207));
}

}  // namespace
}  // namespace celvo
