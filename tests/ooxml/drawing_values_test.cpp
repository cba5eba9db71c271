// The value checks of the drawing tables, each range at its bounds and one
// beyond, the byte-string lengths, the patterns and the enumerations; and
// the same checks reached through the attributes and elements that use them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "drawing_doc.h"
#include "ooxml/dml-spreadsheetDrawing.h"
#include "ooxml/dml-spreadsheetDrawing2.h"
#include "ooxml/dml-spreadsheetDrawing3.h"

namespace {

using nimb::enimb_error;
using check_fn = enimb_error (*)(nimb::c_xml_reader&, const std::string&);

// The byte-string checks: the hexadecimal form first, then the length of
// the bytes it gives.
template <enimb_error (*Length)(nimb::c_xml_reader&, const nimb::c_binary*)>
enimb_error hexOfLength(nimb::c_xml_reader& reader, const std::string& text)
{
    if (enimb_error e = nimb::validate_hex_binary(reader, text)) return e;
    nimb::c_binary value;
    nimb::from_string_binary(&value, text);
    return Length(reader, &value);
}

template <enimb_error (*Enum)(nimb::c_xml_reader&, const std::u16string*)>
enimb_error enumeration(nimb::c_xml_reader& reader, const std::string& text)
{
    const std::u16string value(text.begin(), text.end());
    return Enum(reader, &value);
}

struct ValueCase {
    const char* what;
    check_fn check;
    const char* text;
    enimb_error code;
};

TEST(DrawingValues, ChecksAtTheirBounds)
{
    using namespace drawing;
    const enimb_error ok = nimb::e_no_error, format = nimb::e_invalid_value_format,
                      above = nimb::e_value_above_maximum, below = nimb::e_value_below_minimum,
                      longer = nimb::e_length_too_long, shorter = nimb::e_length_too_short,
                      pattern = nimb::e_no_pattern_matched, notListed = nimb::e_not_an_enumeration;
    const std::vector<ValueCase> cases = {
        {"coordinate at its top", validate_coordinate, "27273042316900", ok},
        {"coordinate above", validate_coordinate, "27273042316901", above},
        {"coordinate at its bottom", validate_coordinate, "-27273042329600", ok},
        {"coordinate below", validate_coordinate, "-27273042329601", below},
        {"coordinate of forty digits", validate_coordinate, "1234567890123456789012345678901234567890", above},
        {"coordinate with a plus sign", validate_coordinate, "+5", ok},
        {"coordinate with a decimal point", validate_coordinate, "1.5", format},
        {"empty coordinate", validate_coordinate, "", format},
        {"positive coordinate 0", validate_positive_coordinate, "0", ok},
        {"positive coordinate -1", validate_positive_coordinate, "-1", below},
        {"positive coordinate at its top", validate_positive_coordinate, "27273042316900", ok},
        {"positive coordinate above", validate_positive_coordinate, "27273042316901", above},
        {"non-negative int32 at its top", validate_non_negative_int32, "2147483647", ok},
        {"non-negative int32 above", validate_non_negative_int32, "2147483648", above},
        {"non-negative int32 -1", validate_non_negative_int32, "-1", below},
        {"int32 at its top", validate_int32, "2147483647", ok},
        {"int32 above", validate_int32, "2147483648", above},
        {"int32 at its bottom", validate_int32, "-2147483648", ok},
        {"int32 below", validate_int32, "-2147483649", below},
        {"int32 of twenty digits", validate_int32, "12345678901234567890", above},
        {"uint32 at its top", validate_uint32, "4294967295", ok},
        {"uint32 above", validate_uint32, "4294967296", above},
        {"positive fixed angle 0", validate_positive_fixed_angle, "0", ok},
        {"positive fixed angle below its exclusive top", validate_positive_fixed_angle, "21599999", ok},
        {"positive fixed angle at its exclusive top", validate_positive_fixed_angle, "21600000", above},
        {"fixed angle at its exclusive bottom", validate_fixed_angle, "-5400000", below},
        {"fixed angle above its exclusive bottom", validate_fixed_angle, "-5399999", ok},
        {"fixed angle at its exclusive top", validate_fixed_angle, "5400000", above},
        {"field of view at its top", validate_fov_angle, "10800000", ok},
        {"field of view above", validate_fov_angle, "10800001", above},
        {"positive fixed percentage at its top", validate_positive_fixed_percentage, "100000", ok},
        {"positive fixed percentage above", validate_positive_fixed_percentage, "100001", above},
        {"fixed percentage at its bottom", validate_fixed_percentage, "-100000", ok},
        {"fixed percentage below", validate_fixed_percentage, "-100001", below},
        {"font scale at its bottom", validate_text_font_scale_percent, "1000", ok},
        {"font scale below", validate_text_font_scale_percent, "999", below},
        {"spacing percent above", validate_text_spacing_percent, "13200001", above},
        {"bullet size at its bottom", validate_text_bullet_size_percent, "25000", ok},
        {"bullet size above", validate_text_bullet_size_percent, "400001", above},
        {"font size below", validate_text_font_size, "99", below},
        {"font size at its top", validate_text_font_size, "400000", ok},
        {"font size above", validate_text_font_size, "400001", above},
        {"byte at its bottom", validate_int8, "-128", ok},
        {"byte above", validate_int8, "128", above},
        {"bullet start at 0", validate_text_bullet_start_at, "0", below},
        {"bullet start above", validate_text_bullet_start_at, "32768", above},
        {"column count 0", validate_text_column_count, "0", below},
        {"column count 16", validate_text_column_count, "16", ok},
        {"column count 17", validate_text_column_count, "17", above},
        {"line width at its top", validate_line_width, "20116800", ok},
        {"line width above", validate_line_width, "20116801", above},
        {"spacing points above", validate_text_spacing_point, "158401", above},
        {"kerning above", validate_text_non_negative_point, "400001", above},
        {"character spacing below", validate_text_point, "-400001", below},
        {"margin above", validate_text_margin, "51206401", above},
        {"indent level 8", validate_text_indent_level, "8", ok},
        {"indent level 9", validate_text_indent_level, "9", above},
        {"indent below", validate_text_indent, "-51206401", below},
        {"colour of four digits", hexOfLength<check_ST_HexBinary3_length>, "1F49", shorter},
        {"colour of six digits", hexOfLength<check_ST_HexBinary3_length>, "1f497D", ok},
        {"colour of eight digits", hexOfLength<check_ST_HexBinary3_length>, "1F497D00", longer},
        {"colour of three digits", hexOfLength<check_ST_HexBinary3_length>, "1F4", format},
        {"panose of twenty digits", hexOfLength<check_ST_Panose_length>, "020B0604020202020204", ok},
        {"panose of eighteen digits", hexOfLength<check_ST_Panose_length>, "020B06040202020202", shorter},
        {"guid in upper case", validate_guid, "{2B2B7E2A-5C5B-4E8F-9A66-1F0C2A3B4D5E}", ok},
        {"guid in lower case, as files carry it", validate_guid, "{2b2b7e2a-5c5b-4e8f-9a66-1f0c2a3b4d5e}", ok},
        {"guid without braces", validate_guid, "2B2B7E2A-5C5B-4E8F-9A66-1F0C2A3B4D5E", pattern},
        {"shape type, first", enumeration<validate_shape_type>, "line", ok},
        {"shape type, last", enumeration<validate_shape_type>, "chartPlus", ok},
        {"shape type in another case", enumeration<validate_shape_type>, "Rect", notListed},
        {"shape type after a blank", enumeration<validate_shape_type>, " rect", notListed},
        {"text shape type, last", enumeration<validate_text_shape_type>, "textCascadeDown", ok},
        {"light rig direction has no centre", enumeration<validate_light_rig_direction>, "ctr", notListed},
        {"rectangle alignment has one", enumeration<validate_rect_alignment>, "ctr", ok},
        {"edit mode", enumeration<validate_edit_as>, "oneCell", ok},
        {"edit mode in another case", enumeration<validate_edit_as>, "TwoCell", notListed},
        {"line end size", enumeration<validate_line_end_size>, "medium", notListed},
        {"camera, last", enumeration<validate_preset_camera>, "perspectiveRelaxedModerately", ok},
        {"pattern, last", enumeration<validate_preset_pattern>, "zigZag", ok},
        {"autonumber, last", enumeration<validate_text_autonumber_scheme>, "hindiAlpha1Period", ok},
        {"black and white mode", enumeration<validate_black_white_mode>, "grey", notListed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string none;
        nimb::c_xml_reader_memory reader(none.data(), 0);
        EXPECT_EQ(c.code, c.check(reader, c.text));
    }
}

std::string marker(const std::string& col, const std::string& colOff)
{
    return "<xdr:from><xdr:col>" + col + "</xdr:col><xdr:colOff>" + colOff +
           "</xdr:colOff><xdr:row>0</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:from>";
}

TEST(DrawingValues, ThroughTheirMembers)
{
    using nimb::create_object;
    using namespace drawing;
    // The checks reached through the members that use them: what is read,
    // and what is written back.
    drawing_test::check({
        {"offset between blanks", create_object<c_CT_Point2D>, "<a:off x=\" -5 \" y=\"7\"/>", nimb::e_no_error, "",
         "<a:off x=\"-5\" y=\"7\"/>"},
        {"offset of forty digits", create_object<c_CT_Point2D>,
         "<a:off x=\"1234567890123456789012345678901234567890\" y=\"0\"/>", nimb::e_value_above_maximum, "", ""},
        {"extent below 0", create_object<c_CT_PositiveSize2D>, "<a:ext cx=\"-1\" cy=\"0\"/>", nimb::e_value_below_minimum, "",
         ""},
        {"extent without cy", create_object<c_CT_PositiveSize2D>, "<a:ext cx=\"1\"/>",
         nimb::e_required_attribute_missing, "", ""},
        {"rotation only", create_object<c_CT_Transform2D>, "<a:xfrm rot=\"5400000\"/>", nimb::e_no_error, "", "="},
        {"flip not a boolean", create_object<c_CT_Transform2D>, "<a:xfrm flipH=\"yes\"/>",
         nimb::e_invalid_value_format, "", ""},
        {"flip as 1", create_object<c_CT_Transform2D>, "<a:xfrm flipH=\"1\"/>", nimb::e_no_error, "",
         "<a:xfrm flipH=\"1\"/>"},
        {"marker column between blanks", create_object<c_CT_Marker>, marker(" 5 ", "0"), nimb::e_no_error, "",
         marker("5", "0")},
        {"marker column 5.0", create_object<c_CT_Marker>, marker("5.0", "0"), nimb::e_invalid_value_format, "", ""},
        {"marker column -1", create_object<c_CT_Marker>, marker("-1", "0"), nimb::e_value_below_minimum, "", ""},
        {"marker column at its top", create_object<c_CT_Marker>, marker("2147483647", "0"), nimb::e_no_error, "", "="},
        {"marker column above", create_object<c_CT_Marker>, marker("2147483648", "0"), nimb::e_value_above_maximum, "",
         ""},
        {"marker offset at its top", create_object<c_CT_Marker>, marker("0", "27273042316900"), nimb::e_no_error, "", "="},
        {"marker offset above", create_object<c_CT_Marker>, marker("0", "27273042316901"),
         nimb::e_value_above_maximum, "", ""},
        {"marker offset at its bottom", create_object<c_CT_Marker>, marker("0", "-27273042329600"), nimb::e_no_error, "",
         "="},
        {"marker offset below", create_object<c_CT_Marker>, marker("0", "-27273042329601"),
         nimb::e_value_below_minimum, "", ""},
        {"edit mode in another case", create_object<c_CT_TwoCellAnchor>,
         "<xdr:twoCellAnchor editAs=\"TwoCell\"/>", nimb::e_not_an_enumeration, "", ""},
        {"edit mode after a blank", create_object<c_CT_TwoCellAnchor>, "<xdr:twoCellAnchor editAs=\" twoCell\"/>",
         nimb::e_not_an_enumeration, "", ""},
        {"client data flags", create_object<c_CT_AnchorClientData>,
         "<xdr:clientData fLocksWithSheet=\"0\" fPrintsWithSheet=\"1\"/>", nimb::e_no_error, "",
         "<xdr:clientData fLocksWithSheet=\"0\" fPrintsWithSheet=\"1\"/>"},
        {"client data flag yes", create_object<c_CT_AnchorClientData>, "<xdr:clientData fLocksWithSheet=\"yes\"/>",
         nimb::e_invalid_value_format, "", ""},
        {"drawing id at its top", create_object<c_CT_NonVisualDrawingProps>,
         "<xdr:cNvPr id=\"4294967295\" name=\"a\"/>", nimb::e_no_error, "", "="},
        {"drawing id above", create_object<c_CT_NonVisualDrawingProps>, "<xdr:cNvPr id=\"4294967296\" name=\"a\"/>",
         nimb::e_value_above_maximum, "", ""},
        {"drawing id -1", create_object<c_CT_NonVisualDrawingProps>, "<xdr:cNvPr id=\"-1\" name=\"a\"/>",
         nimb::e_value_below_minimum, "", ""},
        {"preset shape, last", create_object<c_CT_PresetGeometry2D>, "<a:prstGeom prst=\"chartPlus\"/>",
         nimb::e_no_error, "", "="},
        {"preset shape after a blank", create_object<c_CT_PresetGeometry2D>, "<a:prstGeom prst=\" rect\"/>",
         nimb::e_not_an_enumeration, "", ""},
        {"tile flip XY", create_object<c_CT_TileInfoProperties>, "<a:tile flip=\"XY\"/>",
         nimb::e_not_an_enumeration, "", ""},
        {"tile alignment ctr", create_object<c_CT_TileInfoProperties>, "<a:tile algn=\"ctr\"/>", nimb::e_no_error, "",
         "="},
        {"black and white mode misspelt", create_object<c_CT_ShapeProperties>, "<xdr:spPr bwMode=\"grey\"/>",
         nimb::e_not_an_enumeration, "", ""},
    });
}

// A transform is written back byte for byte.
TEST(DrawingValues, TransformRoundTripsByteForByte)
{
    const std::string element = "<a:xfrm rot=\"5400000\"><a:off x=\"0\" y=\"-5\"/><a:ext cx=\"1\" cy=\"2\"/></a:xfrm>";
    drawing::c_CT_Transform2D xfrm;
    ASSERT_EQ(nimb::e_no_error, drawing_test::read(xfrm, element).code);
    std::string out;
    ASSERT_EQ(nimb::e_no_error, nimb::marshal_document(xfrm, "a:xfrm", out, nullptr, nimb::attribute_layout::inline_));
    const std::string expected = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a:xfrm" + drawing_test::declarations() +
                                 " rot=\"5400000\">\n\t<a:off x=\"0\" y=\"-5\"/>\n\t<a:ext cx=\"1\" cy=\"2\"/>\n</a:xfrm>\n";
    EXPECT_EQ(expected, out);
}

}  // namespace
