// Pictures of a .xlsx book: recognising picture bytes, the book's picture
// list, placing pictures on a sheet through its drawing part and reading
// their anchors back, before and after a save, and as openpyxl and
// LibreOffice see them; the sheet's comments and cell references.
#include "test_support.h"

#include <cmath>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "../xls/picture_fixtures.h"
#include "book.h"
#include "celvo/factory.h"
#include "celvo/picture_kind.h"
#include "part_content_types.h"
#include "part_drawing.h"
#include "part_relationships.h"
#include "sheet.h"

namespace celvo {
namespace {

using test::PictureBytes;

// A placeable metafile: its 22-byte header, the metafile header and the
// closing record.
PictureBytes placeableWmf()
{
    PictureBytes b;
    auto le = [&b](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    le(0x9AC6CDD7, 4);
    le(0, 2);
    for (std::uint32_t v : {0u, 0u, 1440u, 720u}) le(v, 2);
    le(1440, 2);
    le(0, 4);
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < 20; i += 2) sum ^= static_cast<std::uint16_t>(b[i] | (b[i + 1] << 8));
    le(sum, 2);
    le(1, 2), le(9, 2), le(0x0300, 2), le(12, 4), le(0, 2), le(3, 4), le(0, 2);
    le(3, 4), le(0, 2);
    return b;
}

PictureBytes withSof(std::uint8_t marker)
{
    PictureBytes j = test::jpegJfif();
    for (std::size_t i = 0; i + 1 < j.size(); ++i)
        if (j[i] == 0xFF && j[i + 1] == 0xC0) j[i + 1] = marker;
    return j;
}

TEST(PictureKinds, KindAndSizeByContent)
{
    PictureBytes noFrame{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0x00, 0x00, 0xFF, 0xD9};
    PictureBytes badLength{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x00, 0xFF, 0xC0, 0, 0x11, 8, 0, 9, 0, 9};
    PictureBytes shortPng = test::png8();
    shortPng.resize(20);
    PictureBytes coreBmp = test::bmpFile(3, 2);
    coreBmp[14] = 12, coreBmp[18] = 5, coreBmp[19] = 0, coreBmp[20] = 7, coreBmp[21] = 0;
    const struct {
        const char* what;
        PictureBytes bytes;
        int type;
        std::uint32_t width, height;
    } cases[] = {
        {"PNG", test::png8(), kPicturePng, 8, 8},
        {"PNG cut inside its header", shortPng, kPictureError, 0, 0},
        {"JPEG of a JFIF header", test::jpegJfif(), kPictureJpeg, 8, 8},
        {"JPEG of an EXIF header", test::jpegExif(), kPictureJpeg, 8, 8},
        {"progressive JPEG", withSof(0xC2), kPictureJpeg, 8, 8},
        {"JPEG of a later frame kind", withSof(0xC9), kPictureJpeg, 8, 8},
        {"JPEG without a frame", noFrame, kPictureJpeg, 0, 0},
        {"JPEG with a segment length below 2", badLength, kPictureJpeg, 0, 0},
        {"bitmap", test::bmpFile(640, 4), kPictureDib, 640, 4},
        {"top-down bitmap", test::bmpFile(5, 3, true), kPictureDib, 5, 3},
        {"bitmap of the core header", coreBmp, kPictureDib, 5, 7},
        {"placeable metafile", placeableWmf(), kPictureWmf, 200, 200},
        {"text", PictureBytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}, kPictureError, 0, 0},
        {"nothing", PictureBytes{}, kPictureError, 0, 0},
    };
    for (const auto& c : cases) {
        const PictureKind k = pictureKind(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(k.type, c.type) << c.what;
        EXPECT_EQ(k.width, c.width) << c.what;
        EXPECT_EQ(k.height, c.height) << c.what;
    }
    EXPECT_EQ(pictureKind(nullptr, 10).type, kPictureError);
}

// A new book with one sheet.
struct Book {
    XMLBookImplT* book = new XMLBookImplT();
    XMLSheetImplT* sheet = nullptr;
    Book() { sheet = static_cast<XMLSheetImplT*>(book->addSheet(u"Pictures", nullptr)); }
    ~Book() { book->release(); }
    Book(const Book&) = delete;
    Book& operator=(const Book&) = delete;
    std::string message() const { return book->errorMessage(); }
    int add(const PictureBytes& b)
    {
        return book->addPictureFromMemory(reinterpret_cast<const char*>(b.data()), static_cast<unsigned>(b.size()));
    }
    // The book saved and loaded again.
    void reload()
    {
        const char* data = nullptr;
        unsigned size = 0;
        ASSERT_TRUE(book->saveToMemory(&data, &size)) << message();
        const std::string bytes(data, size);
        ASSERT_TRUE(book->loadFromMemory(bytes.data(), static_cast<unsigned>(bytes.size()))) << message();
        sheet = static_cast<XMLSheetImplT*>(book->sheet(0));
        ASSERT_NE(sheet, nullptr);
    }
};

struct Anchor {
    int rowTop = -9, colLeft = -9, rowBottom = -9, colRight = -9, width = -9, height = -9, offX = -9, offY = -9;
    bool operator==(const Anchor& o) const
    {
        return rowTop == o.rowTop && colLeft == o.colLeft && rowBottom == o.rowBottom && colRight == o.colRight &&
               width == o.width && height == o.height && offX == o.offX && offY == o.offY;
    }
};

std::ostream& operator<<(std::ostream& os, const Anchor& a)
{
    return os << "rows " << a.rowTop << "-" << a.rowBottom << " cols " << a.colLeft << "-" << a.colRight << " size "
              << a.width << "x" << a.height << " offsets " << a.offX << "," << a.offY;
}

Anchor anchorOf(XMLSheetImplT& sheet, int index, int* id = nullptr)
{
    Anchor a;
    const int got = sheet.getPicture(index, &a.rowTop, &a.colLeft, &a.rowBottom, &a.colRight, &a.width, &a.height,
                                     &a.offX, &a.offY);
    if (id) *id = got;
    return a;
}

// Placements on a sheet of 64-pixel columns and 20-pixel rows: where the
// far corner lands, and what getPicture reads back.
TEST(XlsxSheetPictures, AnchorsOfPlacedPictures)
{
    const struct {
        const char* what;
        int row, col, width, height, offX, offY;
        Anchor want;
        const char* message;
    } cases[] = {
        {"100 x 30 at A1", 0, 0, 100, 30, 0, 0, {0, 0, 1, 1, 100, 30, 0, 0}, "ok"},
        {"exactly one cell", 0, 0, 64, 20, 0, 0, {0, 0, 1, 1, 64, 20, 0, 0}, "ok"},
        {"with offsets", 2, 3, 10, 5, 60, 18, {2, 3, 3, 4, 10, 5, 60, 18}, "ok"},
        {"offset_x past the cell", 0, 0, 10, 10, 100, 0, {0, 0, 0, 1, 10, 10, 64, 0},
         "warning: offset_x exceed cell's width"},
        {"both offsets past the cell", 0, 0, 10, 10, 100, 30, {0, 0, 1, 1, 10, 10, 64, 20},
         "warning: offset_x and offset_y exceed cell's size"},
        {"to the end of the cell", 4, 4, -1, -1, 0, 0, {4, 4, 5, 5, 64, 20, 0, 0}, "ok"},
        {"at the last cell", 1048575, 16383, 1000, 1000, 0, 0, {1048575, 16383, 1048575, 16383, 64, 20, 0, 0}, "ok"},
    };
    for (const auto& c : cases) {
        Book b;
        const int id = b.add(test::png8());
        ASSERT_EQ(id, 0) << b.message();
        b.sheet->setPictureWithSize(c.row, c.col, id, c.width, c.height, c.offX, c.offY);
        EXPECT_EQ(b.message(), c.message) << c.what;
        ASSERT_EQ(b.sheet->pictureCount(), 1) << c.what << ": " << b.message();
        int got = -1;
        EXPECT_EQ(anchorOf(*b.sheet, 0, &got), c.want) << c.what << ": " << b.message();
        EXPECT_EQ(got, id) << c.what;
        b.reload();
        EXPECT_EQ(anchorOf(*b.sheet, 0, &got), c.want) << c.what << " after a save: " << b.message();
        EXPECT_EQ(got, id) << c.what;
    }
}

// Pixels of a width in characters for a font whose widest digit is d
// pixels wide, worked out here on their own.
int columnPixels(double w, int d)
{
    return static_cast<int>(std::floor(((256 * w + std::floor(128.0 / d)) / 256) * d));
}

// The far corner of a picture on a sheet whose columns and rows have sizes
// of their own: column widths from the column items (the first item holding
// a column gives its width) or the sheet's default width, in the digit
// width of the book's font; row heights from the rows or the sheet's
// default height.
TEST(XlsxSheetPictures, AnchorsOverColumnsAndRowsOfTheirOwnSizes)
{
    auto column = [](XMLSheetImplT& s, unsigned first, unsigned last, double width) {
        sheet::c_CT_Col* c = (s.root().cols.size() ? s.root().cols.at(0) : s.root().cols.append())->col.append();
        c->set_min(first + 1);
        c->set_max(last + 1);
        c->set_width(width);
        c->set_customWidth(true);
    };
    auto rowHeight = [](XMLSheetImplT& s, int row, double points) {
        s.writeNumber(row, 0, 1, nullptr);
        s.findRow(row)->set_ht(points);
    };
    Book probe;
    const int d = probe.sheet->digitWidth();
    ASSERT_GT(d, 0);
    // Widths whose pixels show the padding of the formula; each picture
    // ends a pixel before a column's end.
    const int w20 = columnPixels(20.1, d), w5 = columnPixels(5.1, d), w10 = columnPixels(10.1, d);
    const struct {
        const char* what;
        std::function<void(XMLSheetImplT&)> setup;
        int row, col, width, height;
        Anchor want;
    } cases[] = {
        {"a wide column", [&](XMLSheetImplT& s) { column(s, 1, 1, 20.1); }, 0, 0, 64 + w20 - 1, 10,
         {0, 0, 0, 1, 64 + w20 - 1, 10, 0, 0}},
        {"overlapping column items: the first holds", [&](XMLSheetImplT& s) {
             column(s, 2, 3, 20.1);
             column(s, 3, 4, 5.1);
         }, 0, 2, w20 + w20 + w5 - 1, 10, {0, 2, 0, 4, w20 + w20 + w5 - 1, 10, 0, 0}},
        {"the sheet's default width", [&](XMLSheetImplT& s) {
             s.root().get_sheetFormatPr()->set_defaultColWidth(10.1);
             s.root().get_sheetFormatPr()->set_defaultRowHeight(15);
         },
         0, 0, 2 * w10 - 1, 10, {0, 0, 0, 1, 2 * w10 - 1, 10, 0, 0}},
        {"a tall row", [&](XMLSheetImplT& s) { rowHeight(s, 1, 30); }, 0, 0, 10, 20 + 40 + 7,
         {0, 0, 2, 0, 10, 67, 0, 0}},
        {"the sheet's default height", [&](XMLSheetImplT& s) { s.root().get_sheetFormatPr()->set_defaultRowHeight(12); },
         0, 0, 10, 48, {0, 0, 3, 0, 10, 48, 0, 0}},
    };
    for (const auto& c : cases) {
        Book b;
        c.setup(*b.sheet);
        const int id = b.add(test::png8());
        b.sheet->setPictureWithSize(c.row, c.col, id, c.width, c.height, 0, 0);
        EXPECT_EQ(b.message(), "ok") << c.what;
        EXPECT_EQ(anchorOf(*b.sheet, 0), c.want) << c.what << ": " << b.message();
        b.reload();
        EXPECT_EQ(anchorOf(*b.sheet, 0), c.want) << c.what << " after a save: " << b.message();
    }
}

// Size -1 covers the cell to its end, or the merged range holding it: the
// picture starts at the range's first row (for height -1) or column (for
// width -1) and ends where the range ends; offsets are clamped to the
// range's first cell.
TEST(XlsxSheetPictures, SizeMinusOneCoversTheMergedRange)
{
    const struct {
        const char* what;
        int row, col, width, height, offX, offY;
        Anchor want;
    } cases[] = {
        {"both sizes inside the range", 3, 2, -1, -1, 0, 0, {2, 1, 5, 4, 192, 60, 0, 0}},
        {"width only", 3, 2, -1, 30, 0, 0, {3, 1, 4, 4, 192, 30, 0, 0}},
        {"height only", 3, 2, 100, -1, 0, 0, {2, 2, 5, 3, 100, 60, 0, 0}},
        {"with offsets", 3, 2, -1, -1, 10, 5, {2, 1, 5, 4, 182, 55, 10, 5}},
        {"outside the range", 0, 0, -1, -1, 0, 0, {0, 0, 1, 1, 64, 20, 0, 0}},
        {"a range at the sheet's end", 1048575, 0, -1, -1, 0, 0, {1048574, 0, 1048575, 2, 128, 40, 0, 0}},
    };
    for (const auto& c : cases) {
        Book b;
        ASSERT_TRUE(b.sheet->setMerge(2, 4, 1, 3)) << b.message();
        ASSERT_TRUE(b.sheet->setMerge(1048574, 1048575, 0, 1)) << b.message();
        const int id = b.add(test::png8());
        b.sheet->setPictureWithSize(c.row, c.col, id, c.width, c.height, c.offX, c.offY);
        EXPECT_EQ(b.message(), "ok") << c.what;
        EXPECT_EQ(anchorOf(*b.sheet, 0), c.want) << c.what << ": " << b.message();
        b.reload();
        EXPECT_EQ(anchorOf(*b.sheet, 0), c.want) << c.what << " after a save: " << b.message();
    }
}

TEST(XlsxSheetPictures, ScaledPicturesOfEveryKind)
{
    const struct {
        const char* what;
        PictureBytes bytes;
        double scale;
        int type, width, height;
    } cases[] = {
        {"PNG", test::png8(), 2, kPicturePng, 16, 16},
        {"JPEG of an EXIF header", test::jpegExif(), 1, kPictureJpeg, 8, 8},
        {"metafile", placeableWmf(), 0.5, kPictureWmf, 100, 100},
        {"top-down bitmap", test::bmpFile(200, 100, true), 0.5, kPictureDib, 100, 50},
    };
    Book b;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const int id = b.add(c.bytes);
        ASSERT_EQ(id, static_cast<int>(i)) << c.what << ": " << b.message();
        b.sheet->setPicture(static_cast<int>(i) * 10, 1, id, c.scale, 0, 0);
        EXPECT_EQ(b.message(), "ok") << c.what;
    }
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_EQ(b.book->pictureCount(), static_cast<int>(std::size(cases)));
        ASSERT_EQ(b.sheet->pictureCount(), static_cast<int>(std::size(cases))) << b.message();
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const auto& c = cases[i];
            const char* data = nullptr;
            unsigned size = 0;
            EXPECT_EQ(b.book->getPicture(static_cast<int>(i), &data, &size), c.type) << c.what;
            EXPECT_EQ(PictureBytes(data, data + size), c.bytes) << c.what << " pass " << pass;
            int id = -1;
            const Anchor a = anchorOf(*b.sheet, static_cast<int>(i), &id);
            EXPECT_EQ(id, static_cast<int>(i)) << c.what;
            EXPECT_EQ(a.rowTop, static_cast<int>(i) * 10) << c.what;
            EXPECT_EQ(a.width, c.width) << c.what;
            EXPECT_EQ(a.height, c.height) << c.what;
        }
        b.reload();
    }
}

