// The shared-strings and styles bindings: element by element, whole
// documents, copies, and the _xHHHH_ escape of string values.
#include <memory>
#include <string>
#include <vector>

#include "element_cases.h"
#include "ooxml/sml-sharedStringTable.h"
#include "ooxml/sml-styles.h"
#include "test_support.h"

namespace {

using celvo::test::ElementCase;
using celvo::test::checkElements;
using celvo::test::flat;
using celvo::test::ForgivingReader;
using celvo::test::readForgiving;
using celvo::test::writtenElement;
using nimb::create_object;
namespace ss = sharedStringTable;
namespace st = styles;

const char* const kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

// ---------------------------------------------------------------------------
// Shared strings

TEST(SharedStringsBinding, Elements)
{
    const std::vector<ElementCase> cases = {
        {"table as an empty element", create_object<ss::c_CT_Sst>, "<sst/>", nimb::e_no_error, "", "="},
        {"table with start and end tag", create_object<ss::c_CT_Sst>, "<sst></sst>", nimb::e_no_error, "", "<sst/>"},
        {"counts kept as written", create_object<ss::c_CT_Sst>, "<sst count=\"5\" uniqueCount=\"1\"><si><t>a</t></si></sst>",
         nimb::e_no_error, "", "="},
        // Real files carry counts past 32 bits; they only inform.
        {"count past 32 bits", create_object<ss::c_CT_Sst>, "<sst count=\"8876876876876\"/>", nimb::e_no_error, "", "="},
        {"negative count", create_object<ss::c_CT_Sst>, "<sst count=\"-1\"/>", nimb::e_value_below_minimum, "@count", ""},
        {"count with letters", create_object<ss::c_CT_Sst>, "<sst count=\"12a\"/>", nimb::e_invalid_value_format,
         "@count", ""},
        {"item with text only", create_object<ss::c_CT_Rst>, "<si><t>abc</t></si>", nimb::e_no_error, "", "="},
        {"item with runs only", create_object<ss::c_CT_Rst>,
         "<si><r><rPr><b/><sz val=\"11\"/></rPr><t>a</t></r><r><t xml:space=\"preserve\"> b</t></r></si>",
         nimb::e_no_error, "", "="},
        {"empty item", create_object<ss::c_CT_Rst>, "<si/>", nimb::e_no_error, "", "="},
        {"blanks kept without xml:space", create_object<ss::c_CT_Rst>, "<si><t>  a  </t></si>", nimb::e_no_error, "", "="},
        {"xml:space of another case", create_object<ss::c_CT_Rst>, "<si><t xml:space=\"Preserve\">a</t></si>",
         nimb::e_not_an_enumeration, "", ""},
        {"run without text", create_object<ss::c_CT_Rst>, "<si><r><rPr><b/></rPr></r></si>",
         nimb::e_mandatory_element_missing, "", ""},
        {"run as an empty element", create_object<ss::c_CT_Rst>, "<si><r/></si>", nimb::e_unexpected_empty_element, "",
         ""},
        {"phonetic run and properties", create_object<ss::c_CT_Rst>,
         "<si><t>abc</t><rPh sb=\"0\" eb=\"1\"><t>x</t></rPh><phoneticPr fontId=\"1\"/></si>", nimb::e_no_error, "", "="},
        // Some applications write a phonetic run's text as runs.
        {"phonetic run holding runs", create_object<ss::c_CT_Rst>,
         "<si><r><t>abc</t></r><rPh sb=\"0\" eb=\"1\"><r><t>x</t></r></rPh></si>", nimb::e_no_error, "", "="},
        {"phonetic run without eb", create_object<ss::c_CT_Rst>, "<si><t>a</t><rPh sb=\"0\"><t>x</t></rPh></si>",
         nimb::e_required_attribute_missing, "CT_PhoneticRun", ""},
        {"phonetic properties without font", create_object<ss::c_CT_PhoneticPr>, "<phoneticPr type=\"Hiragana\"/>",
         nimb::e_required_attribute_missing, "CT_PhoneticPr", ""},
        {"phonetic properties in full", create_object<ss::c_CT_PhoneticPr>,
         "<phoneticPr fontId=\"2\" type=\"noConversion\" alignment=\"distributed\"/>", nimb::e_no_error, "", "="},
        {"second text of an item is kept, not read", create_object<ss::c_CT_Rst>, "<si><t>a</t><t>b</t></si>",
         nimb::e_no_error, "", "="},
        {"run properties in document order, repeated", create_object<ss::c_CT_RPrElt>,
         "<rPr><sz val=\"9\"/><color rgb=\"FFFF0000\"/><rFont val=\"Arial\"/><b/><b val=\"0\"/></rPr>",
         nimb::e_no_error, "", "="},
        {"empty run properties", create_object<ss::c_CT_RPrElt>, "<rPr/>", nimb::e_no_error, "", "="},
        {"run properties starting with another element", create_object<ss::c_CT_RPrElt>, "<rPr><t>x</t></rPr>",
         nimb::e_mandatory_element_missing, "", ""},
        {"font size without val", create_object<ss::c_CT_RPrElt>, "<rPr><sz/></rPr>", nimb::e_required_attribute_missing,
         "CT_FontSize", ""},
        {"colour of three bytes", create_object<ss::c_CT_Color>, "<color rgb=\"FF0000\"/>", nimb::e_length_too_short,
         "", ""},
        {"colour of five bytes", create_object<ss::c_CT_Color>, "<color rgb=\"FF00000000\"/>", nimb::e_length_too_long,
         "", ""},
        {"colour of odd length", create_object<ss::c_CT_Color>, "<color rgb=\"FF00000\"/>", nimb::e_invalid_value_format,
         "", ""},
        {"theme colour with a tint", create_object<ss::c_CT_Color>, "<color theme=\"1\" tint=\"-0.249977111117893\"/>",
         nimb::e_no_error, "", "="},
        {"underline of an unknown kind", create_object<ss::c_CT_UnderlineProperty>, "<u val=\"wavy\"/>",
         nimb::e_not_an_enumeration, "", ""},
        {"extension kept whole", create_object<ss::c_CT_Sst>,
         "<sst><extLst><ext xmlns:x=\"urn:x\" uri=\"{1}\"><x:a b=\"1\"><x:c/></x:a></ext></extLst></sst>",
         nimb::e_no_error, "", "="},
        {"extension without element", create_object<ss::c_CT_ExtensionList>, "<extLst><ext uri=\"{1}\"></ext></extLst>",
         nimb::e_mandatory_element_missing, "", ""},
        {"extension as an empty element", create_object<ss::c_CT_ExtensionList>, "<extLst><ext uri=\"{1}\"/></extLst>",
         nimb::e_unexpected_empty_element, "", ""},
    };
    checkElements(cases, "ooxml/sml-sharedStringTable");
}

TEST(SharedStringsBinding, DocumentKeepsForeignContentAndDeclarations)
{
    const std::string doc = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<sst xmlns=\"") +
                            kMain +
                            "\" xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
                            "xmlns:x16r2=\"urn:x16r2\" mc:Ignorable=\"x16r2\" count=\"1\" uniqueCount=\"1\">"
                            "<si><t>a</t></si><extLst><ext uri=\"{9}\" xmlns:y=\"urn:y\"><y:z/></ext></extLst></sst>";
    ss::c_sst root;
    ASSERT_EQ(nimb::e_no_error, root.unmarshal(doc.data(), doc.size()));
    std::string out;
    ASSERT_EQ(nimb::e_no_error, root.marshal(out));
    const std::string f = flat(out);
    EXPECT_NE(f.find("mc:Ignorable=\"x16r2\""), std::string::npos) << f;
    EXPECT_NE(f.find("xmlns:x16r2=\"urn:x16r2\""), std::string::npos) << f;
    EXPECT_NE(f.find("<y:z"), std::string::npos) << f;
    // The written part reads again into the same.
    ss::c_sst again;
    ASSERT_EQ(nimb::e_no_error, again.unmarshal(out.data(), out.size()));
    std::string out2;
    ASSERT_EQ(nimb::e_no_error, again.marshal(out2));
    EXPECT_EQ(out, out2);
    EXPECT_EQ(1u, again.si.size());

