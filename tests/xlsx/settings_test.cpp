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
        const char* renamed = nullptr;  // the name the sheet is given after the settings
    };
    // A print area, rows and columns repeated on every page and a named
    // range, on sheets whose names need quotes in a formula.
    const auto printNames = [](XMLSheetImplT& s) {
        s.setPrintArea(0, 4, 0, 2);
        s.setPrintRepeatRows(0, 1);
        s.setPrintRepeatColumns(0, 0);
        ASSERT_TRUE(s.setNamedRange(u"Block", 1, 2, 1, 1));
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
        {"Breaks",
         [](XMLSheetImplT& s) {
             ASSERT_TRUE(s.setHorizontalPageBreak(20, true));
             ASSERT_TRUE(s.setHorizontalPageBreak(10, true));
             ASSERT_TRUE(s.setVerticalPageBreak(3, true));
             ASSERT_TRUE(s.setVerticalPageBreak(1, true));
             ASSERT_TRUE(s.setVerticalPageBreak(1, false));
         },
         {"rowbreaks=10,20", "colbreaks=3", "printarea=none", "titlerows=none", "titlecols=none"}},
        {"Data 2024", printNames, {"printarea=$A$1:$C$5", "titlerows=$1:$2", "titlecols=$A:$A"}},
        {"A-B", printNames, {"printarea=$A$1:$C$5", "titlerows=$1:$2", "titlecols=$A:$A"}},
        {"1st", printNames, {"printarea=$A$1:$C$5", "titlerows=$1:$2", "titlecols=$A:$A"}},
        {"It's", printNames, {"printarea=$A$1:$C$5", "titlerows=$1:$2", "titlecols=$A:$A"}},
        {"Sheet10", [](XMLSheetImplT& s) { ASSERT_TRUE(s.setNamedRange(u"Ten", 1, 1, 1, 1)); }, {"printarea=none"}},
        {"Sheet1",
         [](XMLSheetImplT& s) {
             ASSERT_TRUE(s.setNamedRange(u"One", 0, 0, 0, 0));
             s.setPrintArea(0, 0, 0, 3);
         },
         {"printarea=$A$1:$D$1"},
         "Totals"},
    };
    // The defined names, as openpyxl and LibreOffice read them: sheet by
    // sheet in the order of the table, the renamed sheet's names following
    // it and Sheet10's left alone.
    const std::vector<std::string> names = {
        "name Block scope=21: 'Data 2024'!$B$2:$B$3", "name Block scope=22: 'A-B'!$B$2:$B$3",
        "name Block scope=23: '1st'!$B$2:$B$3",       "name Block scope=24: 'It''s'!$B$2:$B$3",
        "name Ten scope=25: Sheet10!$B$2",             "name One scope=26: Totals!$A$1",
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
            if (c.renamed) {
                s->setName(widenAscii(c.renamed).c_str());
                ASSERT_EQ(b.message(), "ok");
            }
        }
        ASSERT_TRUE(b.book->save(widenAscii(path).c_str())) << b.message();
    }
    std::string seen;
    CELVO_ASSERT_CHECKER(pythonScript(CELVO_XLSX_TEST_DIR "/openpyxl_sheet_settings.py", shellQuoted(path)), seen);
    std::printf("%s", seen.c_str());
    for (const Case& c : cases) {
        const std::string sheet = c.renamed ? c.renamed : c.sheet;
        const std::string line = lineOf(seen, "sheet " + sheet + ":");
        ASSERT_FALSE(line.empty()) << "no sheet " << sheet << "\n" << seen;
        expectFacts(line, c.facts, sheet);
    }
    for (const std::string& name : names) EXPECT_EQ(lineOf(seen, name), name) << seen;

    // LibreOffice reads the same names, print areas and titles, and writes
    // them back ("<sheet index> <name> <formula>") in its own spelling (a
    // sheet name that begins with a digit unquoted, the columns of the titles
    // first).
    CELVO_REQUIRE_LIBREOFFICE();
    std::string lo;
    CELVO_ASSERT_CHECKER(pythonScript(CELVO_XLSX_TEST_DIR "/../xls/lo_defined_names.py",
                                      shellQuoted(path) + " " + shellQuoted(dir + "/lo")),
                         lo);
    std::printf("%s", lo.c_str());
    const std::vector<std::string> printed = {
        "21 Block 'Data 2024'!$B$2:$B$3",
        "22 Block 'A-B'!$B$2:$B$3",
        "23 Block 1st!$B$2:$B$3",
        "24 Block 'It''s'!$B$2:$B$3",
        "25 Ten Sheet10!$B$2",
        "26 One Totals!$A$1",
        "21 _xlnm.Print_Area 'Data 2024'!$A$1:$C$5",
        "21 _xlnm.Print_Titles 'Data 2024'!$A:$A,'Data 2024'!$1:$2",
        "22 _xlnm.Print_Area 'A-B'!$A$1:$C$5",
        "22 _xlnm.Print_Titles 'A-B'!$A:$A,'A-B'!$1:$2",
        "23 _xlnm.Print_Area 1st!$A$1:$C$5",
        "23 _xlnm.Print_Titles 1st!$A:$A,1st!$1:$2",
        "24 _xlnm.Print_Area 'It''s'!$A$1:$C$5",
        "24 _xlnm.Print_Titles 'It''s'!$A:$A,'It''s'!$1:$2",
        "26 _xlnm.Print_Area Totals!$A$1:$D$1",
    };
    for (const std::string& name : printed) EXPECT_EQ(lineOf(lo, name), name) << lo;
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
    for (const char* attr : {"sheet=\"1\"", "objects=\"1\"", "scenarios=\"1\""})
        EXPECT_NE(saved(s).find(attr), std::string::npos) << attr << "\n" << saved(s);
    s.setProtected(false);
    EXPECT_FALSE(s.isProtected());
    // The element stays, with its password, every flag off.
    for (const char* attr : {"sheet=\"0\"", "objects=\"0\"", "scenarios=\"0\""})
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

