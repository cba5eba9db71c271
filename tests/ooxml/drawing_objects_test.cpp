// The objects of a drawing and their parts: shape tree, non-visual and shape
// properties, transforms, geometry, the picture's fill and blip, locks and
// extension lists. Each row reads one element and, when it reads, writes it
// back; then whole drawings as the spreadsheet applications write them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drawing_doc.h"
#include "ooxml/dml-spreadsheetDrawing.h"
#include "ooxml/dml-spreadsheetDrawing2.h"
#include "ooxml/dml-spreadsheetDrawing3.h"

namespace {

using nimb::create_object;
using nimb::enimb_error;

const char* const kPicture =
    "<xdr:pic><xdr:nvPicPr><xdr:cNvPr id=\"2\" name=\"Picture 1\"/><xdr:cNvPicPr/></xdr:nvPicPr>"
    "<xdr:blipFill><a:blip r:embed=\"rId1\"/></xdr:blipFill><xdr:spPr/></xdr:pic>";

TEST(DrawingObjects, NonVisualProperties)
{
    using namespace drawing;
    drawing_test::check({
        {"id and name", create_object<c_CT_NonVisualDrawingProps>, "<xdr:cNvPr id=\"1\" name=\"Shape 1\"/>",
         nimb::e_no_error, "", "="},
        {"every attribute and child", create_object<c_CT_NonVisualDrawingProps>,
         "<xdr:cNvPr id=\"1\" name=\"n\" descr=\"d\" hidden=\"1\"><a:hlinkClick r:id=\"rId1\"/>"
         "<a:hlinkHover r:id=\"\" action=\"ppaction://hlinkshowjump?jump=nextslide\"/><a:extLst/></xdr:cNvPr>",
         nimb::e_no_error, "", "="},
        {"the title of a later edition", create_object<c_CT_NonVisualDrawingProps>,
         "<xdr:cNvPr id=\"1\" name=\"n\" descr=\"d\" title=\"A title\"/>", nimb::e_no_error, "", "="},
        {"an unknown attribute is kept", create_object<c_CT_NonVisualDrawingProps>,
         "<xdr:cNvPr id=\"1\" name=\"n\" later=\"x\"/>", nimb::e_no_error, "", "="},
        {"no id", create_object<c_CT_NonVisualDrawingProps>, "<xdr:cNvPr name=\"n\"/>",
         nimb::e_required_attribute_missing, "CT_NonVisualDrawingProps", ""},
        {"hidden yes", create_object<c_CT_NonVisualDrawingProps>, "<xdr:cNvPr id=\"1\" name=\"n\" hidden=\"yes\"/>",
         nimb::e_invalid_value_format, "", ""},
        {"hidden 0", create_object<c_CT_NonVisualDrawingProps>, "<xdr:cNvPr id=\"1\" name=\"n\" hidden=\"0\"/>",
         nimb::e_no_error, "", "<xdr:cNvPr id=\"1\" name=\"n\" hidden=\"0\"/>"},
        {"hover before click", create_object<c_CT_NonVisualDrawingProps>,
         "<xdr:cNvPr id=\"1\" name=\"n\"><a:hlinkHover/><a:hlinkClick/></xdr:cNvPr>", nimb::e_no_error,
         "", "="},
        {"alternative text over lines", create_object<c_CT_NonVisualDrawingProps>,
         "<xdr:cNvPr id=\"1\" name=\"n\" descr=\"one&#10;two&#9;three&#13;\"/>", nimb::e_no_error, "",
         // A carriage return goes out as the applications write it.
         "<xdr:cNvPr id=\"1\" name=\"n\" descr=\"one&#10;two&#9;three_x000D_\"/>"},
        {"picture properties set to false", create_object<c_CT_NonVisualPictureProperties>,
         "<xdr:cNvPicPr preferRelativeResize=\"0\"><a:picLocks noChangeAspect=\"1\" noCrop=\"1\"/></xdr:cNvPicPr>",
         nimb::e_no_error, "",
         "<xdr:cNvPicPr preferRelativeResize=\"0\"><a:picLocks noChangeAspect=\"1\" noCrop=\"1\"/>"
         "</xdr:cNvPicPr>"},
        {"picture lock not a boolean", create_object<c_CT_PictureLocking>, "<a:picLocks noChangeAspect=\"on\"/>",
         nimb::e_invalid_value_format, "", ""},
        {"group locks", create_object<c_CT_GroupLocking>, "<a:grpSpLocks noUngrp=\"1\" noResize=\"0\"/>",
         nimb::e_no_error, "", "="},
        {"connector ends in order", create_object<c_CT_NonVisualConnectorProperties>,
         "<xdr:cNvCxnSpPr><a:cxnSpLocks noGrp=\"1\"/><a:stCxn id=\"3\" idx=\"0\"/><a:endCxn id=\"4\" idx=\"2\"/>"
         "</xdr:cNvCxnSpPr>",
         nimb::e_no_error, "", "="},
        {"connector end before start", create_object<c_CT_NonVisualConnectorProperties>,
         "<xdr:cNvCxnSpPr><a:endCxn id=\"4\" idx=\"2\"/><a:stCxn id=\"3\" idx=\"0\"/></xdr:cNvCxnSpPr>",
         nimb::e_no_error, "", "="},
        {"connection without idx", create_object<c_CT_Connection>, "<a:stCxn id=\"3\"/>",
         nimb::e_required_attribute_missing, "CT_Connection", ""},
        {"frame locks in order", create_object<c_CT_GraphicalObjectFrameLocking>,
         "<a:graphicFrameLocks noGrp=\"1\" noMove=\"1\"/>", nimb::e_no_error, "",
         "<a:graphicFrameLocks noGrp=\"1\" noMove=\"1\"/>"},
    });
}

TEST(DrawingObjects, ShapeTreeAndProperties)
{
    using namespace drawing;
    drawing_test::check({
        {"a picture", create_object<c_CT_Picture>, kPicture, nimb::e_no_error, "", "="},
        {"an empty picture", create_object<c_CT_Picture>, "<xdr:pic/>", nimb::e_unexpected_empty_element, "", ""},
        {"a picture without its fill", create_object<c_CT_Picture>,
         "<xdr:pic><xdr:nvPicPr><xdr:cNvPr id=\"2\" name=\"p\"/><xdr:cNvPicPr/></xdr:nvPicPr><xdr:spPr/></xdr:pic>",
         nimb::e_mandatory_element_missing, "", ""},
        {"a group of groups", create_object<c_CT_GroupShape>,
         std::string("<xdr:grpSp><xdr:nvGrpSpPr><xdr:cNvPr id=\"1\" name=\"g\"/><xdr:cNvGrpSpPr/></xdr:nvGrpSpPr>"
                     "<xdr:grpSpPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"1\" cy=\"1\"/><a:chOff x=\"0\" y=\"0\"/>"
                     "<a:chExt cx=\"1\" cy=\"1\"/></a:xfrm></xdr:grpSpPr><xdr:grpSp><xdr:nvGrpSpPr>"
                     "<xdr:cNvPr id=\"3\" name=\"h\"/><xdr:cNvGrpSpPr/></xdr:nvGrpSpPr><xdr:grpSpPr/>") +
             kPicture + "</xdr:grpSp>" + kPicture + "<xdr:contentPart r:id=\"rId5\"/></xdr:grpSp>",
         nimb::e_no_error, "", "="},
        {"a group transform with its child extent first", create_object<c_CT_GroupTransform2D>,
         "<a:xfrm><a:chExt cx=\"1\" cy=\"1\"/><a:chOff x=\"0\" y=\"0\"/></a:xfrm>", nimb::e_no_error, "",
         "="},
        {"a graphic frame keeps its chart", create_object<c_CT_GraphicalObjectFrame>,
         "<xdr:graphicFrame macro=\"\"><xdr:nvGraphicFramePr><xdr:cNvPr id=\"2\" name=\"Chart 1\"/>"
         "<xdr:cNvGraphicFramePr/></xdr:nvGraphicFramePr><xdr:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"0\" cy=\"0\"/>"
         "</xdr:xfrm><a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\">"
         "<c:chart xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" r:id=\"rId1\"/>"
         "<c:chart xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" r:id=\"rId2\"/>"
         "</a:graphicData></a:graphic></xdr:graphicFrame>",
         nimb::e_no_error, "", "="},
        {"a graphic without its data", create_object<c_CT_GraphicalObject>, "<a:graphic></a:graphic>",
         nimb::e_mandatory_element_missing, "", ""},
        {"empty graphic data", create_object<c_CT_GraphicalObjectData>, "<a:graphicData/>", nimb::e_no_error, "",
         "="},
        {"shape properties in their order", create_object<c_CT_ShapeProperties>,
         "<xdr:spPr bwMode=\"auto\"><a:xfrm rot=\"60000\" flipV=\"1\"><a:off x=\"1\" y=\"2\"/><a:ext cx=\"3\" "
         "cy=\"4\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom><a:noFill/><a:extLst/></xdr:spPr>",
         nimb::e_no_error, "", "="},
        {"the geometry before the transform", create_object<c_CT_ShapeProperties>,
         "<xdr:spPr><a:prstGeom prst=\"rect\"/><a:xfrm/></xdr:spPr>", nimb::e_no_error, "", "="},
        {"two fills", create_object<c_CT_ShapeProperties>, "<xdr:spPr><a:noFill/><a:grpFill/></xdr:spPr>",
         nimb::e_no_error, "", "="},
        {"an empty transform offset", create_object<c_CT_Point2D>, "<a:off x=\"0\"/>",
         nimb::e_required_attribute_missing, "CT_Point2D", ""},
    });
}

TEST(DrawingObjects, GeometryFillAndBlip)
{
    using namespace drawing;
    drawing_test::check({
        {"a preset with its guides", create_object<c_CT_PresetGeometry2D>,
         "<a:prstGeom prst=\"roundRect\"><a:avLst><a:gd name=\"adj\" fmla=\"val  16667\"/></a:avLst></a:prstGeom>",
         nimb::e_no_error, "", "="},
        {"a preset without prst", create_object<c_CT_PresetGeometry2D>, "<a:prstGeom/>",
         nimb::e_required_attribute_missing, "CT_PresetGeometry2D", ""},
        {"a guide without a formula", create_object<c_CT_GeomGuide>, "<a:gd name=\"a\"/>",
         nimb::e_required_attribute_missing, "CT_GeomGuide", ""},
        {"a text warp misspelt", create_object<c_CT_PresetTextShape>, "<a:prstTxWarp prst=\"textplain\"/>",
         nimb::e_not_an_enumeration, "", ""},
        {"an adjust point by guide name", create_object<c_CT_AdjPoint2D>, "<a:pos x=\"gdX\" y=\"-5\"/>",
         nimb::e_no_error, "", "="},
        {"an xy handle without its point", create_object<c_CT_XYAdjustHandle>, "<a:ahXY gdRefX=\"adj\"></a:ahXY>",
         nimb::e_mandatory_element_missing, "", ""},
        {"an xy handle self-closed", create_object<c_CT_XYAdjustHandle>, "<a:ahXY gdRefX=\"adj\"/>",
         nimb::e_unexpected_empty_element, "", ""},
        {"handles in their order", create_object<c_CT_AdjustHandleList>,
         "<a:ahLst><a:ahPolar gdRefAng=\"a\"><a:pos x=\"0\" y=\"0\"/></a:ahPolar><a:ahXY><a:pos x=\"1\" y=\"1\"/>"
         "</a:ahXY></a:ahLst>",
         nimb::e_no_error, "", "="},
        {"a text rectangle by guide names", create_object<c_CT_GeomRect>, "<a:rect l=\"0\" t=\"0\" r=\"r\" b=\"b\"/>",
         nimb::e_no_error, "", "="},
        {"a text rectangle without b", create_object<c_CT_GeomRect>, "<a:rect l=\"0\" t=\"0\" r=\"r\"/>",
         nimb::e_required_attribute_missing, "CT_GeomRect", ""},
        {"the engine's picture fill", create_object<c_CT_BlipFillProperties>,
         "<xdr:blipFill><a:blip r:embed=\"rId1\"/><a:srcRect/><a:stretch><a:fillRect/></a:stretch></xdr:blipFill>",
         nimb::e_no_error, "", "="},
        {"a tiled fill with its attributes", create_object<c_CT_BlipFillProperties>,
         "<a:blipFill dpi=\"96\" rotWithShape=\"1\"><a:blip r:embed=\"rId1\" cstate=\"print\"/>"
         "<a:srcRect l=\"-5\" b=\"100000\"/><a:tile tx=\"-1\" ty=\"2\" sx=\"100000\" sy=\"50000\" flip=\"xy\" "
         "algn=\"bl\"/></a:blipFill>",
         nimb::e_no_error, "", "="},
        {"a blip's effects in their order", create_object<c_CT_Blip>,
         "<a:blip r:embed=\"rId1\"><a:grayscl/><a:lum bright=\"-5\"/><a:alphaCeiling/><a:grayscl/></a:blip>",
         nimb::e_no_error, "", "="},
        {"a glow in a blip", create_object<c_CT_Blip>, "<a:blip><a:glow/></a:blip>", nimb::e_no_error, "",
         "="},
        {"an effect after the extensions", create_object<c_CT_Blip>, "<a:blip><a:extLst/><a:grayscl/></a:blip>",
         nimb::e_no_error, "", "="},
        {"a blip's compression in capitals", create_object<c_CT_Blip>, "<a:blip cstate=\"Print\"/>",
         nimb::e_not_an_enumeration, "", ""},
        {"a blip with the extensions of later editions", create_object<c_CT_Blip>,
         "<a:blip r:embed=\"rId1\"><a:extLst><a:ext uri=\"{28A0092B-C50C-407E-A947-70E740481C1C}\">"
         "<a14:useLocalDpi xmlns:a14=\"http://schemas.microsoft.com/office/drawing/2010/main\" val=\"0\"/></a:ext>"
         "</a:extLst></a:blip>",
         nimb::e_no_error, "", "="},
        {"two extensions in their order", create_object<c_CT_OfficeArtExtensionList>,
         "<a:extLst><a:ext uri=\"u1\"><x:one xmlns:x=\"urn:x\"/></a:ext><a:ext uri=\"u2\"><a:two/></a:ext></a:extLst>",
         nimb::e_no_error, "", "="},
    });
}

// Writing reports an item with nothing chosen where the schema needs one.
TEST(DrawingObjects, NothingChosenOnWriting)
{
    drawing::c_CT_GroupShape group;
    group.append_anon_sp();
    EXPECT_EQ("error 7", drawing_test::written(group, "xdr:grpSp"));
    drawing::c_CT_ShapeProperties props;
    props.get_geometry();
    EXPECT_EQ("error 7", drawing_test::written(props, "xdr:spPr"));
    // An anchor's object with nothing chosen writes nothing.
    drawing::c_CT_TwoCellAnchor anchor;
    EXPECT_EQ("<xdr:twoCellAnchor><xdr:from/><xdr:to/><xdr:clientData/></xdr:twoCellAnchor>",
              drawing_test::written(anchor, "xdr:twoCellAnchor"));
}

// A default picture is a whole tree of its required parts.
TEST(DrawingObjects, DefaultPicture)
{
    drawing::c_CT_Picture pic;
    EXPECT_EQ("<xdr:pic><xdr:nvPicPr><xdr:cNvPr/><xdr:cNvPicPr/></xdr:nvPicPr><xdr:blipFill/><xdr:spPr/></xdr:pic>",
              drawing_test::written(pic, "xdr:pic"));
    // A copy is independent of it.
    drawing::c_CT_Picture copy(pic);
    copy.get_nvPicPr()->get_cNvPr()->set_id(5);
    EXPECT_FALSE(pic.nvPicPr.peek()->cNvPr.peek()->id.present);
    // Setting a picture over a shape replaces it.
    drawing::c_EG_ObjectChoices object;
    object.select_sp();
    object.set_pic(copy);
    EXPECT_EQ(nullptr, object.find_sp());
    ASSERT_NE(nullptr, object.find_pic());
    EXPECT_EQ(5u, object.find_pic()->nvPicPr.peek()->cNvPr.peek()->id.value);
}

// Groups nested deeper than the reader allows fail with an error, without
// exhausting the stack.
TEST(DrawingObjects, DeepNestingFailsCleanly)
{
    const int depth = 100000;
    std::string text;
    text.reserve(static_cast<std::size_t>(depth) * 90);
    text = "<xdr:wsDr" + drawing_test::declarations() +
           "><xdr:absoluteAnchor><xdr:pos x=\"0\" y=\"0\"/><xdr:ext cx=\"1\" cy=\"1\"/>";
    const std::string open = "<xdr:grpSp><xdr:nvGrpSpPr><xdr:cNvPr id=\"1\" name=\"g\"/><xdr:cNvGrpSpPr/>"
                             "</xdr:nvGrpSpPr><xdr:grpSpPr/>";
    for (int i = 0; i < depth; ++i) text += open;
    for (int i = 0; i < depth; ++i) text += "</xdr:grpSp>";
    text += "<xdr:clientData/></xdr:absoluteAnchor></xdr:wsDr>";
    drawing::c_wsDr root;
    EXPECT_EQ(nimb::e_not_well_formed, root.unmarshal(text.data(), text.size()));
}

// Drawings as a spreadsheet application writes them: a picture with the
// extensions of later editions, a chart's frame, content it does not
// describe; each is written back equal to what was read.
TEST(DrawingObjects, ApplicationDrawingsRoundTrip)
{
    const std::string picture =
        "<xdr:twoCellAnchor editAs=\"oneCell\"><xdr:from><xdr:col>1</xdr:col><xdr:colOff>0</xdr:colOff>"
        "<xdr:row>1</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>4</xdr:col>"
        "<xdr:colOff>304800</xdr:colOff><xdr:row>9</xdr:row><xdr:rowOff>38100</xdr:rowOff></xdr:to>"
        "<xdr:pic><xdr:nvPicPr><xdr:cNvPr id=\"2\" name=\"Picture 1\" descr=\"A chart&#10;of two lines\">"
        "<a:extLst><a:ext uri=\"{FF2B5EF4-FFF2-40B4-BE49-F238E27FC236}\"><a16:creationId "
        "xmlns:a16=\"http://schemas.microsoft.com/office/drawing/2014/main\" "
        "id=\"{00000000-0008-0000-0000-000002000000}\"/></a:ext></a:extLst></xdr:cNvPr><xdr:cNvPicPr>"
        "<a:picLocks noChangeAspect=\"1\"/></xdr:cNvPicPr></xdr:nvPicPr><xdr:blipFill>"
        "<a:blip xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" r:embed=\"rId1\">"
        "<a:extLst><a:ext uri=\"{28A0092B-C50C-407E-A947-70E740481C1C}\"><a14:useLocalDpi "
        "xmlns:a14=\"http://schemas.microsoft.com/office/drawing/2010/main\" val=\"0\"/></a:ext></a:extLst>"
        "</a:blip><a:stretch><a:fillRect/></a:stretch></xdr:blipFill><xdr:spPr><a:xfrm><a:off x=\"609600\" "
        "y=\"190500\"/><a:ext cx=\"2133600\" cy=\"1371600\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/>"
        "</a:prstGeom></xdr:spPr></xdr:pic><xdr:clientData/></xdr:twoCellAnchor>";
    const std::string chart =
        "<xdr:twoCellAnchor><xdr:from><xdr:col>6</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>1</xdr:row>"
        "<xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>13</xdr:col><xdr:colOff>0</xdr:colOff>"
        "<xdr:row>15</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:to><xdr:graphicFrame macro=\"\">"
        "<xdr:nvGraphicFramePr><xdr:cNvPr id=\"3\" name=\"Chart 2\" title=\"Sales\"/><xdr:cNvGraphicFramePr/>"
        "</xdr:nvGraphicFramePr><xdr:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"0\" cy=\"0\"/></xdr:xfrm><a:graphic>"
        "<a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"><c:chart "
        "xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" r:id=\"rId2\"/></a:graphicData>"
        "</a:graphic></xdr:graphicFrame><xdr:clientData fLocksWithSheet=\"0\"/></xdr:twoCellAnchor>";
    const std::string alternate =
        "<mc:AlternateContent xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\">"
        "<mc:Choice xmlns:a14=\"http://schemas.microsoft.com/office/drawing/2010/main\" Requires=\"a14\">"
        "<xdr:twoCellAnchor/></mc:Choice><mc:Fallback/></mc:AlternateContent>";
    const std::string unknown = "<xdr:later><xdr:inside/></xdr:later>";
    const std::string shapeWithAlternate =
        "<xdr:oneCellAnchor><xdr:from><xdr:col>0</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>20</xdr:row>"
        "<xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:ext cx=\"9525\" cy=\"9525\"/><xdr:sp macro=\"\" textlink=\"\">"
        "<xdr:nvSpPr><xdr:cNvPr id=\"4\" name=\"TextBox 3\"/><xdr:cNvSpPr txBox=\"1\"/></xdr:nvSpPr><xdr:spPr>"
        "<mc:AlternateContent xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\">"
        "<mc:Choice Requires=\"a14\"/></mc:AlternateContent></xdr:spPr></xdr:sp><xdr:clientData/>"
        "</xdr:oneCellAnchor>";
    const std::string body = picture + chart + alternate + unknown + shapeWithAlternate;
    const std::string in = drawing_test::drawingOf(body);
    // Booleans are written as words; the rest stands as it was read (the
    // blip's own declaration of r is in force on the root already).
    std::string expected = in;
    for (const std::string& from : {std::string(" txBox=\"1\""),
                                    std::string("<a:blip xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/"
                                                "2006/relationships\" r:embed")}) {
        const std::string to = from == " txBox=\"1\"" ? " txBox=\"1\"" : "<a:blip r:embed";
        expected.replace(expected.find(from), from.size(), to);
    }
    EXPECT_EQ(expected, drawing_test::drawingWrittenBack(body));
}

}  // namespace