    const std::string other = "<sst xmlns=\"urn:other\"/>";
    ss::c_sst wrong;
    EXPECT_EQ(nimb::e_element_not_found, wrong.unmarshal(other.data(), other.size()));
}

TEST(SharedStringsBinding, CopiesAreIndependent)
{
    const std::string doc = std::string("<sst xmlns=\"") + kMain +
                            "\"><si><r><rPr><b/><sz val=\"11\"/></rPr><t>a</t></r></si></sst>";
    auto root = std::make_unique<ss::c_sst>();
    ASSERT_EQ(nimb::e_no_error, root->unmarshal(doc.data(), doc.size()));
    std::unique_ptr<nimb::c_binding> copy(root->clone());
    std::string before;
    ASSERT_EQ(nimb::e_no_error, static_cast<ss::c_sst&>(*copy).marshal(before));
    root.reset();
    auto& c = static_cast<ss::c_sst&>(*copy);
    ASSERT_EQ(1u, c.si.size());
    auto* rpr = c.si.at(0)->r.at(0)->rPr.peek();
    ASSERT_NE(rpr, nullptr);
    ASSERT_EQ(2u, rpr->inner_CT_RPrElt.size());
    EXPECT_EQ(11.0, ss::c_CT_RPrElt::get_sz(rpr->inner_CT_RPrElt[1])->val.value);
    std::string after;
    ASSERT_EQ(nimb::e_no_error, c.marshal(after));
    EXPECT_EQ(before, after);
}

