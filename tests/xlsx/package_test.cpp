// Part names, the part map, the factory, relationships and content types.
#include "test_support.h"

#include <string>
#include <vector>

#include "package_parts.h"
#include "package_types.h"
#include "part_drawing.h"
#include "part_content_types.h"
#include "part_relationships.h"
#include "part_shared_strings.h"
#include "part_styles.h"
#include "sheet.h"

namespace celvo {
namespace {

std::string u8(u16view s) { return utf16ToUtf8(s); }

std::vector<std::uint8_t> bytesOf(const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); }

// The error text of a call, "" when it throws nothing.
template <class F>
std::string errorOf(F&& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

TEST(PartNames, FormsOfAName)
{
    struct Case {
        u16string name, normalized, extension, folder, file;
    };
    const std::vector<Case> cases = {
        {u"xl\\workbook.xml", u"/xl/workbook.xml", u"xml", u"/xl", u"workbook.xml"},
        {u"/xl/workbook.xml", u"/xl/workbook.xml", u"xml", u"/xl", u"workbook.xml"},
        {u"/XL/Media/Image1.PNG", u"/XL/Media/Image1.PNG", u"PNG", u"/XL/Media", u"Image1.PNG"},
        {u"/a.b/c", u"/a.b/c", u"b/c", u"/a.b", u"c"},
        {u"/xl/name.", u"/xl/name.", u"", u"/xl", u"name."},
        {u"/xl/noext", u"/xl/noext", u"", u"/xl", u"noext"},
        {u"/_rels/.rels", u"/_rels/.rels", u"rels", u"/_rels", u".rels"},
        {u"", u"", u"", u"-", u"-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(u8(c.name));
        u16string n = c.name;
        normalizePartName(n);
        EXPECT_EQ(n, c.normalized);
        EXPECT_EQ(partExtension(n), c.extension);
        u16string folder = u"-", file = u"-";
        splitPartName(n, folder, file);
        EXPECT_EQ(folder, c.folder);
        EXPECT_EQ(file, c.file);
        EXPECT_EQ(partDirectory(n), c.folder == u"-" ? u"" : c.folder);
    }
}

// One rule for the name of an entry and of an Override: every form of a
// name gives the one form in which the package is saved, and that form
// gives itself.
TEST(PartNames, EveryFormOfANameIsOneName)
{
    const std::vector<std::pair<u16string, u16string>> cases = {
        {u"/xl/workbook.xml", u"/xl/workbook.xml"},
        {u"xl/workbook.xml", u"/xl/workbook.xml"},
        {u"\\xl/sharedStrings.xml", u"/xl/sharedStrings.xml"},
        {u"xl\\worksheets\\sheet1.xml", u"/xl/worksheets/sheet1.xml"},
        {u"//xl//./styles.xml", u"/xl/styles.xml"},
        {u"/xl/x/../styles.xml", u"/xl/styles.xml"},
        {u"../../xl/styles.xml", u"/xl/styles.xml"},
        {u"/XL/Styles.xml/", u"/XL/Styles.xml"},
        {u"/[Content_Types].xml", u"/[Content_Types].xml"},
        {u"[Content_Types].xml", u"/[Content_Types].xml"},
        {u"/_rels/.rels", u"/_rels/.rels"},
        {u"/a.", u"/a."},
        {u"/a/.b", u"/a/.b"},
        {u"/a/..b", u"/a/..b"},
        {u"/a/.", u"/a"},
        {u"", u"/"},
        {u"/", u"/"},
        {u"xl/..", u"/"},
        {u".", u"/"},
    };
    for (const auto& [name, canonical] : cases) {
        EXPECT_EQ(u8(canonicalPartName(name)), u8(canonical)) << u8(name);
        EXPECT_EQ(u8(canonicalPartName(canonical)), u8(canonical)) << u8(name);
    }
}

TEST(PartNames, CompareWithoutCaseInPackageOrder)
{
    EXPECT_TRUE(samePartName(u"/XL/Styles.xml", u"/xl/styles.xml"));
    EXPECT_FALSE(samePartName(u"/xl/styles.xml", u"/xl/styles.xm"));
    // Only ASCII letters fold.
    EXPECT_FALSE(samePartName(u"/xl/\u00C9.xml", u"/xl/\u00E9.xml"));
    const std::vector<u16string> order = {u"/[Content_Types].xml", u"/_rels/.rels", u"/docProps/app.xml",
                                          u"/xl/_rels/workbook.xml.rels", u"/xl/styles.xml", u"/XL/Workbook.xml",
                                          u"/xl/worksheets/sheet1.xml"};
    for (std::size_t i = 0; i + 1 < order.size(); ++i)
        EXPECT_LT(comparePartNames(order[i], order[i + 1]), 0) << u8(order[i]) << " " << u8(order[i + 1]);
}

TEST(PartNames, TargetsResolveAgainstTheirSource)
{
    struct Case {
        u16string source, target, part;
    };
    const std::vector<Case> cases = {
        {u"/xl/workbook.xml", u"worksheets/sheet2.xml", u"/xl/worksheets/sheet2.xml"},
        {u"/xl/workbook.xml", u"/xl/styles.xml", u"/xl/styles.xml"},
        {u"/xl/worksheets/sheet1.xml", u"../drawings/drawing1.xml", u"/xl/drawings/drawing1.xml"},
        {u"/xl/drawings/drawing1.xml", u"../media/image1.png", u"/xl/media/image1.png"},
        {u"/xl/workbook.xml", u"./a/../b.xml", u"/xl/b.xml"},
        {u"/xl/a.xml", u"../../../x.xml", u"/x.xml"},
        {u"/xl/workbook.xml", u"a//b.xml", u"/xl/a/b.xml"},
        {u"/", u"xl/workbook.xml", u"/xl/workbook.xml"},
        {u"", u"xl/workbook.xml", u"/xl/workbook.xml"},
        {u"/wtf/workbook.xml", u"worksheets/sheet1.xml", u"/wtf/worksheets/sheet1.xml"},
        {u"/", u"/", u"/"},
        // "\\" separates as "/" does, as in the names of entries.
        {u"/xl/workbook.xml", u"worksheets\\sheet2.xml", u"/xl/worksheets/sheet2.xml"},
        {u"/xl/workbook.xml", u"\\xl\\styles.xml", u"/xl/styles.xml"},
    };
    for (const Case& c : cases) EXPECT_EQ(u8(resolveTarget(c.source, c.target)), u8(c.part)) << u8(c.target);

    struct Relative {
        u16string source, part, target;
    };
    const std::vector<Relative> relative = {
        {u"/xl/workbook.xml", u"/xl/worksheets/sheet1.xml", u"worksheets/sheet1.xml"},
        {u"/xl/worksheets/sheet1.xml", u"/xl/media/image1.png", u"../media/image1.png"},
        {u"/", u"/xl/workbook.xml", u"xl/workbook.xml"},
        {u"/xl/workbook.xml", u"/docProps/app.xml", u"../docProps/app.xml"},
        {u"/XL/workbook.xml", u"/xl/styles.xml", u"styles.xml"},
        {u"/a/b/c.xml", u"/a/b.xml", u"../b.xml"},
        {u"/a/b.xml", u"/a/b/c.xml", u"b/c.xml"},
    };
    for (const Relative& c : relative) {
        EXPECT_EQ(u8(relativeTarget(c.source, c.part)), u8(c.target));
        EXPECT_TRUE(samePartName(resolveTarget(c.source, relativeTarget(c.source, c.part)), c.part));
    }

    EXPECT_EQ(relsPartName(u"/xl/workbook.xml"), u"/xl/_rels/workbook.xml.rels");
    EXPECT_EQ(relsPartName(u"/xl/worksheets/sheet3.xml"), u"/xl/worksheets/_rels/sheet3.xml.rels");
    EXPECT_EQ(relsPartName(u"/"), u"/_rels/.rels");
    EXPECT_EQ(relsPartName(u""), u"/_rels/.rels");
}

// A part that counts its own destruction.
struct CountedPart : XFile {
    explicit CountedPart(int& gone) : gone(gone) {}
    ~CountedPart() override { ++gone; }
    void serialize(std::string& out) override { out = "x"; }
    int& gone;
};

TEST(PartMap, NamesWithoutCaseOwnershipAndFreeNames)
{
    int gone = 0;
    CountedPart unowned(gone);
    {
        PartMap map;
        XFile* styles = map.insert(u"/xl/styles.xml", std::make_unique<CountedPart>(gone));
        EXPECT_EQ(map.find(u"/XL/Styles.xml"), styles);
        // A part refused is deleted.
        EXPECT_EQ(errorOf([&] { map.insert(u"/XL/STYLES.XML", std::make_unique<CountedPart>(gone)); }),
                  "the package already holds a part named /XL/STYLES.XML");
        EXPECT_EQ(gone, 1);
        EXPECT_EQ(map.size(), 1u);
        EXPECT_EQ(map.nameOf(styles), u"/xl/styles.xml");  // the first letter case stays
        map.insertUnowned(u"/xl/workbook.xml", &unowned);
        map.insert(u"/xl/media/image1.png", std::make_unique<CountedPart>(gone));
        map.insert(u"/xl/media/image3.png", std::make_unique<CountedPart>(gone));
        EXPECT_EQ(map.insertUnique(u"/xl/media/image", u"png", std::make_unique<CountedPart>(gone)),
                  u"/xl/media/image2.png");
        EXPECT_EQ(map.insertUnique(u"/xl/media/image", u"png", std::make_unique<CountedPart>(gone)),
                  u"/xl/media/image4.png");
        std::vector<u16string> names;
        for (const auto& e : map) names.push_back(e.first);
        EXPECT_EQ(names, (std::vector<u16string>{u"/xl/media/image1.png", u"/xl/media/image2.png",
                                                 u"/xl/media/image3.png", u"/xl/media/image4.png",
                                                 u"/xl/styles.xml", u"/xl/workbook.xml"}));
        map.erase(u"/XL/MEDIA/IMAGE3.PNG");
        EXPECT_EQ(gone, 2);
        EXPECT_FALSE(map.contains(u"/xl/media/image3.png"));
        EXPECT_EQ(map.release(u"/xl/workbook.xml"), nullptr);  // not the map's to hand out
        map.insertUnowned(u"/xl/workbook.xml", &unowned);
        EXPECT_EQ(map.findAs<CountedPart>(u"/xl/workbook.xml"), &unowned);
    }
    EXPECT_EQ(gone, 6);  // every owned part, never the unowned one
}

TEST(PartFactory, ContentTypesChooseThePartClass)
{
    const std::string rels =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"/>";
    const std::string xml = "<?xml version=\"1.0\"?><root><a/></root>";
    const std::string worksheet =
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData/></worksheet>";
    const std::string styleSheet =
        "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><fonts count=\"0\"/></styleSheet>";
    const std::string sst = "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"/>";
    enum Kind { Rels, Sheet, Strings, StylesPart, DrawingPart, Bytes, None };
    struct Case {
        const char16_t* type;
        std::string data;
        Kind kind;
    };
    const std::vector<Case> cases = {
        {packagetype::kRelationships, rels, Rels},
        {packagetype::kWorksheet, worksheet, Sheet},
        {packagetype::kSharedStrings, sst, Strings},
        {packagetype::kStyles, styleSheet, StylesPart},
        {packagetype::kWorkbook, xml, None},
        {u"application/vnd.ms-excel.sheet.macroEnabled.main+xml", xml, None},
        {u"application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml", xml, None},
        {u"application/vnd.ms-excel.template.macroEnabled.main+xml", xml, None},
        {u"application/vnd.openxmlformats-officedocument.theme+xml", xml, Bytes},
        {u"application/vnd.openxmlformats-package.core-properties+xml", xml, Bytes},
        // A drawing is read when a picture operation first needs it.
        {packagetype::kDrawing, xml, DrawingPart},
        {u"image/png", "\x89PNG", Bytes},
        {u"", "anything", Bytes},
        // Another letter case or trailing parameters are another type.
        {u"Application/vnd.openxmlformats-package.relationships+xml", "not xml", Bytes},
        {u"application/vnd.openxmlformats-package.relationships+xml; charset=utf-8", "not xml", Bytes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(u8(c.type));
        std::unique_ptr<XFile> part = createPart(bytesOf(c.data), c.type);
        switch (c.kind) {
        case Rels: EXPECT_NE(dynamic_cast<Relationships*>(part.get()), nullptr); break;
        case Sheet: EXPECT_NE(dynamic_cast<XMLSheetImplT*>(part.get()), nullptr); break;
        case Strings: EXPECT_NE(dynamic_cast<SharedStrings*>(part.get()), nullptr); break;
        case StylesPart: EXPECT_NE(dynamic_cast<Styles*>(part.get()), nullptr); break;
        case DrawingPart: EXPECT_NE(dynamic_cast<Drawing*>(part.get()), nullptr); break;
        case Bytes: EXPECT_NE(dynamic_cast<BinaryFile*>(part.get()), nullptr); break;
        case None: EXPECT_EQ(part, nullptr); break;
        }
        if (part) {
            // Every part writes back what it read: the parts held as their
            // bytes exactly, the others from their bindings.
            std::string out = "old";
            part->serialize(out);
            if (c.kind == Sheet) {
                EXPECT_NE(out.find("<sheetData/>"), std::string::npos) << out;
            } else if (c.kind == Strings) {
                EXPECT_NE(out.find("<sst "), std::string::npos) << out;
            } else if (c.kind == StylesPart) {
                EXPECT_NE(out.find("<fonts count=\"0\"/>"), std::string::npos) << out;
            } else if (c.kind != Rels) {
                EXPECT_EQ(out, c.data);
            }
        }
    }
    std::string out = "old";
    createPart({}, u"image/png")->serialize(out);
    EXPECT_EQ(out, "");

    // Malformed XML parts throw the runtime's message.
    const std::string kMain = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
    struct Bad {
        const char16_t* type;
        std::string data, message;
    };
    const std::vector<Bad> bad = {
        {packagetype::kRelationships, "", "data is empty"},
        {packagetype::kWorksheet, "", "data is empty"},
        {packagetype::kRelationships, "<Relationships", "Element not found"},
        {packagetype::kWorksheet, "<worksheet><sheetData/></worksheet>", "Element not found"},
        {packagetype::kWorksheet, kMain + "<sheetData></worksheet>", "Bad end of element"},
        {packagetype::kWorksheet, kMain + "<sheetData/>", "Unexpected end of message"},
        {packagetype::kWorksheet, "<worksheet", "Element not found"},
        {packagetype::kWorksheet, kMain + "<sheetData/></worksheet><worksheet/>", "Not well formed"},
        {packagetype::kSharedStrings, "<sst xmlns=\"x\"/>", "Element not found"},
        {packagetype::kSharedStrings, "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"1\"><si><t>a</si></sst>", "Bad end of element"},
        {packagetype::kSharedStrings, "<!DOCTYPE sst [<!ENTITY a 'aaaa'>]><sst>&a;</sst>",
         "DOCTYPE declarations are not allowed"},
        {packagetype::kRelationships,
         "<!DOCTYPE Relationships><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"/>",
         "DOCTYPE declarations are not allowed"},
    };
    for (const Bad& c : bad)
        EXPECT_EQ(errorOf([&] { createPart(bytesOf(c.data), c.type); }), c.message) << c.data;
}

const std::u16string kWorksheetType = u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";

TEST(RelationshipsPart, NextIdAddFindRemove)
{
    struct Case {
        std::vector<const char16_t*> ids;
        const char16_t* next;
    };
    const std::vector<Case> cases = {
        {{}, u"rId1"},
        {{u"rId2", u"rId10"}, u"rId11"},
        {{u"rId1", u"rId3"}, u"rId4"},
        {{u"rId"}, u"rId1"},
        {{u"rIdx"}, u"rId1"},
        {{u"img7"}, u"rId8"},
        {{u"rId-5"}, u"rId1"},
        {{u"rId 3"}, u"rId4"},
        {{u"rId5x9"}, u"rId6"},
        {{u"rId99999999999999999999999"}, u"rId1000000000000000001"},
    };
    for (const Case& c : cases) {
        std::string xml = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
        for (const char16_t* id : c.ids)
            xml += "<Relationship Id=\"" + u8(id) + "\" Type=\"t\" Target=\"x\"/>";
        xml += "</Relationships>";
        Relationships rels(xml.data(), xml.size());
        EXPECT_EQ(u8(rels.nextId()), u8(c.next)) << xml;
    }

    Relationships rels;
    EXPECT_EQ(rels.add(kWorksheetType, u"worksheets/sheet1.xml"), u"rId1");
    EXPECT_EQ(rels.targetById(u"rId1"), u"worksheets/sheet1.xml");
    EXPECT_EQ(rels.targetById(u"RID1"), u"");  // Ids compare exactly
    EXPECT_EQ(rels.add(kWorksheetType, u"worksheets/sheet2.xml"), u"rId2");
    EXPECT_EQ(rels.add(u"http://purl.oclc.org/ooxml/officeDocument/relationships/worksheet", u"ws3.xml"), u"rId3");
    EXPECT_EQ(rels.add(u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles", u"styles.xml"),
              u"rId4");
    // Both editions' type URIs are the same type; types are known by their word.
    std::vector<u16string> targets;
    for (const auto* r : rels.ofType(u"worksheet")) targets.push_back(r->Target.value);
    EXPECT_EQ(targets, (std::vector<u16string>{u"worksheets/sheet1.xml", u"worksheets/sheet2.xml", u"ws3.xml"}));
    EXPECT_EQ(rels.firstTargetOfType(u"styles"), u"styles.xml");
    EXPECT_EQ(rels.firstTargetOfType(u"sharedStrings"), u"");
    EXPECT_TRUE(rels.ofType(u"sheet").empty());

    EXPECT_TRUE(rels.removeById(u"rId1"));
    EXPECT_FALSE(rels.removeById(u"rId1"));
    EXPECT_EQ(rels.targetById(u"rId2"), u"worksheets/sheet2.xml");
    EXPECT_EQ(rels.nextId(), u"rId5");
    EXPECT_FALSE(rels.removeByTarget(u"STYLES.XML"));  // targets compare exactly
    EXPECT_TRUE(rels.removeByTarget(u"styles.xml"));
    EXPECT_EQ(rels.nextId(), u"rId4");  // only the Ids left count
    EXPECT_EQ(rels.size(), 2u);

    Relationships::Item copy = rels.at(0);
    EXPECT_EQ(errorOf([&] { rels.addCopy(copy); }), "relationship id is already used");
    copy.set_Id(u"rId9");
    rels.addCopy(copy);
    EXPECT_EQ(rels.nextId(), u"rId10");

    // Written and read back.
    std::string out;
    rels.serialize(out);
    Relationships back(out.data(), out.size());
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back.targetById(u"rId9"), u"worksheets/sheet2.xml");
    EXPECT_EQ(back.at(2).Type.value, kWorksheetType);
}

TEST(ContentTypesPart, LookUpDeclareRemove)
{
    const std::string xml =
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"png\" ContentType=\"image/png\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"a/ws\"/>"
        "<Override PartName=\"/xl/calcChain.xml\" ContentType=\"a/cc\"/>"
        "</Types>";
    ContentTypes types(xml.data(), xml.size());
    struct Case {
        const char16_t* name;
        const char16_t* type;
    };
    for (const Case& c : std::vector<Case>{{u"xl/worksheets/sheet1.xml", u"a/ws"},
                                           {u"xl\\worksheets\\sheet1.xml", u"a/ws"},
                                           {u"/XL/Worksheets/Sheet1.XML", u"a/ws"},
                                           {u"/XL/Media/Image1.PNG", u"image/png"},
                                           {u"/xl/other.xml", u"application/xml"},
                                           {u"/xl/noext", u""},
                                           {u"/xl/name.", u""},
                                           {u"/xl/a.gif", u""}})
        EXPECT_EQ(u8(types.contentType(c.name)), u8(c.type)) << u8(c.name);

    auto count = [&] { return types.root().inner_CT_Types.size(); };
    types.addOverride(u"/XL/WORKSHEETS/SHEET1.XML", u"a/ws2");
    EXPECT_EQ(count(), 4u);
    EXPECT_EQ(types.contentType(u"/xl/worksheets/sheet1.xml"), u"a/ws2");
    types.addDefault(u"PNG", u"image/x-png");
    EXPECT_EQ(count(), 4u);
    EXPECT_EQ(types.contentType(u"/a.png"), u"image/x-png");
    types.addOverride(u"/xl/styles.xml", u"a/st");
    EXPECT_EQ(count(), 5u);
    EXPECT_TRUE(types.hasOverride(u"/XL/styles.xml"));
    EXPECT_FALSE(types.hasOverride(u"/xl/other.xml"));

    // Overrides go in any letter case; defaults stay.
    types.removeOverride(u"/XL/CALCCHAIN.XML");
    EXPECT_EQ(count(), 4u);
    EXPECT_EQ(types.contentType(u"/xl/calcChain.xml"), u"application/xml");
    types.removeOverride(u"/xl/nothing.xml");
    EXPECT_EQ(count(), 4u);

    std::string out;
    types.serialize(out);
    ContentTypes back(out.data(), out.size());
    EXPECT_EQ(back.contentType(u"/xl/styles.xml"), u"a/st");
    EXPECT_EQ(back.contentType(u"/xl/worksheets/sheet1.xml"), u"a/ws2");
    EXPECT_EQ(back.root().inner_CT_Types.size(), 4u);
}

}  // namespace
}  // namespace celvo
