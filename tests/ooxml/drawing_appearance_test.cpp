// The appearance of drawing objects through the drawing tables, element by
// element: colours and their transforms, outlines, gradient and pattern
// fills, effects and effect containers, custom geometry paths and shape
// styles. What reads, what is refused with which error, and what is written
// back; then trees built in code, which must read back as they were built.
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "drawing_doc.h"
#include "ooxml/dml-spreadsheetDrawing.h"
#include "ooxml/dml-spreadsheetDrawing2.h"
#include "ooxml/dml-spreadsheetDrawing3.h"

namespace {

using nimb::create_object;
using nimb::enimb_error;
namespace d = drawing;

const enimb_error ok = nimb::e_no_error, format = nimb::e_invalid_value_format, above = nimb::e_value_above_maximum,
                  below = nimb::e_value_below_minimum, notListed = nimb::e_not_an_enumeration,
                  longer = nimb::e_length_too_long, shorter = nimb::e_length_too_short,
                  missing = nimb::e_mandatory_element_missing, noAttribute = nimb::e_required_attribute_missing,
                  badEnd = nimb::e_bad_end_of_element, emptyElement = nimb::e_unexpected_empty_element;

struct Case {
    const char* what;
    nimb::c_binding* (*make)();
    std::string element;  // as it stands in a part, without declarations
    enimb_error code;     // of the reading
    const char* item;     // error item when code is not 0
    std::string written;  // what is written back when it reads ("=": the element itself)
};

// Reads each case's element into a new object of its class; a case that
// reads is written back, and so is a copy of its object; what was written
// reads again into the same.
void check(const std::vector<Case>& cases)
{
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<nimb::c_binding> object(c.make());
        const drawing_test::read_result r = drawing_test::read(*object, c.element);
        EXPECT_EQ(c.code, r.code);
        if (c.code != ok) {
            EXPECT_EQ(c.item, r.item);
            continue;
        }
        const std::string name = drawing_test::qname(c.element);
        const std::string out = drawing_test::written(*object, name.c_str());
        EXPECT_EQ(c.written == "=" ? c.element : c.written, out);
        std::unique_ptr<nimb::c_binding> copy(object->clone());
        EXPECT_EQ(out, drawing_test::written(*copy, name.c_str()));
        std::unique_ptr<nimb::c_binding> again(c.make());
        EXPECT_EQ(ok, drawing_test::read(*again, out).code);
        EXPECT_EQ(out, drawing_test::written(*again, name.c_str()));
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Colours: the six models, their transforms in document order, the values of
// the transforms, an element of one colour

TEST(DrawingColours, Cases)
{
    const std::vector<Case> cases = {
        {"hexadecimal colour with three transforms", create_object<d::c_CT_SRgbColor>,
         "<a:srgbClr val=\"1f497d\"><a:tint val=\"40000\"/><a:alpha val=\"50000\"/><a:lumMod val=\"75000\"/></a:srgbClr>",
         ok, "", "<a:srgbClr val=\"1F497D\"><a:tint val=\"40000\"/><a:alpha val=\"50000\"/><a:lumMod val=\"75000\"/></a:srgbClr>"},
        {"hexadecimal colour of two bytes", create_object<d::c_CT_SRgbColor>, "<a:srgbClr val=\"1F49\"/>", shorter, "@val", ""},
        {"hexadecimal colour of four bytes", create_object<d::c_CT_SRgbColor>, "<a:srgbClr val=\"1F497D00\"/>", longer, "@val", ""},
        {"hexadecimal colour of five digits", create_object<d::c_CT_SRgbColor>, "<a:srgbClr val=\"1F497\"/>", format, "@val", ""},
        {"hexadecimal colour with a letter past F", create_object<d::c_CT_SRgbColor>, "<a:srgbClr val=\"1G497D\"/>",
         format, "@val", ""},
        {"hexadecimal colour empty", create_object<d::c_CT_SRgbColor>, "<a:srgbClr val=\"\"/>", shorter, "@val", ""},
        {"hexadecimal colour without its value", create_object<d::c_CT_SRgbColor>, "<a:srgbClr/>", noAttribute,
         "CT_SRgbColor", ""},
        {"colour in percent", create_object<d::c_CT_ScRgbColor>, "<a:scrgbClr r=\"0\" g=\"-5\" b=\"+100000\"/>", ok, "",
         "<a:scrgbClr r=\"0\" g=\"-5\" b=\"100000\"/>"},
        {"colour in percent without blue", create_object<d::c_CT_ScRgbColor>, "<a:scrgbClr r=\"0\" g=\"0\"/>",
         noAttribute, "CT_ScRgbColor", ""},
        {"hue at its last value", create_object<d::c_CT_HslColor>, "<a:hslClr hue=\"21599999\" sat=\"0\" lum=\"0\"/>", ok,
         "", "="},
        {"hue of a full turn", create_object<d::c_CT_HslColor>, "<a:hslClr hue=\"21600000\" sat=\"0\" lum=\"0\"/>", above,
         "@hue", ""},
        {"negative hue", create_object<d::c_CT_HslColor>, "<a:hslClr hue=\"-1\" sat=\"0\" lum=\"0\"/>", below, "@hue", ""},
        {"system colour with its last value", create_object<d::c_CT_SystemColor>,
         "<a:sysClr val=\"windowText\" lastClr=\"000000\"/>", ok, "", "="},
        {"system colour alone", create_object<d::c_CT_SystemColor>, "<a:sysClr val=\"3dDkShadow\"/>", ok, "", "="},
        {"system colour of no name", create_object<d::c_CT_SystemColor>, "<a:sysClr val=\"desktop\"/>", notListed, "@val",
         ""},
        {"scheme colour", create_object<d::c_CT_SchemeColor>, "<a:schemeClr val=\"phClr\"/>", ok, "", "="},
        {"scheme colour of another case", create_object<d::c_CT_SchemeColor>, "<a:schemeClr val=\"Accent1\"/>",
         notListed, "@val", ""},
        {"scheme colour without its value", create_object<d::c_CT_SchemeColor>, "<a:schemeClr/>", noAttribute,
         "CT_SchemeColor", ""},
        {"preset colour without a name", create_object<d::c_CT_PresetColor>, "<a:prstClr/>", ok, "", "="},
        {"preset colour of the first edition", create_object<d::c_CT_PresetColor>, "<a:prstClr val=\"medVioletRed\"/>",
         ok, "", "="},
        // Names that later editions of the format added, which files carry.
        {"preset colour darkBlue", create_object<d::c_CT_PresetColor>, "<a:prstClr val=\"darkBlue\"/>", ok, "", "="},
        {"preset colour grey", create_object<d::c_CT_PresetColor>, "<a:prstClr val=\"grey\"/>", ok, "", "="},
        {"preset colour mediumSeaGreen", create_object<d::c_CT_PresetColor>, "<a:prstClr val=\"mediumSeaGreen\"/>", ok,
         "", "="},
        {"preset colour of another case", create_object<d::c_CT_PresetColor>, "<a:prstClr val=\"DarkBlue\"/>", notListed,
         "@val", ""},
        {"preset colour of no name", create_object<d::c_CT_PresetColor>, "<a:prstClr val=\"blurple\"/>", notListed, "@val",
         ""},
        {"the five transforms without a value", create_object<d::c_CT_SchemeColor>,
         "<a:schemeClr val=\"accent2\"><a:comp/><a:inv/><a:gray/><a:gamma/><a:invGamma/></a:schemeClr>", ok, "", "="},
        {"every transform with a value", create_object<d::c_CT_PresetColor>,
         "<a:prstClr val=\"red\"><a:shade val=\"1\"/><a:alphaOff val=\"-1\"/><a:alphaMod val=\"2\"/><a:hue val=\"3\"/>"
         "<a:hueOff val=\"-4\"/><a:hueMod val=\"5\"/><a:sat val=\"6\"/><a:satOff val=\"7\"/><a:satMod val=\"8\"/>"
         "<a:lum val=\"9\"/><a:lumOff val=\"10\"/><a:lumMod val=\"11\"/><a:red val=\"12\"/><a:redOff val=\"13\"/>"
         "<a:redMod val=\"14\"/><a:green val=\"15\"/><a:greenOff val=\"16\"/><a:greenMod val=\"17\"/><a:blue val=\"18\"/>"
         "<a:blueOff val=\"19\"/><a:blueMod val=\"20\"/></a:prstClr>",
         ok, "", "="},
        // A colour inside a colour ends the transforms and is out of place.
        {"colour inside a colour", create_object<d::c_CT_SRgbColor>,
         "<a:srgbClr val=\"000000\"><a:tint val=\"1\"/><a:srgbClr val=\"FFFFFF\"/></a:srgbClr>", ok, "", "="},
        {"alpha at its top", create_object<d::c_CT_SRgbColor>, "<a:srgbClr val=\"000000\"><a:alpha val=\"100000\"/></a:srgbClr>",
         ok, "", "="},
        {"alpha above", create_object<d::c_CT_SRgbColor>, "<a:srgbClr val=\"000000\"><a:alpha val=\"100001\"/></a:srgbClr>",
         above, "@val", ""},
        {"negative alpha", create_object<d::c_CT_SRgbColor>, "<a:srgbClr val=\"000000\"><a:alpha val=\"-1\"/></a:srgbClr>",
         below, "@val", ""},
        {"alpha offset at its bottom", create_object<d::c_CT_FixedPercentage>, "<a:alphaOff val=\"-100000\"/>", ok, "", "="},
        {"alpha offset below", create_object<d::c_CT_FixedPercentage>, "<a:alphaOff val=\"-100001\"/>", below, "@val", ""},
        {"luminance of twenty nines", create_object<d::c_CT_Percentage>, "<a:lumMod val=\"99999999999999999999\"/>",
         above, "@val", ""},
        {"luminance with a decimal point", create_object<d::c_CT_Percentage>, "<a:lumMod val=\"7.5\"/>", format, "@val", ""},
        {"negative hue offset", create_object<d::c_CT_Angle>, "<a:hueOff val=\"-21600000\"/>", ok, "", "="},
        {"hue transform of a full turn", create_object<d::c_CT_PositiveFixedAngle>, "<a:hue val=\"21600000\"/>", above,
         "@val", ""},
        {"hue modulation without a bound", create_object<d::c_CT_PositivePercentage>, "<a:hueMod val=\"2147483647\"/>", ok,
         "", "="},
        {"tint without its value", create_object<d::c_CT_PositiveFixedPercentage>, "<a:tint/>", noAttribute,
         "CT_PositiveFixedPercentage", ""},
        {"element of one colour", create_object<d::c_CT_Color>, "<a:fgClr><a:srgbClr val=\"FF0000\"/></a:fgClr>", ok, "",
         "="},
        {"element of one colour without it", create_object<d::c_CT_Color>, "<a:fgClr></a:fgClr>", missing, "EG_ColorChoice", ""},
        {"element of one colour, empty", create_object<d::c_CT_Color>, "<a:fgClr/>", emptyElement, "a:fgClr", ""},
        {"element of two colours", create_object<d::c_CT_Color>,
         "<a:bgClr><a:srgbClr val=\"FF0000\"/><a:prstClr val=\"red\"/></a:bgClr>", ok, "", "="},
    };
    check(cases);
}

// ---------------------------------------------------------------------------
// Outlines: width, ends and compound lines; line fill, dash, join and ends;
// the fill of an underline

TEST(DrawingLines, Cases)
{
    const std::vector<Case> cases = {
        {"line of a width and a fill", create_object<d::c_CT_LineProperties>,
         "<a:ln w=\"12700\"><a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill></a:ln>", ok, "", "="},
        {"line at its widest", create_object<d::c_CT_LineProperties>, "<a:ln w=\"20116800\"/>", ok, "", "="},
        {"line wider", create_object<d::c_CT_LineProperties>, "<a:ln w=\"20116801\"/>", above, "@w", ""},
        {"line of a negative width", create_object<d::c_CT_LineProperties>, "<a:ln w=\"-1\"/>", below, "@w", ""},
        {"line ends named in full", create_object<d::c_CT_LineProperties>, "<a:ln cap=\"round\"/>", notListed, "@cap", ""},
        {"double line inside", create_object<d::c_CT_LineProperties>, "<a:ln cap=\"sq\" cmpd=\"dbl\" algn=\"in\"/>", ok, "",
         "="},
        {"compound line of no name", create_object<d::c_CT_LineProperties>, "<a:ln cmpd=\"double\"/>", notListed, "@cmpd", ""},
        {"line with nothing", create_object<d::c_CT_LineProperties>, "<a:ln></a:ln>", ok, "", "<a:ln/>"},
        {"line with every child", create_object<d::c_CT_LineProperties>,
         "<a:ln><a:noFill/><a:prstDash val=\"sysDashDotDot\"/><a:bevel/><a:headEnd type=\"arrow\" w=\"lg\" len=\"sm\"/>"
         "<a:tailEnd/><a:extLst><a:ext uri=\"{X}\"><b xmlns=\"urn:b\"/></a:ext></a:extLst></a:ln>",
         ok, "", "="},
        {"preset dash of another case", create_object<d::c_CT_LineProperties>, "<a:ln><a:prstDash val=\"SysDash\"/></a:ln>",
         notListed, "@val", ""},
        {"round join", create_object<d::c_CT_LineProperties>, "<a:ln><a:round/></a:ln>", ok, "", "="},
        {"miter without a limit", create_object<d::c_CT_LineProperties>, "<a:ln><a:miter/></a:ln>", ok, "", "="},
        {"miter with a limit", create_object<d::c_CT_LineProperties>, "<a:ln><a:miter lim=\"800000\"/></a:ln>", ok, "", "="},
        {"miter of a negative limit", create_object<d::c_CT_LineProperties>, "<a:ln><a:miter lim=\"-1\"/></a:ln>", below,
         "@lim", ""},
        {"line end of no kind", create_object<d::c_CT_LineEndProperties>, "<a:tailEnd w=\"medium\"/>", notListed, "@w", ""},
        {"line end of a length", create_object<d::c_CT_LineEndProperties>, "<a:tailEnd w=\"med\" len=\"lg\"/>", ok, "", "="},
        // A picture is no fill of a line.
        {"line of a picture fill", create_object<d::c_CT_LineProperties>, "<a:ln><a:blipFill/></a:ln>", ok, "", "="},
        {"line with the tail before the head", create_object<d::c_CT_LineProperties>,
         "<a:ln><a:tailEnd/><a:headEnd/></a:ln>", ok, "", "="},
        {"line with the join before the dash", create_object<d::c_CT_LineProperties>,
         "<a:ln><a:round/><a:prstDash val=\"dot\"/></a:ln>", ok, "", "="},
        {"line with two fills", create_object<d::c_CT_LineProperties>, "<a:ln><a:noFill/><a:noFill/></a:ln>", ok, "",
         "="},
        {"gradient line", create_object<d::c_CT_LineProperties>,
         "<a:ln><a:gradFill><a:gsLst><a:gs pos=\"0\"><a:prstClr val=\"red\"/></a:gs><a:gs pos=\"100000\">"
         "<a:prstClr val=\"blue\"/></a:gs></a:gsLst></a:gradFill></a:ln>",
         ok, "", "="},
        {"custom dash of three stops", create_object<d::c_CT_LineProperties>,
         "<a:ln><a:custDash><a:ds d=\"1\" sp=\"2\"/><a:ds d=\"30\" sp=\"40\"/><a:ds d=\"500\" sp=\"600\"/></a:custDash></a:ln>",
         ok, "", "="},
        {"custom dash of no stop", create_object<d::c_CT_DashStopList>, "<a:custDash></a:custDash>", ok, "",
         "<a:custDash/>"},
        {"dash stop without its space", create_object<d::c_CT_DashStopList>, "<a:custDash><a:ds d=\"1\"/></a:custDash>",
         noAttribute, "CT_DashStop", ""},
        {"underline fill", create_object<d::c_CT_TextUnderlineFillGroupWrapper>,
         "<a:uFill><a:solidFill><a:srgbClr val=\"00FF00\"/></a:solidFill></a:uFill>", ok, "", "="},
        {"underline fill of no fill", create_object<d::c_CT_TextUnderlineFillGroupWrapper>,
         "<a:uFill><a:prstDash val=\"dot\"/></a:uFill>", missing, "EG_FillProperties", ""},
    };
    check(cases);
}

// ---------------------------------------------------------------------------
// Gradient and pattern fills

TEST(DrawingGradientAndPatternFills, Cases)
{
    const std::string twoStops =
        "<a:gsLst><a:gs pos=\"0\"><a:schemeClr val=\"accent1\"/></a:gs><a:gs pos=\"100000\"><a:srgbClr val=\"FFFFFF\"/>"
        "</a:gs></a:gsLst>";
    const std::vector<Case> cases = {
        {"gradient of two stops", create_object<d::c_CT_GradientFillProperties>,
         "<a:gradFill rotWithShape=\"1\">" + twoStops + "<a:lin ang=\"5400000\" scaled=\"1\"/></a:gradFill>", ok, "",
         "<a:gradFill rotWithShape=\"1\">" + twoStops + "<a:lin ang=\"5400000\" scaled=\"1\"/></a:gradFill>"},
        {"gradient along a path", create_object<d::c_CT_GradientFillProperties>,
         "<a:gradFill flip=\"xy\">" + twoStops +
             "<a:path path=\"circle\"><a:fillToRect l=\"50000\" t=\"50000\" r=\"50000\" b=\"50000\"/></a:path>"
             "<a:tileRect/></a:gradFill>",
         ok, "", "="},
        {"empty gradient", create_object<d::c_CT_GradientFillProperties>, "<a:gradFill/>", ok, "", "="},
        {"gradient path of another case", create_object<d::c_CT_GradientFillProperties>,
         "<a:gradFill><a:path path=\"Circle\"/></a:gradFill>", notListed, "@path", ""},
        {"gradient with the shade before the stops", create_object<d::c_CT_GradientFillProperties>,
         "<a:gradFill><a:lin/>" + twoStops + "</a:gradFill>", ok, "", "="},
        {"linear shade of a full turn", create_object<d::c_CT_LinearShadeProperties>, "<a:lin ang=\"21600000\"/>", above,
         "@ang", ""},
        {"stops: one", create_object<d::c_CT_GradientStopList>,
         "<a:gsLst><a:gs pos=\"0\"><a:prstClr val=\"red\"/></a:gs></a:gsLst>", missing, "a:gs", ""},
        {"stops: none", create_object<d::c_CT_GradientStopList>, "<a:gsLst></a:gsLst>", missing, "a:gs", ""},
        {"stops: empty element", create_object<d::c_CT_GradientStopList>, "<a:gsLst/>", emptyElement, "a:gsLst", ""},
        {"stops: three", create_object<d::c_CT_GradientStopList>,
         "<a:gsLst><a:gs pos=\"0\"><a:prstClr val=\"red\"/></a:gs><a:gs pos=\"50000\"><a:prstClr val=\"red\"/></a:gs>"
         "<a:gs pos=\"100000\"><a:prstClr val=\"red\"/></a:gs></a:gsLst>",
         ok, "", "="},
        {"stop at its top", create_object<d::c_CT_GradientStop>, "<a:gs pos=\"100000\"><a:prstClr val=\"red\"/></a:gs>", ok,
         "", "="},
        {"stop above", create_object<d::c_CT_GradientStop>, "<a:gs pos=\"100001\"><a:prstClr val=\"red\"/></a:gs>", above,
         "@pos", ""},
        {"negative stop", create_object<d::c_CT_GradientStop>, "<a:gs pos=\"-1\"><a:prstClr val=\"red\"/></a:gs>", below,
         "@pos", ""},
        {"stop without a position", create_object<d::c_CT_GradientStop>, "<a:gs><a:prstClr val=\"red\"/></a:gs>",
         noAttribute, "CT_GradientStop", ""},
        {"stop without a colour", create_object<d::c_CT_GradientStop>, "<a:gs pos=\"0\"></a:gs>", missing, "EG_ColorChoice", ""},
        {"stop as an empty element", create_object<d::c_CT_GradientStop>, "<a:gs pos=\"0\"/>", emptyElement, "a:gs", ""},
        {"pattern with its background only", create_object<d::c_CT_PatternFillProperties>,
         "<a:pattFill prst=\"dkDnDiag\"><a:bgClr><a:prstClr val=\"white\"/></a:bgClr></a:pattFill>", ok, "", "="},
        {"pattern with both colours", create_object<d::c_CT_PatternFillProperties>,
         "<a:pattFill prst=\"zigZag\"><a:fgClr><a:prstClr val=\"black\"/></a:fgClr><a:bgClr><a:prstClr val=\"white\"/>"
         "</a:bgClr></a:pattFill>",
         ok, "", "="},
        {"pattern of no name", create_object<d::c_CT_PatternFillProperties>, "<a:pattFill prst=\"pct15\"/>", notListed, "@prst",
         ""},
        {"pattern with its colours swapped", create_object<d::c_CT_PatternFillProperties>,
         "<a:pattFill><a:bgClr><a:prstClr val=\"white\"/></a:bgClr><a:fgClr><a:prstClr val=\"black\"/></a:fgClr>"
         "</a:pattFill>",
         ok, "", "="},
    };
    check(cases);
}

// ---------------------------------------------------------------------------
// Effect lists, effect graphs and the effects

TEST(DrawingEffects, Cases)
{
    const std::string black = "<a:prstClr val=\"black\"/>";
    const std::vector<Case> cases = {
        {"empty effect list", create_object<d::c_CT_EffectList>, "<a:effectLst></a:effectLst>", ok, "", "<a:effectLst/>"},
        {"effect list of every kind", create_object<d::c_CT_EffectList>,
         "<a:effectLst><a:blur rad=\"1\" grow=\"0\"/><a:fillOverlay blend=\"screen\"><a:noFill/></a:fillOverlay>"
         "<a:glow rad=\"2\">" + black + "</a:glow><a:innerShdw blurRad=\"3\" dist=\"4\" dir=\"5\">" + black +
             "</a:innerShdw><a:outerShdw>" + black + "</a:outerShdw><a:prstShdw prst=\"shdw20\">" + black +
             "</a:prstShdw><a:reflection/><a:softEdge rad=\"6\"/></a:effectLst>",
         ok, "", "="},
        {"effect list: glow before blur", create_object<d::c_CT_EffectList>,
         "<a:effectLst><a:glow>" + black + "</a:glow><a:blur/></a:effectLst>", ok, "", "="},
        {"effect list: two glows", create_object<d::c_CT_EffectList>,
         "<a:effectLst><a:glow>" + black + "</a:glow><a:glow>" + black + "</a:glow></a:effectLst>", ok, "", "="},
        {"effect list: an effect it does not hold", create_object<d::c_CT_EffectList>,
         "<a:effectLst><a:grayscl/></a:effectLst>", ok, "", "="},
        {"effect graph of a tree", create_object<d::c_CT_EffectContainer>,
         "<a:effectDag type=\"tree\"><a:cont><a:grayscl/><a:blur/></a:cont><a:effect ref=\"fill\"/></a:effectDag>", ok, "",
         "="},
        {"effect graph of sibling type named", create_object<d::c_CT_EffectContainer>,
         "<a:cont type=\"sib\" name=\" a  b \"/>", ok, "", "="},
        {"effect graph of a type of another case", create_object<d::c_CT_EffectContainer>,
         "<a:effectDag type=\"Tree\"/>", notListed, "@type", ""},
        {"effect graph of something else", create_object<d::c_CT_EffectContainer>,
         "<a:effectDag><a:grayscl/><a:noFill/></a:effectDag>", ok, "", "="},
        {"named effect without its name", create_object<d::c_CT_EffectReference>, "<a:effect/>", ok, "", "="},
        {"every effect of a graph", create_object<d::c_CT_EffectContainer>,
         "<a:cont><a:alphaBiLevel thresh=\"1\"/><a:alphaCeiling/><a:alphaFloor/><a:alphaInv/><a:alphaModFix/>"
         "<a:alphaOutset rad=\"-7\"/><a:alphaRepl a=\"2\"/><a:biLevel thresh=\"3\"/><a:blend blend=\"darken\"><a:cont/>"
         "</a:blend><a:clrChange useA=\"0\"><a:clrFrom>" + black + "</a:clrFrom><a:clrTo>" + black +
             "</a:clrTo></a:clrChange><a:clrRepl>" + black + "</a:clrRepl><a:duotone>" + black + black +
             "</a:duotone><a:fill><a:grpFill/></a:fill><a:hsl hue=\"1\" sat=\"2\" lum=\"3\"/><a:lum bright=\"4\" "
             "contrast=\"-5\"/><a:relOff tx=\"6\" ty=\"7\"/><a:tint hue=\"8\" amt=\"-9\"/><a:xfrm sx=\"1\" sy=\"2\" "
             "kx=\"3\" ky=\"4\" tx=\"5\" ty=\"6\"/></a:cont>",
         ok, "", "="},
        {"alpha modulation of a graph", create_object<d::c_CT_AlphaModulateEffect>,
         "<a:alphaMod><a:cont><a:grayscl/><a:alphaCeiling/></a:cont></a:alphaMod>", ok, "", "="},
        {"alpha modulation of nothing", create_object<d::c_CT_AlphaModulateEffect>, "<a:alphaMod></a:alphaMod>", missing,
         "a:cont", ""},
        {"fill overlay of a word", create_object<d::c_CT_FillOverlayEffect>,
         "<a:fillOverlay blend=\"multiply\"><a:noFill/></a:fillOverlay>", notListed, "@blend", ""},
        {"fill overlay of another case", create_object<d::c_CT_FillOverlayEffect>,
         "<a:fillOverlay blend=\"Mult\"><a:noFill/></a:fillOverlay>", notListed, "@blend", ""},
        {"fill overlay", create_object<d::c_CT_FillOverlayEffect>,
         "<a:fillOverlay blend=\"mult\"><a:solidFill>" + black + "</a:solidFill></a:fillOverlay>", ok, "", "="},
        {"fill overlay of no fill", create_object<d::c_CT_FillOverlayEffect>, "<a:fillOverlay blend=\"over\"></a:fillOverlay>",
         missing, "EG_FillProperties", ""},
        {"fill overlay without its blend", create_object<d::c_CT_FillOverlayEffect>,
         "<a:fillOverlay><a:noFill/></a:fillOverlay>", noAttribute, "CT_FillOverlayEffect", ""},
        {"alpha modulation by a fixed amount", create_object<d::c_CT_AlphaModulateFixedEffect>, "<a:alphaModFix/>", ok, "",
         "="},
        {"alpha modulation past a hundred percent", create_object<d::c_CT_AlphaModulateFixedEffect>,
         "<a:alphaModFix amt=\"100001\"/>", ok, "", "="},
        {"alpha replacement past a hundred percent", create_object<d::c_CT_AlphaReplaceEffect>, "<a:alphaRepl a=\"100001\"/>",
         above, "@a", ""},
        {"alpha bi-level without its threshold", create_object<d::c_CT_AlphaBiLevelEffect>, "<a:alphaBiLevel/>",
         noAttribute, "CT_AlphaBiLevelEffect", ""},
        {"bi-level without its threshold", create_object<d::c_CT_BiLevelEffect>, "<a:biLevel/>", noAttribute,
         "CT_BiLevelEffect", ""},
        {"hue of a full turn", create_object<d::c_CT_HSLEffect>, "<a:hsl hue=\"21600000\"/>", above, "@hue", ""},
        {"hue at its last value", create_object<d::c_CT_HSLEffect>, "<a:hsl hue=\"21599999\" sat=\"-100000\"/>", ok, "",
         "="},
        {"saturation below", create_object<d::c_CT_HSLEffect>, "<a:hsl sat=\"-100001\"/>", below, "@sat", ""},
        {"skew of a right angle", create_object<d::c_CT_TransformEffect>, "<a:xfrm kx=\"5400000\"/>", above, "@kx", ""},
        {"skew of a right angle back", create_object<d::c_CT_TransformEffect>, "<a:xfrm ky=\"-5400000\"/>", below, "@ky", ""},
        {"skew just short of a right angle", create_object<d::c_CT_TransformEffect>, "<a:xfrm kx=\"5399999\" ky=\"-5399999\"/>",
         ok, "", "="},
        {"soft edge of a negative radius", create_object<d::c_CT_SoftEdgesEffect>, "<a:softEdge rad=\"-1\"/>", below, "@rad",
         ""},
        {"soft edge without its radius", create_object<d::c_CT_SoftEdgesEffect>, "<a:softEdge/>", noAttribute,
         "CT_SoftEdgesEffect", ""},
        {"outer shadow of a colour only", create_object<d::c_CT_OuterShadowEffect>,
         "<a:outerShdw>" + black + "</a:outerShdw>", ok, "", "="},
        {"outer shadow of every attribute", create_object<d::c_CT_OuterShadowEffect>,
         "<a:outerShdw blurRad=\"1\" dist=\"2\" dir=\"3\" sx=\"4\" sy=\"5\" kx=\"6\" ky=\"7\" algn=\"ctr\" "
         "rotWithShape=\"0\">" + black + "</a:outerShdw>",
         ok, "", "="},
        {"outer shadow aligned nowhere", create_object<d::c_CT_OuterShadowEffect>,
         "<a:outerShdw algn=\"middle\">" + black + "</a:outerShdw>", notListed, "@algn", ""},
        {"outer shadow without a colour", create_object<d::c_CT_OuterShadowEffect>, "<a:outerShdw></a:outerShdw>", missing,
         "EG_ColorChoice", ""},
        {"outer shadow of two colours", create_object<d::c_CT_OuterShadowEffect>,
         "<a:outerShdw>" + black + black + "</a:outerShdw>", ok, "", "="},
        {"preset shadow of no name", create_object<d::c_CT_PresetShadowEffect>,
         "<a:prstShdw prst=\"shdw21\">" + black + "</a:prstShdw>", notListed, "@prst", ""},
        {"preset shadow without its name", create_object<d::c_CT_PresetShadowEffect>,
         "<a:prstShdw>" + black + "</a:prstShdw>", noAttribute, "CT_PresetShadowEffect", ""},
        {"duotone of one colour", create_object<d::c_CT_DuotoneEffect>, "<a:duotone>" + black + "</a:duotone>", missing, "EG_ColorChoice",
         ""},
        {"duotone of three colours", create_object<d::c_CT_DuotoneEffect>, "<a:duotone>" + black + black + black +
         "</a:duotone>", ok, "", "="},
        {"colour change to a colour only", create_object<d::c_CT_ColorChangeEffect>,
         "<a:clrChange><a:clrTo>" + black + "</a:clrTo></a:clrChange>", missing, "a:clrFrom", ""},
        {"blend without its graph", create_object<d::c_CT_BlendEffect>, "<a:blend blend=\"screen\"></a:blend>", missing, "a:cont",
         ""},
        {"blend of an empty graph", create_object<d::c_CT_BlendEffect>, "<a:blend blend=\"screen\"><a:cont/></a:blend>", ok,
         "", "="},
        {"glow as an empty element", create_object<d::c_CT_GlowEffect>, "<a:glow/>", emptyElement, "a:glow", ""},
        {"colour replacement as an empty element", create_object<d::c_CT_ColorReplaceEffect>, "<a:clrRepl/>", emptyElement,
         "a:clrRepl", ""},
        {"reflection of every attribute", create_object<d::c_CT_ReflectionEffect>,
         "<a:reflection blurRad=\"1\" stA=\"2\" stPos=\"3\" endA=\"4\" endPos=\"5\" dist=\"6\" dir=\"7\" fadeDir=\"8\" "
         "sx=\"9\" sy=\"10\" kx=\"11\" ky=\"12\" algn=\"tl\" rotWithShape=\"0\"/>",
         ok, "", "="},
        {"reflection fading past a full turn", create_object<d::c_CT_ReflectionEffect>,
         "<a:reflection fadeDir=\"21600000\"/>", above, "@fadeDir", ""},
    };
    check(cases);
}

// ---------------------------------------------------------------------------
// Paths of a custom geometry

TEST(DrawingPaths, Cases)
{
    const std::string mixed =
        "<a:path w=\"100\" h=\"200\"><a:moveTo><a:pt x=\"0\" y=\"0\"/></a:moveTo><a:lnTo><a:pt x=\"10\" y=\"0\"/></a:lnTo>"
        "<a:arcTo wR=\"5\" hR=\"5\" stAng=\"0\" swAng=\"5400000\"/><a:lnTo><a:pt x=\"0\" y=\"10\"/></a:lnTo><a:close/>"
        "<a:moveTo><a:pt x=\"1\" y=\"1\"/></a:moveTo><a:cubicBezTo><a:pt x=\"2\" y=\"2\"/><a:pt x=\"3\" y=\"3\"/>"
        "<a:pt x=\"4\" y=\"4\"/></a:cubicBezTo></a:path>";
    const std::vector<Case> cases = {
        {"commands of every kind in their order", create_object<d::c_CT_Path2D>, mixed, ok, "", "="},
        {"two quadratic curves", create_object<d::c_CT_Path2D>,
         "<a:path><a:quadBezTo><a:pt x=\"1\" y=\"2\"/><a:pt x=\"3\" y=\"4\"/></a:quadBezTo><a:quadBezTo><a:pt x=\"5\" "
         "y=\"6\"/><a:pt x=\"7\" y=\"8\"/></a:quadBezTo><a:close/><a:close/></a:path>",
         ok, "", "="},
        {"path of no command", create_object<d::c_CT_Path2D>, "<a:path w=\"5\" h=\"6\"></a:path>", ok, "",
         "<a:path w=\"5\" h=\"6\"/>"},
        {"path of every attribute", create_object<d::c_CT_Path2D>,
         "<a:path w=\"0\" h=\"27273042316900\" fill=\"darkenLess\" stroke=\"0\" extrusionOk=\"1\"/>", ok, "",
         "<a:path w=\"0\" h=\"27273042316900\" fill=\"darkenLess\" stroke=\"0\" extrusionOk=\"1\"/>"},
        {"path of a negative width", create_object<d::c_CT_Path2D>, "<a:path w=\"-1\"/>", below, "@w", ""},
        {"path of a fill of another case", create_object<d::c_CT_Path2D>, "<a:path fill=\"Norm\"/>", notListed, "@fill", ""},
        {"path of a stroke in a word", create_object<d::c_CT_Path2D>, "<a:path stroke=\"yes\"/>", format, "@stroke", ""},
        {"path of something else", create_object<d::c_CT_Path2D>, "<a:path><a:pt x=\"0\" y=\"0\"/></a:path>", ok, "",
         "="},
        {"quadratic curve of one point", create_object<d::c_CT_Path2DQuadBezierTo>,
         "<a:quadBezTo><a:pt x=\"1\" y=\"2\"/></a:quadBezTo>", missing, "a:pt", ""},
        {"quadratic curve of three points", create_object<d::c_CT_Path2DQuadBezierTo>,
         "<a:quadBezTo><a:pt x=\"1\" y=\"2\"/><a:pt x=\"1\" y=\"2\"/><a:pt x=\"1\" y=\"2\"/></a:quadBezTo>", ok, "", "="},
        {"cubic curve of four points", create_object<d::c_CT_Path2DCubicBezierTo>,
         "<a:cubicBezTo><a:pt x=\"1\" y=\"2\"/><a:pt x=\"1\" y=\"2\"/><a:pt x=\"1\" y=\"2\"/><a:pt x=\"1\" y=\"2\"/>"
         "</a:cubicBezTo>",
         ok, "", "="},
        {"cubic curve as an empty element", create_object<d::c_CT_Path2DCubicBezierTo>, "<a:cubicBezTo/>", emptyElement, "a:cubicBezTo",
         ""},
        {"arc of guide names", create_object<d::c_CT_Path2DArcTo>,
         "<a:arcTo wR=\"wd2\" hR=\"hd2\" stAng=\"cd2\" swAng=\"-5400000\"/>", ok, "", "="},
        {"arc without its sweep", create_object<d::c_CT_Path2DArcTo>, "<a:arcTo wR=\"1\" hR=\"1\" stAng=\"0\"/>",
         noAttribute, "CT_Path2DArcTo", ""},
        {"move of no point", create_object<d::c_CT_Path2DMoveTo>, "<a:moveTo></a:moveTo>", missing, "a:pt", ""},
        {"move as an empty element", create_object<d::c_CT_Path2DMoveTo>, "<a:moveTo/>", emptyElement, "a:moveTo", ""},
        {"line of two points", create_object<d::c_CT_Path2DLineTo>,
         "<a:lnTo><a:pt x=\"1\" y=\"2\"/><a:pt x=\"1\" y=\"2\"/></a:lnTo>", ok, "", "="},
        // A close is an empty element: text in it is out of place.
        {"close with text", create_object<d::c_CT_Path2D>, "<a:path><a:close>x</a:close></a:path>", badEnd, "a:close", ""},
        {"path list of two paths", create_object<d::c_CT_Path2DList>,
         "<a:pathLst><a:path w=\"1\"/><a:path h=\"2\"><a:close/></a:path></a:pathLst>", ok, "", "="},
        {"empty path list", create_object<d::c_CT_Path2DList>, "<a:pathLst/>", ok, "", "="},
    };
    check(cases);
}

// ---------------------------------------------------------------------------
// Shape style

TEST(DrawingShapeStyle, Cases)
{
    const std::vector<Case> cases = {
        {"style with one colour", create_object<d::c_CT_ShapeStyle>,
         "<xdr:style><a:lnRef idx=\"2\"><a:schemeClr val=\"accent1\"/></a:lnRef><a:fillRef idx=\"1\"/><a:effectRef idx=\"0\"/>"
         "<a:fontRef idx=\"minor\"/></xdr:style>",
         ok, "", "="},
        {"style of a colour everywhere", create_object<d::c_CT_ShapeStyle>,
         "<xdr:style><a:lnRef idx=\"0\"><a:prstClr val=\"red\"/></a:lnRef><a:fillRef idx=\"4294967295\"><a:sysClr "
         "val=\"window\"/></a:fillRef><a:effectRef idx=\"+3\"><a:hslClr hue=\"0\" sat=\"0\" lum=\"0\"/></a:effectRef>"
         "<a:fontRef idx=\"none\"><a:scrgbClr r=\"1\" g=\"2\" b=\"3\"/></a:fontRef></xdr:style>",
         ok, "",
         "<xdr:style><a:lnRef idx=\"0\"><a:prstClr val=\"red\"/></a:lnRef><a:fillRef idx=\"4294967295\"><a:sysClr "
         "val=\"window\"/></a:fillRef><a:effectRef idx=\"3\"><a:hslClr hue=\"0\" sat=\"0\" lum=\"0\"/></a:effectRef>"
         "<a:fontRef idx=\"none\"><a:scrgbClr r=\"1\" g=\"2\" b=\"3\"/></a:fontRef></xdr:style>"},
        {"style without its fill reference", create_object<d::c_CT_ShapeStyle>,
         "<xdr:style><a:lnRef idx=\"2\"/><a:effectRef idx=\"0\"/><a:fontRef idx=\"minor\"/></xdr:style>", missing, "a:fillRef", ""},
        {"style of its references in another order", create_object<d::c_CT_ShapeStyle>,
         "<xdr:style><a:fillRef idx=\"1\"/><a:lnRef idx=\"2\"/><a:effectRef idx=\"0\"/><a:fontRef idx=\"minor\"/>"
         "</xdr:style>",
         missing, "a:lnRef", ""},
        {"font reference of another case", create_object<d::c_CT_FontReference>, "<a:fontRef idx=\"Minor\"/>", notListed,
         "@idx", ""},
        {"reference below", create_object<d::c_CT_StyleMatrixReference>, "<a:lnRef idx=\"-1\"/>", below, "@idx", ""},
        {"reference above", create_object<d::c_CT_StyleMatrixReference>, "<a:lnRef idx=\"4294967296\"/>", above, "@idx", ""},
        {"reference of a fraction", create_object<d::c_CT_StyleMatrixReference>, "<a:lnRef idx=\"1.5\"/>", format, "@idx", ""},
        {"reference without its index", create_object<d::c_CT_StyleMatrixReference>, "<a:effectRef/>", noAttribute,
         "CT_StyleMatrixReference", ""},
        {"reference of two colours", create_object<d::c_CT_StyleMatrixReference>,
         "<a:lnRef idx=\"1\"><a:prstClr val=\"red\"/><a:prstClr val=\"red\"/></a:lnRef>", ok, "", "="},
    };
    check(cases);
}

// ---------------------------------------------------------------------------
// Trees built in code: written as built, and read back into the same

// Writes `object` as `name`, reads that into a new object of `make` and
// writes it again: both writings must be `expected`.
void expectReadsBack(const nimb::c_binding& object, nimb::c_binding* (*make)(), const char* name,
                     const std::string& expected)
{
    const std::string out = drawing_test::written(object, name);
    EXPECT_EQ(expected, out);
    std::unique_ptr<nimb::c_binding> again(make());
    const drawing_test::read_result r = drawing_test::read(*again, out);
    EXPECT_EQ(ok, r.code) << r.item;
    EXPECT_EQ(out, drawing_test::written(*again, name));
}

nimb::c_binary bytes(std::initializer_list<unsigned char> list)
{
    nimb::c_binary b;
    b.assign(list.begin(), list.end());
    return b;
}

TEST(DrawingBuiltInCode, StyledShapePropertiesReadBack)
{
    d::c_CT_ShapeProperties properties;
    d::c_CT_GradientFillProperties* gradient = properties.get_fill()->get_gradFill();
    gradient->set_rotWithShape(true);
    d::c_CT_GradientStop* first = gradient->get_gsLst()->gs.append();
    first->set_pos(0);
    first->get_color()->get_schemeClr()->set_val(u"accent1");
    d::c_CT_GradientStop* last = gradient->get_gsLst()->gs.append();
    last->set_pos(100000);
    d::c_CT_SRgbColor* blue = last->get_color()->get_srgbClr();
    blue->set_val(bytes({0x1F, 0x49, 0x7D}));
    blue->transforms.append()->get_alpha()->set_val(50000);
    gradient->get_shade()->get_lin()->set_ang(5400000);

    d::c_CT_LineProperties* line = properties.get_ln();
    line->set_w(12700);
    d::c_CT_SchemeColor* lineColour = line->get_fill()->get_solidFill()->get_color()->get_schemeClr();
    lineColour->set_val(u"accent1");
    lineColour->transforms.append()->get_lumMod()->set_val(75000);
    lineColour->transforms.append()->get_lumOff()->set_val(25000);
    line->get_dash()->get_prstDash()->set_val(u"dash");
    line->get_join()->get_miter()->set_lim(800000);
    d::c_CT_LineEndProperties* head = line->get_headEnd();
    head->set_type(u"arrow");
    head->set_w(u"lg");
    head->set_len(u"sm");

    d::c_CT_EffectList* effects = properties.get_effect()->get_effectLst();
    d::c_CT_GlowEffect* glow = effects->get_glow();
    glow->set_rad(63500);
    glow->get_color()->get_prstClr()->set_val(u"darkBlue");
    d::c_CT_OuterShadowEffect* shadow = effects->get_outerShdw();
    shadow->set_blurRad(40000);
    shadow->set_dir(5400000);
    shadow->set_algn(u"tl");
    shadow->get_color()->get_srgbClr()->set_val(bytes({0, 0, 0}));

    expectReadsBack(properties, create_object<d::c_CT_ShapeProperties>, "xdr:spPr",
                    "<xdr:spPr><a:gradFill rotWithShape=\"1\"><a:gsLst><a:gs pos=\"0\"><a:schemeClr val=\"accent1\"/>"
                    "</a:gs><a:gs pos=\"100000\"><a:srgbClr val=\"1F497D\"><a:alpha val=\"50000\"/></a:srgbClr></a:gs>"
                    "</a:gsLst><a:lin ang=\"5400000\"/></a:gradFill><a:ln w=\"12700\"><a:solidFill><a:schemeClr "
                    "val=\"accent1\"><a:lumMod val=\"75000\"/><a:lumOff val=\"25000\"/></a:schemeClr></a:solidFill>"
                    "<a:prstDash val=\"dash\"/><a:miter lim=\"800000\"/><a:headEnd type=\"arrow\" w=\"lg\" len=\"sm\"/>"
                    "</a:ln><a:effectLst><a:glow rad=\"63500\"><a:prstClr val=\"darkBlue\"/></a:glow><a:outerShdw "
                    "blurRad=\"40000\" dir=\"5400000\" algn=\"tl\"><a:srgbClr val=\"000000\"/></a:outerShdw>"
                    "</a:effectLst></xdr:spPr>");
}

TEST(DrawingBuiltInCode, ShapeStyleReadsBack)
{
    d::c_CT_ShapeStyle style;
    style.get_lnRef()->set_idx(2);
    d::c_CT_SchemeColor* colour = style.get_lnRef()->get_color()->get_schemeClr();
    colour->set_val(u"accent1");
    colour->transforms.append()->get_lumMod()->set_val(60000);
    colour->transforms.append()->get_lumOff()->set_val(40000);
    style.get_fillRef()->set_idx(1);
    style.get_effectRef()->set_idx(0);
    style.get_fontRef()->set_idx(u"minor");
    style.get_fontRef()->get_color()->get_schemeClr()->set_val(u"lt1");
    expectReadsBack(style, create_object<d::c_CT_ShapeStyle>, "xdr:style",
                    "<xdr:style><a:lnRef idx=\"2\"><a:schemeClr val=\"accent1\"><a:lumMod val=\"60000\"/><a:lumOff "
                    "val=\"40000\"/></a:schemeClr></a:lnRef><a:fillRef idx=\"1\"/><a:effectRef idx=\"0\"/><a:fontRef "
                    "idx=\"minor\"><a:schemeClr val=\"lt1\"/></a:fontRef></xdr:style>");
}

TEST(DrawingBuiltInCode, CustomGeometryReadsBackWithItsCommandsInOrder)
{
    d::c_CT_CustomGeometry2D geometry;
    d::c_CT_Path2D* path = geometry.get_pathLst()->path.append();
    path->set_w(100);
    path->set_h(200);
    d::c_CT_AdjPoint2D* start = d::c_CT_Path2D::get_moveTo(path->append_commands())->get_pt();
    start->set_x("0");
    start->set_y("0");
    d::c_CT_Path2DArcTo* arc = d::c_CT_Path2D::get_arcTo(path->append_commands());
    arc->set_wR("wd2");
    arc->set_hR("hd2");
    arc->set_stAng("0");
    arc->set_swAng("cd4");
    d::c_CT_Path2DQuadBezierTo* quad = d::c_CT_Path2D::get_quadBezTo(path->append_commands());
    for (const char* x : {"10", "20"}) {
        d::c_CT_AdjPoint2D* pt = quad->pt.append();
        pt->set_x(x);
        pt->set_y("5");
    }
    d::c_CT_Path2DCubicBezierTo* cubic = d::c_CT_Path2D::get_cubicBezTo(path->append_commands());
    for (const char* x : {"30", "40", "50"}) {
        d::c_CT_AdjPoint2D* pt = cubic->pt.append();
        pt->set_x(x);
        pt->set_y("h");
    }
    d::c_CT_AdjPoint2D* end = d::c_CT_Path2D::get_lnTo(path->append_commands())->get_pt();
    end->set_x("0");
    end->set_y("h");
    d::c_CT_Path2D::get_close(path->append_commands());
    expectReadsBack(geometry, create_object<d::c_CT_CustomGeometry2D>, "a:custGeom",
                    "<a:custGeom><a:pathLst><a:path w=\"100\" h=\"200\"><a:moveTo><a:pt x=\"0\" y=\"0\"/></a:moveTo>"
                    "<a:arcTo wR=\"wd2\" hR=\"hd2\" stAng=\"0\" swAng=\"cd4\"/><a:quadBezTo><a:pt x=\"10\" y=\"5\"/>"
                    "<a:pt x=\"20\" y=\"5\"/></a:quadBezTo><a:cubicBezTo><a:pt x=\"30\" y=\"h\"/><a:pt x=\"40\" "
                    "y=\"h\"/><a:pt x=\"50\" y=\"h\"/></a:cubicBezTo><a:lnTo><a:pt x=\"0\" y=\"h\"/></a:lnTo><a:close/>"
                    "</a:path></a:pathLst></a:custGeom>");
    // A new geometry has its path list, empty.
    expectReadsBack(d::c_CT_CustomGeometry2D(), create_object<d::c_CT_CustomGeometry2D>, "a:custGeom",
                    "<a:custGeom><a:pathLst/></a:custGeom>");
}

TEST(DrawingBuiltInCode, NewObjectsThatAreWholeReadBack)
{
    expectReadsBack(d::c_CT_AlphaModulateEffect(), create_object<d::c_CT_AlphaModulateEffect>, "a:alphaMod",
                    "<a:alphaMod><a:cont/></a:alphaMod>");
    expectReadsBack(d::c_CT_LineProperties(), create_object<d::c_CT_LineProperties>, "a:ln", "<a:ln/>");
    expectReadsBack(d::c_CT_EffectContainer(), create_object<d::c_CT_EffectContainer>, "a:effectDag",
                    "<a:effectDag/>");
}

// A choice with nothing chosen is not written: the whole writing fails with
// error 7, naming the choice.
TEST(DrawingBuiltInCode, ChoicesLeftOpenAreNotWritten)
{
    struct WriteCase {
        const char* what;
        std::function<nimb::c_binding*()> build;
        const char* name;
        const char* item;
    };
    const std::vector<WriteCase> cases = {
        {"element of one colour", [] { return new d::c_CT_Color(); }, "a:fgClr", "EG_ColorChoice"},
        {"gradient stop", [] {
             auto* stop = new d::c_CT_GradientStop();
             stop->set_pos(0);
             return stop;
         }, "a:gs", "EG_ColorChoice"},
        {"colour transform", [] {
             auto* colour = new d::c_CT_SRgbColor();
             colour->set_val(bytes({1, 2, 3}));
             colour->transforms.append();
             return colour;
         }, "a:srgbClr", "EG_ColorTransform"},
        {"line fill", [] {
             auto* line = new d::c_CT_LineProperties();
             line->get_fill();
             return line;
         }, "a:ln", "EG_LineFillProperties"},
        {"line dash", [] {
             auto* line = new d::c_CT_LineProperties();
             line->get_dash();
             return line;
         }, "a:ln", "EG_LineDashProperties"},
        {"line join", [] {
             auto* line = new d::c_CT_LineProperties();
             line->get_join();
             return line;
         }, "a:ln", "EG_LineJoinProperties"},
        {"shape effects", [] {
             auto* properties = new d::c_CT_ShapeProperties();
             properties->get_effect();
             return properties;
         }, "xdr:spPr", "EG_EffectProperties"},
        {"effect of a graph", [] {
             auto* graph = new d::c_CT_EffectContainer();
             graph->effects.append();
             return graph;
         }, "a:effectDag", "EG_Effect"},
        {"fill of an overlay", [] { return new d::c_CT_FillOverlayEffect(); }, "a:fillOverlay", "EG_FillProperties"},
        {"shadow colour", [] { return new d::c_CT_OuterShadowEffect(); }, "a:outerShdw", "EG_ColorChoice"},
        {"gradient shade", [] {
             auto* gradient = new d::c_CT_GradientFillProperties();
             gradient->get_shade();
             return gradient;
         }, "a:gradFill", "EG_ShadeProperties"},
        {"command of a path", [] {
             auto* path = new d::c_CT_Path2D();
             d::c_CT_Path2D::get_close(path->append_commands());
             path->append_commands();
             return path;
         }, "a:path", "{anonymous compositor}"},
        {"underline fill", [] { return new d::c_CT_TextUnderlineFillGroupWrapper(); }, "a:uFill", "EG_FillProperties"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<nimb::c_binding> object(c.build());
        std::string out = "unchanged";
        nimb::c_error_record error;
        EXPECT_EQ(nimb::e_inappropriate_choice, nimb::marshal_document(*object, c.name, out, &error));
        EXPECT_EQ(c.item, error.item);
        EXPECT_EQ("unchanged", out);
    }
}

// A copy is a tree of its own.
TEST(DrawingBuiltInCode, CopiesAreIndependent)
{
    d::c_CT_SolidColorFillProperties fill;
    d::c_CT_SRgbColor* colour = fill.get_color()->get_srgbClr();
    colour->set_val(bytes({0x10, 0x20, 0x30}));
    colour->transforms.append()->get_tint()->set_val(40000);
    colour->transforms.append()->get_inv();
    d::c_CT_SolidColorFillProperties copy(fill);
    d::c_CT_SRgbColor* copied = copy.get_color()->find_srgbClr();
    ASSERT_NE(nullptr, copied);
    ASSERT_NE(colour, copied);
    copied->transforms.at(0)->get_tint()->set_val(1);
    copied->transforms.at(1)->get_gray();
    copied->transforms.append()->get_comp();
    EXPECT_EQ("<a:solidFill><a:srgbClr val=\"102030\"><a:tint val=\"40000\"/><a:inv/></a:srgbClr></a:solidFill>",
              drawing_test::written(fill, "a:solidFill"));
    EXPECT_EQ("<a:solidFill><a:srgbClr val=\"102030\"><a:tint val=\"1\"/><a:gray/><a:comp/></a:srgbClr></a:solidFill>",
              drawing_test::written(copy, "a:solidFill"));
    // Another colour model chosen releases the one before.
    fill.get_color()->get_prstClr()->set_val(u"grey");
    EXPECT_EQ(nullptr, fill.get_color()->find_srgbClr());
    EXPECT_EQ("<a:solidFill><a:prstClr val=\"grey\"/></a:solidFill>", drawing_test::written(fill, "a:solidFill"));
}

// ---------------------------------------------------------------------------
// Effect graphs nest: as deep as files hold them, and a hostile depth fails
// the reading cleanly.

std::string nestedGraph(std::size_t depth)
{
    std::string text =
        "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
        "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><xdr:absoluteAnchor><xdr:pos x=\"0\" "
        "y=\"0\"/><xdr:ext cx=\"1\" cy=\"1\"/><xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"1\" name=\"a\"/><xdr:cNvSpPr/>"
        "</xdr:nvSpPr><xdr:spPr><a:effectDag>";
    text.reserve(text.size() + depth * 20 + 200);
    for (std::size_t i = 0; i < depth; ++i) text += i % 3 == 2 ? "<a:alphaMod><a:cont>" : "<a:cont>";
    text += "<a:grayscl/>";
    for (std::size_t i = depth; i-- > 0;) text += i % 3 == 2 ? "</a:cont></a:alphaMod>" : "</a:cont>";
    text += "</a:effectDag></xdr:spPr></xdr:sp><xdr:clientData/></xdr:absoluteAnchor></xdr:wsDr>";
    return text;
}

TEST(DrawingEffectGraphs, NestingWithinTheLimitsReadsAndWritesBack)
{
    const std::string text = nestedGraph(60);
    d::c_wsDr drawing;
    nimb::c_error_record error;
    ASSERT_EQ(ok, drawing.unmarshal(text.data(), text.size(), &error)) << error.item;
    std::string out;
    ASSERT_EQ(ok, drawing.marshal(out));
    d::c_wsDr again;
    ASSERT_EQ(ok, again.unmarshal(out.data(), out.size()));
    std::string twice;
    ASSERT_EQ(ok, again.marshal(twice));
    EXPECT_EQ(out, twice);
    std::size_t containers = 0;
    for (std::string::size_type at = 0; (at = twice.find("<a:cont>", at)) != std::string::npos; ++at) ++containers;
    EXPECT_EQ(60u, containers);
}

TEST(DrawingEffectGraphs, HostileDepthFailsTheReading)
{
    const std::string text = nestedGraph(100000);
    d::c_wsDr drawing;
    nimb::c_error_record error;
    EXPECT_NE(ok, drawing.unmarshal(text.data(), text.size(), &error));
    EXPECT_NE(ok, error.code);
}

// ---------------------------------------------------------------------------
// Camera, light rig, bevel, the points of a backdrop: their values at their
// bounds, and the defaults they hold but do not write

TEST(DrawingThreeD, Cases)
{
    const std::vector<Case> cases = {
        {"camera of a preset only", create_object<d::c_CT_Camera>, "<a:camera prst=\"perspectiveFront\"/>", ok, "", "="},
        {"camera of its widest view", create_object<d::c_CT_Camera>,
         "<a:camera prst=\"obliqueTop\" fov=\"10800000\" zoom=\"2147483647\"/>", ok, "", "="},
        {"camera of a wider view", create_object<d::c_CT_Camera>, "<a:camera prst=\"obliqueTop\" fov=\"10800001\"/>",
         above, "@fov", ""},
        {"camera of a zoom past its range", create_object<d::c_CT_Camera>,
         "<a:camera prst=\"obliqueTop\" zoom=\"2147483648\"/>", above, "@zoom", ""},
        {"camera of no preset name", create_object<d::c_CT_Camera>, "<a:camera prst=\"fisheye\"/>", notListed, "@prst", ""},
        {"camera turned", create_object<d::c_CT_Camera>,
         "<a:camera prst=\"orthographicFront\"><a:rot lat=\"0\" lon=\"0\" rev=\"0\"/></a:camera>", ok, "", "="},
        {"camera turned twice", create_object<d::c_CT_Camera>,
         "<a:camera prst=\"orthographicFront\"><a:rot lat=\"0\" lon=\"0\" rev=\"0\"/><a:rot lat=\"0\" lon=\"0\" "
         "rev=\"0\"/></a:camera>",
         ok, "", "="},
        {"turn at its last value", create_object<d::c_CT_SphereCoords>,
         "<a:rot lat=\"21599999\" lon=\"0\" rev=\"1\"/>", ok, "", "="},
        {"turn of a negative latitude", create_object<d::c_CT_SphereCoords>, "<a:rot lat=\"-1\" lon=\"0\" rev=\"0\"/>",
         below, "@lat", ""},
        {"turn without its revolution", create_object<d::c_CT_SphereCoords>, "<a:rot lat=\"0\" lon=\"0\"/>", noAttribute,
         "CT_SphereCoords", ""},
        {"light rig turned", create_object<d::c_CT_LightRig>,
         "<a:lightRig rig=\"brightRoom\" dir=\"br\"><a:rot lat=\"1\" lon=\"2\" rev=\"3\"/></a:lightRig>", ok, "", "="},
        {"light from the centre", create_object<d::c_CT_LightRig>, "<a:lightRig rig=\"flat\" dir=\"ctr\"/>", notListed,
         "@dir", ""},
        {"light rig without its direction", create_object<d::c_CT_LightRig>, "<a:lightRig rig=\"flat\"/>", noAttribute,
         "CT_LightRig", ""},
        {"bevel of no width", create_object<d::c_CT_Bevel>, "<a:bevelT w=\"0\"/>", ok, "", "="},
        {"bevel of a negative height", create_object<d::c_CT_Bevel>, "<a:bevelT h=\"-1\"/>", below, "@h", ""},
        {"bevel of no preset name", create_object<d::c_CT_Bevel>, "<a:bevelB prst=\"Circle\"/>", notListed, "@prst", ""},
        {"point at the bottom of the range", create_object<d::c_CT_Point3D>,
         "<a:anchor x=\"-27273042329600\" y=\"-27273042329600\" z=\"-27273042329600\"/>", ok, "", "="},
        {"point below the range", create_object<d::c_CT_Point3D>, "<a:anchor x=\"-27273042329601\" y=\"0\" z=\"0\"/>",
         below, "@x", ""},
        {"point without its depth", create_object<d::c_CT_Point3D>, "<a:anchor x=\"0\" y=\"0\"/>", noAttribute,
         "CT_Point3D", ""},
        {"vector above the range", create_object<d::c_CT_Vector3D>, "<a:norm dx=\"0\" dy=\"0\" dz=\"27273042316901\"/>",
         above, "@dz", ""},
        {"vector without its depth", create_object<d::c_CT_Vector3D>, "<a:up dx=\"0\" dy=\"1\"/>", noAttribute,
         "CT_Vector3D", ""},
        {"shape of contour and extrusion colours", create_object<d::c_CT_Shape3D>,
         "<a:sp3d contourW=\"12700\"><a:extrusionClr><a:prstClr val=\"grey\"/></a:extrusionClr><a:contourClr>"
         "<a:schemeClr val=\"bg2\"><a:lumMod val=\"50000\"/></a:schemeClr></a:contourClr></a:sp3d>",
         ok, "", "="},
        {"shape of an extrusion colour of none", create_object<d::c_CT_Shape3D>,
         "<a:sp3d><a:extrusionClr></a:extrusionClr></a:sp3d>", missing, "EG_ColorChoice", ""},
        {"shape with its colours swapped", create_object<d::c_CT_Shape3D>,
         "<a:sp3d><a:contourClr><a:prstClr val=\"red\"/></a:contourClr><a:extrusionClr><a:prstClr val=\"red\"/>"
         "</a:extrusionClr></a:sp3d>",
         ok, "", "="},
    };
    check(cases);
    // Defaults held, not written.
    d::c_CT_Camera camera;
    EXPECT_EQ(100000u, camera.zoom.value);
    d::c_CT_Bevel bevel;
    EXPECT_EQ(76200u, bevel.w.value);
    EXPECT_EQ(u"circle", bevel.prst.value);
    EXPECT_EQ("<a:bevelT/>", drawing_test::written(bevel, "a:bevelT"));
}
