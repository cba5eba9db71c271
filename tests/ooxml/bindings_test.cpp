// The generated bindings of the workbook, relationships and content-types
// parts: reading, checking and writing whole documents.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "element_cases.h"
#include "ooxml/opc-contentTypes.h"
#include "ooxml/opc-relationships.h"
#include "ooxml/sml-workbook.h"
#include "test_support.h"

namespace {

using celvo::test::flat;
using celvo::test::ForgivingReader;

const char* const kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char* const kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const char* const kPackageRels = "http://schemas.openxmlformats.org/package/2006/relationships";
const char* const kTypes = "http://schemas.openxmlformats.org/package/2006/content-types";

// A workbook document around the given content.
std::string workbookDoc(const std::string& content, const std::string& rootAttributes = "")
{
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<workbook xmlns=\"") + kMain +
           "\" xmlns:r=\"" + kRel + "\"" + rootAttributes + ">" + content + "</workbook>";
}

std::string withSheet(const std::string& content)
{
    return "<sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets>" + content;
}

template <class Root>
nimb::enimb_error read(Root& root, const std::string& text, nimb::c_error_record* info = nullptr)
{
    return root.unmarshal(text.data(), text.size(), info);
}

template <class Root>
std::string written(const Root& root)
{
    std::string out;
    EXPECT_EQ(nimb::e_no_error, root.marshal(out, nullptr));
    return flat(out);
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// ---------------------------------------------------------------------------
// Workbook

struct ReadCase {
    const char* what;
    std::string document;
    nimb::enimb_error code;
    const char* item;  // error item, when the code is not 0
};

// Reads each document into a new root; a failure names the error item and
// the binding file's label.
template <class Root>
void checkReads(const std::vector<ReadCase>& cases, const char* label)
{
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Root root;
        nimb::c_error_record info;
        EXPECT_EQ(c.code, read(root, c.document, &info));
        if (c.code != nimb::e_no_error) {
            EXPECT_STREQ(label, info.program_file);
            if (*c.item) {
                EXPECT_EQ(c.item, info.item);
            }
        }
    }
}