// Every control character, escapes written literally, white space at either
// end: written through the binding and read back exactly.
TEST(SharedStringsBinding, AnyTextSurvivesAWriteAndARead)
{
    std::vector<std::u16string> texts;
    for (char16_t c = 1; c < 0x20; ++c) texts.push_back(std::u16string(u"a") + c + u"b");
    texts.push_back(u"_x0041_");
    texts.push_back(u"_x005F_");
    texts.push_back(u"a_xZZZZ_b");
    texts.push_back(u"_x005f_x0041_");
    texts.push_back(u"__x0041__");
    texts.push_back(u"_x00");
    texts.push_back(u"\tlead tab");
    texts.push_back(u"trail tab\t");
    texts.push_back(u"\nlead and trail line\n");
    texts.push_back(u"\r\ncarriage\r");
    texts.push_back(u" blanks ");
    texts.push_back(u"\uFFFE\uFFFF");
    texts.push_back(u"\xD83D\xDE00 & <x>");
    ss::c_sst root;
    for (const auto& t : texts) {
        ss::c_CT_Rst* si = root.si.append();
        si->get_t()->content.set(t);
    }
    std::string out;
    ASSERT_EQ(nimb::e_no_error, root.marshal(out));
    ss::c_sst back;
    ASSERT_EQ(nimb::e_no_error, back.unmarshal(out.data(), out.size())) << out;
    ASSERT_EQ(texts.size(), back.si.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_NE(back.si.at(i)->t.peek(), nullptr);
        EXPECT_EQ(texts[i], back.si.at(i)->t.peek()->content.value);
    }
    // What other applications read: an escape in the file is its character.
    const std::string doc = std::string("<sst xmlns=\"") + kMain +
                            "\"><si><t>_x0041_B_x000d_</t></si><si><r><t>_x005F_x0041_</t></r></si></sst>";
    ss::c_sst escaped;
    ASSERT_EQ(nimb::e_no_error, escaped.unmarshal(doc.data(), doc.size()));
    EXPECT_EQ(u"AB\r", escaped.si.at(0)->t.peek()->content.value);
    EXPECT_EQ(u"_x0041_", escaped.si.at(1)->r.at(0)->t.peek()->content.value);
}

