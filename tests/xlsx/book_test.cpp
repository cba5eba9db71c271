// The .xlsx book: a new book, its sheet list, loading and saving packages.
#include "test_support.h"

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ZipPackage.h"
#include "book.h"
#include "celvo/factory.h"
#include "package_types.h"
#include "part_content_types.h"
#include "part_relationships.h"
#include "part_shared_strings.h"
#include "sheet.h"

namespace celvo {
namespace {

std::string u8(u16view s) { return utf16ToUtf8(s); }

// A book released at the end of the scope.
struct Book {
    XMLBookImplT* b = new XMLBookImplT();
    ~Book() { b->release(); }
    XMLBookImplT* operator->() const { return b; }
    std::string message() const { return b->errorMessage(); }
};

std::vector<u16string> partNames(XMLBookImplT& book)
{
    std::vector<u16string> names;
    for (const auto& e : book.parts()) names.push_back(e.first);
    return names;
}

std::string sheetName(ISheetT* s) { return s && s->name() ? u8(s->name()) : "(none)"; }

// The names of the book's sheets in tab order.
std::string sheetNames(XMLBookImplT& book)
{
    std::string out;
    for (int i = 0; i < book.sheetCount(); ++i) out += (i ? "," : "") + sheetName(book.sheetAt(i));
    return out;
}

// A book of sheets named by the letters of `names`.
void addSheets(XMLBookImplT& book, const std::string& names)
{
    for (char c : names) ASSERT_NE(book.addSheet(widenAscii(std::string(1, c)).c_str(), nullptr), nullptr);
}

// ---- packages made by hand -------------------------------------------------

const char* kTypes = "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                     "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                     "<Default Extension=\"xml\" ContentType=\"application/xml\"/>";
const char* kWorkbookRelsStart = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
const char* kR = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
const char* kSheetXml = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData/></worksheet>";

std::string rel(const std::string& id, const std::string& type, const std::string& target)
{
    return "<Relationship Id=\"" + id + "\" Type=\"" + kR + type + "\" Target=\"" + target + "\"/>";
}

std::string override(const std::string& part, const std::string& type)
{
    return "<Override PartName=\"" + part + "\" ContentType=\"" + type + "\"/>";
}

const std::string kWs = "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
const std::string kWb = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";

std::string workbookXml(const std::vector<std::string>& names, const std::string& extra = "")
{
    std::string x = "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>";
    for (std::size_t i = 0; i < names.size(); ++i)
        x += "<sheet name=\"" + names[i] + "\" sheetId=\"" + std::to_string(i + 1) + "\" r:id=\"rId" +
             std::to_string(i + 1) + "\"/>";
    return x + "</sheets>" + extra + "</workbook>";
}

using Entries = std::vector<ZipEntry>;

ZipEntry entry(const char16_t* name, const std::string& data)
{
    return {name, std::vector<std::uint8_t>(data.begin(), data.end())};
}

// A package of sheets "One", "Two", "Three" with extra entries, extra
// content types, workbook relationships and workbook content.
Entries threeSheets(const std::string& moreTypes = "", const std::string& moreRels = "",
                    const std::string& workbookExtra = "")
{
    std::string types = kTypes + override("/xl/workbook.xml", kWb);
    for (int i = 1; i <= 3; ++i) types += override("/xl/worksheets/sheet" + std::to_string(i) + ".xml", kWs);
    types += moreTypes + "</Types>";
    std::string wbRels = kWorkbookRelsStart;
    for (int i = 1; i <= 3; ++i)
        wbRels += rel("rId" + std::to_string(i), "worksheet", "worksheets/sheet" + std::to_string(i) + ".xml");
    wbRels += moreRels + "</Relationships>";
    return {
        entry(u"[Content_Types].xml", types),
        entry(u"_rels/.rels", std::string(kWorkbookRelsStart) + rel("rId1", "officeDocument", "xl/workbook.xml") +
                                  "</Relationships>"),
        entry(u"xl/workbook.xml", workbookXml({"One", "Two", "Three"}, workbookExtra)),
        entry(u"xl/_rels/workbook.xml.rels", wbRels),
        entry(u"xl/worksheets/sheet1.xml", kSheetXml),
        entry(u"xl/worksheets/sheet2.xml", kSheetXml),
        entry(u"xl/worksheets/sheet3.xml", kSheetXml),
    };
}

bool loadEntries(XMLBookImplT& book, const Entries& entries)
{
    const std::vector<std::uint8_t> bytes = writeZipPackage(entries);
    return book.loadFromMemory(reinterpret_cast<const char*>(bytes.data()), static_cast<unsigned>(bytes.size()));
}

// The entries of the book saved to memory.
Entries saved(XMLBookImplT& book)
{
    const char* data = nullptr;
    unsigned size = 0;
    if (!book.saveToMemory(&data, &size)) {
        ADD_FAILURE() << "saveToMemory: " << book.errorMessage();
        return {};
    }
    return readZipPackage(reinterpret_cast<const std::uint8_t*>(data), size);
}

std::vector<std::string> names(const Entries& entries)
{
    std::vector<std::string> out;
    for (const auto& e : entries) out.push_back(u8(e.name));
    return out;
}

std::string text(const Entries& entries, const char16_t* name)
{
    for (const auto& e : entries)
        if (e.name == name) return std::string(e.data.begin(), e.data.end());
    return "(missing)";
}

// ---- a new book and its sheet list -------------------------------------------

TEST(XlsxBook, NewBookHoldsFourParts)
{
    Book book;
    EXPECT_EQ(book.message(), "ok");
    EXPECT_EQ(partNames(*book.b), (std::vector<u16string>{u"/[Content_Types].xml", u"/_rels/.rels",
                                                          u"/xl/_rels/workbook.xml.rels", u"/xl/workbook.xml"}));
    EXPECT_EQ(book->sheetCount(), 0);
    EXPECT_EQ(book->activeSheetNumber(), 0);
    // A workbook needs a sheet before it can be saved.
    const char* data = nullptr;
    unsigned size = 0;
    EXPECT_FALSE(book->saveToMemory(&data, &size));
    EXPECT_EQ(book.message(), "a workbook without sheets can't be saved");
    EXPECT_EQ(book->biffVersion(), 0);
}

TEST(XlsxBook, ThreeSheetsGetTheirPartsIdsAndPlaces)
{
    Book book;
    addSheets(*book.b, "ABC");
    EXPECT_EQ(book.message(), "ok");
    EXPECT_EQ(book->activeSheetNumber(), 0);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const workbook::c_CT_Sheet* e = book->sheetEntry(i);
        EXPECT_EQ(e->sheetId.value, static_cast<unsigned>(i + 1));
        EXPECT_EQ(e->id.value, u"rId" + widenAscii(std::to_string(i + 1)));
        EXPECT_EQ(book->sheetPartName(i), u"/xl/worksheets/sheet" + widenAscii(std::to_string(i + 1)) + u".xml");
        EXPECT_EQ(book->contentTypes().contentType(book->sheetPartName(i)), packagetype::kWorksheet);
        EXPECT_EQ(book->sheet(i), book->sheetAt(i));
        EXPECT_EQ(book->sheetAt(i)->sheetNumber(), i);
    }
    EXPECT_EQ(book->workbookRels().targetById(u"rId2"), u"worksheets/sheet2.xml");
    const Entries out = saved(*book.b);
    EXPECT_EQ(names(out), (std::vector<std::string>{"[Content_Types].xml", "_rels/.rels", "xl/_rels/workbook.xml.rels",
                                                     "xl/workbook.xml", "xl/worksheets/sheet1.xml",
                                                     "xl/worksheets/sheet2.xml", "xl/worksheets/sheet3.xml"}));
}

TEST(XlsxBook, NamesAndPlacesAreChecked)
{
    Book book;
    addSheets(*book.b, "AB");
    struct Case {
        int index;
        u16string name;
        std::string message;
        bool made;
    };
    const u16string forty = u"Quarterly figures of the north-east region";
    const std::vector<Case> cases = {
        {0, u"a", "book already contains such sheet name", false},
        {3, u"C", "index is out of range", false},
        {-1, u"C", "index is out of range", false},
        {0, u"", "sheet name can't be empty", false},
        {2, forty, "warning: sheet's name is cut to 31 characters", true},
        {3, u"SHEET1", "ok", true},
        {4, u"Sheet1", "book already contains such sheet name", false},
        {4, u16string(31, u'x'), "ok", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(u8(c.name));
        const int before = book->sheetCount();
        ISheetT* s = book->insertSheet(c.index, c.name.c_str(), nullptr);
        EXPECT_EQ(book.message(), c.message);
        EXPECT_EQ(s != nullptr, c.made);
        EXPECT_EQ(book->sheetCount(), before + (c.made ? 1 : 0));
    }
    EXPECT_EQ(sheetName(book->sheetAt(2)), u8(forty.substr(0, 31)));
    EXPECT_EQ(book->sheet(9), nullptr);
    EXPECT_EQ(book.message(), "index is out of range");
    book->setActiveSheetNumber(5);
    EXPECT_EQ(book.message(), "index is out of range");
    EXPECT_EQ(book->activeSheetNumber(), 0);
}

TEST(XlsxBook, InsertKeepsTheActiveSheet)
{
    // {place of the new sheet, active place after}: the active sheet was
    // at place 2 of three.
    for (const auto& [at, active] : std::vector<std::pair<int, int>>{{0, 3}, {1, 3}, {2, 3}, {3, 2}}) {
        Book book;
        addSheets(*book.b, "ABC");
        book->setActiveSheetNumber(2);
        ASSERT_NE(book->insertSheet(at, u"New", nullptr), nullptr);
        EXPECT_EQ(book->activeSheetNumber(), active) << at;
        EXPECT_EQ(sheetName(book->sheetAt(book->activeSheetNumber())), "C") << at;
    }
}

TEST(XlsxBook, DeleteKeepsTheActiveSheetOnItsSheet)
{
    struct Case {
        int active, deleted;
        std::string left;
        int activeAfter;
    };
    const std::vector<Case> cases = {
        {2, 2, "A,B", 1},  // the last sheet went: the one before it
        {2, 0, "B,C", 1},  // an earlier sheet went: still C
        {0, 1, "A,C", 0},
        {1, 0, "B,C", 0},
        {1, 1, "A,C", 1},  // the active sheet went: the one in its place
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.active) + " " + std::to_string(c.deleted));
        Book book;
        addSheets(*book.b, "ABC");
        book->setActiveSheetNumber(c.active);
        EXPECT_TRUE(book->deleteSheet(c.deleted));
        EXPECT_EQ(book.message(), "ok");
        EXPECT_EQ(sheetNames(*book.b), c.left);
        EXPECT_EQ(book->activeSheetNumber(), c.activeAfter);
    }
    Book one;
    addSheets(*one.b, "A");
    EXPECT_FALSE(one->deleteSheet(0));
    EXPECT_EQ(one.message(), "can't remove the last sheet in workbook");
    EXPECT_FALSE(one->deleteSheet(1));
    EXPECT_EQ(one.message(), "index is out of range");
}