namespace celvo {
namespace {

// Manual page breaks: kept once each, in ascending order, inside the sheet;
// the counts the part writes follow the list; the last one removed takes
// the list element away.
TEST(XlsxSheetSettings, PageBreaks)
{
    Book b;
    XMLSheetImplT& s = *b.add(u"Breaks");
    EXPECT_EQ(s.horizontalPageBreakCount(), 0);
    EXPECT_EQ(s.horizontalPageBreak(0), -1);
    EXPECT_EQ(b.message(), "index is out of range");
    struct Step {
        bool rows;  // row breaks, else column breaks
        int at;
        bool add;
        bool result;
        const char* message;
        std::vector<int> after;  // the breaks of that direction, in list order
    };
    const std::vector<Step> steps = {
        {true, 20, true, true, "ok", {20}},
        {true, 10, true, true, "ok", {10, 20}},
        {true, 10, true, true, "ok", {10, 20}},
        {true, 15, true, true, "ok", {10, 15, 20}},
        {true, 1048575, true, true, "ok", {10, 15, 20, 1048575}},
        {true, 1048576, true, false, "row must be in range 0-1048575", {10, 15, 20, 1048575}},
        {true, -1, true, false, "row must be in range 0-1048575", {10, 15, 20, 1048575}},
        {true, 15, false, true, "ok", {10, 20, 1048575}},
        {true, 15, false, false, "pagebreak not found", {10, 20, 1048575}},
        {false, 3, true, true, "ok", {3}},
        {false, 1, true, true, "ok", {1, 3}},
        {false, 16383, true, true, "ok", {1, 3, 16383}},
        {false, 16384, true, false, "col must be in range 0-16383", {1, 3, 16383}},
        {false, -2, false, false, "col must be in range 0-16383", {1, 3, 16383}},
    };
    for (const Step& st : steps) {
        SCOPED_TRACE(std::string(st.rows ? "row " : "col ") + std::to_string(st.at) + (st.add ? " add" : " remove"));
        const bool r = st.rows ? s.setHorizontalPageBreak(st.at, st.add) : s.setVerticalPageBreak(st.at, st.add);
        EXPECT_EQ(r, st.result);
        EXPECT_EQ(b.message(), st.message);
        std::vector<int> got;
        const int n = st.rows ? s.horizontalPageBreakCount() : s.verticalPageBreakCount();
        for (int i = 0; i < n; ++i) got.push_back(st.rows ? s.horizontalPageBreak(i) : s.verticalPageBreak(i));
        EXPECT_EQ(got, st.after);
    }
    const std::string xml = saved(s);
    EXPECT_NE(xml.find("<rowBreaks count=\"3\" manualBreakCount=\"3\"><brk id=\"10\" max=\"16383\" man=\"1\"/>"),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("<colBreaks count=\"3\" manualBreakCount=\"3\"><brk id=\"1\" max=\"1048575\" man=\"1\"/>"),
              std::string::npos)
        << xml;
    for (int row : {10, 20, 1048575}) EXPECT_TRUE(s.setHorizontalPageBreak(row, false));
    EXPECT_EQ(saved(s).find("rowBreaks"), std::string::npos) << saved(s);
    // Removing from a sheet without breaks succeeds and makes nothing.
    EXPECT_TRUE(s.setHorizontalPageBreak(10, false));
    EXPECT_EQ(b.message(), "ok");
    EXPECT_EQ(saved(s).find("rowBreaks"), std::string::npos);
    // A sheet holds no more breaks than the applications read.
    for (int row = 0; row < 1026; ++row) ASSERT_TRUE(s.setHorizontalPageBreak(row, true)) << row;
    EXPECT_FALSE(s.setHorizontalPageBreak(5000, true));
    EXPECT_EQ(b.message(), "number of pagebreaks is exceed limit");
    EXPECT_TRUE(s.setHorizontalPageBreak(7, true));
    EXPECT_EQ(s.horizontalPageBreakCount(), 1026);
}

// A break of a loaded part without an id is reported, not read as row 0.
TEST(XlsxSheetSettings, PageBreakWithoutId)
{
    const std::string part =
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData/>"
        "<rowBreaks count=\"2\" manualBreakCount=\"2\"><brk id=\"4\" man=\"1\"/><brk man=\"1\"/></rowBreaks></worksheet>";
    Book b;
    XMLSheetImplT& s = *b.add(u"Loaded");
    XMLSheetImplT loaded(part.data(), part.size());
    loaded.bind(b.book, 0);
    EXPECT_EQ(loaded.horizontalPageBreakCount(), 2);
    EXPECT_EQ(loaded.horizontalPageBreak(0), 4);
    EXPECT_EQ(loaded.horizontalPageBreak(1), -1);
    EXPECT_EQ(b.message(), "c_CT_Break without id");
    // A new break goes before the first one of a higher place.
    EXPECT_TRUE(loaded.setHorizontalPageBreak(2, true));
    EXPECT_EQ(loaded.horizontalPageBreak(0), 2);
    (void)s;
}

// The workbook's defined names that the sheet's named ranges, print area
// and print titles are.
std::vector<std::string> definedNames(Book& b)
{
    std::vector<std::string> out;
    if (const workbook::c_CT_DefinedNames* names = b.book->root().definedNames.peek())
        for (std::size_t i = 0; i < names->definedName.size(); ++i) {
            const workbook::c_CT_DefinedName* n = names->definedName.at(i);
            out.push_back(utf16ToUtf8(n->name.value) + "@" +
                          (n->localSheetId.present ? std::to_string(n->localSheetId.value) : std::string("book")) +
                          "=" + utf16ToUtf8(n->content.value));
        }
    return out;
}

std::string bounds(XMLSheetImplT& s, const char16_t* name)
{
    int r0 = -1, r1 = -1, c0 = -1, c1 = -1;
    if (!s.getNamedRange(name, &r0, &r1, &c0, &c1)) return "none";
    return std::to_string(r0) + "-" + std::to_string(r1) + "," + std::to_string(c0) + "-" + std::to_string(c1);
}

TEST(XlsxSheetSettings, NamedRanges)
{
    Book b;
    XMLSheetImplT& data = *b.add(u"Data");
    XMLSheetImplT& my = *b.add(u"My Data");
    struct Bad {
        const char16_t* name;
        const char* message;
    };
    for (const Bad& bad : std::vector<Bad>{{u"My range", "space symbol isn't allowed"},
                                           {u"", "name is empty"},
                                           {nullptr, "name is empty"},
                                           {u"A1", "name is not a valid defined name"},
                                           {u"r2c3", "name is not a valid defined name"},
                                           {u"1st", "name is not a valid defined name"},
                                           {u"a-b", "name is not a valid defined name"},
                                           {u"TRUE", "name is not a valid defined name"}}) {
        SCOPED_TRACE(bad.message);
        EXPECT_FALSE(data.setNamedRange(bad.name, 0, 1, 0, 1));
        EXPECT_EQ(b.message(), bad.message);
    }
    EXPECT_FALSE(data.setNamedRange(std::u16string(256, u'n').c_str(), 0, 1, 0, 1));
    EXPECT_EQ(b.message(), "name is longer than 255 characters");
    EXPECT_TRUE(data.setNamedRange(std::u16string(255, u'n').c_str(), 0, 1, 0, 1));
    EXPECT_TRUE(data.deleteNamedRange(std::u16string(255, u'N').c_str()));
    struct Range {
        int r0, r1, c0, c1;
        const char* message;
    };
    for (const Range& r : std::vector<Range>{{0, 1048576, 0, 0, "row must be in range 0-1048575"},
                                             {-1, 0, 0, 0, "row must be in range 0-1048575"},
                                             {0, 0, 0, 16384, "col must be in range 0-16383"},
                                             {0, 0, -5, 0, "col must be in range 0-16383"}}) {
        EXPECT_FALSE(data.setNamedRange(u"Total", r.r0, r.r1, r.c0, r.c1));
        EXPECT_EQ(b.message(), r.message);
    }
    // Nothing was left behind by the refusals.
    EXPECT_EQ(definedNames(b), std::vector<std::string>{});

    EXPECT_TRUE(data.setNamedRange(u"Total", 0, 0, 1, 1));
    EXPECT_EQ(b.message(), "ok");
    EXPECT_TRUE(my.setNamedRange(u"Block", 0, 4, 0, 2));
    EXPECT_TRUE(data.setNamedRange(u"Sales.2024", 2, 1048575, 3, 16383));
    EXPECT_EQ(definedNames(b), (std::vector<std::string>{"Total@0=Data!$B$1", "Block@1='My Data'!$A$1:$C$5",
                                                          "Sales.2024@0=Data!$D$3:$XFD$1048576"}));
    // The same name again, in another case, rewrites the same item.
    EXPECT_TRUE(data.setNamedRange(u"TOTAL", 1, 2, 0, 0));
    EXPECT_EQ(definedNames(b)[0], "TOTAL@0=Data!$A$2:$A$3");
    EXPECT_EQ(bounds(data, u"total"), "1-2,0-0");
    EXPECT_EQ(bounds(my, u"block"), "0-4,0-2");
    // A name points at its own sheet only.
    EXPECT_EQ(bounds(my, u"Total"), "none");
    EXPECT_EQ(b.message(), "named range is not found");
    EXPECT_FALSE(my.deleteNamedRange(u"Total"));
    EXPECT_EQ(b.message(), "named range not found");
    // Null out-pointers are left alone.
    EXPECT_TRUE(data.getNamedRange(u"Total", nullptr, nullptr, nullptr, nullptr));

    EXPECT_EQ(data.namedRangeCount(), 2);
    EXPECT_EQ(my.namedRangeCount(), 1);
    int r0 = -1, r1 = -1, c0 = -1, c1 = -1;
    EXPECT_EQ(u8(data.namedRange(1, &r0, &r1, &c0, &c1)), "Sales.2024");
    EXPECT_EQ((std::vector<int>{r0, r1, c0, c1}), (std::vector<int>{2, 1048575, 3, 16383}));
    for (int index : {-1, 2}) {
        EXPECT_EQ(data.namedRange(index, &r0, &r1, &c0, &c1), nullptr);
        EXPECT_EQ(b.message(), "index is out of range");
    }

    EXPECT_TRUE(data.deleteNamedRange(u"total"));
    EXPECT_FALSE(data.deleteNamedRange(u"Total"));
    EXPECT_EQ(b.message(), "named range not found");
    EXPECT_TRUE(data.deleteNamedRange(u"Sales.2024"));
    EXPECT_TRUE(my.deleteNamedRange(u"Block"));
    // The list goes with its last name.
    EXPECT_FALSE(b.book->root().definedNames.has());
}

// Names read from a file: any scope, sheet names quoted or not, in any
// letter case; formulas of other shapes are no named ranges.
TEST(XlsxSheetSettings, NamedRangesOfAFile)
{
    Book b;
    XMLSheetImplT& s = *b.add(u"It's");
    b.add(u"Other");
    workbook::c_CT_DefinedNames* names = b.book->root().get_definedNames();
    struct Given {
        const char16_t* name;
        const char16_t* text;
        const char* bounds;  // as getNamedRange on It's reads it
    };
    const std::vector<Given> given = {
        {u"Book", u"'It''s'!$B$2:$C$3", "1-2,1-2"},
        {u"Lower", u"'it''s'!A1", "0-0,0-0"},
        {u"Rows", u"'It''s'!$2:$4", "1-3,0-16383"},
        {u"Cols", u"'It''s'!B:C", "0-1048575,1-2"},
        {u"Sum", u"SUM('It''s'!$A$1:$A$3)", "none"},
        {u"Two", u"'It''s'!$A$1,'It''s'!$B$1", "none"},
        {u"Elsewhere", u"Other!$A$1", "none"},
        {u"ThreeD", u"'It''s:Other'!$A$1", "none"},
        {u"Linked", u"[1]'It''s'!$A$1", "none"},
        {u"Mixed", u"'It''s'!A1:3", "none"},
        {u"OffSheet", u"'It''s'!$A$1:$A$1048577", "none"},
        {u"Constant", u"42", "none"},
    };
    for (const Given& g : given) {
        workbook::c_CT_DefinedName* n = names->definedName.append();
        n->set_name(g.name);
        n->content.set(g.text);
    }
    for (const Given& g : given) EXPECT_EQ(bounds(s, g.name), g.bounds) << utf16ToUtf8(g.name);
    EXPECT_EQ(s.namedRangeCount(), 4);
    // Names of the book are no names of the sheet to delete.
    EXPECT_FALSE(s.deleteNamedRange(u"Book"));
}

TEST(XlsxSheetSettings, PrintAreaAndTitles)
{
    Book b;
    XMLSheetImplT& data = *b.add(u"Data");
    XMLSheetImplT& other = *b.add(u"A-B");
    data.clearPrintRepeats();
    EXPECT_EQ(b.message(), "ok");
    data.clearPrintArea();
    EXPECT_EQ(b.message(), "ok");
    data.setPrintArea(0, 4, 0, 2);
    EXPECT_EQ(b.message(), "ok");
    EXPECT_EQ(data.namedRangeCount(), 1);
    data.setPrintRepeatRows(0, 1);
    data.setPrintRepeatColumns(0, 0);
    other.setPrintRepeatColumns(1, 27);
    EXPECT_EQ(definedNames(b),
              (std::vector<std::string>{"_xlnm.Print_Area@0=Data!$A$1:$C$5", "_xlnm.Print_Titles@0=Data!$1:$2,Data!$A:$A",
                                        "_xlnm.Print_Titles@1='A-B'!$B:$AB"}));
    data.setPrintRepeatRows(4, 4);
    other.setPrintRepeatRows(0, 0);
    data.setPrintArea(1, 1, 1, 1);
    EXPECT_EQ(definedNames(b),
              (std::vector<std::string>{"_xlnm.Print_Area@0=Data!$B$2", "_xlnm.Print_Titles@0=Data!$5:$5,Data!$A:$A",
                                        "_xlnm.Print_Titles@1='A-B'!$1:$1,'A-B'!$B:$AB"}));
    // Refused: the names as they were.
    struct Bad {
        std::function<void()> call;
        const char* message;
    };
    for (const Bad& bad : std::vector<Bad>{{[&] { data.setPrintArea(0, 1048576, 0, 0); }, "row must be in range 0-1048575"},
                                           {[&] { data.setPrintArea(0, 0, -1, 0); }, "col must be in range 0-16383"},
                                           {[&] { data.setPrintRepeatRows(-1, 2); }, "row must be in range 0-1048575"},
                                           {[&] { data.setPrintRepeatColumns(0, 16384); }, "col must be in range 0-16383"}}) {
        SCOPED_TRACE(bad.message);
        bad.call();
        EXPECT_EQ(b.message(), bad.message);
    }
    EXPECT_EQ(definedNames(b).size(), 3u);
    EXPECT_EQ(definedNames(b)[0], "_xlnm.Print_Area@0=Data!$B$2");
    // Titles of another shape are replaced whole.
    b.book->root().definedNames.peek()->definedName.at(1)->content.set(u"Data!$A$1:$B$2");
    data.setPrintRepeatColumns(2, 3);
    EXPECT_EQ(definedNames(b)[1], "_xlnm.Print_Titles@0=Data!$C:$D");
    data.setPrintRepeatRows(0, 0);
    EXPECT_EQ(definedNames(b)[1], "_xlnm.Print_Titles@0=Data!$1:$1,Data!$C:$D");
    data.clearPrintRepeats();
    data.clearPrintArea();
    EXPECT_EQ(definedNames(b), (std::vector<std::string>{"_xlnm.Print_Titles@1='A-B'!$1:$1,'A-B'!$B:$AB"}));
}

// Sheets inserted, deleted and renamed: each name stays with its sheet.
TEST(XlsxSheetSettings, NamesFollowTheirSheets)
{
    Book b;
    XMLSheetImplT& s1 = *b.add(u"Sheet1");
    XMLSheetImplT& s10 = *b.add(u"Sheet10");
    ASSERT_TRUE(s1.setNamedRange(u"First", 0, 0, 0, 0));
    ASSERT_TRUE(s10.setNamedRange(u"Tenth", 1, 1, 1, 1));
    s10.setPrintArea(0, 9, 0, 3);
    ASSERT_NE(b.book->insertSheet(0, u"Front", nullptr), nullptr);
    EXPECT_EQ(definedNames(b), (std::vector<std::string>{"First@1=Sheet1!$A$1", "Tenth@2=Sheet10!$B$2",
                                                          "_xlnm.Print_Area@2=Sheet10!$A$1:$D$10"}));
    EXPECT_EQ(bounds(s10, u"Tenth"), "1-1,1-1");
    s1.setName(u"Renamed");
    EXPECT_EQ(definedNames(b), (std::vector<std::string>{"First@1=Renamed!$A$1", "Tenth@2=Sheet10!$B$2",
                                                          "_xlnm.Print_Area@2=Sheet10!$A$1:$D$10"}));
    EXPECT_EQ(bounds(s1, u"First"), "0-0,0-0");
    ASSERT_TRUE(b.book->deleteSheet(1));
    EXPECT_EQ(definedNames(b), (std::vector<std::string>{"Tenth@1=Sheet10!$B$2", "_xlnm.Print_Area@1=Sheet10!$A$1:$D$10"}));
    EXPECT_TRUE(s10.deleteNamedRange(u"Tenth"));
}

}  // namespace
}  // namespace celvo
