// Cell formats of an .xlsx book as an independent reader sees them: a table
// of formatted cells saved and read back by openpyxl field by field, and by
// the book itself after a load; formats copied from another book.
#include "test_support.h"

#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "book.h"
#include "celvo/IFontT.h"
#include "celvo/IFormatT.h"
#include "celvo/ISheetT.h"
#include "celvo/factory.h"
#include "celvo/file.h"

namespace celvo {
namespace {

using Fields = std::map<std::string, std::string>;

struct Book {
    XMLBookImplT* b = new XMLBookImplT();
    ~Book() { b->release(); }
    XMLBookImplT* operator->() const { return b; }
};

// The fields of each row that openpyxl reads (styles_openpyxl.py).
std::map<int, Fields> openpyxlFields(const std::string& path, const std::string& sheet, bool& ran)
{
    ran = false;
    std::string seen;
    [&] {
        CELVO_ASSERT_CHECKER(
            test::pythonScript(CELVO_XLSX_TEST_DIR "/styles_openpyxl.py", test::shellQuoted(path) + " " + sheet), seen);
        ran = true;
    }();
    std::map<int, Fields> rows;
    std::istringstream lines(seen);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        Fields fields;
        for (std::string word; words >> word;) {
            const std::size_t eq = word.find('=');
            if (eq == std::string::npos) continue;
            std::string value = word.substr(eq + 1);
            for (std::size_t at; (at = value.find("\\s")) != std::string::npos;) value.replace(at, 2, " ");
            fields[word.substr(0, eq)] = value;
        }
        if (fields.count("row")) rows[std::stoi(fields["row"])] = fields;
    }
    return rows;
}

// What openpyxl reads of a new format of a new book.
Fields newFormatFields()
{
    Fields f = {
        {"font.name", "Calibri"}, {"font.sz", "11.0"}, {"font.b", "False"}, {"font.i", "False"},
        {"font.strike", "False"}, {"font.u", "None"}, {"font.vertAlign", "None"}, {"font.color", "None"},
        {"align.h", "None"}, {"align.v", "None"}, {"align.wrap", "False"}, {"align.rotation", "0"},
        {"align.indent", "0"}, {"align.shrink", "False"}, {"border.diagonalUp", "False"},
        {"border.diagonalDown", "False"}, {"fill.pattern", "None"}, {"fill.fg", "rgb:00000000"},
        {"fill.bg", "rgb:00000000"}, {"numFmt", "General"}, {"locked", "True"}, {"hidden", "False"},
    };
    for (const char* side : {"left", "right", "top", "bottom", "diagonal"}) {
        f[std::string("border.") + side] = "None";
        f[std::string("border.") + side + ".color"] = "None";
    }
    return f;
}

const char* const kBorderNames[] = {"none",   "thin",         "medium",     "dashed",        "dotted",
                                    "thick",  "double",       "hair",       "mediumDashed",  "dashDot",
                                    "mediumDashDot", "dashDotDot", "mediumDashDotDot", "slantDashDot"};
const char* const kPatternNames[] = {"none",          "solid",          "mediumGray",     "darkGray",
                                     "lightGray",     "darkHorizontal", "darkVertical",   "darkDown",
                                     "darkUp",        "darkGrid",       "darkTrellis",    "lightHorizontal",
                                     "lightVertical", "lightDown",      "lightUp",        "lightGrid",
                                     "lightTrellis",  "gray125",        "gray0625"};

struct FormatCase {
    std::string what;
    std::function<void(XMLBookImplT&, IFormatT&)> set;
    Fields want;  // the fields that differ from a new format's
};

// A font of its own for a format, with a name and size.
IFontT& ownFont(XMLBookImplT& book, IFormatT& f)
{
    IFontT* font = book.addFont(nullptr);
    font->setName(u"Arial");
    font->setSize(10);
    f.setFont(font);
    return *font;
}

std::vector<FormatCase> formatCases()
{
    std::vector<FormatCase> cases;
    const Fields arial = {{"font.name", "Arial"}, {"font.sz", "10.0"}};
    auto withArial = [&](Fields more) {
        more.insert(arial.begin(), arial.end());
        return more;
    };
    cases.push_back({"a new format", [](XMLBookImplT&, IFormatT&) {}, {}});
    cases.push_back({"font name and size", [](XMLBookImplT& b, IFormatT& f) { ownFont(b, f); }, arial});
    cases.push_back({"bold", [](XMLBookImplT& b, IFormatT& f) { ownFont(b, f).setBold(true); },
                     withArial({{"font.b", "True"}})});
    cases.push_back({"italic", [](XMLBookImplT& b, IFormatT& f) { ownFont(b, f).setItalic(true); },
                     withArial({{"font.i", "True"}})});
    cases.push_back({"strike", [](XMLBookImplT& b, IFormatT& f) { ownFont(b, f).setStrikeOut(true); },
                     withArial({{"font.strike", "True"}})});
    const std::pair<int, const char*> underlines[] = {
        {1, "single"}, {2, "double"}, {33, "singleAccounting"}, {34, "doubleAccounting"}};
    for (const auto& u : underlines)
        cases.push_back({std::string("underline ") + u.second,
                         [code = u.first](XMLBookImplT& b, IFormatT& f) { ownFont(b, f).setUnderline(code); },
                         withArial({{"font.u", u.second}})});
    cases.push_back({"superscript", [](XMLBookImplT& b, IFormatT& f) { ownFont(b, f).setScript(1); },
                     withArial({{"font.vertAlign", "superscript"}})});
    cases.push_back({"subscript", [](XMLBookImplT& b, IFormatT& f) { ownFont(b, f).setScript(2); },
                     withArial({{"font.vertAlign", "subscript"}})});
    cases.push_back({"font colour from the palette", [](XMLBookImplT& b, IFormatT& f) { ownFont(b, f).setColor(10); },
                     withArial({{"font.color", "indexed:10"}})});
    cases.push_back({"font colour in RGB", [](XMLBookImplT& b, IFormatT& f) {
                         b.setRgbMode(true);
                         ownFont(b, f).setColor(0x336699);
                     },
                     withArial({{"font.color", "rgb:FF336699"}})});
    const char* const horizontal[] = {"general", "left",    "center",           "right",
                                      "fill",    "justify", "centerContinuous", "distributed"};
    for (int code = 0; code < 8; ++code)
        cases.push_back({std::string("horizontal ") + horizontal[code],
                         [code](XMLBookImplT&, IFormatT& f) { f.setHorizontalAlignment(code); },
                         {{"align.h", horizontal[code]}}});
    const char* const vertical[] = {"top", "center", "bottom", "justify", "distributed"};
    for (int code = 0; code < 5; ++code)
        cases.push_back({std::string("vertical ") + vertical[code],
                         [code](XMLBookImplT&, IFormatT& f) { f.setVerticalAlignment(code); },
                         {{"align.v", vertical[code]}}});
    cases.push_back({"wrap", [](XMLBookImplT&, IFormatT& f) { f.setWrapText(true); }, {{"align.wrap", "True"}}});
    for (int rotation : {45, 135, 255})
        cases.push_back({"rotation " + std::to_string(rotation),
                         [rotation](XMLBookImplT&, IFormatT& f) { f.setRotation(rotation); },
                         {{"align.rotation", std::to_string(rotation)}}});
    cases.push_back({"indent", [](XMLBookImplT&, IFormatT& f) { f.setIndent(3); }, {{"align.indent", "3"}}});
    cases.push_back({"shrink", [](XMLBookImplT&, IFormatT& f) { f.setShrinkToFit(true); }, {{"align.shrink", "True"}}});
    for (int style = 1; style <= 13; ++style) {
        Fields want;
        for (const char* side : {"left", "right", "top", "bottom"}) {
            want[std::string("border.") + side] = kBorderNames[style];
            want[std::string("border.") + side + ".color"] = "indexed:" + std::to_string(8 + style);
        }
        cases.push_back({std::string("border ") + kBorderNames[style],
                         [style](XMLBookImplT&, IFormatT& f) {
                             f.setBorder(style);
                             f.setBorderColor(8 + style);
                         },
                         want});
    }
    cases.push_back({"a colour and a style per side in RGB",
                     [](XMLBookImplT& b, IFormatT& f) {
                         b.setRgbMode(true);
                         f.setBorderLeft(1);
                         f.setBorderRight(2);
                         f.setBorderTop(5);
                         f.setBorderBottom(6);
                         f.setBorderLeftColor(0xFF0000);
                         f.setBorderRightColor(0x00FF00);
                         f.setBorderTopColor(0x0000FF);
                         f.setBorderBottomColor(0x123456);
                     },
                     {{"border.left", "thin"}, {"border.left.color", "rgb:FFFF0000"},
                      {"border.right", "medium"}, {"border.right.color", "rgb:FF00FF00"},
                      {"border.top", "thick"}, {"border.top.color", "rgb:FF0000FF"},
                      {"border.bottom", "double"}, {"border.bottom.color", "rgb:FF123456"}}});
    const std::pair<int, Fields> diagonals[] = {
        {1, {{"border.diagonalDown", "True"}}},
        {2, {{"border.diagonalUp", "True"}}},
        {3, {{"border.diagonalDown", "True"}, {"border.diagonalUp", "True"}}}};
    for (const auto& d : diagonals) {
        Fields want = d.second;
        want["border.diagonal"] = "dashDot";
        want["border.diagonal.color"] = "indexed:12";
        cases.push_back({"diagonal " + std::to_string(d.first),
                         [code = d.first](XMLBookImplT&, IFormatT& f) {
                             f.setBorderDiagonal(code);
                             f.setBorderDiagonalStyle(9);
                             f.setBorderDiagonalColor(12);
                         },
                         want});
    }
    for (int pattern = 1; pattern <= 18; ++pattern)
        cases.push_back({std::string("fill ") + kPatternNames[pattern],
                         [pattern](XMLBookImplT&, IFormatT& f) {
                             f.setFillPattern(pattern);
                             f.setPatternForegroundColor(10);
                             f.setPatternBackgroundColor(13);
                         },
                         {{"fill.pattern", kPatternNames[pattern]}, {"fill.fg", "indexed:10"},
                          {"fill.bg", "indexed:13"}}});
    cases.push_back({"fill colours in RGB",
                     [](XMLBookImplT& b, IFormatT& f) {
                         b.setRgbMode(true);
                         f.setFillPattern(3);
                         f.setPatternForegroundColor(0xFFCC00);
                         f.setPatternBackgroundColor(0x003366);
                     },
                     {{"fill.pattern", "darkGray"}, {"fill.fg", "rgb:FFFFCC00"}, {"fill.bg", "rgb:FF003366"}}});
    cases.push_back({"a custom number format",
                     [](XMLBookImplT& b, IFormatT& f) { f.setNumFormat(b.addCustomNumFormat(u"#,##0.000 \"kg\"")); },
                     {{"numFmt", "#,##0.000 \"kg\""}}});
    cases.push_back({"a built-in date format", [](XMLBookImplT&, IFormatT& f) { f.setNumFormat(14); },
                     {{"numFmt", "mm-dd-yy"}}});
    cases.push_back({"unlocked", [](XMLBookImplT&, IFormatT& f) { f.setLocked(false); }, {{"locked", "False"}}});
    cases.push_back({"hidden", [](XMLBookImplT&, IFormatT& f) { f.setHidden(true); }, {{"hidden", "True"}}});
    return cases;
}

// Every getter of a format, in slot order, with the font's.
std::vector<int> formatFacts(IFormatT& f)
{
    std::vector<int> v = {f.numFormat(),          f.horizontalAlignment(),  f.verticalAlignment(),
                          f.wrapText(),           f.rotation(),             f.indent(),
                          f.shrinkToFit(),        f.borderLeft(),           f.borderRight(),
                          f.borderTop(),          f.borderBottom(),         f.borderLeftColor(),
                          f.borderRightColor(),   f.borderTopColor(),       f.borderBottomColor(),
                          f.borderDiagonal(),     f.borderDiagonalStyle(),  f.borderDiagonalColor(),
                          f.fillPattern(),        f.patternForegroundColor(), f.patternBackgroundColor(),
                          f.locked(),             f.hidden()};
    if (IFontT* font = f.font()) {
        for (int x : {font->size(), int(font->italic()), int(font->strikeOut()), font->color(), int(font->bold()),
                      font->script(), font->underline()})
            v.push_back(x);
        for (const char16_t* n = font->name(); n && *n; ++n) v.push_back(*n);
    }
    return v;
}

TEST(XlsxStylesReaders, FormattedCellsReadFieldByFieldByOpenpyxl)
{
    const std::vector<FormatCase> cases = formatCases();
    const std::string path = test::processTempDir() + "formatted.xlsx";
    std::vector<std::vector<int>> written;
    {
        Book book;
        ISheetT* sheet = book->addSheet(u"Formats", nullptr);
        ASSERT_NE(sheet, nullptr) << book->errorMessage();
        for (std::size_t i = 0; i < cases.size(); ++i) {
            IFormatT* f = book->addFormat(nullptr);
            ASSERT_NE(f, nullptr) << book->errorMessage();
            cases[i].set(*book.b, *f);
            book->setRgbMode(true);
            written.push_back(formatFacts(*f));
            book->setRgbMode(false);
            ASSERT_TRUE(sheet->writeNumber(static_cast<int>(i), 0, 1.5, f)) << book->errorMessage();
        }
        ASSERT_TRUE(book->save(pathFromNative(path).c_str())) << book->errorMessage();
    }
    // The book reads its formats back as they were written (colours as RGB).
    {
        Book again;
        ASSERT_TRUE(again->load(pathFromNative(path).c_str())) << again->errorMessage();
        again->setRgbMode(true);
        ISheetT* sheet = again->sheet(0);
        ASSERT_NE(sheet, nullptr);
        for (std::size_t i = 0; i < cases.size(); ++i) {
            IFormatT* f = sheet->cellFormat(static_cast<int>(i), 0);
            ASSERT_NE(f, nullptr) << cases[i].what;
            EXPECT_EQ(written[i], formatFacts(*f)) << cases[i].what << ": the format after a load";
        }
    }
    bool ran = false;
    const std::map<int, Fields> seen = openpyxlFields(path, "Formats", ran);
    if (!ran) return;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto row = seen.find(static_cast<int>(i));
        ASSERT_NE(row, seen.end()) << "openpyxl gave no line for " << cases[i].what;
        Fields want = newFormatFields();
        for (const auto& w : cases[i].want) want[w.first] = w.second;
        for (const auto& w : want) {
            const auto got = row->second.find(w.first);
            EXPECT_TRUE(got != row->second.end() && got->second == w.second)
                << cases[i].what << ": " << w.first << " is "
                << (got == row->second.end() ? std::string("missing") : got->second) << ", want " << w.second;
        }
    }
}