TEST(WorkbookBinding, ReadingChecksValuesAndStructure)
{
    const std::vector<ReadCase> cases = {
        {"plain sheet", workbookDoc(withSheet("")), nimb::e_no_error, ""},
        {"state hidden", workbookDoc("<sheets><sheet name=\"S\" sheetId=\"1\" state=\"hidden\" r:id=\"r\"/></sheets>"),
         nimb::e_no_error, ""},
        {"state veryHidden",
         workbookDoc("<sheets><sheet name=\"S\" sheetId=\"1\" state=\"veryHidden\" r:id=\"r\"/></sheets>"),
         nimb::e_no_error, ""},
        {"state in the wrong case",
         workbookDoc("<sheets><sheet name=\"S\" sheetId=\"1\" state=\"Hidden\" r:id=\"r\"/></sheets>"),
         nimb::e_not_an_enumeration, "@state"},
        {"sheet without sheetId", workbookDoc("<sheets><sheet name=\"S\" r:id=\"r\"/></sheets>"),
         nimb::e_required_attribute_missing, "CT_Sheet"},
        {"sheet without r:id", workbookDoc("<sheets><sheet name=\"S\" sheetId=\"1\"/></sheets>"),
         nimb::e_required_attribute_missing, "CT_Sheet"},
        {"negative sheetId", workbookDoc("<sheets><sheet name=\"S\" sheetId=\"-1\" r:id=\"r\"/></sheets>"),
         nimb::e_value_below_minimum, "@sheetId"},
        {"sheetId not a number", workbookDoc("<sheets><sheet name=\"S\" sheetId=\"x\" r:id=\"r\"/></sheets>"),
         nimb::e_invalid_value_format, "@sheetId"},
        {"sheetId above the range",
         workbookDoc("<sheets><sheet name=\"S\" sheetId=\"4294967296\" r:id=\"r\"/></sheets>"),
         nimb::e_value_above_maximum, "@sheetId"},
        {"sheetId at the top of the range",
         workbookDoc("<sheets><sheet name=\"S\" sheetId=\"4294967295\" r:id=\"r\"/></sheets>"), nimb::e_no_error, ""},
        {"empty definedNames", workbookDoc(withSheet("<definedNames/>")), nimb::e_no_error, ""},
        // Applications open files whose lists of views and sheets are empty.
        {"empty bookViews and sheets", workbookDoc("<bookViews></bookViews><sheets></sheets>"), nimb::e_no_error, ""},
        {"sheets as an empty element", workbookDoc("<sheets/>"), nimb::e_no_error, ""},
        // A new workbook holds its sheets element from the start; a document
        // without one still lacks it.
        {"no sheets element", workbookDoc("<bookViews/><definedNames/>"), nimb::e_mandatory_element_missing, "sheets"},
        {"nothing but an extension", workbookDoc("<extLst/>"), nimb::e_mandatory_element_missing, "sheets"},
        {"sheets after the element that follows it", workbookDoc("<definedNames/><sheets/>"),
         nimb::e_mandatory_element_missing, "sheets"},
        {"definedName without name", workbookDoc(withSheet("<definedNames><definedName>A1</definedName></definedNames>")),
         nimb::e_required_attribute_missing, "CT_DefinedName"},
        // Out of its place: kept where it stood, not refused.
        {"bookViews after sheets", workbookDoc(withSheet("<bookViews><workbookView/></bookViews>")),
         nimb::e_no_error, ""},
        {"codeName in lower case",
         workbookDoc("<fileVersion codeName=\"{aaaaaaaa-0000-0000-0000-000000000000}\"/>" + withSheet("")),
         nimb::e_no_pattern_matched, "@codeName"},
        {"codeName without braces",
         workbookDoc("<fileVersion codeName=\"AAAAAAAA-0000-0000-0000-000000000000\"/>" + withSheet("")),
         nimb::e_no_pattern_matched, "@codeName"},
        {"codeName braced upper case",
         workbookDoc("<fileVersion codeName=\"{AAAAAAAA-0000-0000-0000-00000000000F}\"/>" + withSheet("")),
         nimb::e_no_error, ""},
        {"password of two bytes", workbookDoc("<workbookProtection workbookPassword=\"CC1A\"/>" + withSheet("")),
         nimb::e_no_error, ""},
        {"password of one byte", workbookDoc("<workbookProtection workbookPassword=\"CC\"/>" + withSheet("")),
         nimb::e_length_too_short, "@workbookPassword"},
        {"password of three bytes", workbookDoc("<workbookProtection workbookPassword=\"CC1A00\"/>" + withSheet("")),
         nimb::e_length_too_long, "@workbookPassword"},
        {"password of odd length", workbookDoc("<workbookProtection workbookPassword=\"CC1\"/>" + withSheet("")),
         nimb::e_invalid_value_format, "@workbookPassword"},
        {"targetScreenSize", workbookDoc(withSheet("<webPublishing targetScreenSize=\"800x600\"/>")), nimb::e_no_error,
         ""},
        {"targetScreenSize with a capital X", workbookDoc(withSheet("<webPublishing targetScreenSize=\"800X600\"/>")),
         nimb::e_not_an_enumeration, "@targetScreenSize"},
        {"boolean as a digit", workbookDoc("<workbookPr date1904=\"1\"/>" + withSheet("")), nimb::e_no_error, ""},
        {"boolean as a word of another case", workbookDoc("<workbookPr date1904=\"True\"/>" + withSheet("")),
         nimb::e_invalid_value_format, "@date1904"},
        {"iterateDelta", workbookDoc(withSheet("<calcPr iterateDelta=\"0.0001\"/>")), nimb::e_no_error, ""},
        {"iterateDelta not a number", workbookDoc(withSheet("<calcPr iterateDelta=\"small\"/>")),
         nimb::e_invalid_value_format, "@iterateDelta"},
        {"ext without an element", workbookDoc(withSheet("<extLst><ext uri=\"{X}\"></ext></extLst>")),
         nimb::e_mandatory_element_missing, ""},
        {"empty extLst", workbookDoc(withSheet("<extLst/>")), nimb::e_no_error, ""},
        {"empty functionGroups", workbookDoc(withSheet("<functionGroups/>")), nimb::e_no_error, ""},
        {"empty pivotCaches", workbookDoc(withSheet("<pivotCaches/>")), nimb::e_unexpected_empty_element, ""},
        {"pivotCache without cacheId", workbookDoc(withSheet("<pivotCaches><pivotCache r:id=\"r\"/></pivotCaches>")),
         nimb::e_required_attribute_missing, "CT_PivotCache"},
        {"customWorkbookView without its sizes",
         workbookDoc(withSheet("<customWorkbookViews><customWorkbookView name=\"v\" "
                               "guid=\"{00000000-0000-0000-0000-000000000000}\" activeSheetId=\"1\"/>"
                               "</customWorkbookViews>")),
         nimb::e_required_attribute_missing, "CT_CustomWorkbookView"},
        {"same attribute twice", workbookDoc("<sheets><sheet name=\"S\" name=\"T\" sheetId=\"1\" r:id=\"r\"/></sheets>"),
         nimb::e_attribute_already_read, "@name"},
    };
    checkReads<workbook::c_workbook>(cases, "ooxml/sml-workbook");
}

