#include "defined_names.h"

#include "celvo/xlerror.h"
#include "formula_fake_context.h"
#include "test_support.h"

using namespace celvo;
using celvo::test::FakeFormulaContext;
using celvo::test::hexBytes;
using celvo::test::hexText;

namespace {

// A book of names and token streams for the sheet at position `sheet`.
struct NamesBook {
    FakeFormulaContext context;
    MemPool pool;
    std::vector<Lbl> names;
    std::vector<std::vector<std::uint8_t>> cellFormulas;

    SheetNames sheet(int position)
    {
        return SheetNames(names, context, pool, position, [this](const auto& f) {
            for (auto& tokens : cellFormulas) f(tokens);
        });
    }
    Lbl& add(const std::u16string& text, std::uint16_t itab, const char* formula, std::uint16_t grbit = 0)
    {
        Lbl& n = names.emplace_back();
        n.pool = &pool;
        n.grbit = grbit;
        n.itab = itab;
        n.text.assign(text, pool);
        n.formula = hexBytes(formula);
        return n;
    }
};

std::u16string textOf(const Lbl& n) { return std::u16string(n.text.textOrEmpty(), n.text.count); }

std::string messageOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const xlerror& e) {
        return e.what();
    }
    return "ok";
}

}  // namespace

TEST(DefinedNames, RefusedNamesAndBoundsChangeNothing)
{
    struct Case { std::u16string name; NameBounds bounds; const char* message; };
    const Case cases[] = {
        {u"my range", {0, 1, 0, 1}, "space symbol isn't allowed"},
        {u"", {0, 1, 0, 1}, "name is empty"},
        {std::u16string(256, u'n'), {0, 1, 0, 1}, "name is longer than 255 characters"},
        {u"Data", {-1, 1, 0, 1}, "row must be in range 0-65535"},
        {u"Data", {0, 65536, 0, 1}, "row must be in range 0-65535"},
        {u"Data", {0, 1, 0, 256}, "col must be in range 0-255"},
        {u"Data", {0, 1, -3, 1}, "col must be in range 0-255"},
    };
    for (const Case& c : cases) {
        NamesBook book;
        EXPECT_EQ(messageOf([&] { book.sheet(0).setNamedRange(c.name, c.bounds); }), c.message);
        EXPECT_TRUE(book.names.empty());
        EXPECT_TRUE(book.context.xti.empty());
    }
    // The longest name that fits the one-byte length.
    NamesBook book;
    EXPECT_EQ(messageOf([&] { book.sheet(0).setNamedRange(std::u16string(255, u'n'), {0, 1, 0, 1}); }), "ok");
}

TEST(DefinedNames, SetGetDelete)
{
    NamesBook book;
    book.context.xti = {{2, 2}};  // an entry of another sheet comes first
    SheetNames sheet = book.sheet(1);
    sheet.setNamedRange(u"Data", {0, 9, 0, 3});
    ASSERT_EQ(book.names.size(), 1u);
    const Lbl& data = book.names[0];
    EXPECT_EQ(data.grbit, 0);
    EXPECT_EQ(data.itab, 2);  // scoped to the sheet at position 1
    EXPECT_EQ(textOf(data), u"Data");
    EXPECT_EQ(hexText(data.formula), "3B 01 00 00 00 09 00 00 00 03 00");
    EXPECT_EQ(book.context.xti[1], std::make_pair(1, 1));

    // Another call rewrites the same name, whatever the letter case.
    sheet.setNamedRange(u"data", {4, 5, 6, 7});
    ASSERT_EQ(book.names.size(), 1u);
    EXPECT_EQ(textOf(book.names[0]), u"Data");
    EXPECT_EQ(hexText(book.names[0].formula), "3B 01 00 04 00 05 00 06 00 07 00");
    EXPECT_EQ(book.context.xti.size(), 2u);  // the sheet's entry is used again

    NameBounds b;
    ASSERT_TRUE(sheet.getNamedRange(u"DATA", b));
    EXPECT_EQ(b.rowFirst, 4);
    EXPECT_EQ(b.rowLast, 5);
    EXPECT_EQ(b.colFirst, 6);
    EXPECT_EQ(b.colLast, 7);
    EXPECT_FALSE(book.sheet(0).getNamedRange(u"Data", b));  // points at another sheet

    EXPECT_FALSE(book.sheet(0).deleteNamedRange(u"Data"));  // not of that sheet
    EXPECT_TRUE(sheet.deleteNamedRange(u"DaTa"));
    EXPECT_TRUE(book.names.empty());
    EXPECT_FALSE(sheet.deleteNamedRange(u"Data"));
    EXPECT_FALSE(sheet.getNamedRange(u"Data", b));
}

