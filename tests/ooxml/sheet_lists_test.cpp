// The worksheet bindings of sml-sheet2 beyond rows and cells: sheet
// properties and the list holders, extension lists, the AutoFilter with its
// value lists, custom criteria and sort state, the graded formats of
// conditional formatting, scenarios, consolidation, smart tags, custom sheet
// views, the plain lists of the worksheet and the references of a pivot area.
#include <memory>
#include <string>
#include <vector>

#include "element_cases.h"
#include "ooxml/sml-sheet2.h"
#include "ooxml/sml-sheet.h"
#include "test_support.h"

namespace {

using celvo::test::checkElements;
using celvo::test::ElementCase;
using celvo::test::readForgiving;
using celvo::test::writtenElement;
using nimb::create_object;
namespace s = sheet;

const char* const kSheet2Label = "ooxml/sml-sheet2";
const char* const kX14 = "http://schemas.microsoft.com/office/spreadsheetml/2009/9/main";

// ---------------------------------------------------------------------------
// Sheet properties, list holders, extension lists

TEST(SheetListBindings, Cases)
{
    const std::string ext = std::string("<ext xmlns:x14=\"") + kX14 + "\" uri=\"{CCE6A557-97BC-4b89-ADB6-D9C93CAAB3DF}\">";
    const std::vector<ElementCase> cases = {
        {"properties with only the code name", create_object<s::c_CT_SheetPr>, "<sheetPr codeName=\"Sheet1\"/>",
         nimb::e_no_error, "", "="},
        {"properties with every child", create_object<s::c_CT_SheetPr>,
         "<sheetPr filterMode=\"1\" published=\"0\"><tabColor rgb=\"FFFF0000\"/><outlinePr summaryBelow=\"0\"/>"
         "<pageSetUpPr fitToPage=\"1\"/></sheetPr>",
         nimb::e_no_error, "",
         "<sheetPr published=\"0\" filterMode=\"1\"><tabColor rgb=\"FFFF0000\"/>"
         "<outlinePr summaryBelow=\"0\"/><pageSetUpPr fitToPage=\"1\"/></sheetPr>"},
        {"properties with children out of order", create_object<s::c_CT_SheetPr>,
         "<sheetPr><pageSetUpPr fitToPage=\"1\"/><tabColor rgb=\"FFFF0000\"/></sheetPr>",
         nimb::e_no_error, "", "="},
        {"row breaks without a break", create_object<s::c_CT_PageBreak>,
         "<rowBreaks count=\"0\" manualBreakCount=\"0\"/>", nimb::e_no_error, "", "="},
        {"column breaks", create_object<s::c_CT_PageBreak>,
         "<colBreaks count=\"2\" manualBreakCount=\"2\"><brk id=\"3\" max=\"1048575\" man=\"1\"/>"
         "<brk id=\"7\" max=\"1048575\" man=\"1\"/></colBreaks>",
         nimb::e_no_error, "",
         "<colBreaks count=\"2\" manualBreakCount=\"2\"><brk id=\"3\" max=\"1048575\" man=\"1\"/>"
         "<brk id=\"7\" max=\"1048575\" man=\"1\"/></colBreaks>"},
        {"merged ranges", create_object<s::c_CT_MergeCells>,
         "<mergeCells count=\"2\"><mergeCell ref=\"A1:B2\"/><mergeCell ref=\"C3:D4\"/></mergeCells>", nimb::e_no_error,
         "", "="},
        {"merged ranges without a range", create_object<s::c_CT_MergeCells>, "<mergeCells count=\"0\"></mergeCells>",
         nimb::e_mandatory_element_missing, "mergeCell", ""},
        {"data validations", create_object<s::c_CT_DataValidations>,
         "<dataValidations disablePrompts=\"1\" xWindow=\"5\" count=\"1\"><dataValidation type=\"list\" "
         "allowBlank=\"1\" sqref=\"A1:A9\"><formula1>\"a,b\"</formula1></dataValidation></dataValidations>",
         nimb::e_no_error, "",
         "<dataValidations disablePrompts=\"1\" xWindow=\"5\" count=\"1\"><dataValidation type=\"list\" "
         "allowBlank=\"1\" sqref=\"A1:A9\"><formula1>&quot;a,b&quot;</formula1></dataValidation>"
         "</dataValidations>"},
        {"data validations without one", create_object<s::c_CT_DataValidations>,
         "<dataValidations count=\"0\"></dataValidations>", nimb::e_mandatory_element_missing, "dataValidation", ""},
        {"hyperlinks", create_object<s::c_CT_Hyperlinks>,
         "<hyperlinks><hyperlink ref=\"A1\" r:id=\"rId1\"/><hyperlink ref=\"B2\" location=\"Sheet2!A1\" "
         "display=\"there\"/></hyperlinks>",
         nimb::e_no_error, "", "="},
        {"hyperlinks without one", create_object<s::c_CT_Hyperlinks>, "<hyperlinks></hyperlinks>",
         nimb::e_mandatory_element_missing, "hyperlink", ""},
        {"protected ranges with the newer hash", create_object<s::c_CT_ProtectedRanges>,
         "<protectedRanges><protectedRange algorithmName=\"SHA-512\" hashValue=\"aGFzaA==\" saltValue=\"c2FsdA==\" "
         "spinCount=\"100000\" sqref=\"A1:B2\" name=\"Range1\"/></protectedRanges>",
         nimb::e_no_error, "", "="},
        {"protected ranges without one", create_object<s::c_CT_ProtectedRanges>, "<protectedRanges></protectedRanges>",
         nimb::e_mandatory_element_missing, "protectedRange", ""},
        {"controls, then the kept element", create_object<s::c_CT_Controls>,
         "<controls><control shapeId=\"1025\" r:id=\"rId3\" name=\"Button 1\"/><kept a=\"1\"><x/></kept></controls>",
         nimb::e_no_error, "", "="},
        {"controls without a control", create_object<s::c_CT_Controls>, "<controls/>", nimb::e_no_error, "", "="},
        // An extension keeps its one element whole, with its own namespace.
        {"extension with a foreign element", create_object<s::c_CT_ExtensionList>,
         "<extLst>" + ext + "<x14:dataValidations count=\"1\"><x14:dataValidation type=\"list\"/>"
         "</x14:dataValidations></ext></extLst>",
         nimb::e_no_error, "", "="},
        {"two extensions in their order", create_object<s::c_CT_ExtensionList>,
         "<extLst><ext uri=\"{B}\"><b/></ext><ext uri=\"{A}\"><a/></ext></extLst>", nimb::e_no_error, "", "="},
        {"extension without its element", create_object<s::c_CT_Extension>, "<ext uri=\"{A}\"></ext>",
         nimb::e_mandatory_element_missing, "", ""},
    };
    checkElements(cases, kSheet2Label);

    // A new sheetPr writes nothing of its defaults; a set attribute alone.
    s::c_CT_SheetPr pr;
    EXPECT_TRUE(pr.published.value);
    EXPECT_TRUE(pr.enableFormatConditionsCalculation.value);
    EXPECT_EQ("<sheetPr/>", writtenElement(pr, "sheetPr"));
    pr.get_pageSetUpPr()->set_fitToPage(true);
    pr.get_tabColor()->set_theme(4);
    EXPECT_EQ("<sheetPr><tabColor theme=\"4\"/><pageSetUpPr fitToPage=\"1\"/></sheetPr>",
              writtenElement(pr, "sheetPr"));
    // One class serves both kinds of breaks, under the owner's name.
    s::c_CT_PageBreak breaks;
    breaks.brk.append()->set_id(4);
    EXPECT_EQ("<rowBreaks><brk id=\"4\"/></rowBreaks>", writtenElement(breaks, "rowBreaks"));
    EXPECT_EQ("<colBreaks><brk id=\"4\"/></colBreaks>", writtenElement(breaks, "colBreaks"));
    // An empty list of merged ranges is reported once (the same absence is
    // not reported again at the end), and is kept empty.
    s::c_CT_MergeCells merges;
    EXPECT_EQ(std::vector<int>{nimb::e_mandatory_element_missing}, readForgiving(merges, "<mergeCells></mergeCells>"));
    EXPECT_TRUE(merges.mergeCell.empty());
}

// ---------------------------------------------------------------------------
// AutoFilter, filters, custom filters, sort state

TEST(AutoFilterBindings, Cases)
{
    const std::vector<ElementCase> cases = {
        {"only the range", create_object<s::c_CT_AutoFilter>, "<autoFilter ref=\"A1:C9\"/>", nimb::e_no_error, "", "="},
        {"no range", create_object<s::c_CT_AutoFilter>, "<autoFilter/>", nimb::e_no_error, "", "="},
        {"columns, sort state, extension list", create_object<s::c_CT_AutoFilter>,
         "<autoFilter ref=\"A1:C9\"><filterColumn colId=\"0\"><filters blank=\"1\"><filter val=\"x\"/>"
         "<dateGroupItem year=\"2024\" month=\"2\" dateTimeGrouping=\"month\"/></filters></filterColumn>"
         "<filterColumn colId=\"2\"><customFilters and=\"1\"><customFilter operator=\"greaterThan\" val=\"1\"/>"
         "<customFilter operator=\"lessThan\" val=\"9\"/></customFilters></filterColumn>"
         "<sortState ref=\"A2:C9\"><sortCondition descending=\"1\" ref=\"B2:B9\"/></sortState>"
         "<extLst><ext uri=\"{A}\"><a/></ext></extLst></autoFilter>",
         nimb::e_no_error, "", "="},
        {"a calendar", create_object<s::c_CT_Filters>, "<filters calendarType=\"japan\"><filter val=\"1\"/></filters>",
         nimb::e_no_error, "", "="},
        {"a calendar of no kind", create_object<s::c_CT_Filters>, "<filters calendarType=\"mayan\"/>",
         nimb::e_not_an_enumeration, "@calendarType", ""},
        {"blank as digits", create_object<s::c_CT_Filters>, "<filters blank=\"0\"/>", nimb::e_no_error, "",
         "<filters blank=\"0\"/>"},
        {"blank as a word", create_object<s::c_CT_Filters>, "<filters blank=\"yes\"/>", nimb::e_invalid_value_format,
         "@blank", ""},
        // A value after a date group item stands past its place.
        {"values after date groups", create_object<s::c_CT_Filters>,
         "<filters><dateGroupItem year=\"2024\" dateTimeGrouping=\"year\"/><filter val=\"x\"/></filters>",
         nimb::e_no_error, "", "="},
        {"custom filters without a criterion", create_object<s::c_CT_CustomFilters>,
         "<customFilters and=\"1\"></customFilters>", nimb::e_mandatory_element_missing, "customFilter", ""},
        {"three criteria", create_object<s::c_CT_CustomFilters>,
         "<customFilters><customFilter val=\"1\"/><customFilter val=\"2\"/><customFilter val=\"3\"/></customFilters>",
         nimb::e_no_error, "", "="},
        {"sort by pinyin", create_object<s::c_CT_SortState>,
         "<sortState columnSort=\"1\" caseSensitive=\"0\" sortMethod=\"pinYin\" ref=\"A1:D4\"/>", nimb::e_no_error, "",
         "<sortState columnSort=\"1\" caseSensitive=\"0\" sortMethod=\"pinYin\" ref=\"A1:D4\"/>"},
        {"sort method of no kind", create_object<s::c_CT_SortState>, "<sortState sortMethod=\"radical\" ref=\"A1\"/>",
         nimb::e_not_an_enumeration, "@sortMethod", ""},
        {"sort state without its range", create_object<s::c_CT_SortState>, "<sortState/>",
         nimb::e_required_attribute_missing, "CT_SortState", ""},
    };
    checkElements(cases, kSheet2Label);

    // A sort state without its range, read by a forgiving reader, is written
    // back without one.
    s::c_CT_SortState sort;
    EXPECT_EQ(std::vector<int>{nimb::e_required_attribute_missing}, readForgiving(sort, "<sortState/>"));
    EXPECT_EQ("<sortState/>", writtenElement(sort, "sortState"));
    // No custom criterion: reported once.
    s::c_CT_CustomFilters custom;
    EXPECT_EQ(std::vector<int>{nimb::e_mandatory_element_missing},
              readForgiving(custom, "<customFilters></customFilters>"));
    // Sixty-four sort conditions are read; the sixty-fifth is kept where it
    // stood, not refused.
    std::string conditions;
    for (int i = 0; i < 65; ++i) conditions += "<sortCondition ref=\"A" + std::to_string(i + 1) + "\"/>";
    s::c_CT_SortState many;
    EXPECT_EQ(std::vector<int>{}, readForgiving(many, "<sortState ref=\"A1:A65\">" + conditions + "</sortState>"));
    EXPECT_EQ(64u, many.sortCondition.size());
    EXPECT_NE(std::string::npos, writtenElement(many, "sortState").find("<sortCondition ref=\"A65\"/></sortState>"));
    // The lazy getters of a filter column's value lists.
    s::c_CT_FilterColumn column;
    column.set_colId(1);
    column.get_customFilters()->customFilter.append()->set_val(u"5");
    EXPECT_EQ("<filterColumn colId=\"1\"><customFilters><customFilter val=\"5\"/></customFilters></filterColumn>",
              writtenElement(column, "filterColumn"));
}

// ---------------------------------------------------------------------------
// Graded formats: value objects, colour scales, data bars, icon sets

TEST(ConditionalFormatValueBindings, Cases)
{
    const std::vector<ElementCase> cases = {
        {"percentile", create_object<s::c_CT_Cfvo>, "<cfvo type=\"percentile\" val=\"50\"/>", nimb::e_no_error, "",
         "="},
        {"value object of no kind", create_object<s::c_CT_Cfvo>, "<cfvo type=\"average\"/>", nimb::e_not_an_enumeration,
         "@type", ""},
        {"value object without its kind", create_object<s::c_CT_Cfvo>, "<cfvo val=\"1\"/>",
         nimb::e_required_attribute_missing, "CT_Cfvo", ""},
        {"three-colour scale", create_object<s::c_CT_ColorScale>,
         "<colorScale><cfvo type=\"min\"/><cfvo type=\"percentile\" val=\"50\"/><cfvo type=\"max\"/>"
         "<color rgb=\"FFF8696B\"/><color rgb=\"FFFFEB84\"/><color rgb=\"FF63BE7B\"/></colorScale>",
         nimb::e_no_error, "", "="},
        {"one-colour scale", create_object<s::c_CT_ColorScale>,
         "<colorScale><cfvo type=\"min\"/><color rgb=\"FFF8696B\"/></colorScale>", nimb::e_mandatory_element_missing,
         "", ""},
        {"data bar", create_object<s::c_CT_DataBar>,
         "<dataBar minLength=\"0\" maxLength=\"100\"><cfvo type=\"min\"/><cfvo type=\"max\"/>"
         "<color rgb=\"FF638EC6\"/></dataBar>",
         nimb::e_no_error, "", "="},
        {"data bar with three values", create_object<s::c_CT_DataBar>,
         "<dataBar><cfvo type=\"min\"/><cfvo type=\"num\" val=\"5\"/><cfvo type=\"max\"/><color rgb=\"FF638EC6\"/>"
         "</dataBar>",
         nimb::e_no_error, "", "="},
        {"data bar shorter than nothing", create_object<s::c_CT_DataBar>,
         "<dataBar minLength=\"-1\"><cfvo type=\"min\"/><cfvo type=\"max\"/><color rgb=\"FF638EC6\"/></dataBar>",
         nimb::e_value_below_minimum, "@minLength", ""},
        {"data bar longer than a word", create_object<s::c_CT_DataBar>,
         "<dataBar maxLength=\"4294967296\"><cfvo type=\"min\"/><cfvo type=\"max\"/><color rgb=\"FF638EC6\"/>"
         "</dataBar>",
         nimb::e_value_above_maximum, "@maxLength", ""},
        {"five quarters reversed", create_object<s::c_CT_IconSet>,
         "<iconSet iconSet=\"5Quarters\" reverse=\"1\"><cfvo type=\"percent\" val=\"0\"/><cfvo type=\"percent\" "
         "val=\"20\"/><cfvo type=\"percent\" val=\"40\"/><cfvo type=\"percent\" val=\"60\"/><cfvo type=\"percent\" "
         "val=\"80\"/></iconSet>",
         nimb::e_no_error, "",
         "<iconSet iconSet=\"5Quarters\" reverse=\"1\"><cfvo type=\"percent\" val=\"0\"/><cfvo type=\"percent\" "
         "val=\"20\"/><cfvo type=\"percent\" val=\"40\"/><cfvo type=\"percent\" val=\"60\"/><cfvo type=\"percent\" "
         "val=\"80\"/></iconSet>"},
        {"icon set of no kind", create_object<s::c_CT_IconSet>,
         "<iconSet iconSet=\"6Stars\"><cfvo type=\"min\"/><cfvo type=\"max\"/></iconSet>", nimb::e_not_an_enumeration,
         "@iconSet", ""},
        {"icon set with one value", create_object<s::c_CT_IconSet>, "<iconSet><cfvo type=\"min\"/></iconSet>",
         nimb::e_mandatory_element_missing, "", ""},
    };
    checkElements(cases, kSheet2Label);

    // A new data bar holds its colour already and writes it.
    s::c_CT_DataBar bar;
    EXPECT_EQ(10u, bar.minLength.value);
    EXPECT_EQ(90u, bar.maxLength.value);
    EXPECT_EQ("<dataBar><color/></dataBar>", writtenElement(bar, "dataBar"));
    // One without its colour is reported, and writes its default colour.
    s::c_CT_DataBar noColour;
    EXPECT_EQ(std::vector<int>{nimb::e_mandatory_element_missing},
              readForgiving(noColour, "<dataBar><cfvo type=\"min\"/><cfvo type=\"max\"/></dataBar>"));
    EXPECT_EQ("<dataBar><cfvo type=\"min\"/><cfvo type=\"max\"/><color/></dataBar>", writtenElement(noColour, "dataBar"));
    // A value object without its kind, forgiven, is written without it.
    s::c_CT_Cfvo cfvo;
    EXPECT_EQ(std::vector<int>{nimb::e_required_attribute_missing}, readForgiving(cfvo, "<cfvo val=\"3\"/>"));
    EXPECT_EQ("<cfvo val=\"3\"/>", writtenElement(cfvo, "cfvo"));
    s::c_CT_IconSet icons;
    EXPECT_EQ(u"3TrafficLights1", icons.iconSet.value);
    EXPECT_TRUE(icons.percent.value);
    EXPECT_EQ("<iconSet/>", writtenElement(icons, "iconSet"));
}

// ---------------------------------------------------------------------------
// Scenarios, consolidation, smart tags, custom sheet views, plain lists,
// pivot-area references

TEST(OtherSheetListBindings, Cases)
{
    const std::string guid = "{3E1A0B6C-55D2-4C8A-9F10-0123456789AB}";
    const std::vector<ElementCase> cases = {
        {"scenarios over two ranges", create_object<s::c_CT_Scenarios>,
         "<scenarios current=\"0\" show=\"0\" sqref=\"A1 B2:B3\"><scenario name=\"Best\" locked=\"1\" count=\"1\" "
         "user=\"me\"><inputCells r=\"A1\" val=\"5\"/></scenario></scenarios>",
         nimb::e_no_error, "",
         "<scenarios current=\"0\" show=\"0\" sqref=\"A1 B2:B3\"><scenario name=\"Best\" locked=\"1\" count=\"1\" "
         "user=\"me\"><inputCells r=\"A1\" val=\"5\"/></scenario></scenarios>"},
        {"scenarios without one", create_object<s::c_CT_Scenarios>, "<scenarios></scenarios>",
         nimb::e_mandatory_element_missing, "scenario", ""},
        {"scenario without a name", create_object<s::c_CT_Scenario>, "<scenario><inputCells r=\"A1\" val=\"5\"/></scenario>",
         nimb::e_required_attribute_missing, "CT_Scenario", ""},
        {"scenario without input cells", create_object<s::c_CT_Scenario>, "<scenario name=\"a\"></scenario>",
         nimb::e_mandatory_element_missing, "inputCells", ""},
        {"consolidation without a function", create_object<s::c_CT_DataConsolidate>,
         "<dataConsolidate topLabels=\"1\"><dataRefs count=\"2\"><dataRef ref=\"A1:B5\" sheet=\"One\"/>"
         "<dataRef name=\"Totals\"/></dataRefs></dataConsolidate>",
         nimb::e_no_error, "",
         "<dataConsolidate topLabels=\"1\"><dataRefs count=\"2\"><dataRef ref=\"A1:B5\" sheet=\"One\"/>"
         "<dataRef name=\"Totals\"/></dataRefs></dataConsolidate>"},
        {"consolidation by a function of no kind", create_object<s::c_CT_DataConsolidate>,
         "<dataConsolidate function=\"median\"/>", nimb::e_not_an_enumeration, "@function", ""},
        {"smart tags", create_object<s::c_CT_SmartTags>,
         "<smartTags><cellSmartTags r=\"B2\"><cellSmartTag type=\"0\"><cellSmartTagPr key=\"k\" val=\"v\"/>"
         "</cellSmartTag></cellSmartTags></smartTags>",
         nimb::e_no_error, "", "="},
        {"smart tags of no cell", create_object<s::c_CT_CellSmartTags>,
         "<cellSmartTags><cellSmartTag type=\"0\"/></cellSmartTags>", nimb::e_required_attribute_missing,
         "CT_CellSmartTags", ""},
        {"smart tag of no type", create_object<s::c_CT_CellSmartTag>, "<cellSmartTag deleted=\"1\"/>",
         nimb::e_required_attribute_missing, "CT_CellSmartTag", ""},
        {"custom view at 400 per cent in page layout", create_object<s::c_CT_CustomSheetView>,
         "<customSheetView guid=\"" + guid + "\" scale=\"400\" view=\"pageLayout\" topLeftCell=\"B2\">"
         "<pane xSplit=\"1\" state=\"frozen\"/><selection activeCell=\"C3\" sqref=\"C3\"/>"
         "<rowBreaks count=\"1\"><brk id=\"5\"/></rowBreaks>"
         "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
         "<pageSetup orientation=\"landscape\"/><autoFilter ref=\"A1:B2\"/></customSheetView>",
         nimb::e_no_error, "", "="},
        {"custom view with a lower-case guid", create_object<s::c_CT_CustomSheetView>,
         "<customSheetView guid=\"{3e1a0b6c-55d2-4c8a-9f10-0123456789ab}\"/>", nimb::e_no_pattern_matched, "@guid",
         ""},
        {"custom view with a guid without braces", create_object<s::c_CT_CustomSheetView>,
         "<customSheetView guid=\"3E1A0B6C-55D2-4C8A-9F10-0123456789AB\"/>", nimb::e_no_pattern_matched, "@guid", ""},
        {"custom view shown", create_object<s::c_CT_CustomSheetView>,
         "<customSheetView guid=\"" + guid + "\" state=\"shown\"/>", nimb::e_not_an_enumeration, "@state", ""},
        {"custom view without its guid", create_object<s::c_CT_CustomSheetView>, "<customSheetView scale=\"90\"/>",
         nimb::e_required_attribute_missing, "CT_CustomSheetView", ""},
        {"watched cells", create_object<s::c_CT_CellWatches>,
         "<cellWatches><cellWatch r=\"A1\"/><cellWatch r=\"B2\"/></cellWatches>", nimb::e_no_error, "", "="},
        {"watched cells without one", create_object<s::c_CT_CellWatches>, "<cellWatches></cellWatches>",
         nimb::e_mandatory_element_missing, "cellWatch", ""},
        {"custom properties", create_object<s::c_CT_CustomProperties>,
         "<customProperties><customPr name=\"p\" r:id=\"rId1\"/></customProperties>", nimb::e_no_error, "", "="},
        {"embedded objects", create_object<s::c_CT_OleObjects>,
         "<oleObjects><oleObject progId=\"Package\" shapeId=\"1025\" r:id=\"rId2\"/></oleObjects>", nimb::e_no_error,
         "", "="},
        {"embedded objects without one", create_object<s::c_CT_OleObjects>, "<oleObjects></oleObjects>",
         nimb::e_mandatory_element_missing, "oleObject", ""},
        {"web publishing", create_object<s::c_CT_WebPublishItems>,
         "<webPublishItems count=\"1\"><webPublishItem id=\"1\" divId=\"d\" sourceType=\"range\" sourceRef=\"A1:B2\" "
         "destinationFile=\"out.htm\"/></webPublishItems>",
         nimb::e_no_error, "", "="},
        {"no table", create_object<s::c_CT_TableParts>, "<tableParts count=\"0\"/>", nimb::e_no_error, "", "="},
        {"two tables", create_object<s::c_CT_TableParts>,
         "<tableParts count=\"2\"><tablePart r:id=\"rId1\"/><tablePart r:id=\"rId2\"/></tableParts>", nimb::e_no_error,
         "", "="},
        {"ignored errors with an extension list", create_object<s::c_CT_IgnoredErrors>,
         "<ignoredErrors><ignoredError sqref=\"A1:A9\" numberStoredAsText=\"1\"/><extLst><ext uri=\"{A}\"><a/></ext>"
         "</extLst></ignoredErrors>",
         nimb::e_no_error, "",
         "<ignoredErrors><ignoredError sqref=\"A1:A9\" numberStoredAsText=\"1\"/><extLst><ext uri=\"{A}\"><a/>"
         "</ext></extLst></ignoredErrors>"},
        {"ignored errors without one", create_object<s::c_CT_IgnoredErrors>, "<ignoredErrors></ignoredErrors>",
         nimb::e_mandatory_element_missing, "ignoredError", ""},
        {"pivot area references", create_object<s::c_CT_PivotAreaReferences>,
         "<references count=\"1\"><reference field=\"4294967294\" count=\"2\" selected=\"0\"><x v=\"0\"/><x v=\"3\"/>"
         "</reference></references>",
         nimb::e_no_error, "",
         "<references count=\"1\"><reference field=\"4294967294\" count=\"2\" selected=\"0\"><x v=\"0\"/>"
         "<x v=\"3\"/></reference></references>"},
        {"references without one", create_object<s::c_CT_PivotAreaReferences>, "<references></references>",
         nimb::e_mandatory_element_missing, "reference", ""},
        {"reference to a field past a word", create_object<s::c_CT_PivotAreaReference>,
         "<reference field=\"4294967296\"/>", nimb::e_value_above_maximum, "@field", ""},
    };
    checkElements(cases, kSheet2Label);

    s::c_CT_DataConsolidate consolidate;
    EXPECT_EQ(u"sum", consolidate.function.value);
    EXPECT_EQ("<dataConsolidate/>", writtenElement(consolidate, "dataConsolidate"));
    s::c_CT_Scenarios scenarios;
    EXPECT_EQ(std::vector<int>{nimb::e_mandatory_element_missing}, readForgiving(scenarios, "<scenarios></scenarios>"));
    // A custom view's filter is made on first use.
    s::c_CT_CustomSheetView view;
    view.set_guid(u"{3E1A0B6C-55D2-4C8A-9F10-0123456789AB}");
    view.get_autoFilter()->set_ref(u"A1:C3");
    EXPECT_EQ("<customSheetView guid=\"{3E1A0B6C-55D2-4C8A-9F10-0123456789AB}\"><autoFilter ref=\"A1:C3\"/>"
              "</customSheetView>",
              writtenElement(view, "customSheetView"));
}

}  // namespace