TEST(WorkbookBinding, DocumentElementMustBeWorkbookOfTheMainNamespace)
{
    const std::vector<std::string> documents = {
        std::string("<worksheet xmlns=\"") + kMain + "\"><sheetData/></worksheet>",
        std::string("<Workbook xmlns=\"") + kMain + "\"><sheets/></Workbook>",
        "<workbook xmlns=\"http://purl.oclc.org/ooxml/spreadsheetml/main\"><sheets/></workbook>",
        "<workbook><sheets/></workbook>",
    };
    for (const auto& d : documents) {
        SCOPED_TRACE(d);
        workbook::c_workbook wb;
        EXPECT_EQ(nimb::e_element_not_found, read(wb, d));
    }
    workbook::c_workbook wb;
    EXPECT_EQ(nimb::e_no_error, read(wb, std::string("<x:workbook xmlns:x=\"") + kMain + "\"><x:sheets/></x:workbook>"));
}

TEST(WorkbookBinding, SheetValuesAndTheirWriting)
{
    workbook::c_workbook wb;
    ASSERT_EQ(nimb::e_no_error,
              read(wb, workbookDoc("<sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/>"
                                   "<sheet name=\"B\" sheetId=\"7\" state=\"veryHidden\" r:id=\"rId2\"/></sheets>")));
    ASSERT_EQ(2u, wb.sheets.get()->sheet.size());
    const workbook::c_CT_Sheet& first = *wb.sheets.get()->sheet.at(0);
    EXPECT_EQ(u"Sheet1", first.name.value);
    EXPECT_EQ(1u, first.sheetId.value);
    EXPECT_EQ(u"rId1", first.id.value);
    EXPECT_EQ(u"visible", first.state.value);
    EXPECT_FALSE(first.state.present);
    const std::string out = written(wb);
    EXPECT_TRUE(contains(out, "<sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/>")) << out;
    EXPECT_TRUE(contains(out, "<sheet name=\"B\" sheetId=\"7\" state=\"veryHidden\" r:id=\"rId2\"/>")) << out;
}

TEST(WorkbookBinding, ForgivingHookKeepsWhatWasRead)
{
    const std::string doc = workbookDoc("<sheets><sheet name=\"S\" state=\"Hidden\" r:id=\"r\"/></sheets>");
    ForgivingReader reader(doc);
    workbook::c_workbook wb;
    EXPECT_EQ(nimb::e_no_error, nimb::unmarshal_document(reader, wb, workbook::ns_default, "workbook"));
    EXPECT_EQ((std::vector<int>{nimb::e_not_an_enumeration, nimb::e_required_attribute_missing}), reader.codes);
    const workbook::c_CT_Sheet& s = *wb.sheets.get()->sheet.at(0);
    EXPECT_EQ(u"Hidden", s.state.value);
    EXPECT_EQ(0u, s.sheetId.value);
    EXPECT_FALSE(s.sheetId.present);
    const std::string out = written(wb);
    EXPECT_TRUE(contains(out, "<sheet name=\"S\" state=\"Hidden\" r:id=\"r\"/>")) << out;
}

