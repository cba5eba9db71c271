// Anchors of shapes placed on a sheet, and the shapes built for pictures.
#include <climits>
#include <map>
#include <string>

#include "officeart_fixtures.h"
#include "picture_anchor.h"
#include "picture_shape.h"
#include "test_support.h"

namespace celvo {
namespace {

using namespace test;

// Columns of 64 pixels and rows of 20, with exceptions.
SheetPixels pixels(std::map<int, std::uint32_t> cols = {}, std::map<int, std::uint32_t> rows = {},
                   bool mergeB3toD5 = false)
{
    SheetPixels px;
    px.columnPx = [cols](int c) { auto it = cols.find(c); return it == cols.end() ? 64u : it->second; };
    px.rowPx = [rows](int r) { auto it = rows.find(r); return it == rows.end() ? 20u : it->second; };
    if (mergeB3toD5) {
        px.merge = [](int r, int c, int& r1, int& r2, int& c1, int& c2) {
            if (r < 2 || r > 4 || c < 1 || c > 3) return false;
            r1 = 2, r2 = 4, c1 = 1, c2 = 3;
            return true;
        };
    }
    return px;
}

struct AnchorCase {
    const char* name;
    int row, col, width, height, offsetX, offsetY;
    SheetPixels px;
    SheetAnchor expected;  // colL, dxL, rwT, dyT, colR, dxR, rwB, dyB
    const char* message;
};

TEST(PictureAnchor, SizesAndOffsetsBecomeCellsAndFractions)
{
    const AnchorCase cases[] = {
        {"exactly one cell", 0, 0, 64, 20, 0, 0, pixels(), {0, 0, 0, 0, 1, 0, 1, 0}, "ok"},
        {"one and a half columns", 0, 0, 96, 20, 0, 0, pixels(), {0, 0, 0, 0, 1, 512, 1, 0}, "ok"},
        {"offsets inside the cell", 3, 2, 32, 10, 16, 5, pixels(), {2, 256, 3, 64, 2, 768, 3, 192}, "ok"},
        {"offset_x past the cell", 0, 0, 10, 10, 100, 0, pixels(), {0, 1023, 0, 0, 1, 160, 0, 128},
         "warning: offset_x exceed cell's width"},
        {"offset_y past the cell", 0, 0, 10, 10, 0, 25, pixels(), {0, 0, 0, 255, 0, 160, 1, 128},
         "warning: offset_y exceed cell's height"},
        {"both offsets past the cell", 0, 0, 10, 10, 65, 21, pixels(), {0, 1023, 0, 255, 1, 160, 1, 128},
         "warning: offset_x and offset_y exceed cell's size"},
        {"narrow and wide columns", 0, 0, 150, 20, 0, 0, pixels({{0, 100}, {1, 40}}), {0, 0, 0, 0, 2, 160, 1, 0},
         "ok"},
        // Columns and rows of no pixels (hidden) divide nothing and are passed over.
        {"offset in a hidden column", 0, 0, 50, 10, 10, 10, pixels({{0, 0}}, {{0, 0}}),
         {0, 0, 0, 0, 1, 800, 1, 128}, "warning: offset_x and offset_y exceed cell's size"},
        {"hidden columns inside", 0, 0, 100, 20, 0, 0, pixels({{1, 0}, {2, 0}}), {0, 0, 0, 0, 3, 576, 1, 0}, "ok"},
        // The sheet's end stops the shape at its last cell's end.
        {"past the last row", 65535, 0, 10, 1000, 0, 0, pixels(), {0, 0, 65535, 0, 0, 160, 65535, 255}, "ok"},
        {"past the last column", 0, 255, 10000, 10, 0, 0, pixels(), {255, 0, 0, 0, 255, 1023, 0, 128}, "ok"},
        {"largest size", 0, 0, INT_MAX, INT_MAX, 0, 0, pixels(), {0, 0, 0, 0, 255, 1023, 65535, 255}, "ok"},
        {"empty picture", 1, 1, 0, 0, 0, 0, pixels(), {1, 0, 1, 0, 1, 0, 1, 0}, "ok"},
        // Size -1: to the end of the cell or of the merged range holding it.
        {"-1 without a merge", 4, 4, -1, -1, 0, 0, pixels(), {4, 0, 4, 0, 5, 0, 5, 0}, "ok"},
        {"-1 in a merged range", 3, 2, -1, -1, 0, 0, pixels({}, {}, true), {1, 0, 2, 0, 4, 0, 5, 0}, "ok"},
        {"-1 width only", 3, 2, -1, 30, 0, 0, pixels({}, {}, true), {1, 0, 3, 0, 4, 0, 4, 128}, "ok"},
        {"-1 in the last cell", 65535, 255, -1, -1, 0, 0, pixels(), {255, 0, 65535, 0, 255, 1023, 65535, 255},
         "ok"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AnchorResult r = computeAnchor(c.row, c.col, c.width, c.height, c.offsetX, c.offsetY, c.px);
        const SheetAnchor& a = r.anchor;
        const SheetAnchor& e = c.expected;
        EXPECT_EQ(a.colL, e.colL);
        EXPECT_EQ(a.dxL, e.dxL);
        EXPECT_EQ(a.rwT, e.rwT);
        EXPECT_EQ(a.dyT, e.dyT);
        EXPECT_EQ(a.colR, e.colR);
        EXPECT_EQ(a.dxR, e.dxR);
        EXPECT_EQ(a.rwB, e.rwB);
        EXPECT_EQ(a.dyB, e.dyB);
        EXPECT_STREQ(anchorMessage(r), c.message);
    }
}

TEST(PictureAnchor, ArgumentsOutsideTheSheetOrNegativeAreRefused)
{
    struct Bad {
        int row, col, width, height, offsetX, offsetY;
        const char* message;
    };
    const Bad cases[] = {
        {65536, 0, 10, 10, 0, 0, "row must be in range 0-65535"},
        {-1, 0, 10, 10, 0, 0, "row must be in range 0-65535"},
        {0, 256, 10, 10, 0, 0, "col must be in range 0-255"},
        {0, -1, 10, 10, 0, 0, "col must be in range 0-255"},
        {0, 0, -2, 10, 0, 0, "width and height must not be negative"},
        {0, 0, 10, INT_MIN, 0, 0, "width and height must not be negative"},
        {0, 0, 10, 10, -1, 0, "offset_x and offset_y must not be negative"},
        {0, 0, 10, 10, 0, -5, "offset_x and offset_y must not be negative"},
    };
    for (const auto& c : cases) {
        try {
            computeAnchor(c.row, c.col, c.width, c.height, c.offsetX, c.offsetY, pixels());
            ADD_FAILURE() << c.message;
        } catch (const xlerror& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(PictureAnchor, AnchorWordsPackTwoFieldsLowHalfFirst)
{
    SheetAnchor a{1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(a.word(0), 0x00020001u);
    EXPECT_EQ(a.word(1), 0x00040003u);
    EXPECT_EQ(a.word(2), 0x00060005u);
    EXPECT_EQ(a.word(3), 0x00080007u);
}

TEST(PictureShape, PictureFrameRecords)
{
    auto sp = makePictureShape(1025, 1, 1, 2, 4, 6);
    const Bytes expected = oa(
        15, 0, 0xF004,
        cat(cat(oa(2, 75, 0xF00A, cat(u32le(1025), u32le(0x0A00))),
                oa(3, 2, 0xF00B,
                   cat(cat(cat(u16le(0x4104), u32le(1)), cat(u16le(0xC105), u32le(4))), Bytes{0x33, 0, 0, 0}))),
            cat(oa(0, 0, 0xF010,
                   cat(cat(cat(u16le(2), u16le(1)), cat(u16le(0), u16le(2))),
                       cat(cat(u16le(0), u16le(4)), cat(cat(u16le(0), u16le(6)), u16le(0))))),
                oa(0, 0, 0xF011, {}))));
    EXPECT_EQ(serialize(*sp), expected);
    ASSERT_TRUE(sp->clientAnchor());
    EXPECT_EQ(sp->clientAnchor()->size(), 26u);
    EXPECT_TRUE(sp->isPicture());
    EXPECT_EQ(shapeBlipIndex(*sp), 1);
    // The packed words carry the offsets in their high halves.
    auto offsets = makePictureShape(2000, 7, 0x02000001, 0x00400003, 0x00100005, 0x00FF0007);
    const OfficeArtClientAnchorSheet* a = offsets->clientAnchor();
    ASSERT_TRUE(a);
    EXPECT_EQ(a->colL, 1);
    EXPECT_EQ(a->dxL, 0x200);
    EXPECT_EQ(a->rwT, 3);
    EXPECT_EQ(a->dyT, 0x40);
    EXPECT_EQ(a->colR, 5);
    EXPECT_EQ(a->dxR, 0x10);
    EXPECT_EQ(a->rwB, 7);
    EXPECT_EQ(a->dyB, 0xFF);
    EXPECT_EQ(shapeBlipIndex(*offsets), 7);
}

}  // namespace
}  // namespace celvo
