// Pictures: building from bytes, identifiers, sizes, reading and writing.
#include "officeart_fixtures.h"
#include "officeart_group.h"
#include "test_support.h"

namespace celvo {
namespace {

using namespace test;

Bytes pngHeader(std::uint32_t w, std::uint32_t h)
{
    Bytes b{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (std::uint32_t v : {w, h})
        for (int i = 3; i >= 0; --i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    b.insert(b.end(), {8, 6, 0, 0, 0});
    return b;
}

TEST(OfficeArtBlip, BitmapFileHeaderIsDroppedAndTheUidIsTheDigestOfTheRest)
{
    Bytes bmp(1000, 0x11);
    bmp[0] = 'B';
    bmp[1] = 'M';
    OfficeArtBlipDIB dib(bmp.data(), bmp.size());
    ASSERT_EQ(dib.data.size(), 986u);
    EXPECT_EQ(dib.uid1, md4(bmp.data() + 14, 986));
    EXPECT_EQ(dib.header.recInstance(), 0x7A8u);
    EXPECT_FALSE(dib.absent);
    EXPECT_EQ(dib.size(), 8u + 16 + 1 + 986);
    Bytes written = serialize(dib);
    EXPECT_EQ(written.size(), dib.size());
    EXPECT_EQ(getU32(written.data() + 4), 16u + 1 + 986);
}

TEST(OfficeArtBlip, PlaceableMetafileHeaderIsDropped)
{
    Bytes placeable{0xD7, 0xCD, 0xC6, 0x9A};
    placeable.resize(22, 0);
    Bytes body(40, 0x22);
    Bytes withHeader = cat(placeable, body);
    OfficeArtBlipWMF a(withHeader.data(), withHeader.size());
    OfficeArtBlipWMF b(body.data(), body.size());
    EXPECT_EQ(a.data, body);
    EXPECT_EQ(b.data, body);
    EXPECT_EQ(a.uid1, b.uid1);
    EXPECT_EQ(a.cbSize, 40u);
    EXPECT_EQ(a.cbSave, 40u);
    EXPECT_EQ(a.pictureWidth(), 200u);
    EXPECT_EQ(a.pictureHeight(), 200u);
    EXPECT_EQ(a.size(), 8u + 16 + 34 + 40);
}

TEST(OfficeArtBlip, PictureSizesNeverReadPastTheData)
{
    struct Case {
        const char* name;
        Bytes data;
        char kind;  // P png, D dib, J jpeg
        std::uint32_t width, height;
    };
    Bytes core{12, 0, 0, 0, 0x20, 0, 0x10, 0, 1, 0, 24, 0};
    Bytes topDown = cat(u32le(40), u32le(64), u32le(static_cast<std::uint32_t>(-48)), Bytes(28, 0));
    Bytes app0Sof = {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 'J', 'F', 0xFF, 0xC0, 0, 11, 8, 0, 0x30, 0, 0x40};
    const Case cases[] = {
        {"png 256 wide", pngHeader(256, 3), 'P', 256, 3},
        {"png of 5 bytes", Bytes{0x89, 'P', 'N', 'G', 0x0D}, 'P', 0, 0},
        {"dib info header", cat(u32le(40), u32le(33), u32le(44), Bytes(28, 0)), 'D', 33, 44},
        {"dib top-down", topDown, 'D', 64, 48},
        {"dib core header", core, 'D', 32, 16},
        {"dib of 6 bytes", Bytes{40, 0, 0, 0, 1, 0}, 'D', 0, 0},
        {"jpeg frame after APP0", app0Sof, 'J', 0x40, 0x30},
        {"jpeg without frame", Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0, 2, 0xFF, 0xD9}, 'J', 0, 0},
        {"jpeg segment running past the end", Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xFF}, 'J', 0, 0},
        {"jpeg frame header cut", Bytes{0xFF, 0xD8, 0xFF, 0xC0, 0, 11, 8}, 'J', 0, 0},
        {"jpeg with only its marker", Bytes{0xFF, 0xD8, 0xFF}, 'J', 0, 0},
    };
    for (const Case& c : cases) {
        std::unique_ptr<OfficeArtBlipBase> blip;
        if (c.kind == 'P') blip = std::make_unique<OfficeArtBlipPNG>(c.data.data(), c.data.size());
        if (c.kind == 'D') blip = std::make_unique<OfficeArtBlipDIB>(c.data.data(), c.data.size());
        if (c.kind == 'J') blip = std::make_unique<OfficeArtBlipJPEG>(c.data.data(), c.data.size());
        EXPECT_EQ(blip->pictureWidth(), c.width) << c.name;
        EXPECT_EQ(blip->pictureHeight(), c.height) << c.name;
    }
}

TEST(OfficeArtBlip, JpegMustStartWithItsMarker)
{
    for (const Bytes& data : {Bytes{0x89, 'P', 'N', 'G'}, Bytes{0xFF}, Bytes{}}) {
        try {
            OfficeArtBlipJPEG jpeg(data.data(), data.size());
            ADD_FAILURE() << "accepted";
        } catch (const xlerror& e) {
            EXPECT_STREQ(e.what(), "invalid jpg file");
        }
    }
}

TEST(OfficeArtBlip, RecordsReadAndWriteBack)
{
    struct Case {
        const char* name;
        Bytes bytes;
        std::size_t dataSize;
    };
    Bytes uid(16, 0xAB), uid2(16, 0xCD);
    Bytes metaHeader = cat(u32le(100), u32le(0), u32le(0), u32le(960), u32le(720), u32le(0), u32le(0), u32le(100),
                           Bytes{0xFE, 0xFE});
    const Case cases[] = {
        {"png one uid", oa(0, 0x6E0, 0xF01E, cat(uid, Bytes{0xFF}, pngHeader(2, 2))), 29},
        {"png two uids", oa(0, 0x6E1, 0xF01E, cat(uid, uid2, Bytes{0xFF}, Bytes(7, 1))), 7},
        {"jpeg cmyk", oa(0, 0x6E2, 0xF02A, cat(uid, Bytes{0xFF}, Bytes{0xFF, 0xD8, 0xFF, 0xD9})), 4},
        {"emf", oa(0, 0x3D4, 0xF01A, cat(uid, metaHeader, Bytes(7950, 3))), 7950},
        {"wmf two uids", oa(0, 0x217, 0xF01B, cat(uid, uid2, metaHeader, Bytes(5, 3))), 5},
        {"pict", oa(0, 0x542, 0xF01C, cat(uid, metaHeader)), 0},
        {"dib", oa(0, 0x7A8, 0xF01F, cat(uid, Bytes{0xFF}, Bytes(12, 0))), 12},
        {"tiff", oa(0, 0x6E4, 0xF029, cat(uid, Bytes{0xFF}, Bytes(3, 9))), 3},
    };
    for (const Case& c : cases) {
        OfficeArtRecordHeader h;
        ByteReader peek(c.bytes);
        h.read(peek);
        auto rec = makeOfficeArtRecord(h);
        auto* blip = dynamic_cast<OfficeArtBlipBase*>(rec.get());
        ASSERT_NE(blip, nullptr) << c.name;
        ByteReader in(c.bytes);
        ASSERT_EQ(rec->read(in), c.bytes.size()) << c.name;
        EXPECT_EQ(blip->data.size(), c.dataSize) << c.name;
        EXPECT_EQ(serialize(*rec), c.bytes) << c.name;
    }
}

TEST(OfficeArtBlip, MalformedRecordsFail)
{
    struct Case {
        const char* name;
        Bytes bytes;
        const char* message;
    };
    Bytes uid(16, 0xAB);
    const Case cases[] = {
        {"shorter than its uid", oa(0, 0x6E0, 0xF01E, Bytes(10, 0)), "error in record OfficeArtBlip"},
        {"metafile shorter than its header", oa(0, 0x216, 0xF01B, cat(uid, Bytes(20, 0))),
         "error in record OfficeArtBlip"},
        {"png of another instance", oa(0, 0x123, 0xF01E, cat(uid, Bytes{0xFF})), "error in record OfficeArtBlipPNG"},
        {"emf of another instance", oa(0, 0x3D6, 0xF01A, uid), "error in record OfficeArtBlipEMF"},
        {"tiff of another instance", oa(0, 0x111, 0xF029, uid), "error in record OfficeArtBlipTIFF"},
        {"jpeg of another instance", oa(0, 0x46C, 0xF01D, uid), "error in record OfficeArtBlipJPEG"},
        {"longer than the data", oaLen(0, 0x6E0, 0xF01E, 1000, cat(uid, Bytes{0xFF})),
         "error in record OfficeArtBlip"},
    };
    for (const Case& c : cases) {
        OfficeArtRecordHeader h;
        ByteReader peek(c.bytes);
        h.read(peek);
        auto rec = makeOfficeArtRecord(h);
        std::string message;
        try {
            ByteReader in(c.bytes);
            rec->read(in);
        } catch (const xlerror& e) {
            message = e.what();
        }
        EXPECT_EQ(message, c.message) << c.name;
    }
}

TEST(OfficeArtBlip, MissingFileIsReported)
{
    try {
        readPictureFile(u"/nonexistent/picture.png");
        ADD_FAILURE();
    } catch (const xlerror& e) {
        EXPECT_STREQ(e.what(), "can't open file");
    }
}

}  // namespace
}  // namespace celvo