// Which names a sheet sees as named ranges, and what it reads from them.
TEST(DefinedNames, NamesPointingAtTheSheet)
{
    NamesBook book;
    book.context.xti = {{0, 0}, {0, 2}, {1, 1}};
    book.add(u"Area", 0, "3B 00 00 01 00 02 00 03 00 04 00");        // book-wide, one area
    book.add(u"Cell", 1, "3A 01 00 07 00 05 C0");                    // one cell, sheets 0..2
    book.add(u"Other", 0, "3B 02 00 01 00 02 00 03 00 04 00");       // another sheet
    book.add(u"Sum", 0, "3B 00 00 01 00 02 00 03 00 04 00 19 10 00");  // more than one area: not a range
    book.add(u"Short", 0, "3B 00");                                  // cut formula
    book.add(u"Lost", 0, "3B 09 00 01 00 02 00 03 00 04 00");        // no such EXTERNSHEET entry
    book.add(u"Err", 0, "3D 00 00 00 00 00 00 00 00 00 00");         // #REF! area
    book.add(std::u16string(1, SheetNames::kPrintArea), 1, "3B 00 00 00 00 09 00 00 00 03 00", 0x20);

    SheetNames sheet = book.sheet(0);
    EXPECT_EQ(sheet.namedRangeCount(), 3);
    struct Expect { const char16_t* name; NameBounds b; };
    const Expect expects[] = {
        {u"Area", {1, 2, 3, 4}}, {u"Cell", {7, 7, 5, 5}}, {u"\x06", {0, 9, 0, 3}},
    };
    for (int i = 0; i < 3; ++i) {
        std::u16string text;
        NameBounds b;
        ASSERT_TRUE(sheet.namedRange(i, text, b));
        EXPECT_EQ(text, expects[i].name);
        EXPECT_EQ(b.rowFirst, expects[i].b.rowFirst);
        EXPECT_EQ(b.rowLast, expects[i].b.rowLast);
        EXPECT_EQ(b.colFirst, expects[i].b.colFirst);
        EXPECT_EQ(b.colLast, expects[i].b.colLast);
    }
    std::u16string text;
    NameBounds b;
    EXPECT_FALSE(sheet.namedRange(3, text, b));
    EXPECT_FALSE(sheet.namedRange(-1, text, b));
    // Names of another shape are not found rather than read as nothing.
    for (const char16_t* name : {u"Sum", u"Short", u"Lost", u"Err", u"Other"})
        EXPECT_FALSE(sheet.getNamedRange(name, b)) << utf16ToUtf8(name);
    EXPECT_EQ(book.sheet(1).namedRangeCount(), 2);  // Cell, Other
}

// A name read from a file with a formula of another shape gets a fresh
// one-area formula.
TEST(DefinedNames, RewrittenNamesGetFreshFormulas)
{
    const char* formulas[] = {"3B 00", "3A 00 00 01 00 01 00", "24 00 00 00 00 1E 01 00 03"};
    for (const char* formula : formulas) {
        NamesBook book;
        book.add(u"Data", 1, formula);
        book.add(std::u16string(1, SheetNames::kPrintArea), 1, formula, 0x20);
        SheetNames sheet = book.sheet(0);
        sheet.setNamedRange(u"Data", {1, 2, 3, 4});
        EXPECT_FALSE(sheet.setPrintArea({5, 6, 7, 8}));
        ASSERT_EQ(book.names.size(), 2u);
        EXPECT_EQ(hexText(book.names[0].formula), "3B 00 00 01 00 02 00 03 00 04 00") << formula;
        EXPECT_EQ(hexText(book.names[1].formula), "3B 00 00 05 00 06 00 07 00 08 00") << formula;
    }
}