// ---------------------------------------------------------------------------
// Styles

TEST(StylesBinding, FontsFillsBordersColours)
{
    const std::vector<ElementCase> cases = {
        {"bold without val", create_object<st::c_CT_Font>, "<font><b/></font>", nimb::e_no_error, "", "="},
        {"underline without val, and none", create_object<st::c_CT_Font>, "<font><u/><u val=\"none\"/></font>",
         nimb::e_no_error, "", "="},
        {"properties in document order", create_object<st::c_CT_Font>,
         "<font><sz val=\"11\"/><color theme=\"1\"/><name val=\"Calibri\"/><family val=\"2\"/><scheme val=\"minor\"/>"
         "</font>",
         nimb::e_no_error, "", "="},
        // The schema lets every property be absent.
        {"font without properties", create_object<st::c_CT_Font>, "<font/>", nimb::e_no_error, "", "="},
        {"font name without val", create_object<st::c_CT_Font>, "<font><name/></font>",
         nimb::e_required_attribute_missing, "CT_FontName", ""},
        {"charset out of range", create_object<st::c_CT_Font>, "<font><charset val=\"2147483648\"/></font>",
         nimb::e_value_above_maximum, "", ""},
        {"vertical alignment of a run", create_object<st::c_CT_Font>, "<font><vertAlign val=\"middle\"/></font>",
         nimb::e_not_an_enumeration, "", ""},
        {"fonts keep a foreign attribute after count", create_object<st::c_CT_Fonts>,
         "<fonts count=\"1\" xmlns:x14ac=\"urn:x14ac\" x14ac:knownFonts=\"1\"><font><b/></font></fonts>",
         nimb::e_no_error, "", "<fonts xmlns:x14ac=\"urn:x14ac\" count=\"1\" x14ac:knownFonts=\"1\"><font><b/></font></fonts>"},
        {"count kept over fewer items", create_object<st::c_CT_Fonts>, "<fonts count=\"5\"><font/><font/></fonts>",
         nimb::e_no_error, "", "="},
        {"empty fill", create_object<st::c_CT_Fill>, "<fill/>", nimb::e_no_error, "", "="},
        {"pattern fill with both colours", create_object<st::c_CT_Fill>,
         "<fill><patternFill patternType=\"gray125\"><fgColor rgb=\"FFFF0000\"/><bgColor indexed=\"64\"/></patternFill>"
         "</fill>",
         nimb::e_no_error, "", "="},
        {"pattern of another case", create_object<st::c_CT_Fill>, "<fill><patternFill patternType=\"Gray125\"/></fill>",
         nimb::e_not_an_enumeration, "", ""},
        {"gradient fill", create_object<st::c_CT_Fill>,
         "<fill><gradientFill degree=\"90\"><stop position=\"0\"><color theme=\"0\"/></stop>"
         "<stop position=\"1\"><color theme=\"4\" tint=\"-0.5\"/></stop></gradientFill></fill>",
         nimb::e_no_error, "",
         "<fill><gradientFill degree=\"90\"><stop position=\"0.0\"><color theme=\"0\"/></stop>"
         "<stop position=\"1\"><color theme=\"4\" tint=\"-0.5\"/></stop></gradientFill></fill>"},
        {"gradient stop without colour", create_object<st::c_CT_GradientStop>, "<stop position=\"0\"></stop>",
         nimb::e_mandatory_element_missing, "", ""},
        {"gradient stop without position", create_object<st::c_CT_GradientStop>,
         "<stop><color rgb=\"FF000000\"/></stop>", nimb::e_required_attribute_missing, "CT_GradientStop", ""},
        {"border edges in order", create_object<st::c_CT_Border>,
         "<border diagonalUp=\"1\"><left style=\"thin\"><color indexed=\"64\"/></left><right/><top style=\"double\"/>"
         "<bottom style=\"slantDashDot\"/><diagonal style=\"hair\"/></border>",
         nimb::e_no_error, "", "<border diagonalUp=\"1\"><left style=\"thin\"><color indexed=\"64\"/></left><right/>"
         "<top style=\"double\"/><bottom style=\"slantDashDot\"/><diagonal style=\"hair\"/></border>"},
        {"left after right is kept, not read", create_object<st::c_CT_Border>, "<border><right/><left/></border>",
         nimb::e_no_error, "", "="},
        {"border style of an unknown kind", create_object<st::c_CT_Border>, "<border><left style=\"wavy\"/></border>",
         nimb::e_not_an_enumeration, "", ""},
        {"indexed past 32 bits", create_object<st::c_CT_Color>, "<color indexed=\"4294967296\"/>",
         nimb::e_value_above_maximum, "@indexed", ""},
        {"colour of three bytes", create_object<st::c_CT_Color>, "<color rgb=\"FF0000\"/>", nimb::e_length_too_short, "",
         ""},
        {"colour of five bytes", create_object<st::c_CT_Color>, "<color rgb=\"FF00000000\"/>", nimb::e_length_too_long,
         "", ""},
        {"palette", create_object<st::c_CT_Colors>,
         "<colors><indexedColors><rgbColor rgb=\"FF000000\"/><rgbColor rgb=\"FFFFFFFF\"/></indexedColors>"
         "<mruColors><color rgb=\"FF00FF00\"/></mruColors></colors>",
         nimb::e_no_error, "", "="},
        {"empty palette list", create_object<st::c_CT_Colors>, "<colors><indexedColors></indexedColors></colors>",
         nimb::e_mandatory_element_missing, "", ""},
        {"number format", create_object<st::c_CT_NumFmts>,
         "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"0.00&quot;x&quot;\"/></numFmts>", nimb::e_no_error,
         "", "="},
        {"number format without code", create_object<st::c_CT_NumFmt>, "<numFmt numFmtId=\"164\"/>",
         nimb::e_required_attribute_missing, "CT_NumFmt", ""},
    };
    checkElements(cases, "ooxml/sml-styles");
}

