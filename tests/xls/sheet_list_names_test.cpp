// The book's defined names when a sheet is inserted or deleted: every name
// stays with its sheet, and formulas keep naming the names they named.
#include "test_support.h"

#include <string>

#include "book.h"
#include "book_links.h"
#include "book_test_util.h"
#include "sheet.h"
#include "sheet_test_util.h"

namespace celvo {
namespace {

using namespace test;

std::string boundsOf(ISheetT& s, const char16_t* name)
{
    int r0 = -1, r1 = -1, c0 = -1, c1 = -1;
    if (!s.getNamedRange(name, &r0, &r1, &c0, &c1)) return "none";
    return std::to_string(r0) + ".." + std::to_string(r1) + " x " + std::to_string(c0) + ".." + std::to_string(c1);
}

// "text@itab" of every name in list order; the built-in print area shows as
// "PA".
std::string namesOf(BookImplT& book)
{
    std::string out;
    for (const Lbl& n : book.names()) {
        std::string text;
        for (std::uint16_t i = 0; i < (n.text.text ? n.text.count : 0); ++i) {
            const char16_t c = n.text.text[i];
            text += c == 0x06 ? std::string("PA") : std::string(1, static_cast<char>(c));
        }
        out += (out.empty() ? "" : " ") + text + "@" + std::to_string(n.itab);
    }
    return out;
}

TEST(SheetListNames, NamesFollowTheirSheets)
{
    enum class Op { Insert, Delete };
    struct Case { Op op; int index; const char* names; const char* formula; };
    // Sheets A, B, C; A has the print area and the range First, B the range
    // Second, C the range Third and a formula over Third.
    const Case cases[] = {
        {Op::Insert, 0, "PA@2 First@2 Second@3 Third@4", "Third*2"},
        {Op::Insert, 1, "PA@1 First@1 Second@3 Third@4", "Third*2"},
        {Op::Insert, 3, "PA@1 First@1 Second@2 Third@3", "Third*2"},
        {Op::Delete, 0, "Second@1 Third@2", "Third*2"},
        {Op::Delete, 1, "PA@1 First@1 Third@2", "Third*2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.op == Op::Insert ? "insert at " : "delete ") + std::to_string(c.index));
        BookHolder book;
        SheetImplT* a = addSheet(*book.book, u"A");
        SheetImplT* b = addSheet(*book.book, u"B");
        SheetImplT* third = addSheet(*book.book, u"C");
        a->setPrintArea(0, 9, 0, 3);
        ASSERT_TRUE(a->setNamedRange(u"First", 1, 2, 1, 2));
        ASSERT_TRUE(b->setNamedRange(u"Second", 3, 4, 0, 0));
        ASSERT_TRUE(third->setNamedRange(u"Third", 5, 5, 5, 5));
        ASSERT_TRUE(third->writeFormula(0, 0, u"third*2", nullptr)) << book->errorMessage();
        if (c.op == Op::Insert)
            ASSERT_NE(book->insertSheet(c.index, u"New", nullptr), nullptr) << book->errorMessage();
        else
            ASSERT_TRUE(book->deleteSheet(c.index)) << book->errorMessage();
        EXPECT_EQ(namesOf(*book.book), c.names);
        const char16_t* text = third->readFormula(0, 0, nullptr);
        EXPECT_EQ(text ? narrowAscii(text) : std::string("null"), c.formula);
        EXPECT_EQ(boundsOf(*third, u"Third"), "5..5 x 5..5");
        if (c.op == Op::Insert || c.index != 1) {
            EXPECT_EQ(boundsOf(*b, u"Second"), "3..4 x 0..0");
        }
        if (c.op == Op::Insert || c.index != 0) {
            EXPECT_EQ(boundsOf(*a, u"First"), "1..2 x 1..2");
        }
    }
}

TEST(SheetListNames, ANameStillUsedOutlivesItsSheet)
{
    // A book-level name whose formula is the name Second of sheet B: when B
    // goes, Second stays as a name of the book instead of the formula coming
    // to name whatever follows it in the list.
    BookHolder book;
    addSheet(*book.book, u"A");
    SheetImplT* b = addSheet(*book.book, u"B");
    SheetImplT* third = addSheet(*book.book, u"C");
    ASSERT_TRUE(b->setNamedRange(u"Second", 3, 4, 0, 0));
    ASSERT_TRUE(third->setNamedRange(u"Third", 5, 5, 5, 5));
    Lbl& alias = book->names().emplace_back();
    alias.pool = &book->pool();
    alias.text.assign(u"Alias", book->pool());
    alias.formula = {0x23, 1, 0, 0, 0};  // PtgName of the first name
    ASSERT_EQ(namesOf(*book.book), "Second@2 Third@3 Alias@0");
    ASSERT_TRUE(book->deleteSheet(1)) << book->errorMessage();
    EXPECT_EQ(namesOf(*book.book), "Second@0 Third@2 Alias@0");
    EXPECT_EQ(book->names().back().formula, (std::vector<std::uint8_t>{0x23, 1, 0, 0, 0}));
    EXPECT_EQ(boundsOf(*third, u"Third"), "5..5 x 5..5");
}

TEST(SheetListNames, NamesNamedThroughTheBooksOwnLinkAreRenumbered)
{
    // A name can name another through an EXTERNSHEET entry of the book
    // itself (PtgNameX), as the spreadsheet application writes intersections
    // of names. When B goes, its unused name Gone leaves the list and every
    // later index comes down by one in PtgNameX tokens as in PtgName ones;
    // Local, named only through PtgNameX, is still used and stays.
    BookHolder book;
    addSheet(*book.book, u"A");
    SheetImplT* b = addSheet(*book.book, u"B");
    SheetImplT* c = addSheet(*book.book, u"C");
    ASSERT_TRUE(b->setNamedRange(u"Gone", 0, 0, 0, 0));
    ASSERT_TRUE(b->setNamedRange(u"Local", 1, 1, 1, 1));
    ASSERT_TRUE(c->setNamedRange(u"Profit", 3, 3, 1, 13));
    ASSERT_TRUE(c->setNamedRange(u"YearTot", 1, 3, 13, 13));
    const std::uint16_t own = findOrAddInternalExternSheet(*book.book, 0, 0);
    const auto ixti0 = static_cast<std::uint8_t>(own & 0xFF), ixti1 = static_cast<std::uint8_t>(own >> 8);
    auto addName = [&](const char16_t* text, std::vector<std::uint8_t> formula) {
        Lbl& n = book->names().emplace_back();
        n.pool = &book->pool();
        n.text.assign(text, book->pool());
        n.formula = std::move(formula);
    };
    // Profit (name 3) through the book's own link, intersected with YearTot (4).
    addName(u"Bottom", {0x39, ixti0, ixti1, 3, 0, 0, 0, 0x23, 4, 0, 0, 0, 0x0F});
    addName(u"AllLocal", {0x39, ixti0, ixti1, 2, 0, 0, 0});
    ASSERT_TRUE(c->writeFormula(0, 0, u"SUM(Bottom)+SUM(YearTot)", nullptr)) << book->errorMessage();
    ASSERT_EQ(namesOf(*book.book), "Gone@2 Local@2 Profit@3 YearTot@3 Bottom@0 AllLocal@0");

    ASSERT_TRUE(book->deleteSheet(1)) << book->errorMessage();
    EXPECT_EQ(namesOf(*book.book), "Local@0 Profit@2 YearTot@2 Bottom@0 AllLocal@0");
    EXPECT_EQ(book->names()[3].formula,
              (std::vector<std::uint8_t>{0x39, ixti0, ixti1, 2, 0, 0, 0, 0x23, 3, 0, 0, 0, 0x0F}));
    EXPECT_EQ(book->names()[4].formula, (std::vector<std::uint8_t>{0x39, ixti0, ixti1, 1, 0, 0, 0}));
    const char16_t* text = c->readFormula(0, 0, nullptr);
    EXPECT_EQ(text ? narrowAscii(text) : std::string("null"), "SUM(Bottom)+SUM(YearTot)");
    EXPECT_EQ(boundsOf(*c, u"Profit"), "3..3 x 1..13");
}

TEST(SheetListNames, ThreeDimensionalRangesKeepTheSheetsLeft)
{
    // Sheets Jan, Feb, Mar, Apr and F, whose formulas reach into the
    // others. Deleting a sheet inside a range keeps the range, deleting its
    // first or last sheet shrinks it, and only a range of that sheet alone
    // becomes #REF!. The text read back writes again to the same text.
    const char16_t* formulas[] = {u"SUM(Jan:Mar!A1)", u"SUM(Feb:Mar!A1)", u"Feb!A1*2", u"SUM(Jan:Feb!A1:B2)", u"Apr!B2"};
    struct Case { int deleted; const char* texts[5]; };
    const Case cases[] = {
        {0, {"SUM(Feb:Mar!A1)", "SUM(Feb:Mar!A1)", "Feb!A1*2", "SUM(Feb!A1:B2)", "Apr!B2"}},
        {1, {"SUM(Jan:Mar!A1)", "SUM(Mar!A1)", "#REF!A1*2", "SUM(Jan!A1:B2)", "Apr!B2"}},
        {2, {"SUM(Jan:Feb!A1)", "SUM(Feb!A1)", "Feb!A1*2", "SUM(Jan:Feb!A1:B2)", "Apr!B2"}},
        {3, {"SUM(Jan:Mar!A1)", "SUM(Feb:Mar!A1)", "Feb!A1*2", "SUM(Jan:Feb!A1:B2)", "#REF!B2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("delete sheet " + std::to_string(c.deleted));
        BookHolder book;
        for (const char16_t* name : {u"Jan", u"Feb", u"Mar", u"Apr"}) addSheet(*book.book, name);
        SheetImplT* f = addSheet(*book.book, u"F");
        for (int i = 0; i < 5; ++i) ASSERT_TRUE(f->writeFormula(i, 0, formulas[i], nullptr)) << book->errorMessage();
        ASSERT_TRUE(book->deleteSheet(c.deleted)) << book->errorMessage();
        for (int i = 0; i < 5; ++i) {
            const char16_t* text = f->readFormula(i, 0, nullptr);
            const std::string got = text ? narrowAscii(text) : std::string("null");
            EXPECT_EQ(got, c.texts[i]);
            ASSERT_TRUE(f->writeFormula(i, 1, u16string(text ? text : u"").c_str(), nullptr))
                << got << ": " << book->errorMessage();
            const char16_t* again = f->readFormula(i, 1, nullptr);
            EXPECT_EQ(again ? narrowAscii(again) : std::string("null"), got);
        }
    }
}

}  // namespace
}  // namespace celvo
