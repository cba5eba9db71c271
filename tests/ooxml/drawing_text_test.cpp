// Text of drawing shapes (bodies, paragraphs, runs, fields, character and
// paragraph properties, tab stops, bullets) and the 3-D scene, shape and
// backdrop: tables of single elements, then a whole text box.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drawing_doc.h"
#include "ooxml/dml-spreadsheetDrawing.h"
#include "ooxml/dml-spreadsheetDrawing2.h"
#include "ooxml/dml-spreadsheetDrawing3.h"

namespace {

using nimb::create_object;

std::string tabs(int n)
{
    std::string out = "<a:tabLst>";
    for (int i = 0; i < n; ++i) out += "<a:tab pos=\"" + std::to_string(i * 457200) + "\" algn=\"l\"/>";
    return out + "</a:tabLst>";
}

TEST(DrawingText, BodiesAndParagraphs)
{
    using namespace drawing;
    drawing_test::check({
        {"a body with one paragraph", create_object<c_CT_TextBody>,
         "<xdr:txBody><a:bodyPr/><a:lstStyle/><a:p/></xdr:txBody>", nimb::e_no_error, "", "="},
        {"a body without a paragraph", create_object<c_CT_TextBody>,
         "<xdr:txBody><a:bodyPr/><a:lstStyle/></xdr:txBody>", nimb::e_mandatory_element_missing, "", ""},
        {"a body without its properties", create_object<c_CT_TextBody>, "<xdr:txBody><a:p/></xdr:txBody>",
         nimb::e_mandatory_element_missing, "", ""},
        {"a self-closed body", create_object<c_CT_TextBody>, "<xdr:txBody/>", nimb::e_unexpected_empty_element, "",
         ""},
        {"body properties", create_object<c_CT_TextBodyProperties>,
         "<a:bodyPr rot=\"-5400000\" vertOverflow=\"clip\" vert=\"vert270\" wrap=\"square\" lIns=\"91440\" "
         "numCol=\"2\" spcCol=\"0\" rtlCol=\"0\" anchor=\"ctr\" upright=\"1\"><a:prstTxWarp prst=\"textPlain\">"
         "<a:avLst/></a:prstTxWarp><a:normAutofit fontScale=\"92500\" lnSpcReduction=\"10000\"/></a:bodyPr>",
         nimb::e_no_error, "", "="},
        {"no columns", create_object<c_CT_TextBodyProperties>, "<a:bodyPr numCol=\"0\"/>",
         nimb::e_value_below_minimum, "", ""},
        {"seventeen columns", create_object<c_CT_TextBodyProperties>, "<a:bodyPr numCol=\"17\"/>",
         nimb::e_value_above_maximum, "", ""},
        {"a column gap below 0", create_object<c_CT_TextBodyProperties>, "<a:bodyPr spcCol=\"-1\"/>",
         nimb::e_value_below_minimum, "", ""},
        {"an anchor spelled out", create_object<c_CT_TextBodyProperties>, "<a:bodyPr anchor=\"center\"/>",
         nimb::e_not_an_enumeration, "", ""},
        {"autofit before the warp", create_object<c_CT_TextBodyProperties>,
         "<a:bodyPr><a:normAutofit/><a:prstTxWarp prst=\"textPlain\"/></a:bodyPr>", nimb::e_no_error, "",
         "="},
        {"shape autofit", create_object<c_CT_TextBodyProperties>, "<a:bodyPr><a:spAutoFit/></a:bodyPr>",
         nimb::e_no_error, "", "="},
        {"flat text", create_object<c_CT_TextBodyProperties>, "<a:bodyPr><a:flatTx z=\"-5\"/></a:bodyPr>",
         nimb::e_no_error, "", "="},
        {"a list style of one level", create_object<c_CT_TextListStyle>,
         "<a:lstStyle><a:lvl3pPr marL=\"914400\"/></a:lstStyle>", nimb::e_no_error, "", "="},
        {"runs, breaks and fields in their order", create_object<c_CT_TextParagraph>,
         "<a:p><a:r><a:t>one</a:t></a:r><a:br/><a:fld id=\"{5C9D2C2E-3E7B-4C53-A3C4-8B8C0B1D2E3F}\" "
         "type=\"slidenum\"><a:t>2</a:t></a:fld><a:r><a:rPr lang=\"en-US\"/><a:t>three</a:t></a:r>"
         "<a:endParaRPr lang=\"en-US\"/></a:p>",
         nimb::e_no_error, "", "="},
        {"white space of a run kept", create_object<c_CT_RegularTextRun>, "<a:r><a:t>  a  b  </a:t></a:r>",
         nimb::e_no_error, "", "="},
        {"a run without its text", create_object<c_CT_RegularTextRun>, "<a:r><a:rPr/></a:r>",
         nimb::e_mandatory_element_missing, "", ""},
        {"a field with a lower-case id", create_object<c_CT_TextField>,
         "<a:fld id=\"{5c9d2c2e-3e7b-4c53-a3c4-8b8c0b1d2e3f}\"/>", nimb::e_no_error, "", "="},
        {"a field without braces", create_object<c_CT_TextField>,
         "<a:fld id=\"5C9D2C2E-3E7B-4C53-A3C4-8B8C0B1D2E3F\"/>", nimb::e_no_pattern_matched, "", ""},
        {"a default hyperlink", create_object<c_CT_Hyperlink>, "<a:hlinkClick/>", nimb::e_no_error, "", "="},
        {"a hyperlink with a sound", create_object<c_CT_Hyperlink>,
         "<a:hlinkClick r:id=\"rId2\" tooltip=\"go\" history=\"0\"><a:snd r:embed=\"rId3\" builtIn=\"1\"/>"
         "</a:hlinkClick>",
         nimb::e_no_error, "",
         "<a:hlinkClick r:id=\"rId2\" tooltip=\"go\" history=\"0\"><a:snd r:embed=\"rId3\" builtIn=\"1\"/>"
         "</a:hlinkClick>"},
    });
}

TEST(DrawingText, CharacterAndParagraphProperties)
{
    using namespace drawing;
    drawing_test::check({
        {"run properties with fonts, underline and a link", create_object<c_CT_TextCharacterProperties>,
         "<a:rPr lang=\"en-US\" sz=\"1100\" b=\"1\" u=\"dbl\" strike=\"sngStrike\" kern=\"1200\" cap=\"small\" "
         "spc=\"-50\" baseline=\"30000\"><a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill><a:uLnTx/>"
         "<a:uFillTx/><a:latin typeface=\"Calibri\" panose=\"020F0502020204030204\"/><a:ea typeface=\"+mn-ea\"/>"
         "<a:cs typeface=\"+mn-cs\" pitchFamily=\"2\" charset=\"-78\"/><a:hlinkClick r:id=\"rId1\"/></a:rPr>",
         nimb::e_no_error, "", "="},
        {"a font size of 99", create_object<c_CT_TextCharacterProperties>, "<a:rPr sz=\"99\"/>",
         nimb::e_value_below_minimum, "", ""},
        {"a font size above", create_object<c_CT_TextCharacterProperties>, "<a:rPr sz=\"400001\"/>",
         nimb::e_value_above_maximum, "", ""},
        {"an underline of another case", create_object<c_CT_TextCharacterProperties>, "<a:rPr u=\"Sng\"/>",
         nimb::e_not_an_enumeration, "", ""},
        {"the latin font before the highlight", create_object<c_CT_TextCharacterProperties>,
         "<a:rPr><a:latin typeface=\"x\"/><a:highlight/></a:rPr>", nimb::e_no_error, "", "="},
        {"a panose of nine bytes", create_object<c_CT_TextFont>,
         "<a:latin typeface=\"x\" panose=\"020F05020202040302\"/>", nimb::e_length_too_short, "", ""},
        {"the underline line as the text's, then its own fill", create_object<c_CT_TextCharacterProperties>,
         "<a:rPr><a:uLnTx/><a:uFill><a:solidFill/></a:uFill></a:rPr>", nimb::e_no_error, "", "="},
        {"paragraph properties", create_object<c_CT_TextParagraphProperties>,
         "<a:pPr marL=\"342900\" lvl=\"8\" indent=\"-342900\" algn=\"just\" defTabSz=\"914400\" fontAlgn=\"base\">"
         "<a:lnSpc><a:spcPct val=\"150000\"/></a:lnSpc><a:spcBef><a:spcPts val=\"600\"/></a:spcBef><a:buClrTx/>"
         "<a:buSzPct val=\"100000\"/><a:buFont typeface=\"Arial\"/><a:buChar char=\"&#8226;\"/></a:pPr>",
         nimb::e_no_error, "", "<a:pPr marL=\"342900\" lvl=\"8\" indent=\"-342900\" algn=\"just\" defTabSz=\"914400\" "
                              "fontAlgn=\"base\"><a:lnSpc><a:spcPct val=\"150000\"/></a:lnSpc><a:spcBef><a:spcPts "
                              "val=\"600\"/></a:spcBef><a:buClrTx/><a:buSzPct val=\"100000\"/><a:buFont "
                              "typeface=\"Arial\"/><a:buChar char=\"\xE2\x80\xA2\"/></a:pPr>"},
        {"level 9", create_object<c_CT_TextParagraphProperties>, "<a:pPr lvl=\"9\"/>", nimb::e_value_above_maximum,
         "", ""},
        {"spacing of both kinds", create_object<c_CT_TextSpacing>,
         "<a:lnSpc><a:spcPct val=\"100000\"/><a:spcPts val=\"100\"/></a:lnSpc>", nimb::e_no_error, "", "="},
        {"spacing points above", create_object<c_CT_TextSpacingPoint>, "<a:spcPts val=\"158401\"/>",
         nimb::e_value_above_maximum, "", ""},
        {"thirty-two tab stops", create_object<c_CT_TextTabStopList>, tabs(32), nimb::e_no_error, "", "="},
        {"thirty-three tab stops", create_object<c_CT_TextTabStopList>, tabs(33), nimb::e_no_error, "",
         "="},
        {"an autonumber from 3", create_object<c_CT_TextAutonumberBullet>,
         "<a:buAutoNum type=\"arabicPeriod\" startAt=\"3\"/>", nimb::e_no_error, "", "="},
        {"an autonumber from 32768", create_object<c_CT_TextAutonumberBullet>,
         "<a:buAutoNum type=\"arabicPeriod\" startAt=\"32768\"/>", nimb::e_value_above_maximum, "", ""},
        {"an autonumber without its scheme", create_object<c_CT_TextAutonumberBullet>, "<a:buAutoNum/>",
         nimb::e_required_attribute_missing, "CT_TextAutonumberBullet", ""},
        {"a blank bullet", create_object<c_CT_TextCharBullet>, "<a:buChar char=\" \"/>", nimb::e_no_error, "", "="},
        {"a picture bullet", create_object<c_CT_TextBlipBullet>, "<a:buBlip><a:blip r:embed=\"rId4\"/></a:buBlip>",
         nimb::e_no_error, "", "="},
        {"a picture bullet without its blip", create_object<c_CT_TextBlipBullet>,
         "<a:buBlip><a:extLst/></a:buBlip>", nimb::e_mandatory_element_missing, "", ""},
        {"a bullet size of points", create_object<c_CT_TextBulletSizePoint>, "<a:buSzPts val=\"99\"/>",
         nimb::e_value_below_minimum, "", ""},
    });
}

TEST(DrawingText, ThreeD)
{
    using namespace drawing;
    drawing_test::check({
        {"a scene with its backdrop", create_object<c_CT_Scene3D>,
         "<a:scene3d><a:camera prst=\"orthographicFront\" fov=\"0\"><a:rot lat=\"0\" lon=\"0\" rev=\"21599999\"/>"
         "</a:camera><a:lightRig rig=\"threePt\" dir=\"t\"/><a:backdrop><a:anchor x=\"0\" y=\"0\" z=\"0\"/>"
         "<a:norm dx=\"0\" dy=\"0\" dz=\"76200\"/><a:up dx=\"0\" dy=\"76200\" dz=\"0\"/></a:backdrop></a:scene3d>",
         nimb::e_no_error, "", "="},
        {"the light rig before the camera", create_object<c_CT_Scene3D>,
         "<a:scene3d><a:lightRig rig=\"threePt\" dir=\"t\"/><a:camera prst=\"orthographicFront\"/></a:scene3d>",
         nimb::e_mandatory_element_missing, "", ""},
        {"a self-closed scene", create_object<c_CT_Scene3D>, "<a:scene3d/>", nimb::e_unexpected_empty_element, "",
         ""},
        {"a camera without its preset", create_object<c_CT_Camera>, "<a:camera/>", nimb::e_required_attribute_missing,
         "CT_Camera", ""},
        {"a latitude of a whole turn", create_object<c_CT_SphereCoords>, "<a:rot lat=\"21600000\" lon=\"0\" rev=\"0\"/>",
         nimb::e_value_above_maximum, "", ""},
        {"a light from T", create_object<c_CT_LightRig>, "<a:lightRig rig=\"threePt\" dir=\"T\"/>",
         nimb::e_not_an_enumeration, "", ""},
        {"a shape with bevels", create_object<c_CT_Shape3D>,
         "<a:sp3d z=\"-12700\" extrusionH=\"76200\" prstMaterial=\"softmetal\"><a:bevelT w=\"63500\" h=\"25400\"/>"
         "<a:bevelB/><a:extrusionClr><a:srgbClr val=\"00FF00\"/></a:extrusionClr></a:sp3d>",
         nimb::e_no_error, "", "="},
        {"a material spelled soft metal", create_object<c_CT_Shape3D>, "<a:sp3d prstMaterial=\"softMetal\"/>",
         nimb::e_not_an_enumeration, "", ""},
        {"a backdrop without its normal", create_object<c_CT_Backdrop>,
         "<a:backdrop><a:anchor x=\"0\" y=\"0\" z=\"0\"/><a:up dx=\"0\" dy=\"1\" dz=\"0\"/></a:backdrop>",
         nimb::e_mandatory_element_missing, "", ""},
    });
    // A default scene writes its camera and light rig, unset, and nothing
    // else; a default bevel is empty.
    EXPECT_EQ("<a:scene3d><a:camera/><a:lightRig/></a:scene3d>",
              drawing_test::written(drawing::c_CT_Scene3D(), "a:scene3d"));
    EXPECT_EQ("<a:bevelT/>", drawing_test::written(drawing::c_CT_Bevel(), "a:bevelT"));
}

// Tab stops built in code are all written: the bound is the reader's.
TEST(DrawingText, TabStopsBuiltInCode)
{
    drawing::c_CT_TextTabStopList list;
    for (int i = 0; i < 40; ++i) list.tab.append()->set_pos(i);
    const std::string out = drawing_test::written(list, "a:tabLst");
    std::size_t n = 0;
    for (std::size_t at = out.find("<a:tab "); at != std::string::npos; at = out.find("<a:tab ", at + 1)) ++n;
    EXPECT_EQ(40u, n);
}

// A text box as a spreadsheet application writes one, written back equal.
TEST(DrawingText, TextBoxRoundTrips)
{
    const std::string rPr =
        "<a:rPr lang=\"en-US\" sz=\"1400\" b=\"1\" i=\"0\" u=\"sng\" baseline=\"0\"><a:solidFill>"
        "<a:schemeClr val=\"tx1\"/></a:solidFill><a:latin typeface=\"Calibri\" panose=\"020F0502020204030204\"/>"
        "<a:ea typeface=\"+mn-ea\"/><a:cs typeface=\"+mn-cs\"/><a:hlinkClick r:id=\"rId3\" tooltip=\"Home\"/></a:rPr>";
    const std::string box =
        "<xdr:twoCellAnchor><xdr:from><xdr:col>1</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>1</xdr:row>"
        "<xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>5</xdr:col><xdr:colOff>0</xdr:colOff>"
        "<xdr:row>12</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:to><xdr:sp macro=\"\" textlink=\"\"><xdr:nvSpPr>"
        "<xdr:cNvPr id=\"2\" name=\"TextBox 1\" descr=\"Two lines&#10;of alternative text\"/><xdr:cNvSpPr "
        "txBox=\"1\"/></xdr:nvSpPr><xdr:spPr><a:xfrm><a:off x=\"609600\" y=\"190500\"/><a:ext cx=\"2438400\" "
        "cy=\"2095500\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom><a:noFill/></xdr:spPr>"
        "<xdr:txBody><a:bodyPr vertOverflow=\"clip\" horzOverflow=\"clip\" wrap=\"square\" rtlCol=\"0\" "
        "anchor=\"t\"><a:spAutoFit/></a:bodyPr><a:lstStyle><a:defPPr><a:defRPr lang=\"en-US\"/></a:defPPr>"
        "<a:lvl1pPr marL=\"0\" algn=\"l\"><a:defRPr sz=\"1100\"/></a:lvl1pPr></a:lstStyle><a:p><a:pPr marL=\"342900\" "
        "indent=\"-342900\"><a:lnSpc><a:spcPct val=\"120000\"/></a:lnSpc><a:spcAft><a:spcPts val=\"600\"/>"
        "</a:spcAft><a:buFont typeface=\"+mj-lt\"/><a:buAutoNum type=\"arabicPeriod\"/>" +
        tabs(32) + "</a:pPr><a:r>" + rPr +
        "<a:t>  First,  spaced  </a:t></a:r><a:br><a:rPr lang=\"en-US\"/></a:br><a:fld "
        "id=\"{B8A6C2D1-5E4F-4A3B-9C2D-1E0F2A3B4C5D}\" type=\"datetime1\"><a:rPr lang=\"en-US\"/><a:t>1/2/2026</a:t>"
        "</a:fld><a:endParaRPr lang=\"en-US\" sz=\"1100\"/></a:p><a:p><a:pPr><a:buSzPct val=\"75000\"/>"
        "<a:buChar char=\"-\"/></a:pPr><a:r><a:t>second</a:t></a:r></a:p><a:p><a:pPr><a:buBlip>"
        "<a:blip r:embed=\"rId4\"/></a:buBlip></a:pPr><a:r><a:rPr lang=\"en-US\"><a:uLnTx/><a:uFillTx/></a:rPr>"
        "<a:t>third</a:t></a:r></a:p></xdr:txBody></xdr:sp><xdr:clientData/></xdr:twoCellAnchor>";
    std::string out;
    EXPECT_EQ(drawing_test::drawingOf(box), drawing_test::drawingWrittenBack(box, &out));
    // What was written reads back and writes the same bytes.
    drawing::c_wsDr again;
    ASSERT_EQ(nimb::e_no_error, again.unmarshal(out.data(), out.size()));
    std::string twice;
    ASSERT_EQ(nimb::e_no_error, again.marshal(twice));
    EXPECT_EQ(out, twice);
}

}  // namespace
