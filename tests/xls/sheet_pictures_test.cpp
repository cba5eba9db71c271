// Pictures placed on sheets: the shapes and objects added to the sheet's
// drawing, the picture list with its anchors, refusals that leave the
// drawing as it was, files saved and loaded again, and what an independent
// application finds in the saved files.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "book_test_util.h"
#include "celvo/file.h"
#include "picture_data.h"
#include "picture_fixtures.h"
#include "picture_shape.h"
#include "sheet.h"
#include "test_support.h"

namespace celvo {
namespace {

using namespace test;

int addPicture(BookHolder& book, const PictureBytes& p)
{
    return book->addPictureFromMemory(reinterpret_cast<const char*>(p.data()), static_cast<unsigned>(p.size()));
}

SheetImplT& sheetOf(ISheetT* s) { return *static_cast<SheetImplT*>(s); }

struct Anchor {
    int rowTop, colLeft, rowBottom, colRight, width, height, offsetX, offsetY, picture;
    bool operator==(const Anchor& o) const
    {
        return rowTop == o.rowTop && colLeft == o.colLeft && rowBottom == o.rowBottom && colRight == o.colRight &&
               width == o.width && height == o.height && offsetX == o.offsetX && offsetY == o.offsetY &&
               picture == o.picture;
    }
};

std::ostream& operator<<(std::ostream& os, const Anchor& a)
{
    return os << "{" << a.rowTop << "," << a.colLeft << "," << a.rowBottom << "," << a.colRight << ", " << a.width
              << "x" << a.height << " +" << a.offsetX << "+" << a.offsetY << " pic " << a.picture << "}";
}

Anchor anchorOf(ISheetT* s, int index)
{
    Anchor a{};
    a.picture = s->getPicture(index, &a.rowTop, &a.colLeft, &a.rowBottom, &a.colRight, &a.width, &a.height,
                              &a.offsetX, &a.offsetY);
    return a;
}

Bytes saved(BookHolder& book)
{
    const char* data = nullptr;
    unsigned size = 0;
    EXPECT_TRUE(book->saveToMemory(&data, &size)) << book->errorMessage();
    return data ? Bytes(data, data + size) : Bytes();
}

void load(BookHolder& book, const Bytes& file)
{
    ASSERT_TRUE(book->loadFromMemory(reinterpret_cast<const char*>(file.data()), static_cast<unsigned>(file.size())))
        << book->errorMessage();
}

// Every OBJ id of a sheet's drawing.
std::vector<std::uint16_t> objectIds(const MsoDrawing& d)
{
    std::vector<std::uint16_t> ids;
    for (const DrawingBlock& b : d.blocks())
        for (const auto& o : b.objects)
            if (const auto* obj = dynamic_cast<const Obj*>(o.get())) ids.push_back(obj->id);
    return ids;
}

TEST(SheetPictures, PlacedPicturesAreListedWithTheirAnchors)
{
    BookHolder book;
    ISheetT* sheet = book->addSheet(u"Pictures", nullptr);
    ASSERT_EQ(addPicture(book, png8()), 0);
    ASSERT_EQ(addPicture(book, jpegExif()), 1);
    ASSERT_EQ(addPicture(book, bmpFile(6, 4)), 2);
    EXPECT_EQ(sheet->pictureCount(), 0);

    // Columns are 64 pixels wide and rows 17 pixels high on a new sheet.
    sheet->setPictureWithSize(2, 1, 0, 100, 50, 0, 0);
    EXPECT_STREQ(book->errorMessage(), "ok");
    sheet->setPicture(5, 3, 1, 2.0, 16, 4);
    EXPECT_STREQ(book->errorMessage(), "ok");
    sheet->setPicture(10, 0, 2, 1.0, 100, 0);
    EXPECT_STREQ(book->errorMessage(), "warning: offset_x exceed cell's width");
    ASSERT_EQ(sheet->pictureCount(), 3);

    const Anchor expected[] = {
        {2, 1, 4, 2, 100, 50, 0, 0, 0},
        {5, 3, 6, 3, 16, 16, 16, 4, 1},
        {10, 0, 10, 1, 6, 4, 64, 0, 2},
    };
    for (int i = 0; i < 3; ++i) EXPECT_EQ(anchorOf(sheet, i), expected[i]) << i;
    EXPECT_EQ(sheet->getPicture(3, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), -1);
    EXPECT_STREQ(book->errorMessage(), "picture not found");
    EXPECT_EQ(sheet->getPicture(-1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), -1);

    // Each placement counts a reference to its picture.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(book.book->drawingGroup().picture(i)->cRef, 1u) << i;

    // Saved and loaded again, the sheet lists the same pictures.
    BookHolder again;
    load(again, saved(book));
    ISheetT* back = again->sheet(0);
    ASSERT_EQ(back->pictureCount(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(anchorOf(back, i), expected[i]) << i;
}

TEST(SheetPictures, RefusedPlacementsLeaveTheDrawingAsItWas)
{
    BookHolder book;
    ISheetT* sheet = book->addSheet(u"Sheet1", nullptr);
    ASSERT_EQ(addPicture(book, png8()), 0);
    sheet->setPictureWithSize(0, 0, 0, 10, 10, 0, 0);
    ASSERT_EQ(sheet->pictureCount(), 1);
    const Bytes before = saved(book);

    struct Bad {
        const char* name;
        int row, col, picture;
        double scale;  // NAN: by size
        int width, height, offsetX, offsetY;
        const char* message;
    };
    const Bad cases[] = {
        {"picture id past the last", 0, 0, 1, NAN, 10, 10, 0, 0, "pictureId is out of range"},
        {"negative picture id", 0, 0, -1, NAN, 10, 10, 0, 0, "pictureId is out of range"},
        {"picture id past the last, by scale", 0, 0, 5, 1.0, 0, 0, 0, 0, "pictureId is out of range"},
        {"row past the sheet", 65536, 0, 0, NAN, 10, 10, 0, 0, "row must be in range 0-65535"},
        {"negative column", 0, -1, 0, 1.0, 0, 0, 0, 0, "col must be in range 0-255"},
        {"negative width", 0, 0, 0, NAN, -7, 10, 0, 0, "width and height must not be negative"},
        {"negative offset", 0, 0, 0, NAN, 10, 10, -3, 0, "offset_x and offset_y must not be negative"},
        {"negative scale", 0, 0, 0, -1.0, 0, 0, 0, 0, "scale must be a number of 0 or more"},
        {"infinite scale", 0, 0, 0, INFINITY, 0, 0, 0, 0, "scale must be a number of 0 or more"},
        {"scale not a number", 0, 0, 0, std::nan(""), 0, 0, 0, 0, "scale must be a number of 0 or more"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (std::isnan(c.scale) && std::string(c.name) != "scale not a number")
            sheet->setPictureWithSize(c.row, c.col, c.picture, c.width, c.height, c.offsetX, c.offsetY);
        else
            sheet->setPicture(c.row, c.col, c.picture, c.scale, c.offsetX, c.offsetY);
        EXPECT_STREQ(book->errorMessage(), c.message);
        EXPECT_EQ(sheet->pictureCount(), 1);
        EXPECT_EQ(book.book->drawingGroup().picture(0)->cRef, 1u);
        EXPECT_EQ(saved(book), before);
    }
}

TEST(SheetPictures, HostilePicturesNeitherCrashNorHang)
{
    BookHolder book;
    ISheetT* sheet = book->addSheet(u"Sheet1", nullptr);
    ASSERT_EQ(addPicture(book, bmpFile(5, 3, true)), 0);              // top-down bitmap
    ASSERT_EQ(addPicture(book, {0x89, 'P', 'N', 'G', 0x0D}), 1);       // a 5-byte "PNG"
    ASSERT_EQ(addPicture(book, png8()), 2);
    sheet->setPicture(0, 0, 0, 1.0, 0, 0);
    EXPECT_STREQ(book->errorMessage(), "ok");
    EXPECT_EQ(anchorOf(sheet, 0), (Anchor{0, 0, 0, 0, 5, 3, 0, 0, 0}));
    sheet->setPicture(3, 3, 1, 1.0, 0, 0);
    EXPECT_STREQ(book->errorMessage(), "ok");
    EXPECT_EQ(anchorOf(sheet, 1), (Anchor{3, 3, 3, 3, 0, 0, 0, 0, 1}));
    // Past the last row and column: the picture ends at the sheet's end.
    sheet->setPictureWithSize(65535, 255, 2, 5000, 5000, 0, 0);
    EXPECT_STREQ(book->errorMessage(), "ok");
    Anchor last = anchorOf(sheet, 2);
    EXPECT_EQ(last.rowTop, 65535);
    EXPECT_EQ(last.rowBottom, 65535);
    EXPECT_EQ(last.colLeft, 255);
    EXPECT_EQ(last.colRight, 255);
    sheet->setPicture(65535, 255, 2, 1e12, 0, 0);
    EXPECT_STREQ(book->errorMessage(), "ok");
    EXPECT_EQ(sheet->pictureCount(), 4);
    BookHolder again;
    load(again, saved(book));
    EXPECT_EQ(again->sheet(0)->pictureCount(), 4);
}

TEST(SheetPictures, ShapeAndObjectIdsNeverRepeat)
{
    BookHolder book;
    ISheetT* first = book->addSheet(u"First", nullptr);
    ISheetT* second = book->addSheet(u"Second", nullptr);
    ASSERT_EQ(addPicture(book, png8()), 0);
    for (int i = 0; i < 3; ++i) first->setPictureWithSize(i * 5, 0, 0, 20, 20, 0, 0);
    second->setPictureWithSize(0, 0, 0, 20, 20, 0, 0);
    BookHolder again;
    load(again, saved(book));
    again->sheet(0)->setPictureWithSize(20, 0, 0, 20, 20, 0, 0);
    again->sheet(1)->setPictureWithSize(20, 0, 0, 20, 20, 0, 0);
    again->sheet(1)->setPictureWithSize(25, 0, 0, 20, 20, 0, 0);

    std::set<std::uint32_t> spids;
    std::set<unsigned> drawingIds;
    std::size_t shapes = 0;
    for (int s = 0; s < 2; ++s) {
        const MsoDrawing& d = sheetOf(again->sheet(s)).drawing();
        std::vector<std::uint32_t> ids = d.shapeIds();
        shapes += ids.size();
        spids.insert(ids.begin(), ids.end());
        ASSERT_TRUE(d.dgContainer() && d.dgContainer()->fdg());
        const OfficeArtFDG& fdg = *d.dgContainer()->fdg();
        drawingIds.insert(fdg.drawingId());
        EXPECT_EQ(fdg.csp, ids.size());
        EXPECT_EQ(fdg.spidCur, *std::max_element(ids.begin(), ids.end()));
        std::vector<std::uint16_t> objects = objectIds(d);
        EXPECT_EQ(std::set<std::uint16_t>(objects.begin(), objects.end()).size(), objects.size());
        EXPECT_EQ(std::count(objects.begin(), objects.end(), 0), 0);
    }
    EXPECT_EQ(spids.size(), shapes);
    EXPECT_EQ(drawingIds.size(), 2u);
    EXPECT_EQ(drawingIds.count(0), 0u);
    // Saving brings the drawing group's bookkeeping up to date.
    saved(again);
    const OfficeArtFDGGBlock& fdgg = *again.book->drawingGroup().fdgg();
    EXPECT_GT(fdgg.spidMax, *spids.rbegin());
}

TEST(SheetPictures, PicturesAddedToALoadedDrawingLieInsideItsLengths)
{
    CELVO_REQUIRE_CORPUS();
    for (const char* name : {"poi__SimpleWithImages.xls", "calamine__picture.xls", "poi__SimpleWithComments.xls"}) {
        SCOPED_TRACE(name);
        Bytes original;
        ASSERT_TRUE(readWholeFile(corpusDir() + "/xls/" + name, original));
        BookHolder book;
        load(book, original);
        const int pictures = book->pictureCount();
        ISheetT* sheet = book->sheet(0);
        const int own = sheet->pictureCount();
        const std::size_t blocks = sheetOf(sheet).drawing().blocks().size();
        ASSERT_GT(blocks, 0u);
        ASSERT_EQ(addPicture(book, png8()), pictures);
        sheet->setPictureWithSize(1, 1, pictures, 30, 30, 0, 0);
        sheet->setPictureWithSize(7, 2, pictures, 30, 30, 0, 0);
        EXPECT_STREQ(book->errorMessage(), "ok");

        // Read again, the drawing's containers span the new shapes: every
        // MSODRAWING record begins at a record of the tree.
        BookHolder again;
        load(again, saved(book));
        SheetImplT& back = sheetOf(again->sheet(0));
        EXPECT_EQ(back.pictureCount(), own + 2);
        EXPECT_EQ(back.drawing().blocks().size(), blocks + 2);
        const OfficeArtDgContainer* dg = back.drawing().dgContainer();
        ASSERT_TRUE(dg);
        std::size_t total = 0;
        for (const auto& p : back.drawing().records().items) total += p->size();
        EXPECT_EQ(dg->size(), total);
        Anchor a = anchorOf(&back, own + 1);
        EXPECT_EQ(a.rowTop, 7);
        EXPECT_EQ(a.colLeft, 2);
        EXPECT_EQ(a.picture, pictures);
    }
}

// ---- what LibreOffice finds in the saved files ---------------------------------

struct Found {
    int sheet, fromCol, fromRow, toCol, toRow;
    std::string ext, hex;
};

std::string hexOf(const PictureBytes& b)
{
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (std::uint8_t c : b) {
        s.push_back(digits[c >> 4]);
        s.push_back(digits[c & 15]);
    }
    return s;
}


std::vector<Found> libreOfficePictures(const Bytes& file, const std::string& tag)
{
    const std::string dir = test::processTempDir() + "pictures_" + tag + "_" + std::to_string(getpid());
    EXPECT_EQ(std::system(("rm -rf " + dir + " && mkdir -p " + dir).c_str()), 0);
    std::ofstream(dir + "/book.xls", std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    const test::CheckerRun r =
        test::runChecker(test::pythonScript(CELVO_XLS_TEST_DIR "/picture_media.py", dir + "/book.xls " + dir));
    std::vector<Found> found;
    EXPECT_TRUE(test::checkerPassed(r));
    std::istringstream lines(r.body);
    Found f;
    while (lines >> f.sheet >> f.fromCol >> f.fromRow >> f.toCol >> f.toRow >> f.ext >> f.hex) found.push_back(f);
    std::system(("rm -rf " + dir).c_str());
    return found;
}

// The pictures placed by the acceptance tests: PNG, JPEG with an EXIF
// header and a bitmap, at B3, D6 and A11.
void placeThree(BookHolder& book, ISheetT* sheet)
{
    int png = addPicture(book, png8());
    int jpeg = addPicture(book, jpegExif());
    int bmp = addPicture(book, bmpFile(6, 4));
    ASSERT_GE(png, 0);
    ASSERT_GE(jpeg, 0);
    ASSERT_GE(bmp, 0);
    sheet->setPictureWithSize(2, 1, png, 100, 50, 0, 0);
    sheet->setPicture(5, 3, jpeg, 4.0, 0, 0);
    sheet->setPicture(10, 0, bmp, 4.0, 0, 0);
}

// LibreOffice keeps the PNG and JPEG bytes; a bitmap comes out as a PNG.
void expectThree(const std::vector<Found>& found, int sheet)
{
    const Found* png = nullptr;
    const Found* jpeg = nullptr;
    const Found* bmp = nullptr;
    for (const Found& f : found) {
        if (f.sheet != sheet) continue;
        if (f.fromCol == 1 && f.fromRow == 2) png = &f;
        if (f.fromCol == 3 && f.fromRow == 5) jpeg = &f;
        if (f.fromCol == 0 && f.fromRow == 10) bmp = &f;
    }
    ASSERT_TRUE(png && jpeg && bmp) << found.size() << " pictures found";
    EXPECT_EQ(png->hex, hexOf(png8()));
    // LibreOffice keeps the 17 bytes that follow a JPEG's data in the file
    // (the next record's start) with it, for any writer's file.
    const std::string jpegHex = hexOf(jpegExif());
    EXPECT_EQ(jpeg->hex.substr(0, jpegHex.size()), jpegHex);
    EXPECT_LE(jpeg->hex.size(), jpegHex.size() + 2 * 17);
    EXPECT_EQ(png->toCol, 2);
    EXPECT_EQ(png->toRow, 4);
    // The bitmap comes out as a PNG of its size (6 x 4 pixels).
    EXPECT_EQ(bmp->ext, "png");
    EXPECT_EQ(bmp->hex.substr(24, 24), "49484452" "00000006" "00000004");
}

TEST(SheetPicturesLibreOffice, PicturesOfANewBookAppearAtTheirCells)
{
    CELVO_REQUIRE_LIBREOFFICE();
    BookHolder book;
    book->addSheet(u"First", nullptr);
    ISheetT* sheet = book->addSheet(u"Second", nullptr);
    placeThree(book, sheet);
    std::vector<Found> found = libreOfficePictures(saved(book), "new");
    EXPECT_EQ(found.size(), 3u);
    expectThree(found, 1);
}

TEST(SheetPictures, ACopiedSheetCountsThePicturesItPlaces)
{
    BookHolder book;
    ISheetT* first = book->addSheet(u"First", nullptr);
    placeThree(book, first);
    ASSERT_NE(book->addSheet(u"Copy", first), nullptr) << book->errorMessage();
    ASSERT_NE(book->insertSheet(0, u"Copy2", first), nullptr) << book->errorMessage();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(book.book->drawingGroup().picture(i)->cRef, 3u) << i;
    // Saved and loaded, the counts stay.
    BookHolder again;
    load(again, saved(book));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(again.book->drawingGroup().picture(i)->cRef, 3u) << i;
}

TEST(SheetPicturesLibreOffice, PicturesOfACopiedSheetSurviveDeletingEitherSheet)
{
    CELVO_REQUIRE_LIBREOFFICE();
    for (int deleted : {0, 1}) {
        SCOPED_TRACE("delete sheet " + std::to_string(deleted));
        BookHolder book;
        ISheetT* first = book->addSheet(u"First", nullptr);
        placeThree(book, first);
        ASSERT_NE(book->addSheet(u"Copy", first), nullptr) << book->errorMessage();
        ASSERT_TRUE(book->deleteSheet(deleted)) << book->errorMessage();
        EXPECT_EQ(book->sheet(0)->pictureCount(), 3);
        std::vector<Found> found = libreOfficePictures(saved(book), "copy" + std::to_string(deleted));
        EXPECT_EQ(found.size(), 3u);
        expectThree(found, 0);
    }
}

TEST(SheetPicturesLibreOffice, PicturesAddedToALoadedDrawingAppearBesideItsOwn)
{
    CELVO_REQUIRE_CORPUS();
    CELVO_REQUIRE_LIBREOFFICE();
    Bytes original;
    ASSERT_TRUE(readWholeFile(corpusDir() + "/xls/poi__SimpleWithImages.xls", original));
    std::vector<Found> before = libreOfficePictures(original, "before");
    ASSERT_FALSE(before.empty());

    BookHolder book;
    load(book, original);
    ISheetT* sheet = book->sheet(0);
    const int own = sheet->pictureCount();
    EXPECT_GT(own, 0);
    placeThree(book, sheet);
    EXPECT_EQ(sheet->pictureCount(), own + 3);
    std::vector<Found> after = libreOfficePictures(saved(book), "after");
    EXPECT_EQ(after.size(), before.size() + 3);
    // The file's own pictures are still there, unchanged.
    for (const Found& b : before) {
        bool kept = false;
        for (const Found& a : after)
            kept = kept || (a.sheet == b.sheet && a.fromCol == b.fromCol && a.fromRow == b.fromRow && a.hex == b.hex);
        EXPECT_TRUE(kept) << "picture at " << b.fromCol << "," << b.fromRow;
    }
    expectThree(after, 0);
}

}  // namespace
}  // namespace celvo