TEST(WorkbookBinding, WrittenBack)
{
    struct Case {
        const char* what;
        std::string content;   // read inside <workbook>
        std::string expected;  // found in the written text
    };
    const std::vector<Case> cases = {
        {"calcPr without attributes", withSheet("<calcPr/>"), "<calcPr/>"},
        {"definedName keeps its blanks", withSheet("<definedNames><definedName name=\"n\"> A1 </definedName></definedNames>"),
         "<definedName name=\"n\"> A1 </definedName>"},
        {"fileRecoveryPr in order",
         withSheet("<fileRecoveryPr autoRecover=\"0\"/><fileRecoveryPr crashSave=\"1\"/><fileRecoveryPr repairLoad=\"1\"/>"),
         "<fileRecoveryPr autoRecover=\"0\"/><fileRecoveryPr crashSave=\"1\"/>"
         "<fileRecoveryPr repairLoad=\"1\"/>"},
        {"attribute equal to its default", "<workbookPr showObjects=\"all\"/>" + withSheet(""),
         "<workbookPr showObjects=\"all\"/>"},
        {"unknown attribute of the workbook", withSheet(""), "r:id=\"rId1\"/></sheets></workbook>"},
        {"attribute of a later edition", "<workbookPr dateCompatibility=\"0\"/>" + withSheet(""),
         "<workbookPr dateCompatibility=\"0\"/>"},
        {"unknown attribute of a sheet", "<sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"r\" extra=\"x\"/></sheets>",
         "<sheet name=\"S\" sheetId=\"1\" r:id=\"r\" extra=\"x\"/>"},
        {"hexBinary", "<workbookProtection workbookPassword=\"cc1a\" lockStructure=\"1\"/>" + withSheet(""),
         "<workbookProtection workbookPassword=\"CC1A\" lockStructure=\"1\"/>"},
        {"double", withSheet("<calcPr iterateDelta=\"0.125\" iterateCount=\"7\"/>"),
         "<calcPr iterateCount=\"7\" iterateDelta=\"0.125\"/>"},
        {"functionGroups", withSheet("<functionGroups builtInGroupCount=\"17\"><functionGroup name=\"a\"/>"
                                     "<functionGroup name=\"b\"/></functionGroups>"),
         "<functionGroups builtInGroupCount=\"17\"><functionGroup name=\"a\"/><functionGroup name=\"b\"/></functionGroups>"},
        {"extension kept whole",
         withSheet("<extLst><ext uri=\"{7523E5D3-25F3-A5E0-1632-64F254C22452}\" xmlns:x15=\"urn:x15\">"
                   "<x15:workbookPr chartTrackingRefBase=\"1\"/></ext></extLst>"),
         "<x15:workbookPr chartTrackingRefBase=\"1\"/>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        workbook::c_workbook wb;
        ASSERT_EQ(nimb::e_no_error, read(wb, workbookDoc(c.content)));
        const std::string out = written(wb);
        EXPECT_TRUE(contains(out, c.expected)) << out;
    }
}

TEST(WorkbookBinding, UnknownAttributesOfTheWorkbookAreKeptAfterTheDeclarations)
{
    workbook::c_workbook wb;
    ASSERT_EQ(nimb::e_no_error,
              read(wb, workbookDoc(withSheet(""), " xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\""
                                                  " mc:Ignorable=\"x15\" conformance=\"transitional\"")));
    const std::string out = written(wb);
    EXPECT_TRUE(contains(out, "mc:Ignorable=\"x15\"")) << out;
    EXPECT_TRUE(contains(out, "conformance=\"transitional\"")) << out;
    EXPECT_LT(out.find("xmlns=\""), out.find("conformance="));
}

TEST(WorkbookBinding, DefaultsAndSetters)
{
    workbook::c_CT_CalcPr calc;
    EXPECT_EQ(u"auto", calc.calcMode.value);
    EXPECT_EQ(u"A1", calc.refMode.value);
    EXPECT_EQ(100u, calc.iterateCount.value);
    EXPECT_DOUBLE_EQ(0.001, calc.iterateDelta.value);
    EXPECT_TRUE(calc.fullPrecision.value);
    EXPECT_FALSE(calc.fullCalcOnLoad.value);
    EXPECT_FALSE(calc.calcMode.present || calc.refMode.present || calc.iterateDelta.present);

    workbook::c_CT_BookView view;
    EXPECT_EQ(600u, view.tabRatio.value);
    EXPECT_EQ(0, view.set_activeTab(2));

    workbook::c_workbook wb;
    wb.sheets.get()->sheet.append()->set_name(u"A");
    EXPECT_EQ(0, wb.get_calcPr()->set_refMode(u"R1C1"));
    wb.get_bookViews()->workbookView.append()->set_activeTab(2);
    const std::string out = written(wb);
    EXPECT_TRUE(contains(out, "<calcPr refMode=\"R1C1\"/>")) << out;
    EXPECT_TRUE(contains(out, "<workbookView activeTab=\"2\"/>")) << out;
    EXPECT_TRUE(contains(out, "<sheet name=\"A\"/>")) << out;
}

TEST(WorkbookBinding, EmptyWorkbookWritesItsSheetsElement)
{
    workbook::c_workbook wb;
    std::string out;
    ASSERT_EQ(nimb::e_no_error, wb.marshal(out));
    EXPECT_EQ(std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<workbook xmlns:r=\"") + kRel +
                  "\"\n\t\txmlns=\"" + kMain + "\">\n\t<sheets/>\n</workbook>\n",
              out);
}

