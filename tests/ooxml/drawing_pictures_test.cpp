// The pictures of a drawing part as the engine reads and places them: what
// each kind of anchor gives, markers checked against the sheet, the anchor
// built for a new picture (against a golden file, read back by ourselves
// and by openpyxl inside a small package).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "drawing_anchors.h"
#include "drawing_doc.h"
#include "test_support.h"

namespace {

using drawing::PictureCells;

std::string readFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

std::string goldenPath(const char* name) { return std::string(CELVO_TEST_SOURCE_DIR) + "/golden/" + name; }

const char* const kMarkers =
    "<xdr:from><xdr:col>1</xdr:col><xdr:colOff>9525</xdr:colOff><xdr:row>2</xdr:row><xdr:rowOff>0</xdr:rowOff>"
    "</xdr:from><xdr:to><xdr:col>4</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>6</xdr:row><xdr:rowOff>19050"
    "</xdr:rowOff></xdr:to>";
const char* const kPicture =
    "<xdr:pic><xdr:nvPicPr><xdr:cNvPr id=\"3\" name=\"Picture 2\"/><xdr:cNvPicPr/></xdr:nvPicPr>"
    "<xdr:blipFill><a:blip r:embed=\"rId2\"/></xdr:blipFill><xdr:spPr/></xdr:pic>";
const char* const kShape = "<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"4\" name=\"s\"/><xdr:cNvSpPr/></xdr:nvSpPr>"
                           "<xdr:spPr/></xdr:sp>";

std::string drawingOf(const std::string& anchors)
{
    return "<?xml version=\"1.0\"?><xdr:wsDr" + drawing_test::declarations() + ">" + anchors + "</xdr:wsDr>";
}

struct AnchorCase {
    const char* what;
    std::string anchor;
    bool picture;
    std::u16string image;
};

// Only a two-cell anchor holding a picture gives a picture; every other
// anchor item gives none, whatever it holds.
TEST(DrawingPictures, WhatEachAnchorGives)
{
    const std::string two = std::string("<xdr:twoCellAnchor>") + kMarkers;
    const std::string client = "<xdr:clientData/>";
    const std::vector<AnchorCase> cases = {
        {"a two-cell picture", two + kPicture + client + "</xdr:twoCellAnchor>", true, u"rId2"},
        {"a two-cell picture without a blip",
         two + "<xdr:pic><xdr:nvPicPr><xdr:cNvPr id=\"3\" name=\"p\"/><xdr:cNvPicPr/></xdr:nvPicPr><xdr:blipFill/>"
               "<xdr:spPr/></xdr:pic>" + client + "</xdr:twoCellAnchor>",
         true, u""},
        {"a two-cell shape", two + kShape + client + "</xdr:twoCellAnchor>", false, u""},
        {"a two-cell object of a later edition", two + "<xdr:contentPart r:id=\"rId9\"/>" + client + "</xdr:twoCellAnchor>",
         false, u""},
        {"a one-cell picture",
         std::string("<xdr:oneCellAnchor><xdr:from><xdr:col>1</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>2</xdr:row>"
                     "<xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:ext cx=\"9525\" cy=\"9525\"/>") +
             kPicture + client + "</xdr:oneCellAnchor>",
         false, u""},
        {"an absolute picture",
         std::string("<xdr:absoluteAnchor><xdr:pos x=\"0\" y=\"0\"/><xdr:ext cx=\"9525\" cy=\"9525\"/>") + kPicture +
             client + "</xdr:absoluteAnchor>",
         false, u""},
        {"a kept element", "<xdr:later/>", false, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string text = drawingOf(c.anchor);
        drawing::c_wsDr root;
        ASSERT_EQ(nimb::e_no_error, root.unmarshal(text.data(), text.size()));
        ASSERT_EQ(1u, root.anchors.size());
        const drawing::c_EG_Anchor& item = *root.anchors.at(0);
        EXPECT_EQ(c.picture, drawing::pictureAnchor(item) != nullptr);
        const drawing::c_CT_Picture* pic = drawing::anchoredPicture(item);
        EXPECT_EQ(c.picture, pic != nullptr);
        if (pic) {
            EXPECT_EQ(c.image, drawing::pictureImageId(*pic));
        }
    }
    // An item with nothing chosen gives nothing either.
    drawing::c_EG_Anchor none;
    EXPECT_EQ(nullptr, drawing::anchoredPicture(none));
}

struct CellsCase {
    const char* what;
    std::string from, to;  // the col and row elements of each marker
    bool placed;
};

std::string markerValues(const std::string& col, const std::string& row)
{
    return "<xdr:col>" + col + "</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>" + row + "</xdr:row><xdr:rowOff>0</xdr:rowOff>";
}

// Markers of a file are taken only within the sheet, the second cell not
// before the first.
TEST(DrawingPictures, MarkersAreBoundedByTheSheet)
{
    const std::vector<CellsCase> cases = {
        {"in the sheet", markerValues("1", "2"), markerValues("4", "6"), true},
        {"at the last cell", markerValues("16383", "1048575"), markerValues("16383", "1048575"), true},
        {"a column beyond the sheet", markerValues("0", "0"), markerValues("16384", "1"), false},
        {"a row beyond the sheet", markerValues("0", "0"), markerValues("1", "1048576"), false},
        {"the largest column the format allows", markerValues("0", "0"), markerValues("2147483647", "0"), false},
        {"the second column before the first", markerValues("5", "0"), markerValues("4", "1"), false},
        {"the second row before the first", markerValues("0", "5"), markerValues("1", "4"), false},
        {"a marker without its row offset", "<xdr:col>0</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>0</xdr:row>",
         markerValues("1", "1"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string anchor = "<xdr:twoCellAnchor><xdr:from>" + c.from + "</xdr:from><xdr:to>" + c.to +
                                   "</xdr:to>" + kPicture + "<xdr:clientData/></xdr:twoCellAnchor>";
        drawing::c_CT_TwoCellAnchor a;
        drawing_test::read_result r = drawing_test::read(a, anchor);
        if (r.code != nimb::e_no_error) {
            // A marker without one of its values is refused by the reader.
            EXPECT_FALSE(c.placed);
            EXPECT_EQ(nimb::e_mandatory_element_missing, r.code);
            continue;
        }
        PictureCells cells;
        EXPECT_EQ(c.placed, drawing::pictureCells(a, cells));
    }
    // Built in code, a marker may lack a value: no cells then either.
    drawing::c_CT_TwoCellAnchor empty;
    PictureCells cells;
    EXPECT_FALSE(drawing::pictureCells(empty, cells));
}

PictureCells someCells()
{
    PictureCells c;
    c.colFrom = 1;
    c.rowFrom = 2;
    c.colTo = 4;
    c.rowTo = 6;
    c.colOffFrom = 2 * drawing::kEmuPerPixel;
    c.rowOffFrom = 3 * drawing::kEmuPerPixel;
    c.colOffTo = 5 * drawing::kEmuPerPixel;
    c.rowOffTo = 7 * drawing::kEmuPerPixel;
    return c;
}

// The anchor of a new picture, as the golden file has it, byte for byte;
// read back, it gives the same cells and image, and writes the same.
TEST(DrawingPictures, NewPictureMatchesTheGoldenFile)
{
    drawing::c_wsDr root;
    ASSERT_TRUE(drawing::addPictureAnchor(root, someCells(), u"rId12"));
    std::string out;
    ASSERT_EQ(nimb::e_no_error, root.marshal(out));
    const std::string golden = readFile(goldenPath("picture_anchor.xml"));
    ASSERT_FALSE(golden.empty()) << "the golden file is missing";
    EXPECT_EQ(golden, out);

    drawing::c_wsDr again;
    ASSERT_EQ(nimb::e_no_error, again.unmarshal(out.data(), out.size()));
    ASSERT_EQ(1u, again.anchors.size());
    const drawing::c_CT_TwoCellAnchor* a = drawing::pictureAnchor(*again.anchors.at(0));
    ASSERT_NE(nullptr, a);
    PictureCells cells;
    ASSERT_TRUE(drawing::pictureCells(*a, cells));
    EXPECT_EQ(4u, cells.colTo);
    EXPECT_EQ(7 * drawing::kEmuPerPixel, cells.rowOffTo);
    EXPECT_EQ(u"rId12", drawing::pictureImageId(*drawing::anchoredPicture(*again.anchors.at(0))));
    std::string twice;
    ASSERT_EQ(nimb::e_no_error, again.marshal(twice));
    EXPECT_EQ(out, twice);
}

// Placements the engine cannot make leave the drawing as it was; a new
// picture takes an id no object of the drawing has.
TEST(DrawingPictures, RefusedPlacementsAndIds)
{
    const std::string text = drawingOf(std::string("<xdr:twoCellAnchor>") + kMarkers + kPicture +
                                       "<xdr:clientData/></xdr:twoCellAnchor>");
    drawing::c_wsDr root;
    ASSERT_EQ(nimb::e_no_error, root.unmarshal(text.data(), text.size()));
    PictureCells beyond = someCells();
    beyond.colTo = drawing::kLastColumn + 1;
    PictureCells backwards = someCells();
    backwards.rowTo = 1;
    PictureCells negative = someCells();
    negative.colOffFrom = -1;
    for (const PictureCells& c : {beyond, backwards, negative}) {
        EXPECT_FALSE(drawing::addPictureAnchor(root, c, u"rId5"));
        EXPECT_EQ(1u, root.anchors.size());
    }
    // "rId2" would give id 3, which the picture there has: the next free one.
    ASSERT_TRUE(drawing::addPictureAnchor(root, someCells(), u"rId2"));
    ASSERT_EQ(2u, root.anchors.size());
    const drawing::c_CT_Picture* added = drawing::anchoredPicture(*root.anchors.at(1));
    ASSERT_NE(nullptr, added);
    EXPECT_EQ(4u, added->nvPicPr.peek()->cNvPr.peek()->id.value);
    EXPECT_EQ(u"Picture 2", added->nvPicPr.peek()->cNvPr.peek()->name.value);
    // An id without digits counts as 1.
    ASSERT_TRUE(drawing::addPictureAnchor(root, someCells(), u"image"));
    EXPECT_EQ(2u, drawing::anchoredPicture(*root.anchors.at(2))->nvPicPr.peek()->cNvPr.peek()->id.value);
}

// The ids of a written drawing's objects, in document order, as the text
// shows them.
std::vector<unsigned> idsOf(const std::string& text)
{
    std::vector<unsigned> ids;
    const std::string key = "cNvPr id=\"";
    for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1))
        ids.push_back(static_cast<unsigned>(std::stoul(text.substr(at + key.size()))));
    return ids;
}

std::string picWithId(const std::string& id)
{
    return "<xdr:pic><xdr:nvPicPr><xdr:cNvPr id=\"" + id + "\" name=\"p\"/><xdr:cNvPicPr/></xdr:nvPicPr>"
           "<xdr:blipFill><a:blip r:embed=\"rId1\"/></xdr:blipFill><xdr:spPr/></xdr:pic>";
}

std::string shapeWithId(const std::string& id)
{
    return "<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"" + id + "\" name=\"s\"/><xdr:cNvSpPr/></xdr:nvSpPr><xdr:spPr/></xdr:sp>";
}

std::string groupOf(const std::string& id, const std::string& members)
{
    return "<xdr:grpSp><xdr:nvGrpSpPr><xdr:cNvPr id=\"" + id + "\" name=\"g\"/><xdr:cNvGrpSpPr/></xdr:nvGrpSpPr>"
           "<xdr:grpSpPr/>" + members + "</xdr:grpSp>";
}

std::string twoCell(const std::string& object)
{
    return std::string("<xdr:twoCellAnchor>") + kMarkers + object + "<xdr:clientData/></xdr:twoCellAnchor>";
}

// Ids that objects of a drawing from another writer share are renumbered:
// the first object in document order keeps its id, the others take free
// ones; a picture added afterwards has an id of its own too.
TEST(DrawingPictures, RepeatedIdsAreRenumbered)
{
    const std::string oneCell = "<xdr:oneCellAnchor><xdr:from><xdr:col>1</xdr:col><xdr:colOff>0</xdr:colOff>"
                                "<xdr:row>2</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:from>"
                                "<xdr:ext cx=\"9525\" cy=\"9525\"/>" + shapeWithId("2") +
                                "<xdr:clientData/></xdr:oneCellAnchor>";
    const struct {
        const char* what;
        std::string anchors;
        std::vector<unsigned> want;
        int changed;
    } cases[] = {
        {"ids that differ", twoCell(picWithId("2")) + twoCell(picWithId("3")), {2, 3}, 0},
        {"two pictures of one id", twoCell(picWithId("2")) + twoCell(picWithId("2")), {2, 3}, 1},
        {"a shape of a one-cell anchor after a picture", twoCell(picWithId("2")) + oneCell, {2, 3}, 1},
        {"ids repeated inside nested groups",
         twoCell(groupOf("5", shapeWithId("2") + groupOf("2", picWithId("5")) + shapeWithId("9"))) +
             twoCell(shapeWithId("2")),
         {5, 2, 10, 11, 9, 12}, 3},
        {"the largest id repeated", twoCell(picWithId("4294967295")) + twoCell(picWithId("1")) +
                                        twoCell(picWithId("4294967295")),
         {4294967295u, 1, 2}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string text = drawingOf(c.anchors);
        drawing::c_wsDr root;
        ASSERT_EQ(nimb::e_no_error, root.unmarshal(text.data(), text.size()));
        const int changed = drawing::renumberRepeatedIds(root);
        std::string out;
        ASSERT_EQ(nimb::e_no_error, root.marshal(out));
        EXPECT_EQ(idsOf(out), c.want);
        EXPECT_EQ(changed, c.changed);
        // Renumbering again changes nothing.
        EXPECT_EQ(drawing::renumberRepeatedIds(root), 0);
        // A new picture takes an id no object has.
        ASSERT_TRUE(drawing::addPictureAnchor(root, someCells(), u"rId1"));
        out.clear();
        ASSERT_EQ(nimb::e_no_error, root.marshal(out));
        std::vector<unsigned> ids = idsOf(out);
        std::sort(ids.begin(), ids.end());
        EXPECT_TRUE(std::adjacent_find(ids.begin(), ids.end()) == ids.end()) << out;
    }
}

// openpyxl reads the new picture's anchor in a package of its own.
TEST(DrawingPictures, OpenpyxlReadsANewPicture)
{
    CELVO_REQUIRE_PYTHON_MODULE("openpyxl", "python3-openpyxl");
    drawing::c_wsDr root;
    ASSERT_TRUE(drawing::addPictureAnchor(root, someCells(), u"rId3"));
    std::string out;
    ASSERT_EQ(nimb::e_no_error, root.marshal(out));
    const std::string dir = celvo::test::processTempDir();
    const std::string drawingFile = dir + "drawing1.xml", imageFile = dir + "image1.png";
    std::ofstream(drawingFile, std::ios::binary) << out;
    // A PNG of one pixel.
    static const unsigned char png[] = {
        0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00,
        0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00,
        0x00, 0x00, 0x0D, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0xF8, 0xCF, 0xC0, 0xF0, 0x1F, 0x00, 0x05,
        0x00, 0x01, 0xFF, 0x89, 0x99, 0x3D, 0x1D, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42,
        0x60, 0x82};
    std::ofstream(imageFile, std::ios::binary).write(reinterpret_cast<const char*>(png), sizeof png);
    std::string body;
    CELVO_ASSERT_CHECKER(celvo::test::pythonScript(std::string(CELVO_TEST_SOURCE_DIR) + "/drawing_package_check.py",
                                                   celvo::test::shellQuoted(drawingFile) + " " +
                                                       celvo::test::shellQuoted(imageFile) + " " +
                                                       celvo::test::shellQuoted(dir) + " 1 2 4 6 rId3"),
                         body);
}

}  // namespace