TEST(DefinedNames, PrintAreaAndTitles)
{
    using Step = std::function<void(SheetNames&)>;
    auto rows = [](int a, int b) -> Step { return [=](SheetNames& s) { s.setPrintRepeatRows(a, b); }; };
    auto cols = [](int a, int b) -> Step { return [=](SheetNames& s) { s.setPrintRepeatColumns(a, b); }; };
    auto area = [](int a, int b, int c, int d) -> Step { return [=](SheetNames& s) { s.setPrintArea({a, b, c, d}); }; };
    auto clearTitles = [](SheetNames& s) { s.clearPrintRepeats(); };
    auto clearArea = [](SheetNames& s) { s.clearPrintArea(); };
    const std::string titles = "29 17 00 3B 00 00 ";
    struct Case { std::vector<Step> steps; std::vector<std::string> formulas; };
    const Case cases[] = {
        {{rows(0, 1)}, {"3B 00 00 00 00 01 00 00 00 FF 00"}},
        {{cols(2, 3)}, {"3B 00 00 00 00 FF FF 02 00 03 00"}},
        {{rows(0, 1), cols(0, 0)},
         {titles + "00 00 01 00 00 00 FF 00 3B 00 00 00 00 FF FF 00 00 00 00 10"}},
        {{cols(2, 3), rows(4, 4)},
         {titles + "04 00 04 00 00 00 FF 00 3B 00 00 00 00 FF FF 02 00 03 00 10"}},
        {{rows(0, 1), cols(0, 0), rows(5, 6), cols(7, 9)},
         {titles + "05 00 06 00 00 00 FF 00 3B 00 00 00 00 FF FF 07 00 09 00 10"}},
        {{rows(0, 1), rows(3, 3)}, {"3B 00 00 03 00 03 00 00 00 FF 00"}},
        {{area(0, 9, 0, 3), area(1, 2, 3, 4)}, {"3B 00 00 01 00 02 00 03 00 04 00"}},
        {{area(0, 9, 0, 3), rows(0, 0), clearArea}, {"3B 00 00 00 00 00 00 00 00 FF 00"}},
        {{area(0, 9, 0, 3), rows(0, 0), cols(1, 1), clearTitles}, {"3B 00 00 00 00 09 00 00 00 03 00"}},
        {{clearArea, clearTitles}, {}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        NamesBook book;
        SheetNames sheet = book.sheet(0);
        for (const Step& step : cases[i].steps) step(sheet);
        std::vector<std::string> formulas;
        for (const Lbl& n : book.names) {
            formulas.push_back(hexText(n.formula));
            EXPECT_EQ(n.grbit, 0x20) << "case " << i;
            EXPECT_EQ(n.text.count, 1u) << "case " << i;
        }
        EXPECT_EQ(formulas, cases[i].formulas) << "case " << i;
    }
}

TEST(DefinedNames, PrintOperationsReportWhetherTheyAdded)
{
    NamesBook book;
    SheetNames sheet = book.sheet(0);
    EXPECT_TRUE(sheet.setPrintArea({0, 1, 0, 1}));
    EXPECT_FALSE(sheet.setPrintArea({0, 2, 0, 1}));
    EXPECT_TRUE(sheet.setPrintRepeatRows(0, 0));
    EXPECT_FALSE(sheet.setPrintRepeatColumns(0, 0));
    EXPECT_TRUE(book.sheet(1).setPrintArea({0, 1, 0, 1}));  // each sheet has its own
    EXPECT_EQ(book.names.size(), 3u);
    EXPECT_EQ(messageOf([&] { sheet.setPrintRepeatRows(3, 70000); }), "row must be in range 0-65535");
    EXPECT_EQ(messageOf([&] { sheet.setPrintRepeatColumns(-1, 2); }), "col must be in range 0-255");
}

// Print titles written by other applications with the columns area first
// are recognised and written back in the usual order.
TEST(DefinedNames, TitlesWithColumnsFirst)
{
    NamesBook book;
    book.add(std::u16string(1, SheetNames::kPrintTitles), 1,
             "29 17 00 3B 00 00 00 00 FF FF 01 00 02 00 3B 00 00 03 00 04 00 00 00 FF 00 10", 0x20);
    book.sheet(0).setPrintRepeatRows(8, 9);
    EXPECT_EQ(hexText(book.names[0].formula),
              "29 17 00 3B 00 00 08 00 09 00 00 00 FF 00 3B 00 00 00 00 FF FF 01 00 02 00 10");
}

// Titles of any other shape (rows lost to a removal, a formula from a file)
// are replaced: the sheet keeps one Print_Titles name.
TEST(DefinedNames, TitlesOfAnotherShapeAreReplaced)
{
    struct Case { const char* formula; bool rows; const char* result; };
    const Case cases[] = {
        {"29 17 00 3D 00 00 00 00 00 00 00 00 00 00 3B 00 00 00 00 FF FF 01 00 02 00 10", true,
         "3B 00 00 02 00 03 00 00 00 FF 00"},
        {"3B 00 00 01 00 02 00 03 00 04 00", false, "3B 00 00 00 00 FF FF 02 00 03 00"},
        {"3D 00 00 00 00 00 00 00 00 00 00", true, "3B 00 00 02 00 03 00 00 00 FF 00"},
    };
    for (const Case& c : cases) {
        NamesBook book;
        book.add(std::u16string(1, SheetNames::kPrintTitles), 1, c.formula, 0x20);
        SheetNames sheet = book.sheet(0);
        EXPECT_FALSE(c.rows ? sheet.setPrintRepeatRows(2, 3) : sheet.setPrintRepeatColumns(2, 3));
        ASSERT_EQ(book.names.size(), 1u) << c.formula;
        EXPECT_EQ(hexText(book.names[0].formula), c.result) << c.formula;
    }
}

// Formulas name defined names by their place in the list: erasing a name
// brings the later ones down, and a name in use is not erased.
TEST(DefinedNames, ErasingKeepsFormulasOnTheirNames)
{
    NamesBook book;
    book.add(u"First", 1, "3B 00 00 00 00 00 00 00 00 00 00");
    book.add(u"Second", 1, "3B 00 00 01 00 01 00 00 00 00 00");
    book.add(u"Third", 0, "23 02 00 00 00");  // refers to Second
    book.cellFormulas = {hexBytes("23 02 00 00 00 1E 01 00 03"), hexBytes("23 03 00 00 00")};

    SheetNames sheet = book.sheet(0);
    EXPECT_EQ(messageOf([&] { sheet.deleteNamedRange(u"Second"); }), "name is used in a formula");
    EXPECT_EQ(book.names.size(), 3u);
    EXPECT_EQ(hexText(book.cellFormulas[0]), "23 02 00 00 00 1E 01 00 03");

    EXPECT_TRUE(sheet.deleteNamedRange(u"First"));
    ASSERT_EQ(book.names.size(), 2u);
    EXPECT_EQ(textOf(book.names[0]), u"Second");
    EXPECT_EQ(hexText(book.names[1].formula), "23 01 00 00 00");
    EXPECT_EQ(hexText(book.cellFormulas[0]), "23 01 00 00 00 1E 01 00 03");
    EXPECT_EQ(hexText(book.cellFormulas[1]), "23 02 00 00 00");

    // A print area in use stays, with the message of the refusal.
    NamesBook used;
    used.add(std::u16string(1, SheetNames::kPrintArea), 1, "3B 00 00 00 00 00 00 00 00 00 00", 0x20);
    used.cellFormulas = {hexBytes("23 01 00 00 00")};
    EXPECT_EQ(messageOf([&] { used.sheet(0).clearPrintArea(); }), "name is used in a formula");
    EXPECT_EQ(used.names.size(), 1u);
}

// A PtgNameX through an EXTERNSHEET entry of the book itself names the
// book's names as a PtgName does: it keeps a name in use, and its index
// comes down when an earlier name goes.
TEST(DefinedNames, NamesNamedThroughTheBooksOwnLink)
{
    NamesBook book;
    book.context.xti = {{0, 0}};
    book.add(u"First", 1, "3B 00 00 00 00 00 00 00 00 00 00");
    book.add(u"Second", 1, "3B 00 00 01 00 01 00 00 00 00 00");
    book.add(u"Third", 0, "39 00 00 02 00 00 00");  // Second, through entry 0
    SheetNames sheet = book.sheet(0);
    EXPECT_EQ(messageOf([&] { sheet.deleteNamedRange(u"Second"); }), "name is used in a formula");
    EXPECT_EQ(book.names.size(), 3u);
    EXPECT_TRUE(sheet.deleteNamedRange(u"First"));
    EXPECT_EQ(hexText(book.names[1].formula), "39 00 00 01 00 00 00");
}
