// The worksheet bindings of sml-sheet and sml-sheet3, element by element:
// what reads, what is refused with which error, and what is written back.
#include <memory>
#include <string>
#include <vector>

#include "element_cases.h"
#include "ooxml/sml-sheet.h"
#include "test_support.h"

namespace {

using celvo::test::ElementCase;
using celvo::test::checkElements;
using celvo::test::writtenElement;
using nimb::create_object;
namespace s = sheet;

const char* const kSheetLabel = "ooxml/sml-sheet";

// ---------------------------------------------------------------------------
// Columns, sheet format, panes, selections, formulas, drawing links, colours

TEST(SheetFormatBindings, Cases)
{
    const std::vector<ElementCase> cases = {
        {"column range", create_object<s::c_CT_Col>,
         "<col min=\"1\" max=\"3\" width=\"12.5\" style=\"2\" customWidth=\"1\" outlineLevel=\"7\"/>", nimb::e_no_error, "",
         "<col min=\"1\" max=\"3\" width=\"12.5\" style=\"2\" customWidth=\"1\" outlineLevel=\"7\"/>"},
        {"column without max", create_object<s::c_CT_Col>, "<col min=\"1\"/>", nimb::e_required_attribute_missing,
         "CT_Col", ""},
        {"outline level past a byte", create_object<s::c_CT_Col>, "<col min=\"1\" max=\"1\" outlineLevel=\"256\"/>",
         nimb::e_value_above_maximum, "@outlineLevel", ""},
        {"negative column", create_object<s::c_CT_Col>, "<col min=\"-1\" max=\"1\"/>", nimb::e_value_below_minimum,
         "@min", ""},
        {"hidden as a word of another case", create_object<s::c_CT_Col>, "<col min=\"1\" max=\"1\" hidden=\"True\"/>",
         nimb::e_invalid_value_format, "@hidden", ""},
        {"width in letters", create_object<s::c_CT_Col>, "<col min=\"1\" max=\"1\" width=\"wide\"/>",
         nimb::e_invalid_value_format, "@width", ""},
        {"two column ranges", create_object<s::c_CT_Cols>,
         "<cols><col min=\"1\" max=\"1\"/><col min=\"2\" max=\"5\" hidden=\"1\"/></cols>", nimb::e_no_error, "", "="},
        {"columns without a column", create_object<s::c_CT_Cols>, "<cols></cols>", nimb::e_mandatory_element_missing,
         "col", ""},
        {"columns as an empty element", create_object<s::c_CT_Cols>, "<cols/>", nimb::e_unexpected_empty_element, "",
         ""},
        {"used range", create_object<s::c_CT_SheetDimension>, "<dimension ref=\"A1:C10\"/>", nimb::e_no_error, "", "="},
        {"used range without ref", create_object<s::c_CT_SheetDimension>, "<dimension/>",
         nimb::e_required_attribute_missing, "CT_SheetDimension", ""},
        {"merged range without ref", create_object<s::c_CT_MergeCell>, "<mergeCell/>",
         nimb::e_required_attribute_missing, "CT_MergeCell", ""},
        // An attribute of a later edition in its own namespace stays.
        {"sheet format with a foreign attribute", create_object<s::c_CT_SheetFormatPr>,
         "<sheetFormatPr xmlns:x14ac=\"http://schemas.microsoft.com/office/spreadsheetml/2009/9/ac\" "
         "defaultRowHeight=\"15\" x14ac:dyDescent=\"0.25\"/>",
         nimb::e_no_error, "", "="},
        // A block of markup compatibility inside an element of attributes
        // only is kept there; an element of the own namespace is not.
        {"sheet format holding a compatibility block", create_object<s::c_CT_SheetFormatPr>,
         "<sheetFormatPr defaultRowHeight=\"15\"><mc:AlternateContent "
         "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\"><mc:Choice Requires=\"x14\">"
         "<x14:p xmlns:x14=\"urn:x14\" a=\"1\"/></mc:Choice></mc:AlternateContent></sheetFormatPr>",
         nimb::e_no_error, "", "="},
        {"sheet format holding an element of its own namespace", create_object<s::c_CT_SheetFormatPr>,
         "<sheetFormatPr defaultRowHeight=\"15\"><col min=\"1\" max=\"1\"/></sheetFormatPr>",
         nimb::e_no_error, "", "="},
        {"sheet format without the row height", create_object<s::c_CT_SheetFormatPr>,
         "<sheetFormatPr baseColWidth=\"10\"/>", nimb::e_required_attribute_missing, "CT_SheetFormatPr", ""},
        {"calculation flag", create_object<s::c_CT_SheetCalcPr>, "<sheetCalcPr fullCalcOnLoad=\"1\"/>",
         nimb::e_no_error, "", "<sheetCalcPr fullCalcOnLoad=\"1\"/>"},
        {"frozen pane", create_object<s::c_CT_Pane>,
         "<pane xSplit=\"1\" ySplit=\"2\" topLeftCell=\"B3\" activePane=\"bottomRight\" state=\"frozen\"/>",
         nimb::e_no_error, "", "="},
        {"pane state of another case", create_object<s::c_CT_Pane>, "<pane state=\"Frozen\"/>",
         nimb::e_not_an_enumeration, "@state", ""},
        {"selection of two ranges", create_object<s::c_CT_Selection>,
         "<selection activeCell=\"B2\" sqref=\"B2:C3  E5\"/>", nimb::e_no_error, "",
         "<selection activeCell=\"B2\" sqref=\"B2:C3 E5\"/>"},
        {"shared formula", create_object<s::c_CT_CellFormula>, "<f si=\"0\" ref=\"A1:A3\" t=\"shared\">A1+1</f>",
         nimb::e_no_error, "", "<f t=\"shared\" ref=\"A1:A3\" si=\"0\">A1+1</f>"},
        {"formula of an unknown kind", create_object<s::c_CT_CellFormula>, "<f t=\"table\">A1</f>",
         nimb::e_not_an_enumeration, "@t", ""},
        {"drawing link", create_object<s::c_CT_Drawing>, "<drawing r:id=\"rId1\"/>", nimb::e_no_error, "", "="},
        {"drawing without its relationship", create_object<s::c_CT_Drawing>, "<drawing/>",
         nimb::e_required_attribute_missing, "CT_Drawing", ""},
        {"legacy drawing without its relationship", create_object<s::c_CT_LegacyDrawing>, "<legacyDrawing/>",
         nimb::e_required_attribute_missing, "CT_LegacyDrawing", ""},
        {"background picture without its relationship", create_object<s::c_CT_SheetBackgroundPicture>, "<picture/>",
         nimb::e_required_attribute_missing, "CT_SheetBackgroundPicture", ""},
        {"colour of four bytes", create_object<s::c_CT_Color>, "<color rgb=\"ff00ff00\" tint=\"-0.25\"/>",
         nimb::e_no_error, "", "<color rgb=\"FF00FF00\" tint=\"-0.25\"/>"},
        {"colour of three bytes", create_object<s::c_CT_Color>, "<color rgb=\"00FF00\"/>", nimb::e_length_too_short,
         "@rgb", ""},
        {"colour of five bytes", create_object<s::c_CT_Color>, "<color rgb=\"FF00FF0000\"/>", nimb::e_length_too_long,
         "@rgb", ""},
        {"colour of odd length", create_object<s::c_CT_Color>, "<color rgb=\"FF00F\"/>", nimb::e_invalid_value_format,
         "@rgb", ""},
        {"automatic colour", create_object<s::c_CT_Color>, "<color auto=\"1\"/>", nimb::e_no_error, "",
         "<color auto=\"1\"/>"},
        {"phonetic properties", create_object<s::c_CT_PhoneticPr>, "<phoneticPr fontId=\"1\" type=\"noConversion\"/>",
         nimb::e_no_error, "", "="},
        {"phonetic properties without font", create_object<s::c_CT_PhoneticPr>, "<phoneticPr type=\"Hiragana\"/>",
         nimb::e_required_attribute_missing, "CT_PhoneticPr", ""},
    };
    checkElements(cases, kSheetLabel);
}

TEST(SheetFormatBindings, ColumnSettersAndDefaults)
{
    s::c_CT_Col col;
    EXPECT_EQ("<col/>", writtenElement(col, "col"));
    EXPECT_EQ(0, col.set_min(2));
    EXPECT_EQ(0, col.set_max(4));
    EXPECT_EQ(0, col.set_style(3));
    EXPECT_EQ(0, col.set_outlineLevel(2));
    EXPECT_EQ(0, col.set_hidden(true));
    EXPECT_EQ("<col min=\"2\" max=\"4\" style=\"3\" hidden=\"1\" outlineLevel=\"2\"/>", writtenElement(col, "col"));
    col.unset_hidden();
    EXPECT_FALSE(col.hidden.value);
    EXPECT_EQ("<col min=\"2\" max=\"4\" style=\"3\" outlineLevel=\"2\"/>", writtenElement(col, "col"));

    s::c_CT_Pane pane;
    EXPECT_EQ(u"topLeft", pane.activePane.value);
    EXPECT_EQ(u"split", pane.state.value);
    EXPECT_EQ(0, pane.set_activePane(u"bottomLeft"));
    EXPECT_EQ(0, pane.set_state(u"frozen"));
    EXPECT_EQ("<pane activePane=\"bottomLeft\" state=\"frozen\"/>", writtenElement(pane, "pane"));
}

// ---------------------------------------------------------------------------
// Printing

TEST(PrintBindings, Cases)
{
    const std::vector<ElementCase> cases = {
        {"scale of five", create_object<s::c_CT_PageSetup>, "<pageSetup scale=\"5\"/>", nimb::e_no_error, "", "="},
        {"scale of a thousand", create_object<s::c_CT_PageSetup>, "<pageSetup scale=\"1000\"/>", nimb::e_no_error, "",
         "="},
        {"scale of minus one", create_object<s::c_CT_PageSetup>, "<pageSetup scale=\"-1\"/>",
         nimb::e_value_below_minimum, "@scale", ""},
        {"scale in letters", create_object<s::c_CT_PageSetup>, "<pageSetup scale=\"big\"/>",
         nimb::e_invalid_value_format, "@scale", ""},
        {"scale past 32 bits", create_object<s::c_CT_PageSetup>, "<pageSetup scale=\"4294967296\"/>",
         nimb::e_value_above_maximum, "@scale", ""},
        {"page order", create_object<s::c_CT_PageSetup>, "<pageSetup pageOrder=\"overThenDown\"/>", nimb::e_no_error,
         "", "="},
        {"page order with a capital", create_object<s::c_CT_PageSetup>, "<pageSetup pageOrder=\"OverThenDown\"/>",
         nimb::e_not_an_enumeration, "@pageOrder", ""},
        {"every page setting, in writing order", create_object<s::c_CT_PageSetup>,
         "<pageSetup r:id=\"rId1\" copies=\"2\" verticalDpi=\"300\" horizontalDpi=\"300\" errors=\"NA\" "
         "useFirstPageNumber=\"1\" cellComments=\"none\" draft=\"0\" blackAndWhite=\"1\" usePrinterDefaults=\"0\" "
         "orientation=\"landscape\" pageOrder=\"downThenOver\" fitToHeight=\"0\" fitToWidth=\"1\" "
         "firstPageNumber=\"3\" scale=\"90\" paperSize=\"9\"/>",
         nimb::e_no_error, "",
         "<pageSetup paperSize=\"9\" scale=\"90\" firstPageNumber=\"3\" fitToWidth=\"1\" fitToHeight=\"0\" "
         "pageOrder=\"downThenOver\" orientation=\"landscape\" usePrinterDefaults=\"0\" blackAndWhite=\"1\" "
         "draft=\"0\" cellComments=\"none\" useFirstPageNumber=\"1\" errors=\"NA\" horizontalDpi=\"300\" "
         "verticalDpi=\"300\" copies=\"2\" r:id=\"rId1\"/>"},
        {"margins", create_object<s::c_CT_PageMargins>,
         "<pageMargins left=\"0.7\" right=\"INF\" top=\"-1.5E2\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>",
         nimb::e_no_error, "",
         "<pageMargins left=\"0.7\" right=\"INF\" top=\"-150\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"},
        {"margins without the footer", create_object<s::c_CT_PageMargins>,
         "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\"/>",
         nimb::e_required_attribute_missing, "CT_PageMargins", ""},
        {"print options", create_object<s::c_CT_PrintOptions>, "<printOptions gridLines=\"1\" gridLinesSet=\"0\"/>",
         nimb::e_no_error, "", "="},
        {"header and footer texts", create_object<s::c_CT_HeaderFooter>,
         "<headerFooter differentFirst=\"1\"><oddHeader> &amp;L&amp;\"Arial,Bold\"Left </oddHeader>"
         "<oddFooter>&amp;P of &amp;N</oddFooter><evenHeader>e</evenHeader><evenFooter>f</evenFooter>"
         "<firstHeader>g</firstHeader><firstFooter>h</firstFooter></headerFooter>",
         nimb::e_no_error, "",
         "<headerFooter differentFirst=\"1\"><oddHeader> &amp;L&amp;&quot;Arial,Bold&quot;Left </oddHeader>"
         "<oddFooter>&amp;P of &amp;N</oddFooter><evenHeader>e</evenHeader><evenFooter>f</evenFooter>"
         "<firstHeader>g</firstHeader><firstFooter>h</firstFooter></headerFooter>"},
        // Some producers mark the texts to keep their blanks.
        {"header text marked to keep its blanks", create_object<s::c_CT_HeaderFooter>,
         "<headerFooter><oddHeader xml:space=\"preserve\">&amp;L Left  &amp;R Right </oddHeader></headerFooter>",
         nimb::e_no_error, "", "="},
        {"footer before header", create_object<s::c_CT_HeaderFooter>,
         "<headerFooter><oddFooter>f</oddFooter><oddHeader>h</oddHeader></headerFooter>", nimb::e_no_error,
         "", "="},
        {"page break without attributes", create_object<s::c_CT_Break>, "<brk/>", nimb::e_no_error, "", "="},
        {"manual page break", create_object<s::c_CT_Break>, "<brk id=\"10\" max=\"16383\" man=\"1\"/>", nimb::e_no_error,
         "", "<brk id=\"10\" max=\"16383\" man=\"1\"/>"},
        {"page setup flags", create_object<s::c_CT_PageSetUpPr>, "<pageSetUpPr fitToPage=\"1\"/>", nimb::e_no_error, "",
         "<pageSetUpPr fitToPage=\"1\"/>"},
        {"outline flags", create_object<s::c_CT_OutlinePr>, "<outlinePr summaryBelow=\"0\" summaryRight=\"0\"/>",
         nimb::e_no_error, "", "<outlinePr summaryBelow=\"0\" summaryRight=\"0\"/>"},
    };
    checkElements(cases, kSheetLabel);
}

TEST(PrintBindings, DefaultsSettersAndUnsetters)
{
    s::c_CT_PageSetup setup;
    EXPECT_EQ("<pageSetup/>", writtenElement(setup, "pageSetup"));
    EXPECT_EQ(1u, setup.paperSize.value);
    EXPECT_EQ(100u, setup.scale.value);
    EXPECT_EQ(600u, setup.horizontalDpi.value);
    EXPECT_TRUE(setup.usePrinterDefaults.value);
    EXPECT_EQ(u"default", setup.orientation.value);
    EXPECT_EQ(0, setup.set_orientation(u"landscape"));
    EXPECT_EQ("<pageSetup orientation=\"landscape\"/>", writtenElement(setup, "pageSetup"));
    EXPECT_EQ(0, setup.set_fitToWidth(2));
    EXPECT_EQ("<pageSetup fitToWidth=\"2\" orientation=\"landscape\"/>", writtenElement(setup, "pageSetup"));

    s::c_CT_PrintOptions options;
    EXPECT_TRUE(options.gridLinesSet.value);
    options.set_gridLines(true);
    options.set_headings(true);
    options.set_horizontalCentered(true);
    options.set_verticalCentered(true);
    EXPECT_EQ(
        "<printOptions horizontalCentered=\"1\" verticalCentered=\"1\" headings=\"1\" gridLines=\"1\"/>",
        writtenElement(options, "printOptions"));
    options.unset_gridLines();
    options.unset_headings();
    options.unset_horizontalCentered();
    options.unset_verticalCentered();
    EXPECT_FALSE(options.gridLines.value);
    EXPECT_EQ("<printOptions/>", writtenElement(options, "printOptions"));

    s::c_CT_Break brk;
    EXPECT_EQ(0u, brk.id.value);
    EXPECT_FALSE(brk.man.value);
    EXPECT_FALSE(brk.pt.value);
}

// ---------------------------------------------------------------------------
// Protection, protected ranges, data validation, hyperlinks

TEST(ProtectionBindings, Cases)
{
    const std::vector<ElementCase> cases = {
        {"protection without attributes", create_object<s::c_CT_SheetProtection>, "<sheetProtection/>",
         nimb::e_no_error, "", "="},
        {"password of four digits", create_object<s::c_CT_SheetProtection>,
         "<sheetProtection password=\"cc1a\" sheet=\"1\"/>", nimb::e_no_error, "",
         "<sheetProtection password=\"CC1A\" sheet=\"1\"/>"},
        {"password of three digits", create_object<s::c_CT_SheetProtection>, "<sheetProtection password=\"CC1\"/>",
         nimb::e_invalid_value_format, "@password", ""},
        {"password of six digits", create_object<s::c_CT_SheetProtection>, "<sheetProtection password=\"CC1A00\"/>",
         nimb::e_length_too_long, "@password", ""},
        {"password of two digits", create_object<s::c_CT_SheetProtection>, "<sheetProtection password=\"CC\"/>",
         nimb::e_length_too_short, "@password", ""},
        // The hashed password of later editions is held, so the sheet stays
        // protected by it.
        {"hashed password", create_object<s::c_CT_SheetProtection>,
         "<sheetProtection algorithmName=\"SHA-512\" hashValue=\"kX1r/AbC+==\" saltValue=\"c2FsdA==\" "
         "spinCount=\"100000\" sheet=\"1\" objects=\"1\" scenarios=\"1\"/>",
         nimb::e_no_error, "",
         "<sheetProtection algorithmName=\"SHA-512\" hashValue=\"kX1r/AbC+==\" saltValue=\"c2FsdA==\" "
         "spinCount=\"100000\" sheet=\"1\" objects=\"1\" scenarios=\"1\"/>"},
        {"spin count in letters", create_object<s::c_CT_SheetProtection>, "<sheetProtection spinCount=\"many\"/>",
         nimb::e_invalid_value_format, "@spinCount", ""},
        {"protected range", create_object<s::c_CT_ProtectedRange>,
         "<protectedRange password=\"CC1A\" sqref=\"A1:B2 D4\" name=\"Range1\"/>", nimb::e_no_error, "", "="},
        {"protected range with a hashed password", create_object<s::c_CT_ProtectedRange>,
         "<protectedRange algorithmName=\"SHA-512\" hashValue=\"aGFzaA==\" saltValue=\"c2FsdA==\" spinCount=\"100000\" "
         "sqref=\"A1\" name=\"R\"/>",
         nimb::e_no_error, "", "="},
        {"protected range without name", create_object<s::c_CT_ProtectedRange>, "<protectedRange sqref=\"A1\"/>",
         nimb::e_required_attribute_missing, "CT_ProtectedRange", ""},
        {"list validation with two ranges", create_object<s::c_CT_DataValidation>,
         "<dataValidation type=\"list\" allowBlank=\"1\" showInputMessage=\"1\" showErrorMessage=\"1\" "
         "sqref=\"A1:A10 C1\"><formula1>\"a,b,c\"</formula1></dataValidation>",
         nimb::e_no_error, "",
         "<dataValidation type=\"list\" allowBlank=\"1\" showInputMessage=\"1\" showErrorMessage=\"1\" "
         "sqref=\"A1:A10 C1\"><formula1>&quot;a,b,c&quot;</formula1></dataValidation>"},
        {"whole number greater than", create_object<s::c_CT_DataValidation>,
         "<dataValidation type=\"whole\" operator=\"greaterThan\" errorStyle=\"warning\" imeMode=\"off\" "
         "errorTitle=\"T\" error=\"E\" promptTitle=\"P\" prompt=\"Q\" sqref=\"B2\"><formula1>5</formula1>"
         "</dataValidation>",
         nimb::e_no_error, "",
         "<dataValidation type=\"whole\" errorStyle=\"warning\" imeMode=\"off\" operator=\"greaterThan\" "
         "errorTitle=\"T\" error=\"E\" promptTitle=\"P\" prompt=\"Q\" sqref=\"B2\"><formula1>5</formula1>"
         "</dataValidation>"},
        {"shortened operator", create_object<s::c_CT_DataValidation>,
         "<dataValidation type=\"whole\" operator=\"greater\" sqref=\"B2\"/>", nimb::e_not_an_enumeration, "@operator",
         ""},
        {"validation without sqref", create_object<s::c_CT_DataValidation>, "<dataValidation type=\"whole\"/>",
         nimb::e_required_attribute_missing, "CT_DataValidation", ""},
        {"second formula alone", create_object<s::c_CT_DataValidation>,
         "<dataValidation sqref=\"A1\"><formula2>9</formula2></dataValidation>", nimb::e_no_error, "", "="},
        {"hyperlink", create_object<s::c_CT_Hyperlink>,
         "<hyperlink ref=\"A1\" r:id=\"rId3\" location=\"Sheet2!A1\" tooltip=\"t\" display=\"d\"/>", nimb::e_no_error,
         "", "="},
        {"hyperlink without ref", create_object<s::c_CT_Hyperlink>, "<hyperlink location=\"Sheet2!A1\"/>",
         nimb::e_required_attribute_missing, "CT_Hyperlink", ""},
        // Two prefixes of one namespace name the same attribute twice.
        {"relationship given twice", create_object<s::c_CT_Hyperlink>,
         "<hyperlink xmlns:q=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" ref=\"A1\" "
         "r:id=\"rId1\" q:id=\"rId2\"/>",
         nimb::e_attribute_already_read, "", ""},
    };
    checkElements(cases, kSheetLabel);
}

TEST(ProtectionBindings, DefaultsOfTheFlags)
{
    s::c_CT_SheetProtection p;
    const std::vector<std::pair<const nimb::c_simple<bool>*, bool>> flags = {
        {&p.sheet, false},         {&p.objects, false},           {&p.scenarios, false},
        {&p.formatCells, true},    {&p.formatColumns, true},      {&p.formatRows, true},
        {&p.insertColumns, true},  {&p.insertRows, true},         {&p.insertHyperlinks, true},
        {&p.deleteColumns, true},  {&p.deleteRows, true},         {&p.selectLockedCells, false},
        {&p.sort, true},           {&p.autoFilter, true},         {&p.pivotTables, true},
        {&p.selectUnlockedCells, false},
    };
    for (std::size_t i = 0; i < flags.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(flags[i].second, flags[i].first->value);
        EXPECT_FALSE(flags[i].first->present);
    }
    EXPECT_FALSE(p.password.present);
    // Assignment replaces every flag and the password.
    s::c_CT_SheetProtection q;
    q.set_sheet(true);
    q.set_password(nimb::c_binary{0xCC, 0x1A});
    p = q;
    EXPECT_EQ("<sheetProtection password=\"CC1A\" sheet=\"1\"/>", writtenElement(p, "sheetProtection"));
}

// ---------------------------------------------------------------------------
// Filter criteria and sort conditions

TEST(FilterBindings, Cases)
{
    const std::vector<ElementCase> cases = {
        {"top ten", create_object<s::c_CT_Top10>, "<top10 percent=\"1\" val=\"10\" filterVal=\"42.5\"/>",
         nimb::e_no_error, "", "<top10 percent=\"1\" val=\"10\" filterVal=\"42.5\"/>"},
        {"top ten without val", create_object<s::c_CT_Top10>, "<top10 top=\"0\"/>", nimb::e_required_attribute_missing,
         "CT_Top10", ""},
        {"colour filter", create_object<s::c_CT_ColorFilter>, "<colorFilter dxfId=\"3\" cellColor=\"0\"/>",
         nimb::e_no_error, "", "<colorFilter dxfId=\"3\" cellColor=\"0\"/>"},
        {"icon filter", create_object<s::c_CT_IconFilter>, "<iconFilter iconSet=\"5Quarters\" iconId=\"2\"/>",
         nimb::e_no_error, "", "="},
        {"icon filter without icon set", create_object<s::c_CT_IconFilter>, "<iconFilter iconId=\"2\"/>",
         nimb::e_required_attribute_missing, "CT_IconFilter", ""},
        {"dynamic filter year to date", create_object<s::c_CT_DynamicFilter>, "<dynamicFilter type=\"yearToDate\"/>",
         nimb::e_no_error, "", "="},
        {"dynamic filter of a thirteenth month", create_object<s::c_CT_DynamicFilter>, "<dynamicFilter type=\"M13\"/>",
         nimb::e_not_an_enumeration, "@type", ""},
        {"dynamic filter without type", create_object<s::c_CT_DynamicFilter>, "<dynamicFilter val=\"1\"/>",
         nimb::e_required_attribute_missing, "CT_DynamicFilter", ""},
        {"filter value", create_object<s::c_CT_Filter>, "<filter val=\" x \"/>", nimb::e_no_error, "", "="},
        {"date group", create_object<s::c_CT_DateGroupItem>,
         "<dateGroupItem year=\"2024\" month=\"2\" day=\"29\" hour=\"23\" minute=\"59\" second=\"0\" "
         "dateTimeGrouping=\"second\"/>",
         nimb::e_no_error, "", "="},
        {"date group of year 70000", create_object<s::c_CT_DateGroupItem>,
         "<dateGroupItem year=\"70000\" dateTimeGrouping=\"year\"/>", nimb::e_value_above_maximum, "@year", ""},
        {"date group without grouping", create_object<s::c_CT_DateGroupItem>, "<dateGroupItem year=\"2000\"/>",
         nimb::e_required_attribute_missing, "CT_DateGroupItem", ""},
        {"custom filter without operator", create_object<s::c_CT_CustomFilter>, "<customFilter val=\"*a*\"/>",
         nimb::e_no_error, "", "="},
        {"custom filter of an unknown operator", create_object<s::c_CT_CustomFilter>,
         "<customFilter operator=\"like\" val=\"a\"/>", nimb::e_not_an_enumeration, "@operator", ""},
        {"sort condition", create_object<s::c_CT_SortCondition>,
         "<sortCondition descending=\"1\" sortBy=\"icon\" ref=\"B2:B9\" iconSet=\"3Flags\" iconId=\"1\"/>",
         nimb::e_no_error, "", "<sortCondition descending=\"1\" sortBy=\"icon\" ref=\"B2:B9\" iconSet=\"3Flags\" iconId=\"1\"/>"},
        {"sort condition without ref", create_object<s::c_CT_SortCondition>, "<sortCondition descending=\"1\"/>",
         nimb::e_required_attribute_missing, "CT_SortCondition", ""},
    };
    checkElements(cases, kSheetLabel);
}

TEST(FilterBindings, DefaultsReadButNotWritten)
{
    s::c_CT_SortCondition sort;
    EXPECT_EQ(u"3Arrows", sort.iconSet.value);
    EXPECT_EQ(u"value", sort.sortBy.value);
    s::c_CT_CustomFilter custom;
    EXPECT_EQ(u"equal", custom.operator_.value);
    EXPECT_FALSE(custom.operator_.present);
    s::c_CT_Top10 top;
    EXPECT_TRUE(top.top.value);
    s::c_CT_ColorFilter colour;
    EXPECT_TRUE(colour.cellColor.value);
}

// ---------------------------------------------------------------------------
// The small list items

TEST(ListItemBindings, Cases)
{
    const std::vector<ElementCase> cases = {
        {"pivot area index", create_object<s::c_CT_Index>, "<x v=\"4\"/>", nimb::e_no_error, "", "="},
        {"pivot area index without v", create_object<s::c_CT_Index>, "<x/>", nimb::e_required_attribute_missing,
         "CT_Index", ""},
        {"smart tag property without key", create_object<s::c_CT_CellSmartTagPr>, "<cellSmartTagPr val=\"v\"/>",
         nimb::e_required_attribute_missing, "CT_CellSmartTagPr", ""},
        {"input cells", create_object<s::c_CT_InputCells>, "<inputCells r=\"B2\" val=\"7\" numFmtId=\"14\"/>",
         nimb::e_no_error, "", "="},
        {"input cells without val", create_object<s::c_CT_InputCells>, "<inputCells r=\"B2\"/>",
         nimb::e_required_attribute_missing, "CT_InputCells", ""},
        {"cell watch without r", create_object<s::c_CT_CellWatch>, "<cellWatch/>", nimb::e_required_attribute_missing,
         "CT_CellWatch", ""},
        {"custom property without relationship", create_object<s::c_CT_CustomProperty>, "<customPr name=\"n\"/>",
         nimb::e_required_attribute_missing, "CT_CustomProperty", ""},
        {"table part", create_object<s::c_CT_TablePart>, "<tablePart r:id=\"rId2\"/>", nimb::e_no_error, "", "="},
        {"table part without relationship", create_object<s::c_CT_TablePart>, "<tablePart/>",
         nimb::e_required_attribute_missing, "CT_TablePart", ""},
        {"data reference without attributes", create_object<s::c_CT_DataRef>, "<dataRef/>", nimb::e_no_error, "", "="},
        {"embedded object", create_object<s::c_CT_OleObject>,
         "<oleObject progId=\"Word.Document.12\" shapeId=\"1025\" r:id=\"rId4\"/>", nimb::e_no_error, "", "="},
        {"embedded object of another aspect", create_object<s::c_CT_OleObject>,
         "<oleObject dvAspect=\"DVASPECT_THUMBNAIL\" shapeId=\"1025\"/>", nimb::e_not_an_enumeration, "@dvAspect", ""},
        {"embedded object without shape", create_object<s::c_CT_OleObject>, "<oleObject progId=\"p\"/>",
         nimb::e_required_attribute_missing, "CT_OleObject", ""},
        {"shape id past 32 bits", create_object<s::c_CT_OleObject>, "<oleObject shapeId=\"4294967296\"/>",
         nimb::e_value_above_maximum, "@shapeId", ""},
        {"negative shape id", create_object<s::c_CT_OleObject>, "<oleObject shapeId=\"-5\"/>",
         nimb::e_value_below_minimum, "@shapeId", ""},
        {"web publish item", create_object<s::c_CT_WebPublishItem>,
         "<webPublishItem id=\"1\" divId=\"d\" sourceType=\"range\" sourceRef=\"A1:B2\" destinationFile=\"f.htm\"/>",
         nimb::e_no_error, "", "="},
        {"web publish item of an unknown source", create_object<s::c_CT_WebPublishItem>,
         "<webPublishItem id=\"1\" divId=\"d\" sourceType=\"table\" destinationFile=\"f.htm\"/>",
         nimb::e_not_an_enumeration, "@sourceType", ""},
        {"web publish item without destination", create_object<s::c_CT_WebPublishItem>,
         "<webPublishItem id=\"1\" divId=\"d\" sourceType=\"sheet\"/>", nimb::e_required_attribute_missing,
         "CT_WebPublishItem", ""},
        {"control", create_object<s::c_CT_Control>, "<control shapeId=\"1026\" r:id=\"rId5\" name=\"Button 2\"/>",
         nimb::e_no_error, "", "="},
        {"control without relationship", create_object<s::c_CT_Control>, "<control shapeId=\"1026\"/>",
         nimb::e_required_attribute_missing, "CT_Control", ""},
        {"ignored error", create_object<s::c_CT_IgnoredError>,
         "<ignoredError sqref=\"A1:A9 C3\" numberStoredAsText=\"1\"/>", nimb::e_no_error, "",
         "<ignoredError sqref=\"A1:A9 C3\" numberStoredAsText=\"1\"/>"},
        {"ignored error without sqref", create_object<s::c_CT_IgnoredError>, "<ignoredError formula=\"1\"/>",
         nimb::e_required_attribute_missing, "CT_IgnoredError", ""},
        {"flag in capitals", create_object<s::c_CT_IgnoredError>, "<ignoredError sqref=\"A1\" formula=\"TRUE\"/>",
         nimb::e_invalid_value_format, "@formula", ""},
    };
    checkElements(cases, kSheetLabel);

    s::c_CT_OleObject ole;
    EXPECT_EQ(u"DVASPECT_CONTENT", ole.dvAspect.value);
    EXPECT_FALSE(ole.dvAspect.present);
}

}  // namespace
