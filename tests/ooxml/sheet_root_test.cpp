// The worksheet document (sml-sheet3): the root with its children in order
// and what it keeps beyond them; sheet views, conditional formatting, pivot
// selections and filter columns.
#include <memory>
#include <string>
#include <vector>

#include "element_cases.h"
#include "ooxml/sml-sheet3.h"
#include "test_support.h"

namespace {

using celvo::test::checkElements;
using celvo::test::ElementCase;
using celvo::test::flat;
using celvo::test::ForgivingReader;
using celvo::test::readForgiving;
using celvo::test::writtenElement;
using nimb::create_object;
namespace s = sheet;

const char* const kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char* const kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const char* const kSheet3Label = "ooxml/sml-sheet3";
const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// A worksheet document around the given content.
std::string worksheetDoc(const std::string& content, const std::string& rootAttributes = "")
{
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet xmlns=\"") + kMain +
           "\" xmlns:r=\"" + kRel + "\"" + rootAttributes + ">" + content + "</worksheet>";
}

nimb::enimb_error read(s::c_worksheet& root, const std::string& text, nimb::c_error_record* info = nullptr)
{
    return root.unmarshal(text.data(), text.size(), info);
}

std::string written(const s::c_worksheet& root)
{
    std::string out;
    EXPECT_EQ(nimb::e_no_error, root.marshal_to_string(out, nullptr));
    return out;
}

// The content of the written worksheet element, on one line.
std::string writtenContent(const s::c_worksheet& root)
{
    const std::string out = flat(written(root));
    std::string::size_type open = out.find('>', out.find("<worksheet"));
    std::string::size_type close = out.rfind("</worksheet>");
    if (open == std::string::npos || close == std::string::npos || close < open) return out;
    return out.substr(open + 1, close - open - 1);
}

// ---------------------------------------------------------------------------
// The root

TEST(WorksheetRoot, NewWorksheetWritesTheDeclarationsAndAnEmptySheetData)
{
    s::c_worksheet root;
    EXPECT_EQ(kDeclaration + "<worksheet xmlns=\"" + kMain + "\"\n\t\txmlns:r=\"" + kRel +
                  "\">\n\t<sheetData/>\n</worksheet>\n",
              written(root));
    // A failed write leaves the output as it was; a good one replaces it.
    std::string out = "before";
    EXPECT_EQ(nimb::e_no_error, root.marshal(out));
    EXPECT_NE("before", out);
}

