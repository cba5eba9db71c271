// A .xlsx package with many relationships or content-type declarations,
// loaded and saved from memory: the time of each step for 10,000 to
// 100,000 of them, so that a path over them that is not linear shows as a
// time that grows faster than the count.
//
//     package_bench
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "ZipPackage.h"
#include "celvo/IBookT.h"
#include "celvo/factory.h"

namespace {

const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const std::string kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const std::string kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const std::string kCt = "application/vnd.openxmlformats-officedocument.spreadsheetml.";

std::string relationship(const std::string& id, const std::string& type, const std::string& target)
{
    return "<Relationship Id=\"" + id + "\" Type=\"" + kRel + "/" + type + "\" Target=\"" + target + "\"/>";
}

// A book of one sheet and a calculation chain, with `rels` more workbook
// relationships and `overrides` more Overrides made by `extra`.
std::vector<std::uint8_t> book(const std::string& rels, const std::string& overrides)
{
    using celvo::utf8ToUtf16;
    std::vector<celvo::ZipEntry> entries;
    auto add = [&](const std::string& name, const std::string& text) {
        entries.push_back({utf8ToUtf16(name), std::vector<std::uint8_t>(text.begin(), text.end())});
    };
    add("[Content_Types].xml",
        kHead + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                "<Override PartName=\"/xl/workbook.xml\" ContentType=\"" + kCt + "sheet.main+xml\"/>"
                "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"" + kCt + "worksheet+xml\"/>"
                "<Override PartName=\"/xl/calcChain.xml\" ContentType=\"" + kCt + "calcChain+xml\"/>" + overrides +
                "</Types>");
    add("_rels/.rels", kHead + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
                           relationship("rId1", "officeDocument", "xl/workbook.xml") + "</Relationships>");
    add("xl/workbook.xml", kHead + "<workbook xmlns=\"" + kMain + "\" xmlns:r=\"" + kRel +
                               "\"><sheets><sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
    add("xl/_rels/workbook.xml.rels",
        kHead + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
            relationship("rId1", "worksheet", "worksheets/sheet1.xml") +
            relationship("rId2", "calcChain", "calcChain.xml") + rels + "</Relationships>");
    add("xl/worksheets/sheet1.xml", kHead + "<worksheet xmlns=\"" + kMain +
                                        "\"><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row></sheetData></worksheet>");
    add("xl/calcChain.xml", kHead + "<calcChain xmlns=\"" + kMain + "\"><c r=\"A1\" i=\"1\"/></calcChain>");
    return celvo::writeZipPackage(entries);
}

double seconds(const std::function<bool()>& step)
{
    const auto start = std::chrono::steady_clock::now();
    if (!step()) std::printf("(failed) ");
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void measure(const char* what, int count, const std::vector<std::uint8_t>& bytes)
{
    celvo::IBookT* b = celvo::createXlsxBook();
    const char* saved = nullptr;
    unsigned size = 0;
    const double load = seconds([&] { return b->loadFromMemory(reinterpret_cast<const char*>(bytes.data()),
                                                                static_cast<unsigned>(bytes.size())); });
    const double save = seconds([&] { return b->saveToMemory(&saved, &size); });
    std::printf("%-46s %7d  load %7.3f s  save %7.3f s\n", what, count, load, save);
    b->release();
}

}  // namespace

int main()
{
    const std::string chain = kCt + "calcChain+xml";
    for (int n : {10000, 25000, 50000, 100000}) {
        std::string rels, others, overrides, distinct;
        for (int i = 0; i < n; ++i) {
            const std::string k = std::to_string(i);
            rels += relationship("rIdc" + k, "calcChain", "calcChain.xml");
            others += relationship("rIdx" + k, "customXml", "../customXml/item" + k + ".xml");
            overrides += "<Override PartName=\"/xl/chain" + k + ".xml\" ContentType=\"" + chain + "\"/>";
            distinct += "<Override PartName=\"/xl/part" + k + ".xml\" ContentType=\"application/x-" + k + "+xml\"/>";
        }
        measure("calculation-chain relationships", n, book(rels, ""));
        measure("other workbook relationships", n, book(others, ""));
        measure("calculation-chain Overrides (no parts)", n, book("", overrides));
        measure("Overrides of as many content types", n, book("", distinct));
    }
}