TEST(StylesBinding, FormatsStylesDifferentialAndTableStyles)
{
    const std::vector<ElementCase> cases = {
        {"cell formats keep count over fewer items", create_object<st::c_CT_CellXfs>,
         "<cellXfs count=\"5\"><xf/><xf numFmtId=\"14\"/><xf fontId=\"1\" applyFont=\"1\"/></cellXfs>", nimb::e_no_error,
         "", "<cellXfs count=\"5\"><xf/><xf numFmtId=\"14\"/><xf fontId=\"1\" applyFont=\"1\"/></cellXfs>"},
        {"cell formats as an empty element", create_object<st::c_CT_CellXfs>, "<cellXfs/>",
         nimb::e_unexpected_empty_element, "", ""},
        {"cell formats without an item", create_object<st::c_CT_CellXfs>, "<cellXfs></cellXfs>",
         nimb::e_mandatory_element_missing, "", ""},
        {"style formats without an item", create_object<st::c_CT_CellStyleXfs>, "<cellStyleXfs></cellStyleXfs>",
         nimb::e_mandatory_element_missing, "", ""},
        {"format with alignment and protection", create_object<st::c_CT_Xf>,
         "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" quotePrefix=\"1\">"
         "<alignment horizontal=\"centerContinuous\" mergeCell=\"1\"/><protection locked=\"0\" hidden=\"1\"/></xf>",
         nimb::e_no_error, "",
         "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" quotePrefix=\"1\">"
         "<alignment horizontal=\"centerContinuous\" mergeCell=\"1\"/><protection locked=\"0\" hidden=\"1\"/></xf>"},
        {"horizontal alignment outside the list", create_object<st::c_CT_CellAlignment>,
         "<alignment horizontal=\"middle\"/>", nimb::e_not_an_enumeration, "@horizontal", ""},
        {"alignment in full", create_object<st::c_CT_CellAlignment>,
         "<alignment horizontal=\"right\" vertical=\"top\" textRotation=\"255\" wrapText=\"1\" indent=\"3\" "
         "relativeIndent=\"-1\" justifyLastLine=\"1\" shrinkToFit=\"0\" readingOrder=\"2\"/>",
         nimb::e_no_error, "", "="},
        {"named style", create_object<st::c_CT_CellStyles>,
         "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>",
         nimb::e_no_error, "", "="},
        // Attributes of later editions are kept (design: real files load).
        {"named style with a later attribute", create_object<st::c_CT_CellStyles>,
         "<cellStyles count=\"1\"><cellStyle xmlns:xr=\"urn:xr\" name=\"Normal\" xfId=\"0\" builtinId=\"0\" "
         "xr:uid=\"{5}\"/></cellStyles>",
         nimb::e_no_error, "", "="},
        {"named style without format", create_object<st::c_CT_CellStyle>, "<cellStyle name=\"Normal\"/>",
         nimb::e_required_attribute_missing, "CT_CellStyle", ""},
        {"named styles without an item", create_object<st::c_CT_CellStyles>, "<cellStyles></cellStyles>",
         nimb::e_mandatory_element_missing, "", ""},
        {"empty differential formats", create_object<st::c_CT_Dxfs>, "<dxfs count=\"0\"/>", nimb::e_no_error, "", "="},
        {"differential format", create_object<st::c_CT_Dxf>,
         "<dxf><font><b/><color rgb=\"FF9C0006\"/></font><numFmt numFmtId=\"164\" formatCode=\"0%\"/>"
         "<fill><patternFill><bgColor rgb=\"FFFFC7CE\"/></patternFill></fill><alignment wrapText=\"1\"/>"
         "<border><left style=\"thin\"/></border><protection locked=\"1\"/></dxf>",
         nimb::e_no_error, "", "="},
        {"fill before font in a differential format", create_object<st::c_CT_Dxf>,
         "<dxf><fill/><font><b/></font></dxf>", nimb::e_no_error, "", "="},
        {"table style element defaults", create_object<st::c_CT_TableStyleElement>,
         "<tableStyleElement type=\"wholeTable\"/>", nimb::e_no_error, "", "="},
        {"table style element without type", create_object<st::c_CT_TableStyleElement>, "<tableStyleElement size=\"2\"/>",
         nimb::e_required_attribute_missing, "CT_TableStyleElement", ""},
        {"table style element of an unknown type", create_object<st::c_CT_TableStyleElement>,
         "<tableStyleElement type=\"wholetable\"/>", nimb::e_not_an_enumeration, "@type", ""},
        {"table style with only a name", create_object<st::c_CT_TableStyle>, "<tableStyle name=\"T\"/>",
         nimb::e_no_error, "", "="},
        {"table style without a name", create_object<st::c_CT_TableStyle>, "<tableStyle pivot=\"0\"/>",
         nimb::e_required_attribute_missing, "CT_TableStyle", ""},
        {"table styles", create_object<st::c_CT_TableStyles>,
         "<tableStyles count=\"1\" defaultTableStyle=\"TableStyleMedium2\" defaultPivotStyle=\"PivotStyleLight16\">"
         "<tableStyle name=\"T\" pivot=\"0\" count=\"2\"><tableStyleElement type=\"headerRow\" dxfId=\"1\"/>"
         "<tableStyleElement type=\"firstRowStripe\" size=\"2\" dxfId=\"0\"/></tableStyle></tableStyles>",
         nimb::e_no_error, "", "="},
    };
    checkElements(cases, "ooxml/sml-styles");
}