TEST(WorkbookBinding, MissingSheetsIsReportedAndAForgivenReadStillWritesThem)
{
    const std::string doc = workbookDoc("<calcPr/>");
    ForgivingReader reader(doc);
    workbook::c_workbook wb;
    EXPECT_EQ(nimb::e_no_error, nimb::unmarshal_document(reader, wb, workbook::ns_default, "workbook"));
    EXPECT_EQ((std::vector<int>{nimb::e_mandatory_element_missing}), reader.codes);
    EXPECT_EQ((std::vector<std::string>{"sheets"}), reader.items);
    const std::string out = written(wb);
    EXPECT_TRUE(contains(out, "<sheets/><calcPr/>")) << out;
}

TEST(WorkbookBinding, CopiesAreIndependent)
{
    workbook::c_workbook wb;
    ASSERT_EQ(nimb::e_no_error, read(wb, workbookDoc(withSheet("<definedNames><definedName name=\"n\">A1</definedName>"
                                                               "</definedNames><calcPr calcId=\"5\"/>"))));
    std::unique_ptr<nimb::c_binding> copy(wb.clone());
    auto* other = dynamic_cast<workbook::c_workbook*>(copy.get());
    ASSERT_NE(nullptr, other);
    other->sheets.get()->sheet.at(0)->set_name(u"changed");
    other->definedNames.get()->definedName.clear();
    other->calcPr.reset();
    EXPECT_EQ(u"S", wb.sheets.get()->sheet.at(0)->name.value);
    EXPECT_EQ(1u, wb.definedNames.get()->definedName.size());
    ASSERT_TRUE(wb.calcPr.has());
    EXPECT_EQ(5u, wb.calcPr.peek()->calcId.value);

    const std::string before = written(wb);
    const workbook::c_workbook& same = wb;
    wb = same;
    EXPECT_EQ(before, written(wb));
    copy.reset();
    EXPECT_EQ(before, written(wb));

    wb.reset();
    EXPECT_EQ(0u, wb.sheets.get()->sheet.size());
    EXPECT_FALSE(wb.calcPr.has());
}

// ---------------------------------------------------------------------------
// Relationships

std::string relsDoc(const std::string& content)
{
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Relationships xmlns=\"") + kPackageRels + "\">" +
           content + "</Relationships>";
}

TEST(RelationshipsBinding, Reading)
{
    const std::vector<ReadCase> cases = {
        {"all attributes",
         relsDoc("<Relationship Id=\"rId1\" Type=\"http://t\" Target=\"http://x\" TargetMode=\"External\"/>"),
         nimb::e_no_error, ""},
        {"no relationship", relsDoc(""), nimb::e_no_error, ""},
        {"target mode in lower case",
         relsDoc("<Relationship Id=\"rId1\" Type=\"t\" Target=\"x\" TargetMode=\"external\"/>"),
         nimb::e_not_an_enumeration, "@TargetMode"},
        {"no Id", relsDoc("<Relationship Type=\"t\" Target=\"x\"/>"), nimb::e_required_attribute_missing,
         "CT_Relationship"},
        {"no Target", relsDoc("<Relationship Id=\"i\" Type=\"t\"/>"), nimb::e_required_attribute_missing,
         "CT_Relationship"},
        {"Id twice", relsDoc("<Relationship Id=\"i\" Id=\"j\" Type=\"t\" Target=\"x\"/>"),
         nimb::e_attribute_already_read, "@Id"},
        {"wrong document element", std::string("<Types xmlns=\"") + kPackageRels + "\"/>", nimb::e_element_not_found,
         ""},
        {"wrong namespace", std::string("<Relationships xmlns=\"") + kTypes + "\"/>", nimb::e_element_not_found, ""},
    };
    checkReads<relationships::c_Relationships>(cases, "ooxml/opc-relationships");
}