TEST(WorksheetRoot, ReadingCases)
{
    struct Case {
        const char* what;
        std::string document;
        nimb::enimb_error code;
        const char* item;
    };
    const std::vector<Case> cases = {
        {"only sheetData", worksheetDoc("<sheetData/>"), nimb::e_no_error, ""},
        {"no sheetData", worksheetDoc("<dimension ref=\"A1\"/><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" "
                                      "bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"),
         nimb::e_mandatory_element_missing, "sheetData"},
        {"a child that fails", worksheetDoc("<sheetData/><pageMargins left=\"0.7\"/>"),
         nimb::e_required_attribute_missing, "CT_PageMargins"},
        {"a workbook given as a worksheet",
         std::string("<workbook xmlns=\"") + kMain + "\"><sheets/></workbook>", nimb::e_element_not_found, ""},
        {"a worksheet of the strict edition",
         "<worksheet xmlns=\"http://purl.oclc.org/ooxml/spreadsheetml/main\"><sheetData/></worksheet>",
         nimb::e_element_not_found, ""},
        {"a worksheet of no namespace", "<worksheet><sheetData/></worksheet>", nimb::e_element_not_found, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        s::c_worksheet root;
        nimb::c_error_record info;
        EXPECT_EQ(c.code, read(root, c.document, &info));
        if (c.code != nimb::e_no_error) {
            if (*c.item) {
                EXPECT_EQ(c.item, info.item);
            }
        }
    }
}

TEST(WorksheetRoot, MissingSheetDataStillWritesOne)
{
    const std::string doc = worksheetDoc("<dimension ref=\"A1\"/>");
    ForgivingReader reader(doc);
    s::c_worksheet root;
    EXPECT_EQ(nimb::e_no_error, nimb::unmarshal_document(reader, root, s::sml_sheet3::ns_default, "worksheet"));
    EXPECT_EQ(std::vector<int>{nimb::e_mandatory_element_missing}, reader.codes);
    EXPECT_EQ("<dimension ref=\"A1\"/><sheetData/>", writtenContent(root));
}

TEST(WorksheetRoot, RepeatedChildrenAndTheSecondLegacyDrawing)
{
    s::c_worksheet root;
    ASSERT_EQ(nimb::e_no_error,
              read(root, worksheetDoc("<cols><col min=\"1\" max=\"1\"/></cols><cols><col min=\"2\" max=\"2\"/></cols>"
                                      "<sheetData/>"
                                      "<conditionalFormatting sqref=\"A1\"><cfRule type=\"expression\" priority=\"1\">"
                                      "<formula>TRUE</formula></cfRule></conditionalFormatting>"
                                      "<conditionalFormatting sqref=\"A2\"><cfRule type=\"expression\" priority=\"2\">"
                                      "<formula>TRUE</formula></cfRule></conditionalFormatting>"
                                      "<conditionalFormatting sqref=\"A3\"><cfRule type=\"expression\" priority=\"3\">"
                                      "<formula>TRUE</formula></cfRule></conditionalFormatting>"
                                      "<legacyDrawing r:id=\"rId1\"/><legacyDrawingHF r:id=\"rId2\"/>")));
    ASSERT_EQ(2u, root.cols.size());
    EXPECT_EQ(2u, root.cols.at(1)->col.at(0)->min.value);
    ASSERT_EQ(3u, root.conditionalFormatting.size());
    EXPECT_EQ(u"A3", root.conditionalFormatting.at(2)->sqref.items.at(0));
    ASSERT_TRUE(root.legacyDrawingHF.has());
    EXPECT_EQ(u"rId2", root.legacyDrawingHF.peek()->id.value);
    EXPECT_EQ(u"rId1", root.legacyDrawing.peek()->id.value);
    const std::string out = writtenContent(root);
    EXPECT_EQ("<cols><col min=\"1\" max=\"1\"/></cols><cols><col min=\"2\" max=\"2\"/></cols><sheetData/>"
              "<conditionalFormatting sqref=\"A1\"><cfRule type=\"expression\" priority=\"1\"><formula>TRUE</formula>"
              "</cfRule></conditionalFormatting>"
              "<conditionalFormatting sqref=\"A2\"><cfRule type=\"expression\" priority=\"2\"><formula>TRUE</formula>"
              "</cfRule></conditionalFormatting>"
              "<conditionalFormatting sqref=\"A3\"><cfRule type=\"expression\" priority=\"3\"><formula>TRUE</formula>"
              "</cfRule></conditionalFormatting>"
              "<legacyDrawing r:id=\"rId1\"/><legacyDrawingHF r:id=\"rId2\"/>",
              out);
}

// What the root does not describe is kept where it stood, with the
// declarations it needs, and written back there.
TEST(WorksheetRoot, UnknownContentIsKeptInPlace)
{
    const std::string mc = "http://schemas.openxmlformats.org/markup-compatibility/2006";
    const std::string x14ac = "http://schemas.microsoft.com/office/spreadsheetml/2009/9/ac";
    const std::string xr = "http://schemas.microsoft.com/office/spreadsheetml/2014/revision";
    const std::string rootAttributes = " xmlns:mc=\"" + mc + "\" mc:Ignorable=\"x14ac xr\" xmlns:x14ac=\"" + x14ac +
                                       "\" xmlns:xr=\"" + xr + "\" xr:uid=\"{00000000-0001-0000-0000-000000000000}\"";
    const std::string content =
        "<sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\"><selection activeCell=\"B2\" sqref=\"B2\"/>"
        "</sheetView></sheetViews>"
        "<sheetFormatPr defaultRowHeight=\"15\" x14ac:dyDescent=\"0.25\"/>"
        "<sheetData/>"
        "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
        "<legacyDrawing r:id=\"rId2\"/>"
        "<mc:AlternateContent><mc:Choice Requires=\"x14\"><controls><mc:AlternateContent><mc:Choice Requires=\"x14\">"
        "<control shapeId=\"1025\" r:id=\"rId3\" name=\"Button 1\"/></mc:Choice></mc:AlternateContent></controls>"
        "</mc:Choice></mc:AlternateContent>"
        "<tableParts count=\"1\"><tablePart r:id=\"rId4\"/></tableParts>"
        "<extLst><ext xmlns:x14=\"http://schemas.microsoft.com/office/spreadsheetml/2009/9/main\" "
        "uri=\"{05C60535-1F16-4fd2-B633-F4F36F0B64E0}\"><x14:sparklineGroups/></ext>"
        "</extLst>"
        "<x14ac:later/>";
    s::c_worksheet root;
    ASSERT_EQ(nimb::e_no_error, read(root, worksheetDoc(content, rootAttributes)));
    const std::string out = flat(written(root));
    // The declarations and attributes of the document element as read.
    EXPECT_NE(std::string::npos, out.find("mc:Ignorable=\"x14ac xr\"")) << out;
    EXPECT_NE(std::string::npos, out.find("xr:uid=\"{00000000-0001-0000-0000-000000000000}\"")) << out;
    EXPECT_NE(std::string::npos, out.find("xmlns:x14ac=\"" + x14ac + "\"")) << out;
    EXPECT_EQ(content, writtenContent(root));
    // A copy keeps all of it.
    s::c_worksheet copy(root);
    EXPECT_EQ(written(root), written(copy));
    std::unique_ptr<nimb::c_binding> cloned(root.clone());
    EXPECT_EQ(written(root), written(static_cast<s::c_worksheet&>(*cloned)));
}

// An attribute whose prefix is bound nowhere is kept and written as read:
// no declaration is made up for it, so a second round writes the same.
TEST(WorksheetRoot, AttributeOfAnUnboundPrefixIsWrittenAsRead)
{
    s::c_worksheet root;
    ASSERT_EQ(nimb::e_no_error,
              read(root, worksheetDoc("<sheetData/><pageMargins left=\"1\" right=\"1\" top=\"1\" bottom=\"1\" "
                                      "header=\"0\" footer=\"0\" q:z=\"3\"/>",
                                      " mc:Ignorable=\"x14ac\" q:x=\"1\"")));
    const std::string once = written(root);
    EXPECT_NE(std::string::npos, once.find("mc:Ignorable=\"x14ac\"")) << once;
    EXPECT_NE(std::string::npos, once.find("q:z=\"3\"")) << once;
    EXPECT_EQ(std::string::npos, once.find("xmlns:q")) << once;
    EXPECT_EQ(std::string::npos, once.find("xmlns:mc")) << once;
    s::c_worksheet again;
    ASSERT_EQ(nimb::e_no_error, read(again, once));
    EXPECT_EQ(once, written(again));
}

TEST(WorksheetRoot, KnownChildOutOfItsPlaceIsKeptWhereItStood)
{
    const std::string content =
        "<sheetData/><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews><printOptions gridLines=\"1\"/>";
    s::c_worksheet root;
    ASSERT_EQ(nimb::e_no_error, read(root, worksheetDoc(content)));
    EXPECT_FALSE(root.sheetViews.has());
    EXPECT_TRUE(root.printOptions.has());
    EXPECT_EQ(content, writtenContent(root));
}

TEST(WorksheetRoot, ChildrenReachedThroughTheirAccessors)
{
    s::c_worksheet root;
    s::c_CT_SheetView* view = root.get_sheetViews()->sheetView.get(0);
    view->set_workbookViewId(0);
    view->set_tabSelected(true);
    root.get_sheetFormatPr()->set_defaultRowHeight(15);
    s::c_CT_Col* col = root.cols.get(0)->col.get(0);
    col->set_min(1);
    col->set_max(1);
    col->set_width(20);
    root.get_pageMargins()->set_left(0.5);
    root.get_pageSetup()->set_orientation(u"landscape");
    root.get_drawing()->set_id(u"rId1");
    root.get_headerFooter()->get_oddHeader()->content.set(u"&CTitle");
    EXPECT_EQ("<sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\"/></sheetViews>"
              "<sheetFormatPr defaultRowHeight=\"15\"/><cols><col min=\"1\" max=\"1\" width=\"20\"/></cols>"
              "<sheetData/><pageMargins left=\"0.5\"/><pageSetup orientation=\"landscape\"/>"
              "<headerFooter><oddHeader>&amp;CTitle</oddHeader></headerFooter><drawing r:id=\"rId1\"/>",
              writtenContent(root));
}

// Every child the worksheet describes, in its order, is read into its class
// (none is kept whole) and written back in that order.
TEST(WorksheetRoot, EveryChildInItsOrder)
{
    const std::string guid = "{3E1A0B6C-55D2-4C8A-9F10-0123456789AB}";
    const std::string content =
        "<sheetPr codeName=\"Sheet1\"><tabColor theme=\"4\"/></sheetPr>"
        "<dimension ref=\"A1:C3\"/>"
        "<sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>"
        "<sheetFormatPr defaultRowHeight=\"15\"/>"
        "<cols><col min=\"1\" max=\"1\" width=\"9\"/></cols>"
        "<sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row></sheetData>"
        "<sheetCalcPr fullCalcOnLoad=\"1\"/>"
        "<sheetProtection algorithmName=\"SHA-512\" hashValue=\"aA==\" saltValue=\"cw==\" spinCount=\"100000\" "
        "sheet=\"1\"/>"
        "<protectedRanges><protectedRange sqref=\"A1\" name=\"P\"/></protectedRanges>"
        "<scenarios><scenario name=\"S\"><inputCells r=\"A1\" val=\"2\"/></scenario></scenarios>"
        "<autoFilter ref=\"A1:C3\"/>"
        "<sortState ref=\"A2:C3\"><sortCondition ref=\"B2:B3\"/></sortState>"
        "<dataConsolidate><dataRefs count=\"1\"><dataRef ref=\"A1:A2\"/></dataRefs></dataConsolidate>"
        "<customSheetViews><customSheetView guid=\"" + guid + "\"/></customSheetViews>"
        "<mergeCells count=\"1\"><mergeCell ref=\"B2:C2\"/></mergeCells>"
        "<phoneticPr fontId=\"1\"/>"
        "<conditionalFormatting sqref=\"A1:A3\"><cfRule type=\"colorScale\" priority=\"1\"><colorScale>"
        "<cfvo type=\"min\"/><cfvo type=\"max\"/><color rgb=\"FFF8696B\"/><color rgb=\"FF63BE7B\"/></colorScale>"
        "</cfRule></conditionalFormatting>"
        "<dataValidations count=\"1\"><dataValidation type=\"whole\" sqref=\"C1\"><formula1>1</formula1>"
        "</dataValidation></dataValidations>"
        "<hyperlinks><hyperlink ref=\"A3\" r:id=\"rId1\"/></hyperlinks>"
        "<printOptions gridLines=\"1\"/>"
        "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
        "<pageSetup orientation=\"landscape\"/>"
        "<headerFooter><oddHeader>&amp;CTitle</oddHeader></headerFooter>"
        "<rowBreaks count=\"1\" manualBreakCount=\"1\"><brk id=\"2\" max=\"16383\" man=\"1\"/></rowBreaks>"
        "<colBreaks count=\"1\" manualBreakCount=\"1\"><brk id=\"1\" max=\"1048575\" man=\"1\"/></colBreaks>"
        "<customProperties><customPr name=\"p\" r:id=\"rId2\"/></customProperties>"
        "<cellWatches><cellWatch r=\"C3\"/></cellWatches>"
        "<ignoredErrors><ignoredError sqref=\"A1\" numberStoredAsText=\"1\"/></ignoredErrors>"
        "<smartTags><cellSmartTags r=\"A1\"><cellSmartTag type=\"0\"/></cellSmartTags></smartTags>"
        "<drawing r:id=\"rId3\"/>"
        "<legacyDrawing r:id=\"rId4\"/>"
        "<legacyDrawingHF r:id=\"rId5\"/>"
        "<picture r:id=\"rId6\"/>"
        "<oleObjects><oleObject progId=\"Package\" shapeId=\"1025\" r:id=\"rId7\"/></oleObjects>"
        "<controls><control shapeId=\"1026\" r:id=\"rId8\"/></controls>"
        "<webPublishItems count=\"1\"><webPublishItem id=\"1\" divId=\"d\" sourceType=\"sheet\" "
        "destinationFile=\"a.htm\"/></webPublishItems>"
        "<tableParts count=\"1\"><tablePart r:id=\"rId9\"/></tableParts>"
        "<extLst><ext uri=\"{A}\"><a/></ext></extLst>";
    s::c_worksheet root;
    ASSERT_EQ(nimb::e_no_error, read(root, worksheetDoc(content)));
    EXPECT_TRUE(root.kept() == nullptr || root.kept()->elements.empty());
    ASSERT_TRUE(root.sheetProtection.has());
    EXPECT_EQ(100000u, root.sheetProtection.peek()->spinCount.value);
    ASSERT_TRUE(root.controls.has());
    EXPECT_EQ(1u, root.controls.peek()->control.size());
    ASSERT_TRUE(root.rowBreaks.has());
    EXPECT_EQ(2u, root.rowBreaks.peek()->brk.at(0)->id.value);
    EXPECT_EQ(content, writtenContent(root));
    // Out of order, a child is kept where it stood rather than read.
    s::c_worksheet swapped;
    const std::string late = "<sheetData/><mergeCells count=\"1\"><mergeCell ref=\"A1:B1\"/></mergeCells>"
                             "<sheetProtection sheet=\"1\"/>";
    ASSERT_EQ(nimb::e_no_error, read(swapped, worksheetDoc(late)));
    EXPECT_FALSE(swapped.sheetProtection.has());
    EXPECT_EQ(late, writtenContent(swapped));
}

// The form controls of later editions stand in a block of markup
// compatibility after the controls; the block is kept and written back.
TEST(WorksheetRoot, ControlsKeepTheirCompatibilityBlock)
{
    const std::string mc = "http://schemas.openxmlformats.org/markup-compatibility/2006";
    const std::string content =
        "<sheetData/><controls><control shapeId=\"1025\" r:id=\"rId1\"/><mc:AlternateContent xmlns:mc=\"" + mc +
        "\"><mc:Choice Requires=\"x14\"><control shapeId=\"1026\" r:id=\"rId2\"/></mc:Choice>"
        "</mc:AlternateContent></controls>";
    s::c_worksheet root;
    ASSERT_EQ(nimb::e_no_error, read(root, worksheetDoc(content)));
    ASSERT_TRUE(root.controls.has());
    EXPECT_TRUE(root.controls.peek()->any.present);
    EXPECT_EQ(content, writtenContent(root));
}

// Excel 2010 and later write every embedded object and form control in a
// block of markup compatibility: a list whose only items stand in blocks is
// complete (the reader takes the first Choice it understands, else the
// Fallback, for where the block stands), and each block is written back as
// it stood, between the items read around it.
TEST(WorksheetRoot, ListItemsInCompatibilityBlocks)
{
    const std::string mc = "http://schemas.openxmlformats.org/markup-compatibility/2006";
    const std::string x14 = "http://schemas.microsoft.com/office/spreadsheetml/2009/9/main";
    auto ole = [&](const char* shape, bool fallback) {
        return "<mc:AlternateContent xmlns:mc=\"" + mc + "\"><mc:Choice Requires=\"x14\"><oleObject progId=\"Package\" "
               "shapeId=\"" + std::string(shape) + "\" r:id=\"rId2\"><objectPr defaultSize=\"0\" r:id=\"rId3\"><anchor "
               "moveWithCells=\"1\"><from><xdr:col>3</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>1</xdr:row>"
               "<xdr:rowOff>0</xdr:rowOff></from><to><xdr:col>5</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>4</xdr:row>"
               "<xdr:rowOff>0</xdr:rowOff></to></anchor></objectPr></oleObject></mc:Choice>" +
               (fallback ? "<mc:Fallback><oleObject progId=\"Package\" shapeId=\"" + std::string(shape) +
                               "\" r:id=\"rId2\"/></mc:Fallback>"
                         : std::string()) +
               "</mc:AlternateContent>";
    };
    const std::string xdr = " xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
                            "xmlns:x14=\"" + x14 + "\"";
    struct Case {
        const char* what;
        std::string content;
        std::size_t objects;  // oleObject items read as objects
    };
    const std::vector<Case> cases = {
        {"every item in a block", "<sheetData/><oleObjects>" + ole("1025", true) + "</oleObjects>", 0},
        {"blocks among items",
         "<sheetData/><oleObjects>" + ole("1025", true) + "<oleObject progId=\"P\" shapeId=\"1026\" r:id=\"rId4\"/>" +
             ole("1027", true) + "<oleObject progId=\"P\" shapeId=\"1028\" r:id=\"rId5\"/></oleObjects>",
         2},
        {"a block with no fallback still stands for its item",
         "<sheetData/><oleObjects>" + ole("1025", false) + "</oleObjects>", 0},
        {"controls whose items are in blocks",
         "<sheetData/><controls><mc:AlternateContent xmlns:mc=\"" + mc + "\"><mc:Choice Requires=\"x14\">"
         "<control shapeId=\"1026\" r:id=\"rId4\" name=\"Check Box 2\"><controlPr defaultSize=\"0\"/></control>"
         "</mc:Choice><mc:Fallback><control shapeId=\"1026\" r:id=\"rId4\" name=\"Check Box 2\"/></mc:Fallback>"
         "</mc:AlternateContent></controls>",
         0},
        // A block whose choice this file reads stands for that branch.
        {"a choice of the main namespace",
         "<sheetData/><oleObjects><mc:AlternateContent xmlns:mc=\"" + mc + "\"><mc:Choice xmlns:m=\"" +
             "http://schemas.openxmlformats.org/spreadsheetml/2006/main\" Requires=\"m\"><oleObject progId=\"P\" "
             "shapeId=\"1\" r:id=\"rId1\"/></mc:Choice></mc:AlternateContent></oleObjects>",
         0},
        // Blocks before the list's position move the reading on to it.
        {"a block first in the sheet's protection place",
         "<sheetData/><mc:AlternateContent xmlns:mc=\"" + mc + "\"><mc:Choice Requires=\"x14\"><sheetProtection "
         "sheet=\"1\"/></mc:Choice><mc:Fallback><sheetProtection sheet=\"1\"/></mc:Fallback></mc:AlternateContent>"
         "<mergeCells count=\"1\"><mergeCell ref=\"A1:B1\"/></mergeCells>",
         0},
    };
    for (const auto& c : cases) {
        s::c_worksheet root;
        ASSERT_EQ(nimb::e_no_error, read(root, worksheetDoc(c.content, xdr))) << c.what;
        if (root.oleObjects.has()) {
            EXPECT_EQ(c.objects, root.oleObjects.peek()->oleObject.size()) << c.what;
        }
        EXPECT_EQ(c.content, writtenContent(root)) << c.what;
    }
    // A list that holds nothing at all is still refused.
    s::c_worksheet empty;
    EXPECT_EQ(nimb::e_mandatory_element_missing, read(empty, worksheetDoc("<sheetData/><oleObjects></oleObjects>")));
}

// ---------------------------------------------------------------------------
// Sheet views

TEST(SheetViewBindings, Cases)
{
    const std::vector<ElementCase> cases = {
        {"a view with a frozen pane",
         create_object<s::c_CT_SheetViews>,
         "<sheetViews><sheetView tabSelected=\"1\" zoomScale=\"85\" zoomScaleNormal=\"85\" workbookViewId=\"0\">"
         "<pane xSplit=\"1\" ySplit=\"1\" topLeftCell=\"B2\" activePane=\"bottomRight\" state=\"frozen\"/>"
         "<selection pane=\"topRight\" activeCell=\"B1\" sqref=\"B1\"/>"
         "<selection pane=\"bottomLeft\" activeCell=\"A2\" sqref=\"A2\"/>"
         "<selection pane=\"bottomRight\" activeCell=\"C3\" sqref=\"C3 D4:E5\"/></sheetView></sheetViews>",
         nimb::e_no_error, "", "="},
        // Blocks of markup compatibility stand where they were read.
        {"a view holding a compatibility block", create_object<s::c_CT_SheetView>,
         "<sheetView workbookViewId=\"0\"><pane ySplit=\"1\" state=\"frozen\"/>"
         "<mc:AlternateContent xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\">"
         "<mc:Choice Requires=\"x14\"><selection pane=\"bottomLeft\"/></mc:Choice>"
         "<mc:Fallback><selection/></mc:Fallback></mc:AlternateContent>"
         "<selection pane=\"bottomLeft\" sqref=\"A2\"/></sheetView>",
         nimb::e_no_error, "", "="},
        {"views without a view", create_object<s::c_CT_SheetViews>, "<sheetViews></sheetViews>",
         nimb::e_mandatory_element_missing, "sheetView", ""},
        {"a view without its workbook view", create_object<s::c_CT_SheetView>, "<sheetView tabSelected=\"1\"/>",
         nimb::e_required_attribute_missing, "CT_SheetView", ""},
        {"a view of an unknown kind", create_object<s::c_CT_SheetView>,
         "<sheetView view=\"pagelayout\" workbookViewId=\"0\"/>", nimb::e_not_an_enumeration, "@view", ""},
        {"page layout view", create_object<s::c_CT_SheetView>, "<sheetView view=\"pageLayout\" workbookViewId=\"0\"/>",
         nimb::e_no_error, "", "="},
        {"five selections", create_object<s::c_CT_SheetView>,
         "<sheetView workbookViewId=\"0\"><selection/><selection/><selection/><selection/><selection/></sheetView>",
         nimb::e_no_error, "", "="},
        {"a pivot selection", create_object<s::c_CT_SheetView>,
         "<sheetView workbookViewId=\"0\"><pivotSelection pane=\"bottomRight\" activeRow=\"4\" r:id=\"rId1\">"
         "<pivotArea type=\"topRight\" dataOnly=\"0\" field=\"-2\"/></pivotSelection></sheetView>",
         nimb::e_no_error, "",
         "<sheetView workbookViewId=\"0\"><pivotSelection pane=\"bottomRight\" activeRow=\"4\" r:id=\"rId1\">"
         "<pivotArea field=\"-2\" type=\"topRight\" dataOnly=\"0\"/></pivotSelection></sheetView>"},
        {"a pivot selection without its area", create_object<s::c_CT_PivotSelection>, "<pivotSelection></pivotSelection>",
         nimb::e_mandatory_element_missing, "pivotArea", ""},
        {"a pivot area with its references", create_object<s::c_CT_PivotArea>,
         "<pivotArea type=\"data\" outline=\"0\" fieldPosition=\"0\"><references count=\"1\">"
         "<reference field=\"4294967294\" count=\"1\" selected=\"0\"><x v=\"0\"/></reference></references>"
         "</pivotArea>",
         nimb::e_no_error, "",
         "<pivotArea type=\"data\" outline=\"0\" fieldPosition=\"0\"><references count=\"1\">"
         "<reference field=\"4294967294\" count=\"1\" selected=\"0\"><x v=\"0\"/></reference></references>"
         "</pivotArea>"},
        {"a pivot area of an unknown type", create_object<s::c_CT_PivotArea>, "<pivotArea type=\"corner\"/>",
         nimb::e_not_an_enumeration, "@type", ""},
        {"a pivot area on an unknown axis", create_object<s::c_CT_PivotArea>, "<pivotArea axis=\"axisData\"/>",
         nimb::e_not_an_enumeration, "@axis", ""},
    };
    checkElements(cases, kSheet3Label);
}

TEST(SheetViewBindings, FiveSelectionsKeepTheFirstFour)
{
    s::c_CT_SheetView view;
    const std::vector<int> codes = readForgiving(
        view, "<sheetView workbookViewId=\"0\"><selection sqref=\"A1\"/><selection sqref=\"A2\"/><selection sqref=\"A3\"/>"
              "<selection sqref=\"A4\"/><selection sqref=\"A5\"/></sheetView>");
    ASSERT_EQ(4u, view.selection.size());
    EXPECT_EQ(u"A4", view.selection.at(3)->sqref.items.at(0));
    // The fifth is kept where it stood, not refused.
    EXPECT_EQ(std::vector<int>{}, codes);
    EXPECT_NE(std::string::npos, writtenElement(view, "sheetView").find("<selection sqref=\"A5\"/></sheetView>"));
}

TEST(SheetViewBindings, NewViewAndItsSetters)
{
    s::c_CT_SheetView view;
    EXPECT_TRUE(view.showGridLines.value);
    EXPECT_EQ(64u, view.colorId.value);
    EXPECT_EQ(100u, view.zoomScale.value);
    view.set_workbookViewId(0);
    EXPECT_EQ("<sheetView workbookViewId=\"0\"/>", writtenElement(view, "sheetView"));
    view.set_showGridLines(false);
    view.set_zoomScale(150);
    view.set_zoomScaleNormal(150);
    EXPECT_EQ("<sheetView showGridLines=\"0\" zoomScale=\"150\" zoomScaleNormal=\"150\" workbookViewId=\"0\"/>",
              writtenElement(view, "sheetView"));
    view.unset_showGridLines();
    EXPECT_TRUE(view.showGridLines.value);
    EXPECT_EQ("<sheetView zoomScale=\"150\" zoomScaleNormal=\"150\" workbookViewId=\"0\"/>",
              writtenElement(view, "sheetView"));

    s::c_CT_PivotSelection pivot;
    EXPECT_EQ("<pivotSelection><pivotArea/></pivotSelection>", writtenElement(pivot, "pivotSelection"));
    EXPECT_TRUE(pivot.pivotArea.peek()->dataOnly.value);
    EXPECT_TRUE(pivot.pivotArea.peek()->outline.value);
}

// ---------------------------------------------------------------------------
// Conditional formatting

TEST(ConditionalFormattingBindings, Cases)
{
    const std::vector<ElementCase> cases = {
        {"between two formulas", create_object<s::c_CT_CfRule>,
         "<cfRule operator=\"between\" priority=\"2\" type=\"cellIs\" dxfId=\"0\"><formula>1</formula>"
         "<formula>$B$1&lt;5</formula></cfRule>",
         nimb::e_no_error, "",
         "<cfRule type=\"cellIs\" dxfId=\"0\" priority=\"2\" operator=\"between\"><formula>1</formula>"
         "<formula>$B$1&lt;5</formula></cfRule>"},
        {"no priority", create_object<s::c_CT_CfRule>, "<cfRule type=\"expression\"/>",
         nimb::e_required_attribute_missing, "CT_CfRule", ""},
        {"negative priority", create_object<s::c_CT_CfRule>, "<cfRule type=\"top10\" priority=\"-3\" rank=\"5\"/>",
         nimb::e_no_error, "", "="},
        {"data bar", create_object<s::c_CT_CfRule>,
         "<cfRule type=\"dataBar\" priority=\"1\"><dataBar><cfvo type=\"min\"/><cfvo type=\"max\"/>"
         "<color rgb=\"FF638EC6\"/></dataBar><extLst>"
         "<ext xmlns:x14=\"http://schemas.microsoft.com/office/spreadsheetml/2009/9/main\" "
         "uri=\"{B025F937-C7B1-47D3-B67F-A62EFF666E3E}\"><x14:id>{1}</x14:id></ext>"
         "</extLst></cfRule>",
         nimb::e_no_error, "", "="},
        {"icon set", create_object<s::c_CT_CfRule>,
         "<cfRule type=\"iconSet\" priority=\"2\"><iconSet iconSet=\"3Arrows\"><cfvo type=\"percent\" val=\"0\"/>"
         "<cfvo type=\"percent\" val=\"33\"/><cfvo type=\"percent\" val=\"67\"/></iconSet></cfRule>",
         nimb::e_no_error, "", "="},
        {"icon set before the data bar", create_object<s::c_CT_CfRule>,
         "<cfRule type=\"iconSet\" priority=\"2\"><iconSet><cfvo type=\"min\"/><cfvo type=\"max\"/></iconSet>"
         "<dataBar><cfvo type=\"min\"/><cfvo type=\"max\"/><color rgb=\"FF638EC6\"/></dataBar></cfRule>",
         nimb::e_no_error, "", "="},
        {"priority past 32 bits", create_object<s::c_CT_CfRule>, "<cfRule type=\"top10\" priority=\"2147483648\"/>",
         nimb::e_value_above_maximum, "@priority", ""},
        {"an unknown type", create_object<s::c_CT_CfRule>, "<cfRule type=\"average\" priority=\"1\"/>",
         nimb::e_not_an_enumeration, "@type", ""},
        {"time period", create_object<s::c_CT_CfRule>,
         "<cfRule type=\"timePeriod\" priority=\"1\" timePeriod=\"last7Days\"><formula>TODAY()-A1&lt;7</formula>"
         "</cfRule>",
         nimb::e_no_error, "", "="},
        {"formatting without a rule", create_object<s::c_CT_ConditionalFormatting>,
         "<conditionalFormatting sqref=\"A1\"></conditionalFormatting>", nimb::e_mandatory_element_missing, "cfRule", ""},
        {"formatting of a pivot table over two ranges", create_object<s::c_CT_ConditionalFormatting>,
         "<conditionalFormatting pivot=\"1\" sqref=\"A1:A5 C1\"><cfRule type=\"duplicateValues\" priority=\"1\"/>"
         "</conditionalFormatting>",
         nimb::e_no_error, "",
         "<conditionalFormatting pivot=\"1\" sqref=\"A1:A5 C1\"><cfRule type=\"duplicateValues\" priority=\"1\"/>"
         "</conditionalFormatting>"},
    };
    checkElements(cases, kSheet3Label);
}

TEST(ConditionalFormattingBindings, AnEmptyListIsReportedOnce)
{
    {
        s::c_CT_ConditionalFormatting cf;
        EXPECT_EQ(std::vector<int>{nimb::e_mandatory_element_missing},
                  readForgiving(cf, "<conditionalFormatting sqref=\"A1\"></conditionalFormatting>"));
        EXPECT_TRUE(cf.cfRule.empty());
    }
    s::c_CT_CfRule rule;
    EXPECT_TRUE(rule.aboveAverage.value);
    EXPECT_FALSE(rule.aboveAverage.present);
}

// An element past the last that its position takes ends the reading (a
// forgiving reader keeps what came before it).
TEST(ConditionalFormattingBindings, FourFormulasKeepTheFirstThree)
{
    const std::vector<ElementCase> cases = {
        {"four formulas", create_object<s::c_CT_CfRule>,
         "<cfRule type=\"expression\" priority=\"1\"><formula>1</formula><formula>2</formula><formula>3</formula>"
         "<formula>4</formula></cfRule>",
         nimb::e_no_error, "", "="},
    };
    checkElements(cases, kSheet3Label);
    const std::vector<ElementCase> filters = {
        {"two criteria", create_object<s::c_CT_FilterColumn>,
         "<filterColumn colId=\"0\"><top10 val=\"5\"/><colorFilter dxfId=\"1\"/></filterColumn>",
         nimb::e_no_error, "", "="},
    };
    checkElements(filters, "ooxml/sml-sheet");
    s::c_CT_CfRule rule;
    readForgiving(rule, "<cfRule type=\"expression\" priority=\"1\"><formula>1</formula><formula>2</formula>"
                        "<formula>3</formula><formula>4</formula></cfRule>");
    ASSERT_EQ(3u, rule.formula.size());
    EXPECT_EQ(u"3", rule.formula[2].value);
}

// ---------------------------------------------------------------------------
// Filter columns

TEST(FilterColumnBindings, Cases)
{
    const std::vector<ElementCase> cases = {
        {"only the column", create_object<s::c_CT_FilterColumn>, "<filterColumn colId=\"0\"/>", nimb::e_no_error, "",
         "="},
        {"without the column", create_object<s::c_CT_FilterColumn>, "<filterColumn showButton=\"0\"/>",
         nimb::e_required_attribute_missing, "CT_FilterColumn", ""},
        // A criterion keeps the extension list that follows it.
        {"values, then an extension list", create_object<s::c_CT_FilterColumn>,
         "<filterColumn colId=\"1\" hiddenButton=\"1\"><filters blank=\"1\"><filter val=\"a\"/></filters>"
         "<extLst><ext xmlns:x15=\"urn:x15\" uri=\"{X}\"><x15:f/></ext></extLst></filterColumn>",
         nimb::e_no_error, "", "="},
        {"top ten", create_object<s::c_CT_FilterColumn>,
         "<filterColumn colId=\"2\"><top10 val=\"5\"/></filterColumn>", nimb::e_no_error, "", "="},
        {"custom filters", create_object<s::c_CT_FilterColumn>,
         "<filterColumn colId=\"0\"><customFilters and=\"1\"><customFilter operator=\"greaterThan\" val=\"1\"/>"
         "<customFilter operator=\"lessThan\" val=\"9\"/></customFilters></filterColumn>",
         nimb::e_no_error, "", "="},
        {"dynamic filter", create_object<s::c_CT_FilterColumn>,
         "<filterColumn colId=\"0\"><dynamicFilter type=\"aboveAverage\" val=\"4.5\"/></filterColumn>",
         nimb::e_no_error, "", "="},
        {"colour filter", create_object<s::c_CT_FilterColumn>,
         "<filterColumn colId=\"0\"><colorFilter dxfId=\"1\"/></filterColumn>", nimb::e_no_error, "", "="},
        {"icon filter", create_object<s::c_CT_FilterColumn>,
         "<filterColumn colId=\"0\"><iconFilter iconSet=\"3Arrows\" iconId=\"0\"/></filterColumn>", nimb::e_no_error,
         "", "="},
        {"only an extension list", create_object<s::c_CT_FilterColumn>,
         "<filterColumn colId=\"0\"><extLst/></filterColumn>", nimb::e_no_error, "", "="},
    };
    checkElements(cases, "ooxml/sml-sheet");

    s::c_CT_FilterColumn column;
    EXPECT_TRUE(column.showButton.value);
    EXPECT_FALSE(column.hiddenButton.value);
    EXPECT_TRUE(column.choice.none());
    column.set_colId(3);
    column.get_top10()->set_val(10);
    EXPECT_EQ("<filterColumn colId=\"3\"><top10 val=\"10\"/></filterColumn>", writtenElement(column, "filterColumn"));
}

}  // namespace
