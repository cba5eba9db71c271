// Sheet settings of a .xlsx book: name, visibility, protection, gridlines,
// zoom and frozen panes, as the engine answers them and as openpyxl reads
// the saved book.
#include "test_support.h"

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "book.h"
#include "sheet.h"

namespace celvo {
namespace {

using namespace celvo::test;

struct Book {
    XMLBookImplT* book = new XMLBookImplT();
    ~Book() { book->release(); }
    XMLSheetImplT* add(const char16_t* name) { return static_cast<XMLSheetImplT*>(book->addSheet(name, nullptr)); }
    std::string message() const { return book->errorMessage(); }
};

std::string u8(const char16_t* s) { return s ? utf16ToUtf8(s) : "(null)"; }

std::string saved(XMLSheetImplT& s)
{
    std::string out;
    s.serialize(out);
    return out;
}

// One sheet a setting; openpyxl reads each sheet's settings from the saved book.
TEST(XlsxSheetSettings, ReadBackByOpenpyxl)
{
    struct Case {
        const char* sheet;
        std::function<void(XMLSheetImplT&)> set;
        std::vector<std::string> facts;
    };
    const std::vector<Case> cases = {
        {"Plain", [](XMLSheetImplT&) {},
         {"state=visible", "protected=0", "gridlines=1", "zoom=100", "freeze=none", "pane=none", "tabselected=1"}},
        {"NoGrid", [](XMLSheetImplT& s) { s.setDisplayGridlines(false); }, {"gridlines=0", "tabselected=0"}},
        {"GridBack",
         [](XMLSheetImplT& s) {
             s.setDisplayGridlines(false);
             s.setDisplayGridlines(true);
         },
         {"gridlines=1"}},
        {"Zoom150", [](XMLSheetImplT& s) { s.setZoom(150); }, {"zoom=150"}},
        {"ZoomLow", [](XMLSheetImplT& s) { s.setZoom(3); }, {"zoom=10"}},
        {"ZoomHigh", [](XMLSheetImplT& s) { s.setZoom(1000); }, {"zoom=400"}},
        {"FreezeBoth", [](XMLSheetImplT& s) { s.split(2, 1); },
         {"freeze=B3", "pane=bottomRight", "panestate=frozenSplit"}},
        {"FreezeRows", [](XMLSheetImplT& s) { s.split(1, 0); }, {"freeze=A2", "pane=bottomLeft", "panestate=frozenSplit"}},
        {"FreezeCols", [](XMLSheetImplT& s) { s.split(0, 3); }, {"freeze=D1", "pane=topRight", "panestate=frozenSplit"}},
        {"Unfrozen",
         [](XMLSheetImplT& s) {
             s.split(4, 4);
             s.split(0, 0);
         },
         {"freeze=none", "pane=none"}},
        {"Protected", [](XMLSheetImplT& s) { s.setProtected(true); },
         {"protected=1", "objects=1", "scenarios=1", "state=visible"}},
        {"Unprotected",
         [](XMLSheetImplT& s) {
             s.setProtected(true);
             s.setProtected(false);
         },
         {"protected=0", "objects=0", "scenarios=0"}},
        {"Hidden", [](XMLSheetImplT& s) { ASSERT_TRUE(s.setHidden(SHEETSTATE_HIDDEN)); }, {"state=hidden"}},
        {"VeryHidden", [](XMLSheetImplT& s) { ASSERT_TRUE(s.setHidden(SHEETSTATE_VERYHIDDEN)); },
         {"state=veryHidden"}},
        {"Shown",
         [](XMLSheetImplT& s) {
             ASSERT_TRUE(s.setHidden(SHEETSTATE_HIDDEN));
             ASSERT_TRUE(s.setHidden(SHEETSTATE_VISIBLE));
         },
         {"state=visible"}},
        {"Margins",
         [](XMLSheetImplT& s) {
             s.setMarginLeft(0.5);
             s.setMarginRight(0.6);
             s.setMarginTop(1.1);
             s.setMarginBottom(1.2);
             s.setMarginLeft(-1);  // refused
         },
         {"left=0.50", "right=0.60", "top=1.10", "bottom=1.20", "headermargin=0.30", "footermargin=0.30"}},
        {"Page",
         [](XMLSheetImplT& s) {
             s.setLandscape(true);
             s.setPaper(9);
             s.setPrintZoom(80);
         },
         {"orientation=landscape", "paper=9", "scale=80", "fit=0"}},
        {"Fit",
         [](XMLSheetImplT& s) { s.setPrintFit(2, 0); },
         {"fit=1", "fitwidth=2", "fitheight=0"}},
        {"HeaderFooter",
         [](XMLSheetImplT& s) {
             ASSERT_TRUE(s.setHeader(u"&CUp here", 0.25));
             ASSERT_TRUE(s.setFooter(u"&CDown there", 0.4));
         },
         {"header=Up_here", "footer=Down_there", "headermargin=0.25", "footermargin=0.40"}},
        {"PrintOptions",
         [](XMLSheetImplT& s) {
             s.setPrintGridlines(true);
             s.setPrintHeadings(true);
             s.setHorizontalCentered(true);
             s.setVerticalCentered(true);
         },
         {"printgridlines=1", "headings=1", "hcentre=1", "vcentre=1"}},
    };
    const std::string dir = processTempDir() + "xlsx_settings";
    ASSERT_EQ(runOutside("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").status, 0);
    const std::string path = dir + "/settings.xlsx";
    {
        Book b;
        for (const Case& c : cases) {
            SCOPED_TRACE(c.sheet);
            XMLSheetImplT* s = b.add(widenAscii(c.sheet).c_str());
            ASSERT_NE(s, nullptr) << b.message();
            ASSERT_TRUE(s->writeNumber(0, 0, 1, nullptr));
            c.set(*s);
        }
        ASSERT_TRUE(b.book->save(widenAscii(path).c_str())) << b.message();
    }
    std::string seen;
    CELVO_ASSERT_CHECKER(pythonScript(CELVO_XLSX_TEST_DIR "/openpyxl_sheet_settings.py", shellQuoted(path)), seen);
    std::printf("%s", seen.c_str());
    for (const Case& c : cases) {
        const std::string line = lineOf(seen, std::string("sheet ") + c.sheet + ":");
        ASSERT_FALSE(line.empty()) << "no sheet " << c.sheet << "\n" << seen;
        expectFacts(line, c.facts, c.sheet);
    }
}

// The engine answers what it set, and the part holds no pane for (0, 0).
TEST(XlsxSheetSettings, ViewAnswers)
{
    Book b;
    XMLSheetImplT& s = *b.add(u"View");
    EXPECT_TRUE(s.displayGridlines());
    EXPECT_EQ(s.zoom(), 100);
    s.setDisplayGridlines(false);
    EXPECT_FALSE(s.displayGridlines());
    s.setZoom(250);
    EXPECT_EQ(s.zoom(), 250);

    struct Freeze {
        int row, col;
        const char* pane;  // "" for no pane
    };
    for (const Freeze& f : std::vector<Freeze>{{3, 2, "bottomRight"},
                                               {5, 0, "bottomLeft"},
                                               {0, 7, "topRight"},
                                               {0, 0, ""},
                                               {1048575, 16383, "bottomRight"}}) {
        SCOPED_TRACE(std::to_string(f.row) + "," + std::to_string(f.col));
        s.split(f.row, f.col);
        const std::string xml = saved(s);
        if (*f.pane) {
            EXPECT_NE(xml.find(std::string("activePane=\"") + f.pane + "\""), std::string::npos) << xml;
            EXPECT_NE(xml.find("state=\"frozenSplit\""), std::string::npos) << xml;
            // One selection, of the active pane.
            EXPECT_NE(xml.find(std::string("<selection pane=\"") + f.pane + "\"/>"), std::string::npos) << xml;
        } else {
            EXPECT_EQ(xml.find("<pane"), std::string::npos) << xml;
            EXPECT_EQ(xml.find("<selection pane="), std::string::npos) << xml;
        }
        EXPECT_EQ(f.row > 0 ? 1u : 0u, xml.find("ySplit=") != std::string::npos ? 1u : 0u) << xml;
        EXPECT_EQ(f.col > 0 ? 1u : 0u, xml.find("xSplit=") != std::string::npos ? 1u : 0u) << xml;
    }
    // Outside the sheet: refused, the pane as it was.
    s.split(2, 2);
    struct Bad {
        int row, col;
        const char* message;
    };
    for (const Bad& bad : std::vector<Bad>{{-1, 0, "row must be in range 0-1048575"},
                                           {1048576, 0, "row must be in range 0-1048575"},
                                           {0, 16384, "col must be in range 0-16383"},
                                           {0, -1, "col must be in range 0-16383"}}) {
        SCOPED_TRACE(bad.message);
        s.split(bad.row, bad.col);
        EXPECT_EQ(b.message(), bad.message);
        EXPECT_NE(saved(s).find("topLeftCell=\"C3\""), std::string::npos);
    }
}

TEST(XlsxSheetSettings, Visibility)
{
    Book b;
    XMLSheetImplT& one = *b.add(u"One");
    XMLSheetImplT& two = *b.add(u"Two");
    b.book->setActiveSheetNumber(1);
    ASSERT_TRUE(two.setHidden(SHEETSTATE_HIDDEN));
    EXPECT_EQ(two.hidden(), SHEETSTATE_HIDDEN);
    // The active sheet moved off the hidden one.
    EXPECT_EQ(b.book->activeSheetNumber(), 0);
    // The last visible sheet stays visible.
    EXPECT_FALSE(one.setHidden(SHEETSTATE_HIDDEN));
    EXPECT_EQ(b.message(), "a workbook must contain at least one visible worksheet");
    EXPECT_FALSE(one.setHidden(SHEETSTATE_VERYHIDDEN));
    EXPECT_EQ(one.hidden(), SHEETSTATE_VISIBLE);
    // A hidden sheet hidden again, or made very hidden, is not the last visible one.
    EXPECT_TRUE(two.setHidden(SHEETSTATE_VERYHIDDEN));
    EXPECT_EQ(two.hidden(), SHEETSTATE_VERYHIDDEN);
    for (int state : {-1, 3}) {
        EXPECT_FALSE(two.setHidden(state));
        EXPECT_EQ(b.message(), "hidden is out of range");
    }
    EXPECT_TRUE(two.setHidden(SHEETSTATE_VISIBLE));
    EXPECT_EQ(two.hidden(), SHEETSTATE_VISIBLE);
    EXPECT_TRUE(one.setHidden(SHEETSTATE_HIDDEN));
}

TEST(XlsxSheetSettings, Protection)
{
    Book b;
    XMLSheetImplT& s = *b.add(u"Locked");
    EXPECT_FALSE(s.isProtected());
    s.setProtected(true);
    EXPECT_TRUE(s.isProtected());
    for (const char* attr : {"sheet=\"true\"", "objects=\"true\"", "scenarios=\"true\""})
        EXPECT_NE(saved(s).find(attr), std::string::npos) << attr << "\n" << saved(s);
    s.setProtected(false);
    EXPECT_FALSE(s.isProtected());
    // The element stays, with its password, every flag off.
    for (const char* attr : {"sheet=\"false\"", "objects=\"false\"", "scenarios=\"false\""})
        EXPECT_NE(saved(s).find(attr), std::string::npos) << attr << "\n" << saved(s);
    // Unprotecting a sheet never protected writes nothing.
    XMLSheetImplT& open = *b.add(u"Open");
    open.setProtected(false);
    EXPECT_EQ(saved(open).find("sheetProtection"), std::string::npos) << saved(open);
}

// Renaming: refused names leave the sheet as it was; formulas of every sheet
// and defined names follow the new name only where a reference names the
// sheet itself.
TEST(XlsxSheetSettings, Rename)
{
    Book b;
    XMLSheetImplT& s1 = *b.add(u"Sheet1");
    XMLSheetImplT& s10 = *b.add(u"Sheet10");
    XMLSheetImplT& other = *b.add(u"Other");
    struct Bad {
        const char16_t* name;
        const char* message;
    };
    for (const Bad& bad : std::vector<Bad>{{u"", nullptr},
                                           {u"sheet10", "book already contains such sheet name"},
                                           {u"OTHER", "book already contains such sheet name"},
                                           {u"a/b", nullptr},
                                           {u"a[b", nullptr},
                                           {u"a:b", nullptr},
                                           {u"a*b", nullptr},
                                           {u"a?b", nullptr},
                                           {u"a\\b", nullptr},
                                           {u"'ab", nullptr},
                                           {u"ab'", nullptr}}) {
        SCOPED_TRACE(utf16ToUtf8(bad.name));
        b.book->message() = "ok";
        s1.setName(bad.name);
        EXPECT_NE(b.message(), "ok");
        if (bad.message) {
            EXPECT_EQ(b.message(), bad.message);
        }
        EXPECT_EQ(u8(s1.name()), "Sheet1");
    }
    // A sheet takes its own name in another letter case.
    s10.setName(u"SHEET10");
    EXPECT_EQ(b.message(), "ok");
    s10.setName(u"Sheet10");

    struct Formula {
        XMLSheetImplT* sheet;
        int row;
        const char16_t* before;
        const char* after;
    };
    const std::vector<Formula> formulas = {
        {&other, 0, u"Sheet1!A1+Sheet10!A1", "'Data 2024'!A1+Sheet10!A1"},
        {&other, 1, u"SUM('Sheet1'!A1:B2)", "SUM('Data 2024'!A1:B2)"},
        {&other, 2, u"\"Sheet1!A1\"&Sheet10!B2", "\"Sheet1!A1\"&Sheet10!B2"},
        {&other, 3, u"SUM(Sheet1:Sheet10!A1)", "SUM('Data 2024:Sheet10'!A1)"},
        {&other, 4, u"XSheet1!A1+1", "XSheet1!A1+1"},
        {&s10, 0, u"sheet1!C3*2", "'Data 2024'!C3*2"},
        {&s1, 0, u"Sheet1!A2", "'Data 2024'!A2"},
    };
    for (const Formula& f : formulas) ASSERT_TRUE(f.sheet->writeFormula(f.row, 0, f.before, nullptr)) << b.message();
    workbook::c_CT_DefinedNames* names = b.book->root().get_definedNames();
    struct Name {
        const char16_t* name;
        const char16_t* before;
        const char* after;
    };
    const std::vector<Name> defined = {{u"Mine", u"Sheet1!$A$1:$B$2", "'Data 2024'!$A$1:$B$2"},
                                       {u"Theirs", u"Sheet10!$A$1", "Sheet10!$A$1"},
                                       {u"Both", u"Sheet1!$A$1,Sheet10!$B$1", "'Data 2024'!$A$1,Sheet10!$B$1"}};
    for (const Name& n : defined) {
        workbook::c_CT_DefinedName* d = names->definedName.append();
        d->set_name(n.name);
        d->content.set(n.before);
    }
    s1.setName(u"Data 2024");
    EXPECT_EQ(b.message(), "ok");
    EXPECT_EQ(u8(s1.name()), "Data 2024");
    for (const Formula& f : formulas) {
        SCOPED_TRACE(utf16ToUtf8(f.before));
        EXPECT_EQ(u8(f.sheet->readFormula(f.row, 0, nullptr)), f.after);
    }
    for (std::size_t i = 0; i < defined.size(); ++i)
        EXPECT_EQ(utf16ToUtf8(names->definedName.at(i)->content.value), defined[i].after);
    // A long name is cut with a warning.
    s10.setName(u"A name that is far longer than thirty-one");
    EXPECT_EQ(b.message(), "warning: sheet's name is cut to 31 characters");
    EXPECT_EQ(u8(s10.name()), "A name that is far longer than ");
}

// The renamed sheets of the book seen by openpyxl: formulas and defined names
// with names quoted as the formats need.
TEST(XlsxSheetSettings, RenameReadBackByOpenpyxl)
{
    const std::string dir = processTempDir() + "xlsx_rename";
    ASSERT_EQ(runOutside("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").status, 0);
    const std::string path = dir + "/rename.xlsx";
    struct Case {
        const char16_t* name;
        const char* formula;  // of Sheet10!A<n> after the rename
    };
    const std::vector<Case> cases = {{u"Data 2024", "='Data 2024'!A1"},
                                     {u"A-B", "='A-B'!A1"},
                                     {u"1st", "='1st'!A1"},
                                     {u"It's", "='It''s'!A1"},
                                     {u"Plain_Name", "=Plain_Name!A1"},
                                     {u"R1C1", "='R1C1'!A1"},
                                     {u"AB12", "='AB12'!A1"}};
    {
        Book b;
        XMLSheetImplT& s10 = *b.add(u"Sheet10");
        for (std::size_t i = 0; i < cases.size(); ++i) {
            const std::u16string old = u"Old" + widenAscii(std::to_string(i));
            XMLSheetImplT& s = *b.add(old.c_str());
            ASSERT_TRUE(s.writeNumber(0, 0, static_cast<double>(i), nullptr));
            ASSERT_TRUE(s10.writeFormula(static_cast<int>(i), 0, (old + u"!A1").c_str(), nullptr));
            s.setName(cases[i].name);
            ASSERT_EQ(b.message(), "ok");
        }
        ASSERT_TRUE(b.book->save(widenAscii(path).c_str())) << b.message();
    }
    std::string seen;
    CELVO_ASSERT_CHECKER(pythonScript(CELVO_XLSX_TEST_DIR "/openpyxl_sheet_settings.py", shellQuoted(path)), seen);
    std::printf("%s", seen.c_str());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string want = "formula Sheet10!A" + std::to_string(i + 1) + ": " + cases[i].formula;
        EXPECT_EQ(lineOf(seen, "formula Sheet10!A" + std::to_string(i + 1) + ":"), want) << seen;
        EXPECT_FALSE(lineOf(seen, "sheet " + utf16ToUtf8(cases[i].name) + ":").empty()) << seen;
    }
}

}  // namespace
}  // namespace celvo