// A red RGB format and font of one book, with a custom number format,
// copied into another book stays red there, as openpyxl sees it, whatever
// the colour mode of either book.
TEST(XlsxStylesReaders, RedFormatCopiedFromAnotherBookStaysRed)
{
    const std::string path = test::processTempDir() + "copied-red.xlsx";
    for (bool targetRgb : {false, true}) {
        Book source;
        source->setRgbMode(true);
        IFormatT* red = source->addFormat(nullptr);
        red->setFillPattern(1);
        red->setPatternForegroundColor(0xFF0000);
        red->setBorder(1);
        red->setBorderColor(0xFF0000);
        IFontT* font = source->addFont(nullptr);
        font->setName(u"Arial");
        font->setColor(0xFF0000);
        red->setFont(font);
        red->setNumFormat(source->addCustomNumFormat(u"0.0 \"red\""));
        source->setRgbMode(false);

        Book target;
        target->setRgbMode(targetRgb);
        ISheetT* sheet = target->addSheet(u"Copy", nullptr);
        IFormatT* copy = target->addFormat(red);
        ASSERT_NE(copy, nullptr) << target->errorMessage();
        EXPECT_EQ(targetRgb, target->rgbMode()) << "the copy keeps the book's colour mode";
        EXPECT_FALSE(source->rgbMode()) << "and the source book's";
        ASSERT_TRUE(sheet->writeNumber(0, 0, 2.5, copy));
        ASSERT_TRUE(target->save(pathFromNative(path).c_str())) << target->errorMessage();
        bool ran = false;
        const std::map<int, Fields> seen = openpyxlFields(path, "Copy", ran);
        if (!ran) return;
        ASSERT_EQ(1u, seen.count(0));
        Fields got = seen.at(0);
        for (const char* field : {"fill.fg", "font.color", "border.left.color", "border.bottom.color"})
            EXPECT_EQ("rgb:FFFF0000", got[field]) << field << " of a book in RGB mode " << targetRgb;
        EXPECT_EQ("solid", got["fill.pattern"]);
        EXPECT_EQ("Arial", got["font.name"]);
        EXPECT_EQ("0.0 \"red\"", got["numFmt"]);
    }
}

}  // namespace
}  // namespace celvo