TEST(XlsxBook, SheetsStayBoundToTheirEntries)
{
    Book book;
    addSheets(*book.b, "ABC");
    ISheetT* a = book->sheet(0);
    ISheetT* c = book->sheet(2);
    ASSERT_NE(book->insertSheet(0, u"Z", nullptr), nullptr);
    EXPECT_EQ(sheetName(a), "A");
    EXPECT_EQ(sheetName(c), "C");
    EXPECT_TRUE(book->deleteSheet(2));  // B
    EXPECT_EQ(sheetName(a), "A");
    EXPECT_EQ(sheetName(c), "C");
    EXPECT_EQ(sheetNames(*book.b), "Z,A,C");
    EXPECT_FALSE(book->parts().contains(u"/xl/worksheets/sheet2.xml"));
    EXPECT_EQ(book->workbookRels().size(), 3u);
    // The next sheet takes the number after the highest one left.
    ASSERT_NE(book->addSheet(u"D", nullptr), nullptr);
    EXPECT_EQ(book->sheetPartName(3), u"/xl/worksheets/sheet5.xml");
    EXPECT_EQ(book->sheetEntry(3)->sheetId.value, 5u);
}

TEST(XlsxBook, CopiesComeOnlyFromThisBook)
{
    Book book, other;
    addSheets(*book.b, "A");
    addSheets(*other.b, "B");
    EXPECT_EQ(book->addSheet(u"C", other->sheet(0)), nullptr);
    EXPECT_EQ(book.message(), "initSheet belongs to another book");
    IBookT* xls = createXlsBook();
    ASSERT_NE(xls, nullptr);
    ISheetT* xlsSheet = xls->addSheet(u"X", nullptr);
    EXPECT_EQ(book->addSheet(u"C", xlsSheet), nullptr);
    EXPECT_EQ(book.message(), "initSheet belongs to another book");
    xls->release();
    EXPECT_EQ(book->sheetCount(), 1);
    ISheetT* copy = book->addSheet(u"C", book->sheet(0));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(sheetNames(*book.b), "A,C");
}