TEST(RelationshipsBinding, Writing)
{
    relationships::c_Relationships rels;
    ASSERT_EQ(nimb::e_no_error,
              read(rels, relsDoc("<Relationship Id=\"rId1\" Type=\"http://t\" Target=\"http://x\" TargetMode=\"External\"/>"
                                 "<Relationship Id=\"rId2\" Type=\"t\" Target=\"y\">note</Relationship>")));
    ASSERT_EQ(2u, rels.Relationship.size());
    EXPECT_EQ(u"note", rels.Relationship.at(1)->content.value);
    const std::string out = written(rels);
    EXPECT_TRUE(contains(out, "<Relationship TargetMode=\"External\" Target=\"http://x\" Type=\"http://t\" Id=\"rId1\"/>"))
        << out;
    EXPECT_TRUE(contains(out, "<Relationship Target=\"y\" Type=\"t\" Id=\"rId2\">note</Relationship>")) << out;

    relationships::c_Relationships copy(rels);
    copy.Relationship.at(0)->set_Id(u"other");
    EXPECT_EQ(u"rId1", rels.Relationship.at(0)->Id.value);

    relationships::c_Relationships empty;
    std::string text;
    ASSERT_EQ(nimb::e_no_error, empty.marshal_to_string(text));
    EXPECT_EQ(std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Relationships xmlns=\"") + kPackageRels +
                  "\"/>\n",
              text);
    relationships::c_CT_Relationship* r = empty.Relationship.append();
    r->set_Type(u"t");
    r->set_Target(u"x");
    ASSERT_EQ(nimb::e_no_error, empty.marshal_to_string(text));
    EXPECT_TRUE(contains(flat(text), "<Relationship Target=\"x\" Type=\"t\"/>")) << text;
}

// ---------------------------------------------------------------------------
// Content types

std::string typesDoc(const std::string& content)
{
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Types xmlns=\"") + kTypes + "\">" + content +
           "</Types>";
}

TEST(ContentTypesBinding, ExtensionsAndContentTypesArePatterns)
{
    struct Case {
        std::string extension;
        std::string contentType;
        nimb::enimb_error code;
    };
    const std::vector<Case> cases = {
        {"rels", "application/vnd.openxmlformats-package.relationships+xml", nimb::e_no_error},
        {"xml", "application/xml", nimb::e_no_error},
        {"png", "image/png", nimb::e_no_error},
        {"jpeg", "image/jpeg", nimb::e_no_error},
        {"bin", "application/vnd.ms-office.vbaProject", nimb::e_no_error},
        {"a b", "image/png", nimb::e_no_pattern_matched},
        {"a.b", "image/png", nimb::e_no_pattern_matched},
        {"", "image/png", nimb::e_no_pattern_matched},
        {"txt", "text/plain; charset=utf-8", nimb::e_no_error},
        {"txt", "text/plain;charset=&quot;utf-8&quot;", nimb::e_no_error},
        {"txt", "textplain", nimb::e_no_pattern_matched},
        {"txt", "text/", nimb::e_no_pattern_matched},
        {"txt", "text/pl ain", nimb::e_no_pattern_matched},
        {"txt", "a/" + std::string(10000, 'b'), nimb::e_no_error},
        {"txt", std::string(10000, 'a'), nimb::e_no_pattern_matched},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extension + " " + c.contentType.substr(0, 40));
        contentypes::c_Types types;
        EXPECT_EQ(c.code, read(types, typesDoc("<Default Extension=\"" + c.extension + "\" ContentType=\"" +
                                               c.contentType + "\"/>")));
    }
}

TEST(ContentTypesBinding, Reading)
{
    const std::vector<ReadCase> cases = {
        {"Default without ContentType", typesDoc("<Default Extension=\"xml\"/>"), nimb::e_required_attribute_missing,
         "CT_Default"},
        {"Override without PartName", typesDoc("<Override ContentType=\"a/b\"/>"), nimb::e_required_attribute_missing,
         "CT_Override"},
        {"PartName is not a pattern", typesDoc("<Override PartName=\"any thing\" ContentType=\"a/b\"/>"),
         nimb::e_no_error, ""},
        {"no items", typesDoc(""), nimb::e_no_error, ""},
        {"empty element", std::string("<Types xmlns=\"") + kTypes + "\"/>", nimb::e_no_error, ""},
        {"wrong document element", std::string("<Relationships xmlns=\"") + kTypes + "\"/>", nimb::e_element_not_found,
         ""},
    };
    checkReads<contentypes::c_Types>(cases, "ooxml/opc-contentTypes");
}

