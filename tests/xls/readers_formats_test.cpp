// Cell formats, fonts and the palette as xlrd reads them (with formatting
// information), and sheet settings as openpyxl reads them from the .xlsx
// that LibreOffice makes of our .xls: what other programs must see of
// what was set through the interfaces. Neighbouring fields get values of
// their own, so that a field written into its neighbour shows.
#include "test_support.h"

#include <unistd.h>

#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "sheet_test_util.h"

namespace celvo {
namespace {

using namespace test;

std::u16string widen(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// The line of a checker's output that begins with `start`, or "".
std::string lineOf(const std::string& output, const std::string& start)
{
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(start, 0) == 0) return line;
    return "";
}

// Every fact ("key=value") found in the line.
void expectFacts(const std::string& line, const std::vector<std::string>& facts, const std::string& what)
{
    const std::string padded = " " + line + " ";
    for (const std::string& fact : facts)
        EXPECT_NE(padded.find(" " + fact + " "), std::string::npos) << what << ": " << fact << "\nin: " << line;
}

class ReadersSee : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = processTempDir() + "readers_formats";
        ASSERT_EQ(runOutside("rm -rf '" + dir_ + "' && mkdir -p '" + dir_ + "'").status, 0);
    }
    void TearDown() override
    {
        if (!HasFailure()) runOutside("rm -rf '" + dir_ + "'");
    }
    std::string dir_;
};

// One cell a row, each with a format of its own; xlrd reads every field.
TEST_F(ReadersSee, CellFormatsFontsAndPaletteThroughXlrd)
{
    struct Case {
        const char* what;
        std::function<void(BookImplT&, IFormatT&, IFontT&)> set;
        std::vector<std::string> facts;
    };
    const std::vector<Case> cases = {
        {"font name and size",
         [](BookImplT&, IFormatT&, IFontT& font) {
             ASSERT_TRUE(font.setName(u"Liberation Serif"));
             font.setSize(14);
         },
         {"font=Liberation Serif", "height=280", "bold=0", "italic=0"}},
        {"bold, not italic",
         [](BookImplT&, IFormatT&, IFontT& font) { font.setBold(true); },
         {"bold=1", "italic=0", "underline=0", "strike=0"}},
        {"italic, not bold",
         [](BookImplT&, IFormatT&, IFontT& font) { font.setItalic(true); },
         {"bold=0", "italic=1"}},
        {"double underline",
         [](BookImplT&, IFormatT&, IFontT& font) { font.setUnderline(2); },
         {"underline=2", "strike=0", "script=0"}},
        {"struck out, superscript",
         [](BookImplT&, IFormatT&, IFontT& font) {
             font.setStrikeOut(true);
             font.setScript(1);
         },
         {"strike=1", "script=1", "underline=0", "italic=0"}},
        {"subscript",
         [](BookImplT&, IFormatT&, IFontT& font) { font.setScript(2); },
         {"script=2", "strike=0"}},
        {"font colour from the palette and a colour of its own",
         [](BookImplT& book, IFormatT& format, IFontT& font) {
             font.setColor(book.packColor(200, 30, 60));
             format.setPatternForegroundColor(12);
             format.setFillPattern(1);
         },
         {"fontcolour=200,30,60", "pattern=1", "patterncolour=0,0,255"}},
        {"centred at the top, wrapped",
         [](BookImplT&, IFormatT& format, IFontT&) {
             format.setHorizontalAlignment(2);
             format.setVerticalAlignment(0);
             format.setWrapText(true);
         },
         {"halign=2", "valign=0", "wrap=1", "shrink=0", "rotation=0"}},
        {"right, at the bottom, turned",
         [](BookImplT&, IFormatT& format, IFontT&) {
             format.setHorizontalAlignment(3);
             format.setVerticalAlignment(2);
             ASSERT_TRUE(format.setRotation(45));
         },
         {"halign=3", "valign=2", "wrap=0", "rotation=45"}},
        {"indented from the left, shrunk to fit",
         [](BookImplT&, IFormatT& format, IFontT&) {
             format.setHorizontalAlignment(1);
             format.setIndent(3);
             format.setShrinkToFit(true);
         },
         {"halign=1", "indent=3", "shrink=1", "wrap=0"}},
        {"each border its style and colour",
         [](BookImplT& book, IFormatT& format, IFontT&) {
             format.setBorderLeft(1);
             format.setBorderRight(2);
             format.setBorderTop(5);
             format.setBorderBottom(6);
             format.setBorderLeftColor(10);
             format.setBorderRightColor(12);
             format.setBorderTopColor(11);
             format.setBorderBottomColor(book.packColor(1, 2, 3));
         },
         {"left=1", "right=2", "top=5", "bottom=6", "leftcolour=255,0,0", "rightcolour=0,0,255",
          "topcolour=0,255,0", "bottomcolour=1,2,3"}},
        {"a pattern in two colours",
         [](BookImplT&, IFormatT& format, IFontT&) {
             format.setFillPattern(3);
             format.setPatternForegroundColor(13);
             format.setPatternBackgroundColor(14);
         },
         {"pattern=3", "patterncolour=255,255,0", "backcolour=255,0,255"}},
        {"unlocked and hidden",
         [](BookImplT&, IFormatT& format, IFontT&) {
             format.setLocked(false);
             format.setHidden(true);
         },
         {"locked=0", "hidden=1"}},
        {"locked, not hidden",
         [](BookImplT&, IFormatT&, IFontT&) {},
         {"locked=1", "hidden=0", "font=Arial", "height=200"}},
    };
    const std::string path = dir_ + "/formats.xls";
    {
        BookHolder book;
        SheetImplT* s = addSheet(*book.book, u"Formats");
        for (std::size_t i = 0; i < cases.size(); ++i) {
            SCOPED_TRACE(cases[i].what);
            IFormatT* format = book->addFormat(nullptr);
            IFontT* font = book->addFont(nullptr);
            ASSERT_NE(format, nullptr);
            ASSERT_NE(font, nullptr);
            cases[i].set(*book.book, *format, *font);
            ASSERT_TRUE(format->setFont(font)) << book->errorMessage();
            ASSERT_TRUE(s->writeString(static_cast<int>(i), 0, u"x", format)) << book->errorMessage();
        }
        ASSERT_TRUE(book->save(widen(path).c_str())) << book->errorMessage();
    }
    std::string seen;
    CELVO_ASSERT_CHECKER(pythonScript(CELVO_XLS_TEST_DIR "/xlrd_formats.py", shellQuoted(path)), seen);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string line = lineOf(seen, "row " + std::to_string(i) + ":");
        ASSERT_FALSE(line.empty()) << "xlrd finds no cell in row " << i << "\n" << seen;
        expectFacts(line, cases[i].facts, cases[i].what);
    }
}