TEST(StylesBinding, ForgivenEmptyListIsWrittenBackEmpty)
{
    st::c_CT_CellXfs xfs;
    const std::vector<int> codes = readForgiving(xfs, "<cellXfs></cellXfs>");
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(nimb::e_mandatory_element_missing, codes.front());
    EXPECT_EQ(0u, xfs.xf.size());
    EXPECT_EQ("<cellXfs/>", writtenElement(xfs, "cellXfs"));
}

// What a new object writes as the named element, without the namespace
// declaration of the document.
std::string content(const nimb::c_binding& object, const char* name)
{
    std::string text = writtenElement(object, name);
    const std::string decl = std::string(" xmlns=\"") + kMain + "\"";
    std::string::size_type at = text.find(decl);
    if (at != std::string::npos) text.erase(at, decl.size());
    return text;
}

TEST(StylesBinding, FontPropertiesSelectedAndReplaced)
{
    st::c_CT_Font font;
    // Item 3 of an empty font: four items, only the last one chosen.
    nimb::c_choice& item = font.get_inner_CT_Font(3);
    st::c_CT_FontSize size;
    size.set_val(12);
    st::c_CT_Font::set_sz(item, size);
    EXPECT_EQ(4u, font.inner_CT_Font.size());
    EXPECT_EQ("<font><sz val=\"12\"/></font>", content(font, "font"));
    // Choosing b on the item discards the size; choosing b again keeps it.
    st::c_CT_BooleanProperty* b = st::c_CT_Font::get_b(item);
    b->set_val(false);
    EXPECT_EQ(b, st::c_CT_Font::get_b(item));
    EXPECT_EQ("<font><b val=\"0\"/></font>", content(font, "font"));
    // Switching the fill to a gradient releases its pattern.
    st::c_CT_Fill fill;
    fill.get_patternFill()->set_patternType(u"solid");
    fill.get_gradientFill()->set_degree(45);
    EXPECT_EQ("<fill><gradientFill degree=\"45\"/></fill>", content(fill, "fill"));
}