TEST(XlsxBook, CopiedSheetTakesItsOwnDependentParts)
{
    const std::string drawingType = "application/vnd.openxmlformats-officedocument.drawing+xml";
    const std::string chartType = "application/vnd.openxmlformats-officedocument.drawingml.chart+xml";
    const std::string tableType = "application/vnd.openxmlformats-officedocument.spreadsheetml.table+xml";
    Entries in = threeSheets(override("/xl/drawings/drawing1.xml", drawingType) +
                             override("/xl/charts/chart1.xml", chartType) + override("/xl/tables/table1.xml", tableType) +
                             "<Default Extension=\"png\" ContentType=\"image/png\"/>"
                             "<Default Extension=\"bin\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.printerSettings\"/>");
    in.push_back(entry(u"xl/worksheets/_rels/sheet1.xml.rels",
                       std::string(kWorkbookRelsStart) + rel("rId1", "drawing", "../drawings/drawing1.xml") +
                           rel("rId2", "printerSettings", "../printerSettings/printerSettings1.bin") +
                           "<Relationship Id=\"rId3\" Type=\"" + kR + "hyperlink\" Target=\"http://example.com/\" "
                           "TargetMode=\"External\"/></Relationships>"));
    in.push_back(entry(u"xl/drawings/drawing1.xml", "<xdr:wsDr xmlns:xdr=\"d\"/>"));
    in.push_back(entry(u"xl/drawings/_rels/drawing1.xml.rels",
                       std::string(kWorkbookRelsStart) + rel("rId1", "image", "../media/image1.png") +
                           rel("rId2", "chart", "/xl/charts/chart1.xml") + "</Relationships>"));
    in.push_back(entry(u"xl/charts/chart1.xml", "<c:chartSpace xmlns:c=\"c\"/>"));
    in.push_back(entry(u"xl/media/image1.png", "\x89PNG"));
    in.push_back(entry(u"xl/printerSettings/printerSettings1.bin", "printer"));
    in.push_back(entry(u"xl/worksheets/_rels/sheet2.xml.rels",
                       std::string(kWorkbookRelsStart) + rel("rId1", "table", "../tables/table1.xml") + "</Relationships>"));
    in.push_back(entry(u"xl/tables/table1.xml", "<table/>"));
    Book book;
    ASSERT_TRUE(loadEntries(*book.b, in)) << book.message();
    const std::size_t parts = book->parts().size();

    // A table has a name of its own in the workbook: its sheet is not copied.
    EXPECT_EQ(book->addSheet(u"Copy of Two", book->sheet(1)), nullptr);
    EXPECT_EQ(book.message(), "a sheet with tables, pivot tables, slicers or threaded comments can't be copied");
    EXPECT_EQ(book->parts().size(), parts);
    EXPECT_EQ(book->sheetCount(), 3);
    EXPECT_EQ(book->workbookRels().size(), 3u);

    ISheetT* copy = book->insertSheet(1, u"Copy of One", book->sheet(0));
    ASSERT_NE(copy, nullptr) << book.message();
    EXPECT_EQ(sheetNames(*book.b), "One,Copy of One,Two,Three");
    const Entries out = saved(*book.b);
    // Drawing, chart and printer settings are copied; the picture is shared.
    EXPECT_EQ(text(out, u"xl/drawings/drawing2.xml"), "<xdr:wsDr xmlns:xdr=\"d\"/>");
    EXPECT_EQ(text(out, u"xl/charts/chart2.xml"), "<c:chartSpace xmlns:c=\"c\"/>");
    EXPECT_EQ(text(out, u"xl/printerSettings/printerSettings2.bin"), "printer");
    EXPECT_EQ(text(out, u"xl/media/image2.png"), "(missing)");
    EXPECT_EQ(book->contentTypes().contentType(u"/xl/drawings/drawing2.xml"), utf8ToUtf16(drawingType));
    EXPECT_EQ(book->contentTypes().contentType(u"/xl/charts/chart2.xml"), utf8ToUtf16(chartType));
    const u16string copyPart = book->sheetPartName(1);
    EXPECT_EQ(copyPart, u"/xl/worksheets/sheet4.xml");
    const Relationships* rels = book->relationshipsOf(copyPart);
    ASSERT_NE(rels, nullptr);
    ASSERT_EQ(rels->size(), 3u);
    EXPECT_EQ(rels->targetById(u"rId1"), u"../drawings/drawing2.xml");
    EXPECT_EQ(rels->targetById(u"rId2"), u"../printerSettings/printerSettings2.bin");
    EXPECT_EQ(rels->targetById(u"rId3"), u"http://example.com/");
    const Relationships* drawingRels = book->relationshipsOf(u"/xl/drawings/drawing2.xml");
    ASSERT_NE(drawingRels, nullptr);
    EXPECT_EQ(drawingRels->targetById(u"rId1"), u"../media/image1.png");
    EXPECT_EQ(drawingRels->targetById(u"rId2"), u"../charts/chart2.xml");
    // The original's parts are as they were.
    EXPECT_EQ(book->relationshipsOf(u"/xl/drawings/drawing1.xml")->targetById(u"rId2"), u"/xl/charts/chart1.xml");
}