TEST(XlsxSheetPictures, RefusedPlacementsChangeNothing)
{
    Book b;
    const PictureBytes text{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'};
    EXPECT_EQ(b.add(text), -1);
    EXPECT_EQ(b.message(), "unknown picture format");
    EXPECT_EQ(b.book->pictureCount(), 0);
    const int id = b.add(test::png8());
    const struct {
        const char* what;
        int row, col, pictureId, width, height, offX, offY;
        const char* message;
    } cases[] = {
        {"a picture the book lacks", 0, 0, 5, 10, 10, 0, 0, "pictureId is out of range"},
        {"a negative picture id", 0, 0, -1, 10, 10, 0, 0, "pictureId is out of range"},
        {"a row off the sheet", 1048576, 0, id, 10, 10, 0, 0, "row must be in range 0-1048575"},
        {"a column off the sheet", 0, 16384, id, 10, 10, 0, 0, "col must be in range 0-16383"},
        {"a negative width", 0, 0, id, -2, 10, 0, 0, "width and height must not be negative"},
        {"a negative offset", 0, 0, id, 10, 10, -1, 0, "offset_x and offset_y must not be negative"},
    };
    for (const auto& c : cases) {
        b.sheet->setPictureWithSize(c.row, c.col, c.pictureId, c.width, c.height, c.offX, c.offY);
        EXPECT_EQ(b.message(), c.message) << c.what;
        EXPECT_EQ(b.sheet->pictureCount(), 0) << c.what;
        EXPECT_FALSE(b.sheet->root().drawing.has()) << c.what;
    }
    b.sheet->setPicture(0, 0, id, -1, 0, 0);
    EXPECT_EQ(b.message(), "scale must be a number of 0 or more");
    EXPECT_EQ(b.sheet->getPicture(0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(b.message(), "picture index is out of range");
}

TEST(XlsxSheetPictures, TwoPicturesShareOneDrawingPart)
{
    Book b;
    const int png = b.add(test::png8());
    const int jpeg = b.add(test::jpegJfif());
    b.sheet->setPictureWithSize(0, 0, png, 10, 10, 0, 0);
    b.sheet->setPictureWithSize(5, 5, jpeg, 10, 10, 0, 0);
    u16string name;
    ASSERT_NE(b.sheet->drawingPart(&name), nullptr);
    EXPECT_EQ(name, u"/xl/drawings/drawing1.xml");
    const Relationships* sheetRels = b.book->relationshipsOf(b.book->parts().nameOf(b.sheet));
    ASSERT_NE(sheetRels, nullptr);
    EXPECT_EQ(sheetRels->ofType(u"drawing").size(), 1u);
    EXPECT_EQ(sheetRels->targetById(b.sheet->root().drawing.peek()->id.value), u"../drawings/drawing1.xml");
    const Relationships* drawingRels = b.book->relationshipsOf(name);
    ASSERT_NE(drawingRels, nullptr);
    ASSERT_EQ(drawingRels->ofType(u"image").size(), 2u);
    EXPECT_EQ(drawingRels->ofType(u"image")[0]->Target.value, u"../media/image1.png");
    EXPECT_EQ(drawingRels->ofType(u"image")[1]->Target.value, u"../media/image2.jpeg");
    EXPECT_EQ(b.book->contentTypes().contentType(name), u"application/vnd.openxmlformats-officedocument.drawing+xml");
    EXPECT_EQ(b.book->contentTypes().contentType(u"/xl/media/image2.jpeg"), u"image/jpeg");
    int id = -1;
    anchorOf(*b.sheet, 1, &id);
    EXPECT_EQ(id, jpeg);
}

// A deleted sheet takes its drawing (and the drawing's relationships) with
// it; a copy made from the sheet keeps its own drawing, and the image both
// showed stays, a picture of the book.
TEST(XlsxSheetPictures, DeletedSheetTakesItsDrawingAndLeavesTheCopys)
{
    Book b;
    const int png = b.add(test::png8());
    b.sheet->setPictureWithSize(2, 1, png, 30, 20, 3, 4);
    b.sheet->writeString(0, 0, u"original", nullptr);
    auto* copy = static_cast<XMLSheetImplT*>(b.book->addSheet(u"Copy", b.sheet));
    ASSERT_NE(copy, nullptr) << b.message();
    u16string original, copied;
    ASSERT_NE(b.sheet->drawingPart(&original), nullptr);
    ASSERT_NE(copy->drawingPart(&copied), nullptr);
    ASSERT_NE(original, copied);
    const Anchor anchor = anchorOf(*copy, 0);
    ASSERT_TRUE(b.book->deleteSheet(0)) << b.message();
    EXPECT_FALSE(b.book->parts().contains(original));
    EXPECT_FALSE(b.book->parts().contains(relsPartName(original)));
    EXPECT_FALSE(b.book->contentTypes().hasOverride(original));
    EXPECT_TRUE(b.book->parts().contains(copied));
    EXPECT_TRUE(b.book->parts().contains(relsPartName(copied)));
    EXPECT_TRUE(b.book->parts().contains(u"/xl/media/image1.png"));
    EXPECT_EQ(b.book->pictureCount(), 1);
    b.reload();
    EXPECT_EQ(u16string(b.sheet->name()), u"Copy");
    ASSERT_EQ(b.sheet->pictureCount(), 1);
    int id = -1;
    EXPECT_EQ(anchorOf(*b.sheet, 0, &id), anchor);
    EXPECT_EQ(id, png);
    EXPECT_EQ(u16string(b.sheet->readString(0, 0, nullptr)), u"original");
    // The last sheet with a drawing deleted: its drawing goes, the picture
    // of the book stays.
    ASSERT_NE(b.book->addSheet(u"Plain", nullptr), nullptr) << b.message();
    ASSERT_NE(b.sheet->drawingPart(&copied), nullptr);
    ASSERT_TRUE(b.book->deleteSheet(0)) << b.message();
    EXPECT_FALSE(b.book->parts().contains(copied));
    EXPECT_TRUE(b.book->parts().contains(u"/xl/media/image1.png"));
    EXPECT_EQ(b.book->pictureCount(), 1);
}

// A drawing whose marker names a column far past the sheet: the picture is
// counted but not placed, and nothing walks to that column.
TEST(XlsxSheetPictures, MarkerPastTheSheetIsRefused)
{
    Book b;
    b.sheet->setPictureWithSize(0, 0, b.add(test::png8()), 10, 10, 0, 0);
    Drawing* part = b.sheet->drawingPart(nullptr);
    ASSERT_NE(part, nullptr);
    drawing::c_CT_TwoCellAnchor* anchor = part->document().anchors.at(0)->find_twoCellAnchor();
    ASSERT_NE(anchor, nullptr);
    anchor->get_to()->set_col(2000000000);
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(b.sheet->pictureCount(), 1) << pass;
        EXPECT_EQ(b.sheet->getPicture(0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), -1);
        EXPECT_EQ(b.message(), "picture anchor is outside the sheet") << pass;
        b.reload();
    }
}

TEST(XlsxSheetPictures, OpenpyxlSeesThePictures)
{
    Book b;
    b.sheet->setPictureWithSize(0, 0, b.add(test::png8()), 100, 30, 0, 0);
    b.sheet->setPicture(3, 2, b.add(test::jpegExif()), 1, 5, 4);
    const std::string dir = test::processTempDir() + "xlsx_pictures/";
    test::runOutside("mkdir -p " + test::shellQuoted(dir));
    const std::string path = dir + "pictures.xlsx";
    ASSERT_TRUE(b.book->save(utf8ToUtf16(path).c_str())) << b.message();
    std::string out;
    CELVO_ASSERT_CHECKER(test::pythonScript(CELVO_XLSX_TEST_DIR "/pictures_openpyxl.py", test::shellQuoted(path)), out);
    EXPECT_EQ(out,
              "0 0 0 0 0 1 342900 1 95250 png " + std::to_string(test::png8().size()) + "\n"
              "0 2 47625 3 38100 2 123825 3 114300 jpeg " + std::to_string(test::jpegExif().size()) + "\n");
}

// A placeable metafile that draws a rectangle, for readers that show it.
PictureBytes drawnWmf()
{
    PictureBytes b = placeableWmf();
    b.resize(22 + 18);  // the two headers
    auto le = [&b](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    // The metafile's size in words and its largest record.
    const std::size_t header = 22;
    for (int i = 0; i < 4; ++i) b[header + 6 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(19u >> (8 * i));
    for (int i = 0; i < 4; ++i) b[header + 12 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(7u >> (8 * i));
    le(7, 4), le(0x041B, 2), le(700, 2), le(1400, 2), le(20, 2), le(20, 2);
    le(3, 4), le(0, 2);
    return b;
}

// Pictures of every kind added to books that have drawings of their own
// (pictures, charts, a text box) and to a new book: getPicture reads them
// back with their kinds and anchors, before and after a save, the books' own
// pictures keep theirs; an independent check of the saved packages finds the
// books' media, charts and anchors as they were, and LibreOffice shows the
// added pictures at their cells.
TEST(XlsxSheetPictures, PicturesAddedToBooksWithDrawings)
{
    CELVO_REQUIRE_CORPUS();
    CELVO_REQUIRE_LIBREOFFICE();
    const struct {
        const char* what;
        PictureBytes bytes;
        int type;
        bool raster;
        int row, col;
        double scale;  // 0: placed at the size below
        int width, height, offX, offY;
    } adds[] = {
        {"PNG", test::png8(), kPicturePng, true, 40, 1, 0, 100, 30, 0, 0},
        {"JPEG of an EXIF header", test::jpegExif(), kPictureJpeg, true, 40, 4, 4, 32, 32, 5, 3},
        {"metafile", drawnWmf(), kPictureWmf, false, 46, 1, 0.5, 100, 100, 0, 0},
        {"top-down bitmap", test::bmpFile(40, 20, true), kPictureDib, true, 46, 4, 2, 80, 40, 0, 0},
    };
    const char* books[] = {
        nullptr,  // a new book
        "xlsxwriter__image56.xlsx",
        "sheetjs__wps-image.xlsx",
        "excelize__Book1.xlsx",
        "xlsxwriter__textbox01.xlsx",
        "poi__stress024.xlsx",
    };
    const std::string dir = test::processTempDir() + "xlsx_pictures_added/";
    test::runOutside("rm -rf " + test::shellQuoted(dir) + " && mkdir -p " + test::shellQuoted(dir + "saved"));
    std::string listing;
    for (const char* name : books) {
        const std::string what = name ? name : "a new book";
        const std::string original = name ? test::corpusDir() + "/xlsx/" + name : "-";
        Book b;
        if (name) {
            ASSERT_TRUE(b.book->load(utf8ToUtf16(original).c_str())) << what << ": " << b.message();
            b.sheet = static_cast<XMLSheetImplT*>(b.book->sheet(0));
            ASSERT_NE(b.sheet, nullptr) << what;
        }
        // The book's own pictures on the sheet, and its picture list.
        const int ownPictures = b.sheet->pictureCount();
        ASSERT_GE(ownPictures, 0) << what << ": " << b.message();
        std::vector<Anchor> own;
        std::vector<int> ownIds;
        for (int i = 0; i < ownPictures; ++i) {
            int id = -1;
            own.push_back(anchorOf(*b.sheet, i, &id));
            ownIds.push_back(id);
        }
        const int bookPictures = b.book->pictureCount();
        std::vector<PictureBytes> ownMedia;
        for (int i = 0; i < bookPictures; ++i) {
            const char* data = nullptr;
            unsigned size = 0;
            b.book->getPicture(i, &data, &size);
            ownMedia.emplace_back(data, data + size);
        }

        std::vector<int> ids;
        for (const auto& a : adds) {
            ids.push_back(b.add(a.bytes));
            ASSERT_EQ(ids.back(), bookPictures + static_cast<int>(ids.size()) - 1) << what << ", " << a.what << ": "
                                                                                   << b.message();
            if (a.scale > 0)
                b.sheet->setPicture(a.row, a.col, ids.back(), a.scale, a.offX, a.offY);
            else
                b.sheet->setPictureWithSize(a.row, a.col, ids.back(), a.width, a.height, a.offX, a.offY);
            ASSERT_EQ(b.message(), "ok") << what << ", " << a.what;
        }
        std::string cells;
        for (int pass = 0; pass < 2; ++pass) {
            const std::string when = what + (pass ? " after a save" : "");
            ASSERT_EQ(b.book->pictureCount(), bookPictures + static_cast<int>(std::size(adds))) << when;
            ASSERT_EQ(b.sheet->pictureCount(), ownPictures + static_cast<int>(std::size(adds))) << when;
            for (int i = 0; i < ownPictures; ++i) {
                int id = -1;
                EXPECT_EQ(anchorOf(*b.sheet, i, &id), own[static_cast<std::size_t>(i)]) << when << ", picture " << i;
                EXPECT_EQ(id, ownIds[static_cast<std::size_t>(i)]) << when << ", picture " << i;
            }
            for (int i = 0; i < bookPictures; ++i) {
                const char* data = nullptr;
                unsigned size = 0;
                b.book->getPicture(i, &data, &size);
                EXPECT_EQ(PictureBytes(data, data + size), ownMedia[static_cast<std::size_t>(i)]) << when << ", " << i;
            }
            cells.clear();
            for (std::size_t k = 0; k < std::size(adds); ++k) {
                const auto& a = adds[k];
                const char* data = nullptr;
                unsigned size = 0;
                EXPECT_EQ(b.book->getPicture(ids[k], &data, &size), a.type) << when << ", " << a.what;
                EXPECT_EQ(PictureBytes(data, data + size), a.bytes) << when << ", " << a.what;
                int id = -1;
                const Anchor got = anchorOf(*b.sheet, ownPictures + static_cast<int>(k), &id);
                EXPECT_EQ(id, ids[k]) << when << ", " << a.what;
                EXPECT_EQ(got.rowTop, a.row) << when << ", " << a.what;
                EXPECT_EQ(got.colLeft, a.col) << when << ", " << a.what;
                EXPECT_EQ(got.width, a.width) << when << ", " << a.what;
                EXPECT_EQ(got.height, a.height) << when << ", " << a.what;
                EXPECT_EQ(got.offX, a.offX) << when << ", " << a.what;
                EXPECT_EQ(got.offY, a.offY) << when << ", " << a.what;
                cells += (k ? " " : "") + std::to_string(got.colLeft) + "," + std::to_string(got.rowTop) + "," +
                         std::to_string(got.colRight) + "," + std::to_string(got.rowBottom);
            }
            if (pass == 0) b.reload();
        }
        const std::string saved = dir + "saved/" + (name ? name : "new.xlsx");
        ASSERT_TRUE(b.book->save(utf8ToUtf16(saved).c_str())) << what << ": " << b.message();
        int raster = 0;
        for (const auto& a : adds) raster += a.raster ? 1 : 0;
        listing += original + "\t" + saved + "\t0\t" + std::to_string(raster) + "\t" + cells + "\n";
    }
    const std::string list = dir + "books.tsv";
    std::ofstream(list) << listing;
    std::string out;
    CELVO_ASSERT_CHECKER(test::pythonScript(CELVO_XLSX_TEST_DIR "/pictures_added_check.py",
                                            test::shellQuoted(list) + " " + test::shellQuoted(dir + "work")),
                         out);
}

// Cell references through the sheets of both kinds of book: the same
// reference text both ways, and the .xlsx sheet's own limits.
TEST(SheetReferences, BothKindsOfSheet)
{
    const struct {
        const char* what;
        int row, col;
        bool rowRelative, colRelative;
        const char16_t* text;  // null: refused on the .xlsx sheet
        const char* message;
        bool xlsToo;  // the .xls sheet gives the same
    } cases[] = {
        {"first cell, absolute", 0, 0, false, false, u"$A$1", "ok", true},
        {"relative", 2, 1, true, true, u"B3", "ok", true},
        {"relative row only", 11, 26, true, false, u"$AA12", "ok", true},
        {"last cell of a .xls sheet", 65535, 255, false, false, u"$IV$65536", "ok", true},
        {"last cell of a .xlsx sheet", 1048575, 16383, true, true, u"XFD1048576", "ok", false},
        {"a row past the sheet", 1048576, 0, true, true, nullptr, "row must be in range 0-1048575", false},
        {"a negative row", -1, 0, true, true, nullptr, "row must be in range 0-1048575", false},
        {"a column past the sheet", 0, 16384, true, true, nullptr, "col must be in range 0-16383", false},
    };
    IBookT* books[] = {createXlsxBook(), createXlsBook()};
    for (IBookT* book : books) {
        const bool xlsx = book == books[0];
        ISheetT* sheet = book->addSheet(u"References", nullptr);
        ASSERT_NE(sheet, nullptr);
        for (const auto& c : cases) {
            if (!xlsx && !c.xlsToo) continue;
            const std::string what = std::string(c.what) + (xlsx ? " (.xlsx)" : " (.xls)");
            const char16_t* got = sheet->rowColToCellReference(c.row, c.col, c.rowRelative, c.colRelative);
            EXPECT_EQ(book->errorMessage(), std::string(c.message)) << what;
            if (!c.text) {
                EXPECT_EQ(got, nullptr) << what;
                continue;
            }
            ASSERT_NE(got, nullptr) << what;
            EXPECT_EQ(u16string(got), u16string(c.text)) << what;
            int row = -9, col = -9;
            bool rowRelative = !c.rowRelative, colRelative = !c.colRelative;
            sheet->cellReferenceToRowCol(c.text, &row, &col, &rowRelative, &colRelative);
            EXPECT_EQ(book->errorMessage(), std::string("ok")) << what;
            EXPECT_EQ(row, c.row) << what;
            EXPECT_EQ(col, c.col) << what;
            EXPECT_EQ(rowRelative, c.rowRelative) << what;
            EXPECT_EQ(colRelative, c.colRelative) << what;
        }
        // Letters in either case, null outputs skipped.
        int row = -9;
        sheet->cellReferenceToRowCol(u"xfd7", &row, nullptr, nullptr, nullptr);
        EXPECT_EQ(row, 6) << xlsx;
        book->release();
    }
}

// The .xlsx sheet keeps no comments: reading and writing one is "not
// supported", and the comments of a loaded book are saved as they were.
TEST(XlsxSheetComments, NotSupportedAndKept)
{
    Book b;
    EXPECT_EQ(b.sheet->readComment(0, 0), nullptr);
    EXPECT_EQ(b.message(), "not supported");
    b.sheet->writeString(0, 0, u"x", nullptr);
    b.sheet->writeComment(0, 0, u"a comment", u"an author", 100, 50);
    EXPECT_EQ(b.message(), "not supported");
    EXPECT_EQ(b.sheet->readComment(0, 0), nullptr);
    EXPECT_EQ(b.message(), "not supported");

    CELVO_REQUIRE_CORPUS();
    const std::string source = test::corpusDir() + "/xlsx/excelize__Book1.xlsx";
    ASSERT_TRUE(b.book->load(utf8ToUtf16(source).c_str())) << b.message();
    XMLSheetImplT* sheet = static_cast<XMLSheetImplT*>(b.book->sheet(0));
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->readComment(0, 0), nullptr);
    EXPECT_EQ(b.message(), "not supported");
    sheet->writeComment(1, 1, u"another", u"an author", 100, 50);
    EXPECT_EQ(b.message(), "not supported");
    const std::string dir = test::processTempDir() + "xlsx_comments/";
    test::runOutside("mkdir -p " + test::shellQuoted(dir));
    const std::string saved = dir + "comments.xlsx";
    ASSERT_TRUE(b.book->save(utf8ToUtf16(saved).c_str())) << b.message();
    std::string out;
    CELVO_ASSERT_CHECKER(test::pythonScript(CELVO_XLSX_TEST_DIR "/parts_kept_check.py",
                                            test::shellQuoted(source) + " " + test::shellQuoted(saved) +
                                                " xl/comments1.xml xl/drawings/vmlDrawing1.vml"),
                         out);
}

}  // namespace
}  // namespace celvo