TEST(ContentTypesBinding, ItemsKeepTheirOrder)
{
    contentypes::c_Types types;
    ASSERT_EQ(nimb::e_no_error,
              read(types, typesDoc("<Override PartName=\"/a.xml\" ContentType=\"a/b\"/>"
                                   "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                                   "<Override PartName=\"/c.xml\" ContentType=\"c/d\"/>")));
    ASSERT_EQ(3u, types.inner_CT_Types.size());
    EXPECT_EQ((std::vector<unsigned>{1, 0, 1}),
              (std::vector<unsigned>{types.inner_CT_Types[0].which(), types.inner_CT_Types[1].which(),
                                     types.inner_CT_Types[2].which()}));
    const std::string out = written(types);
    EXPECT_TRUE(contains(out, "<Override ContentType=\"a/b\" PartName=\"/a.xml\"/>"
                              "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                              "<Override ContentType=\"c/d\" PartName=\"/c.xml\"/>"))
        << out;
}

TEST(ContentTypesBinding, ItemsWithoutAChoiceAreNotWritten)
{
    contentypes::c_Types types;
    types.get_inner_CT_Types(2);
    ASSERT_EQ(3u, types.inner_CT_Types.size());
    for (const auto& item : types.inner_CT_Types) EXPECT_TRUE(item.none());
    std::string out = "unchanged";
    nimb::c_error_record info;
    EXPECT_EQ(nimb::e_inappropriate_choice, types.marshal(out, &info));
    EXPECT_EQ("unchanged", out);
    EXPECT_EQ("{anonymous compositor}", info.item);

    for (std::size_t i = 0; i < 3; ++i) {
        contentypes::c_CT_Override o;
        o.set_PartName(u"/p" + std::u16string(1, static_cast<char16_t>(u'0' + i)));
        o.set_ContentType(u"a/b");
        contentypes::c_CT_Types::set_Override(types.get_inner_CT_Types(i), o);
    }
    ASSERT_EQ(nimb::e_no_error, types.marshal(out));
    EXPECT_TRUE(contains(flat(out), "<Override ContentType=\"a/b\" PartName=\"/p2\"/>")) << out;
}

TEST(ContentTypesBinding, SelectingAnotherAlternativeReplacesTheItem)
{
    contentypes::c_Types types;
    nimb::c_choice& item = types.append_inner_CT_Types();
    contentypes::c_CT_Types::get_Default(item)->set_Extension(u"xml");
    EXPECT_EQ(0u, item.which());
    contentypes::c_CT_Override* o = contentypes::c_CT_Types::get_Override(item);
    EXPECT_EQ(1u, item.which());
    EXPECT_FALSE(o->PartName.present);
    EXPECT_EQ(o, item.object());
    EXPECT_EQ(o, contentypes::c_CT_Types::get_Override(item));
}

}  // namespace

namespace {

// Runs xmllint on a written part; its complaint, or "" when it accepts it.
std::string xmllintComplaint(const std::string& text)
{
    char path[] = "/tmp/celvo-ooxml-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) return "no temporary file";
    const bool wrote = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    const std::string command = std::string("xmllint --nonet --noout ") + path + " 2>&1";
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[256];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        if (pclose(p) != 0 && out.empty()) out = "xmllint failed";
    } else {
        out = "xmllint did not run";
    }
    unlink(path);
    return wrote ? out : "not written";
}

TEST(WrittenParts, AreWellFormedAndReadBackTheSame)
{
    const std::vector<std::u16string> texts = {
        u"plain", u"A&B <\"x\"> 'y'", u"tab\tline\nreturn\r end", u" both ends ", u"\u00e9\u4e2d\U0001F600",
        u"]]> and --", u"",
    };
    for (const auto& t : texts) {
        SCOPED_TRACE(nimb::wstring_to_utf8(t));
        workbook::c_workbook wb;
        workbook::c_CT_Sheet* sheet = wb.sheets.get()->sheet.append();
        sheet->set_name(t);
        sheet->set_sheetId(1);
        sheet->set_id(u"rId1");
        workbook::c_CT_DefinedName* name = wb.get_definedNames()->definedName.append();
        name->set_name(u"n");
        name->content.set(t);
        std::string out;
        ASSERT_EQ(nimb::e_no_error, wb.marshal(out));
        EXPECT_EQ("", xmllintComplaint(out));

        workbook::c_workbook back;
        ASSERT_EQ(nimb::e_no_error, read(back, out));
        EXPECT_EQ(t, back.sheets.get()->sheet.at(0)->name.value);
        EXPECT_EQ(t, back.definedNames.get()->definedName.at(0)->content.value);

        relationships::c_Relationships rels;
        relationships::c_CT_Relationship* r = rels.Relationship.append();
        r->set_Id(u"rId1");
        r->set_Type(u"http://t");
        r->set_Target(t);
        ASSERT_EQ(nimb::e_no_error, rels.marshal(out));
        EXPECT_EQ("", xmllintComplaint(out));
    }
}