// A deleted sheet takes the parts only it reached (a drawing, its chart
// when nothing else names it, printer settings); a part another sheet or
// the workbook relates stays, and so does every part the book rests on,
// whatever the deleted sheet's relationships call it.
TEST(XlsxBook, DeletedSheetTakesThePartsOnlyItUsed)
{
    const std::string drawingType = "application/vnd.openxmlformats-officedocument.drawing+xml";
    const std::string chartType = "application/vnd.openxmlformats-officedocument.drawingml.chart+xml";
    const std::string stylesType = "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
    Entries in = threeSheets(override("/xl/drawings/drawing1.xml", drawingType) +
                                 override("/xl/charts/chart1.xml", chartType) +
                                 override("/xl/charts/chart2.xml", chartType) + override("/xl/styles.xml", stylesType) +
                                 "<Default Extension=\"bin\" ContentType=\"application/vnd.openxmlformats-"
                                 "officedocument.spreadsheetml.printerSettings\"/>",
                             rel("rId9", "styles", "styles.xml") + rel("rId8", "custom", "custom1.bin"));
    // Three: a drawing with two charts, printer settings of its own, and
    // relationships to the styles, sheet One, the workbook and a part the
    // workbook relates.
    in.push_back(entry(u"xl/worksheets/_rels/sheet3.xml.rels",
                       std::string(kWorkbookRelsStart) + rel("rId1", "drawing", "../drawings/drawing1.xml") +
                           rel("rId2", "printerSettings", "../printerSettings/printerSettings2.bin") +
                           rel("rId3", "printerSettings", "../styles.xml") + rel("rId4", "drawing", "sheet1.xml") +
                           rel("rId5", "chart", "/xl/workbook.xml") + rel("rId6", "image", "../custom1.bin") +
                           "</Relationships>"));
    in.push_back(entry(u"xl/drawings/drawing1.xml", "<xdr:wsDr xmlns:xdr=\"d\"/>"));
    in.push_back(entry(u"xl/drawings/_rels/drawing1.xml.rels",
                       std::string(kWorkbookRelsStart) + rel("rId1", "chart", "../charts/chart1.xml") +
                           rel("rId2", "chart", "../charts/chart2.xml") + "</Relationships>"));
    in.push_back(entry(u"xl/charts/chart1.xml", "<c:chartSpace xmlns:c=\"c\"/>"));
    in.push_back(entry(u"xl/charts/chart2.xml", "<c:chartSpace xmlns:c=\"c\"/>"));
    // One names chart 2 and printer settings 1 too.
    in.push_back(entry(u"xl/worksheets/_rels/sheet1.xml.rels",
                       std::string(kWorkbookRelsStart) + rel("rId1", "chart", "../charts/chart2.xml") +
                           rel("rId2", "printerSettings", "../printerSettings/printerSettings1.bin") +
                           "</Relationships>"));
    in.push_back(entry(u"xl/printerSettings/printerSettings1.bin", "printer 1"));
    in.push_back(entry(u"xl/printerSettings/printerSettings2.bin", "printer 2"));
    in.push_back(entry(u"xl/custom1.bin", "custom"));
    in.push_back(entry(u"xl/styles.xml",
                       "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"/>"));
    Book book;
    ASSERT_TRUE(loadEntries(*book.b, in)) << book.message();
    ASSERT_TRUE(book->deleteSheet(2)) << book.message();
    EXPECT_EQ(sheetNames(*book.b), "One,Two");
    for (const char16_t* gone : {u"/xl/worksheets/sheet3.xml", u"/xl/worksheets/_rels/sheet3.xml.rels",
                                 u"/xl/drawings/drawing1.xml", u"/xl/drawings/_rels/drawing1.xml.rels",
                                 u"/xl/charts/chart1.xml", u"/xl/printerSettings/printerSettings2.bin"}) {
        EXPECT_FALSE(book->parts().contains(gone)) << u8(gone);
        EXPECT_FALSE(book->contentTypes().hasOverride(gone)) << u8(gone);
    }
    for (const char16_t* kept : {u"/xl/charts/chart2.xml", u"/xl/printerSettings/printerSettings1.bin",
                                 u"/xl/styles.xml", u"/xl/worksheets/sheet1.xml", u"/xl/worksheets/sheet2.xml",
                                 u"/xl/workbook.xml", u"/xl/custom1.bin", u"/xl/_rels/workbook.xml.rels"})
        EXPECT_TRUE(book->parts().contains(kept)) << u8(kept);
    EXPECT_NE(book->stylesPart(), nullptr);
    // One deleted: what it alone named goes now.
    ASSERT_TRUE(book->deleteSheet(0)) << book.message();
    for (const char16_t* gone : {u"/xl/charts/chart2.xml", u"/xl/printerSettings/printerSettings1.bin"})
        EXPECT_FALSE(book->parts().contains(gone)) << u8(gone);
    const Entries out = saved(*book.b);
    EXPECT_EQ(names(out), (std::vector<std::string>{"[Content_Types].xml", "_rels/.rels", "xl/_rels/workbook.xml.rels",
                                                    "xl/custom1.bin", "xl/styles.xml", "xl/workbook.xml",
                                                    "xl/worksheets/sheet2.xml"}));
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The shared strings that no cell names are dropped on save and the string
// cells renumbered; an index past the table stays past it. A package whose
// macro sheet may name items too keeps its table as it is.
TEST(XlsxBook, SavedStringTableHoldsWhatTheCellsName)
{
    const std::string sstType = "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";
    const std::string macroType = "application/vnd.ms-excel.macrosheet+xml";
    const std::string sst = "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"9\" "
                            "uniqueCount=\"4\"><si><t>a</t></si><si><r><t>b1</t></r><r><t>b2</t></r></si>"
                            "<si><t>c</t></si><si><t>d</t></si></sst>";
    const std::string ns = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
    for (const bool macro : {false, true}) {
        SCOPED_TRACE(macro ? "with a macro sheet" : "worksheets alone");
        Entries in = threeSheets(override("/xl/sharedStrings.xml", sstType) +
                                     (macro ? override("/xl/macrosheets/sheet1.xml", macroType) : ""),
                                 rel("rId9", "sharedStrings", "sharedStrings.xml") +
                                     (macro ? rel("rId8", "xlMacrosheet", "macrosheets/sheet1.xml") : ""));
        for (ZipEntry& e : in) {
            if (e.name == u"xl/worksheets/sheet1.xml")
                e = entry(e.name.c_str(), ns + "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>3</v></c></row></sheetData></worksheet>");
            if (e.name == u"xl/worksheets/sheet2.xml")
                e = entry(e.name.c_str(), ns + "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>1</v></c><c r=\"B1\" t=\"s\"><v>3</v>"
                                               "</c><c r=\"C1\" t=\"s\"><v>99</v></c></row></sheetData></worksheet>");
        }
        in.push_back(entry(u"xl/sharedStrings.xml", sst));
        if (macro)
            in.push_back(entry(u"xl/macrosheets/sheet1.xml", "<xm:macrosheet xmlns:xm=\"m\"/>"));
        Book book;
        ASSERT_TRUE(loadEntries(*book.b, in)) << book.message();
        const Entries out = saved(*book.b);
        if (macro) {
            EXPECT_TRUE(contains(text(out, u"xl/sharedStrings.xml"), "count=\"9\" uniqueCount=\"4\"><si><t>a</t></si>"))
                << text(out, u"xl/sharedStrings.xml");
            EXPECT_TRUE(contains(text(out, u"xl/worksheets/sheet2.xml"), "<c r=\"A1\" t=\"s\"><v>1</v></c>"));
            continue;
        }
        EXPECT_TRUE(contains(text(out, u"xl/sharedStrings.xml"),
                             "count=\"4\" uniqueCount=\"2\"><si><r><t>b1</t></r><r><t>b2</t></r></si><si><t>d</t></si></sst>"))
            << text(out, u"xl/sharedStrings.xml");
        EXPECT_TRUE(contains(text(out, u"xl/worksheets/sheet1.xml"), "<c r=\"A1\" t=\"s\"><v>1</v></c>"));
        EXPECT_TRUE(contains(text(out, u"xl/worksheets/sheet2.xml"),
                             "<c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c><c r=\"C1\" t=\"s\"><v>99</v>"))
            << text(out, u"xl/worksheets/sheet2.xml");
        // The book reads its cells as before, and writes on.
        auto* two = static_cast<XMLSheetImplT*>(book->sheet(1));
        EXPECT_EQ(u8(two->readString(0, 0, nullptr)), "b1b2");
        EXPECT_EQ(u8(two->readString(0, 1, nullptr)), "d");
        EXPECT_EQ(two->readString(0, 2, nullptr), nullptr);
        ASSERT_TRUE(two->writeString(1, 0, u"d", nullptr));
        ASSERT_TRUE(two->writeString(1, 1, u"e", nullptr));
        EXPECT_EQ(book->sharedStringsPart()->size(), 3u);
        EXPECT_EQ(u8(two->readString(1, 0, nullptr)), "d");
        EXPECT_EQ(u8(static_cast<XMLSheetImplT*>(book->sheet(0))->readString(0, 0, nullptr)), "d");
    }
}

// ---- defined names follow the sheets -----------------------------------------------

TEST(XlsxBook, DefinedNamesFollowInsertsAndDeletes)
{
    Book book;
    ASSERT_TRUE(loadEntries(*book.b, threeSheets("", "",
        "<definedNames>"
        "<definedName name=\"_xlnm.Print_Area\" localSheetId=\"1\">Two!$A$1:$B$2</definedName>"
        "<definedName name=\"Local3\" localSheetId=\"2\">Three!$A$1</definedName>"
        "<definedName name=\"ToTwo\">Two!$A$1</definedName>"
        "<definedName name=\"Quoted\">'Two'!A1+'One'!B2</definedName>"
        "<definedName name=\"Tail\">SUM(Two:Three!A1)</definedName>"
        "<definedName name=\"Head\">SUM(One:Two!A1)</definedName>"
        "<definedName name=\"Span\">SUM(One:Three!A1)</definedName>"
        "<definedName name=\"Text\">\"Two!A1\"&amp;Twos!A1&amp;TwoX!A1</definedName>"
        "<definedName name=\"Other\">[1]Two!A1</definedName>"
        "</definedNames>")))
        << book.message();
    ASSERT_NE(book->insertSheet(0, u"New", nullptr), nullptr);  // Two is now at place 2
    EXPECT_TRUE(book->deleteSheet(2));
    std::vector<std::string> got;
    const auto* list = book->root().definedNames.peek();
    ASSERT_NE(list, nullptr);
    for (std::size_t i = 0; i < list->definedName.size(); ++i) {
        const auto* n = list->definedName.at(i);
        got.push_back(u8(n->name.value) + (n->localSheetId.present ? "@" + std::to_string(n->localSheetId.value) : "") +
                      "=" + u8(n->content.value));
    }
    EXPECT_EQ(got, (std::vector<std::string>{
                       "Local3@2=Three!$A$1",
                       "ToTwo=#REF!$A$1",
                       "Quoted=#REF!A1+'One'!B2",
                       "Tail=SUM(Three!A1)",
                       "Head=SUM(One!A1)",
                       "Span=SUM(One:Three!A1)",
                       "Text=\"Two!A1\"&Twos!A1&TwoX!A1",
                       "Other=[1]Two!A1",
                   }));
}

// ---- loading and saving -------------------------------------------------------------

TEST(XlsxBook, CalculationChainGoesByTypeAndName)
{
    const std::string cc = "application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml";
    struct Case {
        const char* what;
        std::string override, rel;
        const char16_t* entry;
        bool dropped;
    };
    const std::vector<Case> cases = {
        {"relative target", override("/xl/calcChain.xml", cc), rel("rId9", "calcChain", "calcChain.xml"),
         u"xl/calcChain.xml", true},
        {"absolute target, other letter case", override("/XL/CALCCHAIN.XML", cc),
         rel("rId9", "calcChain", "/xl/calcChain.xml"), u"xl/calcChain.xml", true},
        {"other name", override("/xl/chain/c.xml", cc), rel("rId9", "calcChain", "chain/c.xml"), u"xl/chain/c.xml",
         true},
        // Its content type alone does not make a part go: nothing relates
        // it, and it is kept as it came.
        {"no relationship", override("/xl/calcChain.xml", cc), "", u"xl/calcChain.xml", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Entries in = threeSheets(c.override, c.rel);
        const std::string chain = "<calcChain xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"/>";
        in.push_back(entry(c.entry, chain));
        Book book;
        ASSERT_TRUE(loadEntries(*book.b, in)) << book.message();
        const Entries out = saved(*book.b);
        EXPECT_EQ(text(out, u"xl/_rels/workbook.xml.rels").find("calcChain"), std::string::npos);
        if (c.dropped) {
            EXPECT_EQ(out.size(), in.size() - 1);
            EXPECT_EQ(text(out, c.entry), "(missing)");
            EXPECT_EQ(text(out, u"[Content_Types].xml").find("calcChain"), std::string::npos);
        } else {
            EXPECT_EQ(out.size(), in.size());
            EXPECT_EQ(text(out, c.entry), chain);
            EXPECT_NE(text(out, u"[Content_Types].xml").find("calcChain"), std::string::npos);
        }
    }
}

TEST(XlsxBook, EntriesKeptAsTheyCame)
{
    Entries in = threeSheets(override("/xl/vbaProject.bin", "application/vnd.ms-office.vbaProject") +
                                 "<Default Extension=\"png\" ContentType=\"image/png\"/>",
                             rel("rId4", "theme", "theme/theme1.xml"));
    in.push_back(entry(u"xl/vbaProject.bin", std::string("\xD0\xCF\x11\xE0 macros", 12)));
    in.push_back(entry(u"xl/media/image1.png", std::string("\x89PNG\r\n\x1A\n....", 12)));
    in.push_back(entry(u"customXml/item1.dat", "no content type declared"));
    in.push_back(entry(u"xl/empty.png", ""));
    in.push_back(entry(u"xl/theme/theme1.xml", "<a:theme xmlns:a=\"x\"/>"));
    Book book;
    ASSERT_TRUE(loadEntries(*book.b, in)) << book.message();
    const Entries out = saved(*book.b);
    ASSERT_EQ(out.size(), in.size());
    for (const ZipEntry& e : in) {
        SCOPED_TRACE(u8(e.name));
        // Parts the engine does not read come back byte for byte.
        if (e.name == u"[Content_Types].xml" || partExtension(e.name) == u"rels" || e.name == u"xl/workbook.xml" ||
            e.name.rfind(u"xl/worksheets/", 0) == 0)
            EXPECT_NE(text(out, e.name.c_str()), "(missing)");
        else
            EXPECT_EQ(text(out, e.name.c_str()), std::string(e.data.begin(), e.data.end()));
    }
    EXPECT_EQ(names(out).front(), "[Content_Types].xml");
}

TEST(XlsxBook, PackagesOfOtherShapesLoad)
{
    // Backslashes in entry names, the workbook in a folder of its own, a
    // macro-enabled template.
    Entries backslashes = threeSheets();
    for (ZipEntry& e : backslashes) std::replace(e.name.begin(), e.name.end(), u'/', u'\\');
    Book a;
    ASSERT_TRUE(loadEntries(*a.b, backslashes)) << a.message();
    EXPECT_EQ(sheetNames(*a.b), "One,Two,Three");
    EXPECT_EQ(names(saved(*a.b))[2], "xl/_rels/workbook.xml.rels");

    Entries moved;
    for (ZipEntry e : threeSheets()) {
        u16string name = e.name;
        if (name.substr(0, 3) == u"xl/") name = u"book/" + name.substr(3);
        std::string data(e.data.begin(), e.data.end());
        for (std::size_t at; (at = data.find("/xl/")) != std::string::npos;) data.replace(at, 4, "/book/");
        for (std::size_t at; (at = data.find("\"xl/")) != std::string::npos;) data.replace(at, 4, "\"book/");
        moved.push_back(entry(name.c_str(), data));
    }
    Book b;
    ASSERT_TRUE(loadEntries(*b.b, moved)) << b.message();
    EXPECT_EQ(b->workbookPart(), u"/book/workbook.xml");
    ASSERT_NE(b->addSheet(u"Four", nullptr), nullptr);
    EXPECT_EQ(b->sheetPartName(3), u"/book/worksheets/sheet4.xml");
    EXPECT_EQ(b->workbookRels().targetById(b->sheetEntry(3)->id.value), u"worksheets/sheet4.xml");

    Entries template_ = threeSheets();
    std::string types(template_[0].data.begin(), template_[0].data.end());
    types.replace(types.find(kWb), kWb.size(), "application/vnd.ms-excel.template.macroEnabled.main+xml");
    template_[0] = entry(u"[Content_Types].xml", types);
    Book c;
    ASSERT_TRUE(loadEntries(*c.b, template_)) << c.message();
    EXPECT_EQ(c->sheetCount(), 3);
}

TEST(XlsxBook, BadPackagesFailWithAMessageAndLeaveTheBookAsItWas)
{
    auto without = [](const char16_t* name) {
        Entries e = threeSheets();
        e.erase(std::remove_if(e.begin(), e.end(), [&](const ZipEntry& x) { return x.name == name; }), e.end());
        return e;
    };
    auto replaced = [](const char16_t* name, const std::string& data) {
        Entries e = threeSheets();
        for (ZipEntry& x : e)
            if (x.name == name) x = entry(name, data);
        return e;
    };
    Entries duplicate = threeSheets();
    duplicate.push_back(entry(u"XL/worksheets/SHEET1.xml", kSheetXml));
    Entries twoEntries = replaced(u"xl/workbook.xml", workbookXml({"One", "Two"}));
    {
        std::string w(twoEntries[2].data.begin(), twoEntries[2].data.end());
        w.replace(w.find("rId2"), 4, "rId1");
        twoEntries[2] = entry(u"xl/workbook.xml", w);
    }
    struct Case {
        const char* what;
        Entries entries;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"no content types", without(u"[Content_Types].xml"), "the package has no [Content_Types].xml"},
        {"no workbook relationships", without(u"xl/_rels/workbook.xml.rels"), "workbook relationships not found"},
        {"no workbook", without(u"xl/workbook.xml"), "workbook part not found"},
        {"empty workbook", replaced(u"xl/workbook.xml", ""), "data is empty in part /xl/workbook.xml"},
        {"malformed workbook", replaced(u"xl/workbook.xml", "<workbook"), "Element not found in part /xl/workbook.xml"},
        {"workbook of another kind", replaced(u"xl/workbook.xml", "<book/>"), "Element not found in part /xl/workbook.xml"},
        {"doctype in a sheet", replaced(u"xl/worksheets/sheet2.xml", "<!DOCTYPE w><worksheet/>"),
         "DOCTYPE declarations are not allowed in part /xl/worksheets/sheet2.xml"},
        {"doctype in the workbook relationships",
         replaced(u"xl/_rels/workbook.xml.rels", "<!DOCTYPE r [<!ENTITY a 'b'>]><Relationships/>"),
         "DOCTYPE declarations are not allowed in part /xl/_rels/workbook.xml.rels"},
        {"two parts of one name", duplicate, "the package holds two parts named /XL/worksheets/SHEET1.xml"},
        {"two sheets of one part", twoEntries, "two sheets of the workbook name one part: /xl/worksheets/sheet1.xml"},
    };
    Book book;
    addSheets(*book.b, "XY");
    ISheetT* x = book->sheet(0);
    const Entries before = saved(*book.b);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(loadEntries(*book.b, c.entries));
        EXPECT_EQ(book.message(), c.message);
        // Nothing of the book changed: its sheets, its objects, its bytes.
        EXPECT_EQ(sheetNames(*book.b), "X,Y");
        EXPECT_EQ(book->sheet(0), x);
        EXPECT_EQ(sheetName(x), "X");
        const Entries after = saved(*book.b);
        ASSERT_EQ(after.size(), before.size());
        for (std::size_t i = 0; i < after.size(); ++i) EXPECT_EQ(after[i].data, before[i].data);
    }
    EXPECT_FALSE(book->loadFromMemory("PK\x03\x04 not a zip", 14));
    EXPECT_EQ(book.message(),
              "The central directory was not found in the archive (or you were trying to open not the last volume of "
              "a segmented archive).");
    EXPECT_FALSE(book->loadFromMemory(nullptr, 3));
    EXPECT_EQ(book.message(), "invalid file format");
    EXPECT_EQ(sheetNames(*book.b), "X,Y");
}

TEST(XlsxBook, PackageOfTooManyEntriesIsRefused)
{
    // 65,539 empty stored entries whose end record counts 3 (the count
    // modulo 65,536, as a writer without ZIP64 leaves it).
    std::vector<std::uint8_t> b, dir;
    const std::uint32_t count = 65539;
    auto put16 = [](std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x) {
        v[at] = static_cast<std::uint8_t>(x);
        v[at + 1] = static_cast<std::uint8_t>(x >> 8);
    };
    auto put32 = [&](std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x) {
        put16(v, at, x & 0xFFFF);
        put16(v, at + 2, x >> 16);
    };
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::string name = "e" + std::to_string(i);
        std::vector<std::uint8_t> local(30, 0), central(46, 0);
        put32(local, 0, 0x04034b50);
        put16(local, 26, static_cast<std::uint32_t>(name.size()));
        put32(central, 0, 0x02014b50);
        put16(central, 28, static_cast<std::uint32_t>(name.size()));
        put32(central, 42, static_cast<std::uint32_t>(b.size()));
        b.insert(b.end(), local.begin(), local.end());
        b.insert(b.end(), name.begin(), name.end());
        dir.insert(dir.end(), central.begin(), central.end());
        dir.insert(dir.end(), name.begin(), name.end());
    }
    std::vector<std::uint8_t> end(22, 0);
    put32(end, 0, 0x06054b50);
    put16(end, 8, count & 0xFFFF);
    put16(end, 10, count & 0xFFFF);
    put32(end, 12, static_cast<std::uint32_t>(dir.size()));
    put32(end, 16, static_cast<std::uint32_t>(b.size()));
    b.insert(b.end(), dir.begin(), dir.end());
    b.insert(b.end(), end.begin(), end.end());
    Book book;
    EXPECT_FALSE(book->loadFromMemory(reinterpret_cast<const char*>(b.data()), static_cast<unsigned>(b.size())));
    EXPECT_EQ(book.message(), "The limit of the maximum number of files in an archive has been reached.");
}

TEST(XlsxBook, MemoryAndFileSavesGiveTheSameBytes)
{
    Book book;
    ASSERT_TRUE(loadEntries(*book.b, threeSheets()));
    const std::string path = test::processTempDir() + "same.xlsx";
    ASSERT_TRUE(book->save(utf8ToUtf16(path).c_str())) << book.message();
    std::ifstream f(path, std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    const char* first = nullptr;
    unsigned firstSize = 0;
    ASSERT_TRUE(book->saveToMemory(&first, &firstSize));
    EXPECT_EQ(std::string(first, firstSize), file);
    // The second buffer replaces the first; a change shows in it.
    book->setActiveSheetNumber(1);
    const char* second = nullptr;
    unsigned secondSize = 0;
    ASSERT_TRUE(book->saveToMemory(&second, &secondSize));
    EXPECT_NE(std::string(second, secondSize), file);
    // A save to memory leaves the message as it was.
    book->sheet(7);
    ASSERT_TRUE(book->saveToMemory(&second, &secondSize));
    EXPECT_EQ(book.message(), "index is out of range");
    // A loaded save loads.
    Book back;
    EXPECT_TRUE(back->load(utf8ToUtf16(path).c_str())) << back.message();
    EXPECT_EQ(sheetNames(*back.b), "One,Two,Three");
    EXPECT_FALSE(back->load(utf8ToUtf16(path + ".none").c_str()));
    EXPECT_EQ(back.message(), "can't open file for reading");
    EXPECT_FALSE(back->save(utf8ToUtf16(test::processTempDir() + "no/such/folder.xlsx").c_str()));
    EXPECT_EQ(back.message(), "can't open file for writing");
}

}  // namespace
}  // namespace celvo
