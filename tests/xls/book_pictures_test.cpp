// The book's pictures: recognition of picture data, numbering, the bytes
// given back, files, refusals, and the drawing group kept across loads.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "book_test_util.h"
#include "celvo/text.h"
#include "picture_data.h"
#include "picture_fixtures.h"
#include "test_support.h"

namespace celvo {
namespace {

using namespace test;

PictureBytes cut(const PictureBytes& b, std::size_t from) { return PictureBytes(b.begin() + from, b.end()); }

PictureBytes withPlaceableHeader(const PictureBytes& body)
{
    PictureBytes b{0xD7, 0xCD, 0xC6, 0x9A};
    b.resize(22, 0);
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

int addPictureBytes(BookHolder& book, const PictureBytes& p)
{
    return book->addPictureFromMemory(reinterpret_cast<const char*>(p.data()), static_cast<unsigned>(p.size()));
}

PictureBytes text(const char* s) { return PictureBytes(s, s + std::char_traits<char>::length(s)); }

struct RecognitionCase {
    const char* name;
    PictureBytes data;
    int type;              // expected type code; kPictureError when refused
    PictureBytes stored;   // bytes getPicture gives back
    std::uint32_t width, height;
};

TEST(BookPictures, PictureDataIsRecognisedByItsContent)
{
    const PictureBytes wmfBody(60, 0x33);
    const PictureBytes bmp = bmpFile(3, 2);
    const PictureBytes topDown = bmpFile(3, 2, true);
    const PictureBytes emf = emfHeader(0, 0, 99, 49);
    const PictureBytes pictBare = pict(0, 0, 30, 40, false);
    const PictureBytes pictFile = pict(0, 0, 30, 40, true);
    const RecognitionCase cases[] = {
        {"png", png8(), kPicturePng, png8(), 8, 8},
        {"5-byte png", {0x89, 'P', 'N', 'G', 0x0D}, kPicturePng, {0x89, 'P', 'N', 'G', 0x0D}, 0, 0},
        {"jfif jpeg", jpegJfif(), kPictureJpeg, jpegJfif(), 8, 8},
        {"exif jpeg", jpegExif(), kPictureJpeg, jpegExif(), 8, 8},
        {"jpeg without app segment", {0xFF, 0xD8, 0xFF, 0xDB, 0, 2, 0xFF, 0xD9}, kPictureJpeg,
         {0xFF, 0xD8, 0xFF, 0xDB, 0, 2, 0xFF, 0xD9}, 0, 0},
        {"placeable wmf", withPlaceableHeader(wmfBody), kPictureWmf, wmfBody, 200, 200},
        {"bmp file", bmp, kPictureDib, cut(bmp, 14), 3, 2},
        {"top-down bmp", topDown, kPictureDib, cut(topDown, 14), 3, 2},
        {"bare dib", cut(bmp, 14), kPictureDib, cut(bmp, 14), 3, 2},
        {"emf", emf, kPictureEmf, emf, 99, 49},
        {"tiff little-endian", tiffHeader(false, 30, 20), kPictureTiff, tiffHeader(false, 30, 20), 30, 20},
        {"tiff big-endian", tiffHeader(true, 30, 20), kPictureTiff, tiffHeader(true, 30, 20), 30, 20},
        {"pict", pictBare, kPicturePict, pictBare, 40, 30},
        {"pict file", pictFile, kPicturePict, pictBare, 40, 30},
        // Refused: nothing is added and no other picture's id is given.
        {"4 bytes", {0x89, 'P', 'N', 'G'}, kPictureError, {}, 0, 0},
        {"empty", {}, kPictureError, {}, 0, 0},
        {"text", text("hello, picture"), kPictureError, {}, 0, 0},
        {"first byte 40 without a header size", text("(not a bitmap)"), kPictureError, {}, 0, 0},
        {"gif", text("GIF89a\x01\x00\x01\x00"), kPictureError, {}, 0, 0},
        {"bm without an info header", text("BM and then some text"), kPictureError, {}, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BookHolder book;
        int id = book->addPictureFromMemory(reinterpret_cast<const char*>(c.data.data()),
                                            static_cast<unsigned>(c.data.size()));
        if (c.type == kPictureError) {
            EXPECT_EQ(id, -1);
            EXPECT_STREQ(book->errorMessage(), "unknown picture format");
            EXPECT_EQ(book->pictureCount(), 0);
            EXPECT_FALSE(book.book->hasDrawingGroup());
            continue;
        }
        EXPECT_EQ(id, 0);
        EXPECT_STREQ(book->errorMessage(), "ok");
        EXPECT_EQ(book->pictureCount(), 1);
        EXPECT_TRUE(book.book->hasDrawingGroup());
        const char* data = nullptr;
        unsigned size = 0;
        EXPECT_EQ(book->getPicture(0, &data, &size), c.type);
        EXPECT_STREQ(book->errorMessage(), "ok");
        ASSERT_EQ(size, c.stored.size());
        EXPECT_EQ(PictureBytes(data, data + size), c.stored);
        const OfficeArtFBSE* entry = book.book->drawingGroup().picture(0);
        ASSERT_TRUE(entry && entry->blip);
        EXPECT_EQ(entry->blip->pictureWidth(), c.width);
        EXPECT_EQ(entry->blip->pictureHeight(), c.height);
        EXPECT_EQ(entry->rgbUid, md4(c.stored.data(), c.stored.size()));
    }
}

TEST(BookPictures, IdsFollowTheOrderOfAddingAndLookupsOutsideFail)
{
    BookHolder book;
    EXPECT_EQ(book->pictureCount(), 0);
    const char* data = nullptr;
    unsigned size = 0;
    EXPECT_EQ(book->getPicture(0, &data, &size), 255);
    EXPECT_STREQ(book->errorMessage(), "index is out of range");

    const PictureBytes png = png8(), jpeg = jpegExif(), bmp = bmpFile(2, 2);
    EXPECT_EQ(book->addPictureFromMemory(reinterpret_cast<const char*>(png.data()), png.size()), 0);
    EXPECT_EQ(book->addPictureFromMemory(reinterpret_cast<const char*>(jpeg.data()), jpeg.size()), 1);
    // A refused picture in between takes no id.
    EXPECT_EQ(book->addPictureFromMemory("garbage!", 8), -1);
    EXPECT_EQ(book->addPictureFromMemory(reinterpret_cast<const char*>(bmp.data()), bmp.size()), 2);
    // The same picture twice gets two entries with the same identifier.
    EXPECT_EQ(book->addPictureFromMemory(reinterpret_cast<const char*>(png.data()), png.size()), 3);
    EXPECT_EQ(book->pictureCount(), 4);
    EXPECT_EQ(book.book->drawingGroup().picture(0)->rgbUid, book.book->drawingGroup().picture(3)->rgbUid);

    EXPECT_EQ(book->getPicture(1, &data, &size), kPictureJpeg);
    EXPECT_EQ(PictureBytes(data, data + size), jpeg);
    EXPECT_EQ(book->getPicture(2, nullptr, nullptr), kPictureDib);
    struct Bad {
        int index;
    };
    for (Bad b : {Bad{4}, Bad{-1}, Bad{1 << 30}}) {
        EXPECT_EQ(book->getPicture(b.index, &data, &size), 255) << b.index;
        EXPECT_STREQ(book->errorMessage(), "index is out of range");
    }
    // The blip store counts its entries.
    const OfficeArtBStoreContainer* store = book.book->drawingGroup().blipStore();
    ASSERT_TRUE(store);
    EXPECT_EQ(store->header.recInstance(), 4u);
}

TEST(BookPictures, PicturesFromFilesAreRecognisedByContentNotName)
{
    const std::string dir = ::testing::TempDir() + "book_pictures_" + std::to_string(getpid()) + "_";
    struct Case {
        const char* file;
        PictureBytes content;
        int id;  // -1 refused
        const char* message;
    };
    const Case cases[] = {
        {"a.png", png8(), 0, "ok"},
        {"b.Png", png8(), 1, "ok"},
        {"photo.jpeg", jpegExif(), 2, "ok"},
        {"named.png", jpegJfif(), 3, "ok"},
        {"p.bmp", bmpFile(4, 4, true), 4, "ok"},
        {"x", png8(), 5, "ok"},
        {"notes.png", text("not a picture at all"), -1, "unknown picture format"},
    };
    BookHolder book;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        std::string path = dir + c.file;
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_TRUE(f);
        std::fwrite(c.content.data(), 1, c.content.size(), f);
        std::fclose(f);
        EXPECT_EQ(book->addPicture(utf8ToUtf16(path).c_str()), c.id);
        EXPECT_STREQ(book->errorMessage(), c.message);
        std::remove(path.c_str());
    }
    EXPECT_EQ(book->getPicture(3, nullptr, nullptr), kPictureJpeg);
    EXPECT_EQ(book->addPicture(utf8ToUtf16(dir + "missing.png").c_str()), -1);
    EXPECT_STREQ(book->errorMessage(), "can't open file");
    EXPECT_EQ(book->addPicture(nullptr), -1);
    EXPECT_STREQ(book->errorMessage(), "can't open file");
    EXPECT_EQ(book->addPictureFromMemory(nullptr, 100), -1);
    EXPECT_STREQ(book->errorMessage(), "unknown picture format");
    EXPECT_EQ(book->pictureCount(), 6);
}

TEST(BookPictures, PicturesSurviveSaveAndLoad)
{
    const PictureBytes pictures[] = {png8(), jpegExif(), bmpFile(5, 3), emfHeader(0, 0, 10, 10)};
    Bytes file;
    {
        BookHolder book;
        book->addSheet(u"Sheet1", nullptr);
        for (const auto& p : pictures)
            ASSERT_GE(book->addPictureFromMemory(reinterpret_cast<const char*>(p.data()), p.size()), 0);
        const char* data = nullptr;
        unsigned size = 0;
        ASSERT_TRUE(book->saveToMemory(&data, &size)) << book->errorMessage();
        file.assign(data, data + size);
    }
    BookHolder again;
    ASSERT_TRUE(again->loadFromMemory(reinterpret_cast<const char*>(file.data()), file.size()))
        << again->errorMessage();
    ASSERT_EQ(again->pictureCount(), 4);
    const int types[] = {kPicturePng, kPictureJpeg, kPictureDib, kPictureEmf};
    for (int i = 0; i < 4; ++i) {
        const char* data = nullptr;
        unsigned size = 0;
        EXPECT_EQ(again->getPicture(i, &data, &size), types[i]) << i;
        PictureBytes expected = i == 2 ? cut(pictures[2], 14) : pictures[i];
        EXPECT_EQ(PictureBytes(data, data + size), expected) << i;
    }
}

TEST(BookPictures, AddingToALoadedBookKeepsItsDrawingGroup)
{
    // A book whose drawing group carries bookkeeping of its own.
    Bytes file;
    {
        BookHolder book;
        book->addSheet(u"Sheet1", nullptr);
        const PictureBytes png = png8();
        ASSERT_EQ(book->addPictureFromMemory(reinterpret_cast<const char*>(png.data()), png.size()), 0);
        OfficeArtDggContainer& group = book.book->drawingGroup();
        group.fdgg()->spidMax = 4100;
        group.fdgg()->cspSaved = 9;
        group.fdgg()->clusters[0] = {4, 7};
        group.defaultProperties()->rgfopte.entries[0].op = 0x08000099;
        group.splitMenuColors()->colors[0] = 0x12345678;
        const char* data = nullptr;
        unsigned size = 0;
        ASSERT_TRUE(book->saveToMemory(&data, &size));
        file.assign(data, data + size);
    }
    BookHolder book;
    ASSERT_TRUE(book->loadFromMemory(reinterpret_cast<const char*>(file.data()), file.size()));
    const PictureBytes jpeg = jpegJfif();
    ASSERT_EQ(book->addPictureFromMemory(reinterpret_cast<const char*>(jpeg.data()), jpeg.size()), 1);
    OfficeArtDggContainer& group = book.book->drawingGroup();
    EXPECT_EQ(group.fdgg()->spidMax, 4100u);
    EXPECT_EQ(group.fdgg()->cspSaved, 9u);
    ASSERT_EQ(group.fdgg()->clusters.size(), 1u);
    EXPECT_EQ(group.fdgg()->clusters[0].dgid, 4u);
    EXPECT_EQ(group.fdgg()->clusters[0].cspidCur, 7u);
    EXPECT_EQ(group.defaultProperties()->rgfopte.entries[0].op, 0x08000099u);
    EXPECT_EQ(group.splitMenuColors()->colors[0], 0x12345678u);
    EXPECT_EQ(group.blipStore()->header.recInstance(), 2u);
}

TEST(BookPictures, ANewBookGetsTheDefaultsOfABookWithPictures)
{
    BookHolder book;
    const PictureBytes png = png8();
    ASSERT_EQ(book->addPictureFromMemory(reinterpret_cast<const char*>(png.data()), png.size()), 0);
    OfficeArtDggContainer& group = book.book->drawingGroup();
    ASSERT_TRUE(group.fdgg() && !group.fdgg()->absent);
    EXPECT_EQ(group.fdgg()->spidMax, 0x403u);
    ASSERT_EQ(group.fdgg()->clusters.size(), 1u);
    EXPECT_EQ(group.fdgg()->clusters[0].dgid, 1u);
    EXPECT_EQ(group.fdgg()->clusters[0].cspidCur, 3u);
    const OfficeArtFOPT* props = group.defaultProperties();
    ASSERT_TRUE(props && !props->absent);
    ASSERT_EQ(props->rgfopte.entries.size(), 3u);
    EXPECT_EQ(props->rgfopte.entries[2].opid, 0x01C0u);
    const OfficeArtFBSE* entry = group.picture(0);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->btWin32, kBlipPng);
    EXPECT_EQ(entry->btMacOS, kBlipPng);
    EXPECT_EQ(entry->header.recInstance(), unsigned(kBlipPng));
    EXPECT_EQ(entry->cRef, 0u);
    book.book->addPictureRef(1);
    EXPECT_EQ(entry->cRef, 1u);
    EXPECT_THROW(book.book->addPictureRef(2), xlerror);
    EXPECT_THROW(book.book->addPictureRef(0), xlerror);
}


TEST(BookPictures, AnEntryWithoutItsPictureKeepsTheNumberingOfTheOthers)
{
    // Files may hold blip-store entries whose picture data is kept elsewhere.
    BookHolder book;
    const PictureBytes png = png8(), jpeg = jpegJfif();
    ASSERT_EQ(addPictureBytes(book, png), 0);
    auto empty = std::make_unique<OfficeArtFBSE>();
    empty->absent = 0;
    book.book->drawingGroup().blipStore()->children.items.push_back(std::move(empty));
    ASSERT_EQ(addPictureBytes(book, jpeg), 2);
    EXPECT_EQ(book->pictureCount(), 3);
    const char* data = nullptr;
    unsigned size = 0;
    EXPECT_EQ(book->getPicture(1, &data, &size), 255);
    EXPECT_STREQ(book->errorMessage(), "picture data is not stored in the book");
    EXPECT_EQ(book->getPicture(2, &data, &size), kPictureJpeg);
    EXPECT_EQ(PictureBytes(data, data + size), jpeg);
}

}  // namespace
}  // namespace celvo
