// The styles part of an .xlsx book: the default stylesheet, custom number
// formats, colours, the default font; cell formats and fonts over their
// records; the book's format, date and colour operations.
#include "test_support.h"

#include <memory>
#include <string>
#include <vector>

#include "book.h"
#include "celvo/ISheetT.h"
#include "celvo/factory.h"
#include "font.h"
#include "format.h"
#include "part_styles.h"

namespace celvo {
namespace {

std::string written(Styles& s)
{
    std::string out;
    s.serialize(out);
    return out;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct Book {
    XMLBookImplT* b = new XMLBookImplT();
    ~Book() { b->release(); }
    XMLBookImplT* operator->() const { return b; }
};

TEST(XlsxStyles, DefaultStylesheet)
{
    Styles s;
    const std::string x = written(s);
    for (const char* part : {"<fonts count=\"1\">", "<sz val=\"11\"/>", "<name val=\"Calibri\"/>",
                             "<fills count=\"2\">", "patternType=\"gray125\"", "<borders count=\"1\">",
                             "<cellStyleXfs count=\"1\">", "<cellXfs count=\"1\">", "<cellStyles count=\"1\">",
                             "name=\"Normal\""})
        EXPECT_TRUE(contains(x, part)) << part << "\n" << x;
    EXPECT_FALSE(contains(x, "apply"));
    EXPECT_EQ(1, s.formatCount());
    EXPECT_EQ(1, s.fontCount());
    int size = 0;
    EXPECT_EQ(u"Calibri", u16string(s.defaultFont(&size)));
    EXPECT_EQ(11, size);
    s.setDefaultFont(u"Arial", 10);
    EXPECT_EQ(u"Arial", u16string(s.defaultFont(&size)));
    EXPECT_EQ(10, size);
    EXPECT_EQ(10, s.font(0)->size());
    EXPECT_EQ(u"Arial", u16string(s.font(0)->name()));
    EXPECT_THROW(s.format(1), xlerror);
    EXPECT_THROW(s.format(-1), xlerror);
    EXPECT_EQ(-1, s.formatIndex(nullptr));
}

// Column widths are measured in the widest digit of font 0, whatever font
// the book's default is set to; a stylesheet without fonts measures in 7.
TEST(XlsxStyles, DigitWidthOfTheDefaultFont)
{
    struct Case {
        const char16_t* face;
        int points;
        int width;
    };
    const Case cases[] = {
        {u"Calibri", 11, 7}, {u"Arial", 10, 7}, {u"Arial", 12, 9}, {u"Arial", 20, 15}, {u"Courier New", 11, 9},
    };
    Styles s;
    EXPECT_EQ(7, s.digitWidth());
    for (const Case& c : cases) {
        s.setDefaultFont(c.face, c.points);
        EXPECT_EQ(c.width, s.digitWidth()) << utf16ToUtf8(c.face) << " " << c.points;
    }
    const std::string bare =
        "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"></styleSheet>";
    Styles none(bare.data(), bare.size());
    EXPECT_EQ(0, none.fontCount());
    EXPECT_EQ(7, none.digitWidth());
}

TEST(XlsxStyles, CustomNumberFormats)
{
    Styles s;
    EXPECT_EQ(166, s.addCustomNumFormat(u"0.000"));
    EXPECT_EQ(167, s.addCustomNumFormat(u"0.0000"));
    EXPECT_EQ(166, s.addCustomNumFormat(u"0.000"));
    EXPECT_EQ(nullptr, s.customNumFormat(14));
    EXPECT_EQ(u"0.000", u16string(s.customNumFormat(166)));
    const std::string doc =
        "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><numFmts count=\"2\">"
        "<numFmt numFmtId=\"166\" formatCode=\"a\"/><numFmt numFmtId=\"168\" formatCode=\"b\"/></numFmts></styleSheet>";
    Styles loaded(doc.data(), doc.size());
    EXPECT_EQ(167, loaded.addCustomNumFormat(u"c"));
    EXPECT_EQ(169, loaded.addCustomNumFormat(u"d"));
    for (int i = 170; i <= 392; ++i) loaded.addCustomNumFormat(u"f" + u16string(1, char16_t(i)));
    EXPECT_THROW(loaded.addCustomNumFormat(u"one too many"), xlerror);
}

TEST(XlsxStyles, Colours)
{
    Styles s;
    struct Case {
        bool rgbMode;
        nimb::c_binary rgb;
        int indexed;  // -1: none
        int want;
    };
    const std::vector<Case> cases = {
        {false, {0xFF, 0x00, 0x00, 0x80}, -1, 18},
        {false, {0xFF, 0x12, 0x34, 0x56}, -1, -1},
        {false, {0x00, 0x00, 0x00, 0x80}, -1, -1},
        {false, {}, 10, 10},
        {true, {}, 10, 0xFF0000},
        {true, {}, 64, -1},
        {true, {0x00, 0x11, 0x22, 0x33}, -1, 0x112233},
    };
    for (const auto& c : cases) {
        styles::c_CT_Color color;
        if (!c.rgb.empty()) color.set_rgb(c.rgb);
        if (c.indexed >= 0) color.set_indexed(static_cast<unsigned>(c.indexed));
        s.setRgbMode(c.rgbMode);
        EXPECT_EQ(c.want, s.colorValue(color));
    }
    styles::c_CT_Color bad;
    bad.set_rgb(nimb::c_binary{1, 2, 3});
    EXPECT_THROW(s.colorValue(bad), xlerror);
    s.setRgbMode(true);
    styles::c_CT_Color made;
    s.makeColor(0x112233, made);
    EXPECT_EQ((nimb::c_binary{0xFF, 0x11, 0x22, 0x33}), made.rgb.value);
}

TEST(XlsxStyles, NewFormatAndItsSetters)
{
    Styles s;
    XMLFormatImplT* f = s.addFormat();
    EXPECT_EQ(1, s.formatIndex(f));
    EXPECT_EQ(0, f->numFormat());
    EXPECT_EQ(0, f->horizontalAlignment());
    EXPECT_EQ(2, f->verticalAlignment());
    EXPECT_TRUE(f->locked());
    EXPECT_FALSE(f->hidden());
    EXPECT_EQ(0, f->fillPattern());
    EXPECT_EQ(64, f->patternForegroundColor());
    EXPECT_EQ(65, f->patternBackgroundColor());
    EXPECT_EQ(-1, f->borderLeftColor());
    f->setBorder(1);
    EXPECT_EQ(1, f->borderTop());
    f->setBorder(14);
    EXPECT_EQ(0, f->borderTop());
    f->setFillPattern(1);
    EXPECT_EQ(1, f->fillPattern());
    f->setBorderDiagonal(3);
    EXPECT_EQ(3, f->borderDiagonal());
    f->setBorderDiagonal(0);
    EXPECT_EQ(0, f->borderDiagonal());
    EXPECT_TRUE(f->setRotation(1000));
    EXPECT_EQ(1000, f->rotation());
    f->setHorizontalAlignment(2);
    f->setHorizontalAlignment(9);
    EXPECT_EQ(2, f->horizontalAlignment());
    f->setPatternForegroundColor(-1);
    s.setRgbMode(true);
    f->setPatternForegroundColor(0xFF0000);
    EXPECT_EQ(0xFF0000, f->patternForegroundColor());
    const std::string x = written(s);
    EXPECT_TRUE(contains(x, "patternType=\"solid\"")) << x;
    EXPECT_TRUE(contains(x, "<fgColor rgb=\"FFFF0000\"/>")) << x;
    EXPECT_FALSE(contains(x, "diagonalUp")) << x;
}

// A fill or border record that formats of a file share is copied on the
// first change through one of them (the other keeps its look); ids that
// name no record are no record, the lists do not grow.
TEST(XlsxStyles, SharedRecordsAreCopiedOnChangeAndBadIdsAreNoRecord)
{
    const std::string doc =
        "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<fonts count=\"1\"><font><b val=\"0\"/><sz val=\"10.5\"/></font></fonts>"
        "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
        "<fill><patternFill patternType=\"solid\"><fgColor rgb=\"FFFF0000\"/></patternFill></fill></fills>"
        "<borders count=\"1\"><border><left style=\"thin\"/></border></borders>"
        "<cellXfs count=\"3\"><xf fillId=\"1\" borderId=\"0\" fontId=\"0\"/><xf fillId=\"1\" borderId=\"0\"/>"
        "<xf fillId=\"7\" borderId=\"9\" fontId=\"4\"/></cellXfs></styleSheet>";
    Styles s(doc.data(), doc.size());
    ASSERT_EQ(3, s.formatCount());
    XMLFormatImplT* a = s.format(0);
    XMLFormatImplT* b = s.format(1);
    a->setFillPattern(2);
    a->setBorderRight(2);
    EXPECT_EQ(2, a->fillPattern());
    EXPECT_EQ(1, b->fillPattern());
    EXPECT_EQ(1, a->borderLeft());  // the copy keeps what the record held
    EXPECT_EQ(0, b->borderRight());
    EXPECT_EQ(10, a->patternForegroundColor());  // the copy keeps its red (palette 10)
    XMLFormatImplT* c = s.format(2);
    EXPECT_EQ(nullptr, c->font());
    EXPECT_EQ(0, c->fillPattern());
    EXPECT_EQ(0, c->borderLeft());
    EXPECT_EQ(3u, s.root().fills.peek()->fill.size());
    // A loaded b val="0" is not bold; setting bold makes it bold.
    XMLFontImplT* font = s.font(0);
    EXPECT_FALSE(font->bold());
    font->setBold(true);
    EXPECT_TRUE(font->bold());
    EXPECT_EQ(10, font->size());
}

// New formats share the empty fill and border that are there (those of a
// new book, or the first empty ones a file has), copy them on their first
// change, and stop at the 64,000 cell formats the applications open.
TEST(XlsxStyles, NewFormatsShareTheEmptyRecordsUpToTheLimit)
{
    const std::string odd =
        "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<fonts count=\"1\"><font><sz val=\"11\"/></font></fonts>"
        "<fills count=\"3\"><fill><patternFill patternType=\"solid\"><fgColor rgb=\"FFFF0000\"/></patternFill>"
        "</fill><fill><patternFill patternType=\"none\"/></fill><fill><patternFill patternType=\"none\"/></fill>"
        "</fills><borders count=\"2\"><border><left style=\"thin\"/></border><border><left/></border></borders>"
        "<cellStyleXfs count=\"1\"><xf/></cellStyleXfs>"
        "<cellXfs count=\"1\"><xf fillId=\"0\" borderId=\"0\"/></cellXfs></styleSheet>";
    const struct {
        const char* what;
        std::string doc;
        std::size_t fills, borders;  // the records there
        unsigned fillId, borderId;   // those shared
    } cases[] = {
        {"a new book", "", 2, 1, 0, 0},
        // Fill 1 is the reserved gray125 whatever it holds.
        {"a file's records", odd, 3, 2, 2, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto s = c.doc.empty() ? std::make_unique<Styles>() : std::make_unique<Styles>(c.doc.data(), c.doc.size());
        std::vector<XMLFormatImplT*> made;
        for (int i = 0; i < 100; ++i) made.push_back(s->addFormat());
        // A copy of format 0 through the interface changes nothing either.
        for (XMLFormatImplT* f : {made[1], made[2]}) {
            f->setFillPattern(0);
            f->setBorderLeft(0);
            f->setBorderDiagonal(0);
            f->setPatternForegroundColor(f->patternForegroundColor());
            f->setBorderLeftColor(-1);
        }
        EXPECT_EQ(s->root().fills.peek()->fill.size(), c.fills);
        EXPECT_EQ(s->root().borders.peek()->border.size(), c.borders);
        for (XMLFormatImplT* f : made) {
            EXPECT_EQ(f->record().fillId.value, c.fillId);
            EXPECT_EQ(f->record().borderId.value, c.borderId);
            EXPECT_EQ(f->fillPattern(), 0);
            EXPECT_EQ(f->borderLeft(), 0);
        }
        // A change gives the format records of its own; the others keep
        // theirs.
        made[0]->setFillPattern(1);
        made[0]->setBorderTop(2);
        EXPECT_EQ(made[0]->fillPattern(), 1);
        EXPECT_EQ(made[0]->borderTop(), 2);
        EXPECT_EQ(s->root().fills.peek()->fill.size(), c.fills + 1);
        EXPECT_EQ(s->root().borders.peek()->border.size(), c.borders + 1);
        EXPECT_EQ(made[1]->fillPattern(), 0);
        EXPECT_EQ(made[1]->borderTop(), 0);
        made[1]->setFillPattern(1);
        EXPECT_EQ(made[1]->fillPattern(), 1);
        EXPECT_EQ(made[0]->fillPattern(), 1);
        made[1]->setFillPattern(0);
        EXPECT_EQ(made[1]->fillPattern(), 0);
        EXPECT_EQ(made[0]->fillPattern(), 1);
        EXPECT_EQ(made[2]->fillPattern(), 0);

        while (s->formatCount() < 64000) ASSERT_NE(s->addFormat(), nullptr);
        std::string refused;
        try {
            s->addFormat();
        } catch (const std::exception& e) {
            refused = e.what();
        }
        EXPECT_EQ(refused, "too many formats");
        EXPECT_EQ(s->formatCount(), 64000);
        EXPECT_EQ(s->root().cellXfs.peek()->xf.size(), 64000u);
        EXPECT_EQ(s->root().fills.peek()->fill.size(), c.fills + 2);
        EXPECT_EQ(s->root().borders.peek()->border.size(), c.borders + 1);
    }
}

// A stylesheet without records (valid, and written so by some programs)
// gets the base records before its first new format: format 0, which every
// unstyled cell uses, stays plain, and the new format comes after it.
TEST(XlsxStyles, EmptyStylesheetGetsItsBaseRecordsFirst)
{
    const std::string doc = "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"/>";
    Styles s(doc.data(), doc.size());
    EXPECT_EQ(0, s.formatCount());
    XMLFormatImplT* f = s.addFormat();
    EXPECT_EQ(2, s.formatCount());
    EXPECT_EQ(1, s.formatIndex(f));
    f->setFillPattern(1);
    EXPECT_EQ(0, s.format(0)->fillPattern());
    EXPECT_EQ(1, s.fontCount());
    EXPECT_EQ(u"Calibri", u16string(s.font(0)->name()));
    const std::string x = written(s);
    for (const char* part : {"<fills count=\"3\">", "patternType=\"gray125\"", "<cellXfs count=\"2\">",
                             "<cellStyleXfs count=\"1\">"})
        EXPECT_TRUE(contains(x, part)) << part << "\n" << x;
    Styles other(doc.data(), doc.size());
    EXPECT_NE(nullptr, other.addFont());
    EXPECT_EQ(2, other.fontCount());
    EXPECT_EQ(1, other.formatCount());
}

TEST(XlsxStyles, FontOperations)
{
    Styles s;
    XMLFontImplT* f = s.addFont();
    EXPECT_EQ(u"", u16string(f->name()));
    EXPECT_EQ(11, f->size());
    EXPECT_EQ(8, f->color());
    f->setBold(true);
    f->setBold(true);
    EXPECT_EQ(1u, f->record().inner_CT_Font.size());
    f->setBold(false);
    EXPECT_FALSE(f->bold());
    f->setSize(14);
    EXPECT_EQ(14, f->size());
    f->setUnderline(34);
    EXPECT_EQ(34, f->underline());
    f->setUnderline(0);
    f->setUnderline(5);
    EXPECT_EQ(1, f->underline());
    f->setScript(1);
    EXPECT_EQ(1, f->script());
    f->setScript(0);
    EXPECT_EQ(0, f->script());
    f->setColor(-1);
    s.setRgbMode(true);
    f->setColor(0x00FF00);
    EXPECT_EQ(0x00FF00, f->color());
    EXPECT_TRUE(contains(written(s), "<color rgb=\"FF00FF00\"/>"));
}

TEST(XlsxBookFormats, DatesColoursAndCopies)
{
    Book book;
    struct DateCase {
        int y, m, d, h, mi;
        double serial;
    };
    for (const DateCase& c : std::vector<DateCase>{{1900, 1, 1, 0, 0, 1}, {1900, 2, 28, 0, 0, 59},
                                                    {2000, 1, 1, 12, 0, 36526.5}}) {
        EXPECT_EQ(c.serial, book->packedDate(c.y, c.m, c.d, c.h, c.mi, 0, 0));
        int y, m, d, h, mi, sec, t;
        ASSERT_TRUE(book->unpackedDate(c.serial, &y, &m, &d, &h, &mi, &sec, &t));
        EXPECT_EQ(c.y, y);
        EXPECT_EQ(c.m, m);
        EXPECT_EQ(c.d, d);
        EXPECT_EQ(c.h, h);
    }
    int y, m, d;
    ASSERT_TRUE(book->unpackedDate(60, &y, &m, &d, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(29, d);
    EXPECT_EQ(0x123456, book->packColor(0x12, 0x34, 0x56));
    EXPECT_FALSE(book->refR1C1());
    book->setRefR1C1(true);
    EXPECT_TRUE(book->refR1C1());
    EXPECT_TRUE(book->setLocale("C"));

    // A red RGB format of one book copied into another stays red.
    Book other;
    other->setRgbMode(true);
    IFormatT* red = other->addFormat(nullptr);
    ASSERT_NE(red, nullptr);
    red->setFillPattern(1);
    red->setPatternForegroundColor(0xFF0000);
    IFontT* font = other->addFont(nullptr);
    font->setColor(0xFF0000);
    font->setBold(true);
    red->setFont(font);
    red->setNumFormat(other->addCustomNumFormat(u"0.00%"));
    IFormatT* copy = book->addFormat(red);
    ASSERT_NE(copy, nullptr);
    EXPECT_FALSE(book->rgbMode());
    book->setRgbMode(true);
    EXPECT_EQ(0xFF0000, copy->patternForegroundColor());
    EXPECT_EQ(0xFF0000, copy->font()->color());
    EXPECT_TRUE(copy->font()->bold());
    EXPECT_EQ(u"0.00%", u16string(book->customNumFormat(copy->numFormat())));
    EXPECT_EQ(nullptr, book->customNumFormat(14));
    EXPECT_EQ(2, book->formatCount());
}

// A sheet of another book, of either file format and date system, is not
// copied: its dates would move by the difference of the date systems and
// its formats and strings belong to that book. The copy is refused with a
// message and the book is left as it was.
TEST(XlsxBookFormats, SheetsOfAnotherBookAreRefused)
{
    Book xlsx;
    IBookT* xls = createXlsBook();
    ASSERT_NE(xls, nullptr);
    ISheetT* xlsSheet = xls->addSheet(u"Dates", nullptr);
    ASSERT_NE(xlsSheet, nullptr);
    ASSERT_TRUE(xlsSheet->writeNumber(0, 0, 36526.5, nullptr));
    Book other;
    ISheetT* otherSheet = other->addSheet(u"Dates", nullptr);
    ASSERT_NE(otherSheet, nullptr);
    ASSERT_NE(xlsx->addSheet(u"Mine", nullptr), nullptr);
    for (ISheetT* foreign : {xlsSheet, otherSheet}) {
        EXPECT_EQ(nullptr, xlsx->addSheet(u"Copy", foreign));
        EXPECT_STREQ("initSheet belongs to another book", xlsx->errorMessage());
        EXPECT_EQ(nullptr, xlsx->insertSheet(0, u"Copy", foreign));
        EXPECT_EQ(1, xlsx->sheetCount());
    }
    ISheetT* mine = xlsx->sheet(0);
    EXPECT_EQ(nullptr, xls->addSheet(u"Copy", mine));
    EXPECT_STREQ("initSheet belongs to another book", xls->errorMessage());
    EXPECT_EQ(1, xls->sheetCount());
    xls->release();
}

// A .xls format copied into a .xlsx book keeps its custom number format by
// its text and its palette colours, also in a book in RGB mode; a .xlsx
// format copied into a .xls book hands its colours over as palette indexes
// whatever the colour mode of its book.
TEST(XlsxBookFormats, FormatsCopiedAcrossFileFormats)
{
    IBookT* xls = createXlsBook();
    ASSERT_NE(xls, nullptr);
    IFormatT* source = xls->addFormat(nullptr);
    source->setNumFormat(xls->addCustomNumFormat(u"0.00 \"t\""));
    source->setFillPattern(1);
    source->setPatternForegroundColor(10);  // red in the default palette
    source->setBorderLeft(2);
    source->setBorderLeftColor(12);         // blue
    for (bool rgb : {false, true}) {
        Book book;
        book->setRgbMode(rgb);
        IFormatT* copy = book->addFormat(source);
        ASSERT_NE(copy, nullptr) << book->errorMessage();
        EXPECT_EQ(rgb, book->rgbMode());
        EXPECT_EQ(u"0.00 \"t\"", u16string(book->customNumFormat(copy->numFormat())));
        EXPECT_EQ(1, copy->fillPattern());
        EXPECT_EQ(2, copy->borderLeft());
        book->setRgbMode(true);
        EXPECT_EQ(0xFF0000, copy->patternForegroundColor()) << "in a book in RGB mode " << rgb;
        EXPECT_EQ(0x0000FF, copy->borderLeftColor()) << "in a book in RGB mode " << rgb;
    }
    Book book;
    book->setRgbMode(true);
    IFormatT* xml = book->addFormat(nullptr);
    xml->setPatternForegroundColor(0x00FF00);
    xml->setNumFormat(book->addCustomNumFormat(u"0.0 \"g\""));
    IFormatT* back = xls->addFormat(xml);
    ASSERT_NE(back, nullptr) << xls->errorMessage();
    EXPECT_EQ(11, back->patternForegroundColor()) << "green in the default palette";
    EXPECT_EQ(u"0.0 \"g\"", u16string(xls->customNumFormat(back->numFormat())));
    EXPECT_TRUE(book->rgbMode()) << "the source book keeps its colour mode";
    xls->release();
}

}  // namespace
}  // namespace celvo