// One sheet a setting; LibreOffice converts the book to .xlsx and openpyxl
// reads each sheet's settings from it.
TEST_F(ReadersSee, SheetSettingsThroughLibreOfficeAndOpenpyxl)
{
    CELVO_REQUIRE_LIBREOFFICE();
    struct Case {
        const char* sheet;
        std::function<void(SheetImplT&)> set;
        std::vector<std::string> facts;
    };
    const std::vector<Case> cases = {
        {"Plain", [](SheetImplT&) {},
         {"state=visible", "protected=0", "gridlines=1", "printgridlines=0", "headings=0", "hcentre=0",
          "vcentre=0", "zoom=100", "orientation=portrait"}},
        {"NoGridlines", [](SheetImplT& s) { s.setDisplayGridlines(false); },
         {"gridlines=0", "printgridlines=0"}},
        {"PrintGridlines", [](SheetImplT& s) { s.setPrintGridlines(true); },
         {"printgridlines=1", "gridlines=1", "headings=0"}},
        {"Headings", [](SheetImplT& s) { s.setPrintHeadings(true); }, {"headings=1", "printgridlines=0"}},
        {"HCentred", [](SheetImplT& s) { s.setHorizontalCentered(true); }, {"hcentre=1", "vcentre=0"}},
        {"VCentred", [](SheetImplT& s) { s.setVerticalCentered(true); }, {"vcentre=1", "hcentre=0"}},
        {"Margins",
         [](SheetImplT& s) {
             s.setMarginLeft(0.5);
             s.setMarginRight(0.6);
             s.setMarginTop(1.1);
             s.setMarginBottom(1.2);
         },
         {"left=0.50", "right=0.60", "top=1.10", "bottom=1.20"}},
        {"HeaderFooter",
         [](SheetImplT& s) {
             ASSERT_TRUE(s.setHeader(u"&CUp here", 0.25));
             ASSERT_TRUE(s.setFooter(u"&CDown there", 0.4));
         },
         {"header=Up_here", "footer=Down_there", "headermargin=0.25", "footermargin=0.40"}},
        {"Zoomed", [](SheetImplT& s) { s.setZoom(150); }, {"zoom=150"}},
        {"Page",
         [](SheetImplT& s) {
             s.setLandscape(true);
             s.setPaper(8);
             s.setPrintZoom(80);
         },
         {"orientation=landscape", "paper=8", "scale=80"}},
        {"Hidden", [](SheetImplT& s) { ASSERT_TRUE(s.setHidden(SHEETSTATE_HIDDEN)); }, {"state=hidden"}},
        {"Protected", [](SheetImplT& s) { s.setProtected(true); }, {"protected=1", "state=visible"}},
    };
    const std::string path = dir_ + "/settings.xls";
    {
        BookHolder book;
        for (const Case& c : cases) {
            SCOPED_TRACE(c.sheet);
            SheetImplT* s = addSheet(*book.book, widen(c.sheet).c_str());
            ASSERT_NE(s, nullptr) << book->errorMessage();
            ASSERT_TRUE(s->writeNumber(0, 0, 1, nullptr));
            c.set(*s);
        }
        book->setDate1904(true);
        ASSERT_TRUE(book->save(widen(path).c_str())) << book->errorMessage();
    }
    std::string seen;
    CELVO_ASSERT_CHECKER(pythonScript(CELVO_XLS_TEST_DIR "/lo_sheet_settings.py", shellQuoted(path) + " " +
                                                                                       shellQuoted(dir_ + "/lo")),
                         seen);
    std::printf("%s", seen.c_str());
    for (const Case& c : cases) {
        const std::string line = lineOf(seen, std::string("sheet ") + c.sheet + ":");
        ASSERT_FALSE(line.empty()) << "no sheet " << c.sheet << "\n" << seen;
        expectFacts(line, c.facts, c.sheet);
    }
    EXPECT_EQ(lineOf(seen, "book:"), "book: epoch=1904") << seen;
}

}  // namespace
}  // namespace celvo