TEST(StylesBinding, StylesheetBuiltInCodeReadsBack)
{
    st::c_styleSheet sheet;
    auto* font = sheet.get_fonts()->font.append();
    st::c_CT_FontName name;
    name.set_val(u"Calibri");
    st::c_CT_Font::set_name(font->append_inner_CT_Font(), name);
    sheet.get_fonts()->set_count(1);
    sheet.get_fills()->fill.append()->get_patternFill()->set_patternType(u"none");
    sheet.get_borders()->border.append();
    sheet.get_cellStyleXfs()->xf.append();
    auto* xf = sheet.get_cellXfs()->xf.append();
    xf->set_xfId(0);
    xf->get_alignment()->set_horizontal(u"center");
    std::string out;
    ASSERT_EQ(nimb::e_no_error, sheet.marshal(out));
    const std::string f = flat(out);
    EXPECT_EQ(0u, f.find("<?xml"));
    EXPECT_NE(f.find("<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"),
              std::string::npos)
        << f;
    st::c_styleSheet back;
    ASSERT_EQ(nimb::e_no_error, back.unmarshal(out.data(), out.size()));
    std::string again;
    ASSERT_EQ(nimb::e_no_error, back.marshal(again));
    EXPECT_EQ(out, again);
    EXPECT_EQ(u"center", back.cellXfs.peek()->xf.at(0)->alignment.peek()->horizontal.value);

    const std::string other = "<styleSheet xmlns=\"urn:other\"/>";
    st::c_styleSheet wrong;
    EXPECT_EQ(nimb::e_element_not_found, wrong.unmarshal(other.data(), other.size()));
}

}  // namespace