// A part read from a file is written back with the namespace declarations
// of its element as read and every name with the prefix that is bound where
// it stands; a namespace that is bound nowhere is declared where it is used.
TEST(WrittenParts, KeepThePrefixesOfTheDocument)
{
    const std::string M = kMain, R = kRel;
    struct Case {
        const char* what;
        std::string document;
        bool addSheet;  // a sheet with an r:id added in code before writing
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"main namespace under a prefix",
         "<x:workbook xmlns:x=\"" + M + "\" xmlns:r=\"" + R + "\"><x:sheets><x:sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/>"
         "</x:sheets></x:workbook>", false,
         "<x:workbook xmlns:x=\"" + M + "\" xmlns:r=\"" + R + "\"><x:sheets><x:sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/>"
         "</x:sheets></x:workbook>"},
        {"relationships under another prefix, unused declaration kept",
         "<workbook xmlns:rel=\"" + R + "\" xmlns:u=\"urn:unused\" xmlns=\"" + M + "\"><sheets><sheet name=\"S\" "
         "sheetId=\"1\" rel:id=\"rId1\"/></sheets></workbook>", false,
         "<workbook xmlns:rel=\"" + R + "\" xmlns:u=\"urn:unused\" xmlns=\"" + M + "\"><sheets><sheet name=\"S\" "
         "sheetId=\"1\" rel:id=\"rId1\"/></sheets></workbook>"},
        {"declaration on an inner element",
         "<workbook xmlns=\"" + M + "\"><sheets xmlns:r=\"" + R + "\"><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/>"
         "</sheets></workbook>", false,
         "<workbook xmlns=\"" + M + "\"><sheets xmlns:r=\"" + R + "\"><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/>"
         "</sheets></workbook>"},
        {"the root and the main namespace bound twice",
         "<x:workbook xmlns=\"" + M + "\" xmlns:x=\"" + M + "\"><sheets/></x:workbook>", false,
         "<x:workbook xmlns=\"" + M + "\" xmlns:x=\"" + M + "\"><x:sheets/></x:workbook>"},
        {"a sheet added to a document without the relationships namespace",
         "<x:workbook xmlns:x=\"" + M + "\"><x:sheets/></x:workbook>", true,
         "<x:workbook xmlns:x=\"" + M + "\"><x:sheets><x:sheet name=\"T\" sheetId=\"2\" xmlns:r=\"" + R +
         "\" r:id=\"rId2\"/></x:sheets></x:workbook>"},
        {"prefix r bound to another namespace: bound again where it is used",
         "<workbook xmlns=\"" + M + "\" xmlns:r=\"urn:other\" r:a=\"1\"><sheets/></workbook>", true,
         "<workbook xmlns=\"" + M + "\" xmlns:r=\"urn:other\" r:a=\"1\"><sheets><sheet name=\"T\" sheetId=\"2\" xmlns:r=\"" +
         R + "\" r:id=\"rId2\"/></sheets></workbook>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        workbook::c_workbook wb;
        ASSERT_EQ(nimb::e_no_error, read(wb, c.document));
        if (c.addSheet) {
            workbook::c_CT_Sheet* s = wb.sheets.get()->sheet.append();
            s->set_name(u"T");
            s->set_sheetId(2);
            s->set_id(u"rId2");
        }
        std::string out;
        ASSERT_EQ(nimb::e_no_error, wb.marshal(out));
        EXPECT_EQ("", xmllintComplaint(out));
        EXPECT_EQ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + c.expected, flat(out));
    }

    relationships::c_Relationships rels;
    ASSERT_EQ(nimb::e_no_error, read(rels, std::string("<p:Relationships xmlns:p=\"") + kPackageRels +
                                               "\"><p:Relationship Id=\"a\" Type=\"t\" Target=\"x\"/></p:Relationships>"));
    EXPECT_EQ(std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><p:Relationships xmlns:p=\"") + kPackageRels +
                  "\"><p:Relationship Target=\"x\" Type=\"t\" Id=\"a\"/></p:Relationships>",
              written(rels));
}

}  // namespace