namespace celvo {
namespace {

// What a new sheet answers for printing, and the values refused or kept in range.
TEST(XlsxSheetSettings, PrintAnswers)
{
    Book b;
    XMLSheetImplT& s = *b.add(u"Print");
    EXPECT_EQ((std::vector<double>{s.marginLeft(), s.marginRight(), s.marginTop(), s.marginBottom(), s.headerMargin(),
                                   s.footerMargin()}),
              (std::vector<double>{0.7, 0.7, 0.75, 0.75, 0.3, 0.3}));
    int w = -5, h = -5;
    EXPECT_FALSE(s.getPrintFit(&w, &h));
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
    EXPECT_EQ(s.printZoom(), 100);
    EXPECT_EQ(s.paper(), 0);
    EXPECT_FALSE(s.landscape());
    s.setPrintGridlines(false);
    EXPECT_EQ(saved(s).find("printOptions"), std::string::npos) << saved(s);
    s.setMarginTop(1.0);
    EXPECT_EQ((std::vector<double>{s.marginLeft(), s.marginTop(), s.headerMargin()}),
              (std::vector<double>{0.7, 1.0, 0.3}));
    for (double bad : {-0.1, std::nan(""), HUGE_VAL}) {
        s.setMarginTop(bad);
        EXPECT_EQ(b.message(), "margin must be a number of inches, 0 or more");
        EXPECT_EQ(s.marginTop(), 1.0);
    }
    s.setPrintFit(1, 0);
    s.setPrintZoom(80);
    EXPECT_FALSE(s.getPrintFit(&w, &h));
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(s.printZoom(), 80);
    struct Clamp {
        int given, zoom;
    };
    for (const Clamp& c : std::vector<Clamp>{{0, 10}, {9, 10}, {401, 400}, {-3, 10}}) {
        s.setPrintZoom(c.given);
        EXPECT_EQ(s.printZoom(), c.zoom) << c.given;
        s.setZoom(c.given);
        EXPECT_EQ(s.zoom(), c.zoom) << c.given;
    }
    EXPECT_EQ(s.header(), nullptr);
    EXPECT_TRUE(s.setHeader(u"&LLeft&RRight", 0.2));
    EXPECT_EQ(u8(s.header()), "&LLeft&RRight");
    EXPECT_EQ(s.headerMargin(), 0.2);
    EXPECT_FALSE(s.setFooter(std::u16string(256, u'x').c_str(), 0.2));
    EXPECT_EQ(b.message(), "header or footer is longer than 255 characters");
    EXPECT_FALSE(s.setFooter(u"x", -1));
    EXPECT_EQ(s.footer(), nullptr);
    EXPECT_TRUE(s.setFooter(std::u16string(255, u'y').c_str(), 0.1));
    EXPECT_EQ(s.footerMargin(), 0.1);
    s.setLandscape(false);
    EXPECT_FALSE(s.landscape());
    EXPECT_NE(saved(s).find("orientation=\"portrait\""), std::string::npos);
}

}  // namespace
}  // namespace celvo
