// Hostile .xlsx packages of our own making, as one table: each is refused
// with a message that says what is wrong (naming the part where one part
// is at fault), or loads with the sound reading; never a crash, a hang or
// memory without bound. The packages are written entry by entry here, so
// that sizes, checksums and compression can be forged.
#include "test_support.h"
#include "zip_forge.h"

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "celvo/IBookT.h"
#include "celvo/IFormatT.h"
#include "celvo/ISheetT.h"
#include "celvo/bytes.h"
#include "ZipPackage.h"
#include "book_cells.h"
#include "celvo/factory.h"
#include "celvo/text.h"

namespace celvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

using test::RawEntry;
using test::storedEntry;

Bytes archive(const std::vector<RawEntry>& entries) { return test::zipArchive(entries); }

// A deflated entry of `megabytes` MiB of spaces, built from one flushed
// block repeated (so that making a bomb costs little); the declared size
// and checksum are the true ones unless the case forges them.
RawEntry spacesBomb(const std::string& name, std::uint64_t megabytes)
{
    const Bytes spaces(1u << 20, ' ');
    Bytes block(compressBound(static_cast<uLong>(spaces.size())));
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    z.next_in = const_cast<Bytef*>(spaces.data());
    z.avail_in = static_cast<uInt>(spaces.size());
    z.next_out = block.data();
    z.avail_out = static_cast<uInt>(block.size());
    deflate(&z, Z_FULL_FLUSH);
    block.resize(block.size() - z.avail_out);
    deflateEnd(&z);
    RawEntry e;
    e.name = name;
    e.method = 8;
    const uLong oneCrc = crc32(0, spaces.data(), static_cast<uInt>(spaces.size()));
    uLong crc = 0;
    for (std::uint64_t i = 0; i < megabytes; ++i) {
        e.stored.insert(e.stored.end(), block.begin(), block.end());
        crc = crc32_combine(crc, oneCrc, static_cast<z_off_t>(spaces.size()));
    }
    e.stored.push_back(0x03);  // a last, empty fixed block
    e.stored.push_back(0x00);
    e.crc = static_cast<std::uint32_t>(crc);
    e.size = megabytes << 20;
    return e;
}

// ---- the parts of a small book ------------------------------------------

const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const std::string kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const std::string kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const std::string kPkgRel = "http://schemas.openxmlformats.org/package/2006/relationships";

std::string relationship(const std::string& id, const std::string& type, const std::string& target)
{
    return "<Relationship Id=\"" + id + "\" Type=\"" + kRel + "/" + type + "\" Target=\"" + target + "\"/>";
}

std::string relationships(const std::string& items)
{
    return kHead + "<Relationships xmlns=\"" + kPkgRel + "\">" + items + "</Relationships>";
}

std::string worksheet(const std::string& rows, const std::string& after = "")
{
    return kHead + "<worksheet xmlns=\"" + kMain + "\" xmlns:r=\"" + kRel + "\"><sheetData>" + rows +
           "</sheetData>" + after + "</worksheet>";
}

std::string drawing(const std::string& fromCol, const std::string& fromRow)
{
    return kHead +
           "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
           "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" xmlns:r=\"" + kRel + "\">"
           "<xdr:twoCellAnchor><xdr:from><xdr:col>" + fromCol + "</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>" +
           fromRow + "</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>3</xdr:col><xdr:colOff>0"
           "</xdr:colOff><xdr:row>4</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:to><xdr:pic><xdr:nvPicPr>"
           "<xdr:cNvPr id=\"2\" name=\"Picture 1\"/><xdr:cNvPicPr/></xdr:nvPicPr><xdr:blipFill><a:blip r:embed=\"rId1\"/>"
           "<a:stretch><a:fillRect/></a:stretch></xdr:blipFill><xdr:spPr><a:prstGeom prst=\"rect\"><a:avLst/>"
           "</a:prstGeom></xdr:spPr></xdr:pic><xdr:clientData/></xdr:twoCellAnchor></xdr:wsDr>";
}

// A 1x1 PNG.
std::string png()
{
    static const unsigned char bytes[] = {
        0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
        0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00, 0x00, 0x00,
        0x0D, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0xF8, 0xCF, 0xC0, 0xF0, 0x1F, 0x00, 0x05, 0x00, 0x01, 0xFF,
        0x89, 0x99, 0x3D, 0x1D, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

// The parts of a book of one sheet "Data" with shared strings ("zero",
// "one"), styles of two cell formats and a drawing of one picture; a case
// changes or adds parts by name.
std::map<std::string, std::string> bookParts()
{
    const std::string ct = "application/vnd.openxmlformats-officedocument.";
    std::map<std::string, std::string> p;
    p["[Content_Types].xml"] =
        kHead + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/><Default Extension=\"png\" ContentType=\"image/png\"/>"
        "<Override PartName=\"/xl/workbook.xml\" ContentType=\"" + ct + "spreadsheetml.sheet.main+xml\"/>"
        "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"" + ct + "spreadsheetml.worksheet+xml\"/>"
        "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"" + ct + "spreadsheetml.sharedStrings+xml\"/>"
        "<Override PartName=\"/xl/styles.xml\" ContentType=\"" + ct + "spreadsheetml.styles+xml\"/>"
        "<Override PartName=\"/xl/drawings/drawing1.xml\" ContentType=\"" + ct + "drawing+xml\"/></Types>";
    p["_rels/.rels"] = relationships(relationship("rId1", "officeDocument", "xl/workbook.xml"));
    p["xl/workbook.xml"] = kHead + "<workbook xmlns=\"" + kMain + "\" xmlns:r=\"" + kRel +
                           "\"><sheets><sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
    p["xl/_rels/workbook.xml.rels"] =
        relationships(relationship("rId1", "worksheet", "worksheets/sheet1.xml") +
                      relationship("rId2", "sharedStrings", "sharedStrings.xml") +
                      relationship("rId3", "styles", "styles.xml"));
    p["xl/worksheets/sheet1.xml"] = worksheet("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>1</v></c></row>");
    p["xl/sharedStrings.xml"] = kHead + "<sst xmlns=\"" + kMain +
                                "\" count=\"2\" uniqueCount=\"2\"><si><t>zero</t></si><si><t>one</t></si></sst>";
    p["xl/styles.xml"] =
        kHead + "<styleSheet xmlns=\"" + kMain + "\"><fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/>"
        "</font></fonts><fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill "
        "patternType=\"gray125\"/></fill></fills><borders count=\"1\"><border><left/><right/><top/><bottom/>"
        "<diagonal/></border></borders><cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
        "borderId=\"0\"/></cellStyleXfs><cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
        "borderId=\"0\" xfId=\"0\"/><xf numFmtId=\"14\" fontId=\"0\" fillId=\"1\" borderId=\"0\" xfId=\"0\"/>"
        "</cellXfs></styleSheet>";
    p["xl/drawings/drawing1.xml"] = drawing("1", "1");
    p["xl/drawings/_rels/drawing1.xml.rels"] = relationships(relationship("rId1", "image", "../media/image1.png"));
    p["xl/media/image1.png"] = png();
    return p;
}

// The sheet holds the drawing when it is among the parts and the sheet
// names none of its own.
void linkDrawing(std::map<std::string, std::string>& parts)
{
    const auto sheet = parts.find("xl/worksheets/sheet1.xml");
    if (sheet != parts.end() && parts.count("xl/drawings/drawing1.xml") &&
        sheet->second.find("<drawing ") == std::string::npos &&
        sheet->second.find("</sheetData>") != std::string::npos) {
        sheet->second.insert(sheet->second.rfind("</worksheet>"), "<drawing r:id=\"rIdD\"/>");
        parts["xl/worksheets/_rels/sheet1.xml.rels"] =
            relationships(relationship("rIdD", "drawing", "../drawings/drawing1.xml"));
    }
}

// The book's parts as an archive (linkDrawing first).
Bytes package(std::map<std::string, std::string> parts)
{
    linkDrawing(parts);
    std::vector<RawEntry> entries;
    entries.push_back(storedEntry("[Content_Types].xml", parts["[Content_Types].xml"]));
    for (const auto& p : parts)
        if (p.first != "[Content_Types].xml") entries.push_back(storedEntry(p.first, p.second));
    return archive(entries);
}

Bytes withSheet(const std::string& sheetXml)
{
    auto parts = bookParts();
    parts["xl/worksheets/sheet1.xml"] = sheetXml;
    return package(parts);
}

Bytes withPart(const std::string& name, const std::string& text)
{
    auto parts = bookParts();
    parts[name] = text;
    return package(parts);
}

// The package with one entry replaced by a forged one.
Bytes withEntry(const RawEntry& forged)
{
    auto parts = bookParts();
    std::vector<RawEntry> entries;
    entries.push_back(storedEntry("[Content_Types].xml", parts["[Content_Types].xml"]));
    for (const auto& p : parts)
        if (p.first != "[Content_Types].xml" && p.first != forged.name) entries.push_back(storedEntry(p.first, p.second));
    entries.push_back(forged);
    return archive(entries);
}

std::string nested(int depth)
{
    std::string open, close;
    open.reserve(depth * 3);
    close.reserve(depth * 4);
    for (int i = 0; i < depth; ++i) {
        open += "<x>";
        close += "</x>";
    }
    return worksheet("", "<extLst><ext uri=\"{00000000-0000-0000-0000-000000000000}\">" + open + close +
                             "</ext></extLst>");
}

std::string billionLaughs()
{
    std::string doctype = "<!DOCTYPE worksheet [<!ENTITY lol0 \"lol\">";
    for (int i = 1; i <= 9; ++i) {
        doctype += "<!ENTITY lol" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) doctype += "&lol" + std::to_string(i - 1) + ";";
        doctype += "\">";
    }
    doctype += "]>";
    return kHead + doctype + "<worksheet xmlns=\"" + kMain + "\"><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\">"
                             "<is><t>&lol9;</t></is></c></row></sheetData></worksheet>";
}

// ---- the reading --------------------------------------------------------

struct Book {
    IBookT* b = createXlsxBook();
    ~Book() { b->release(); }
    ISheetT* sheet() const { return b->sheetCount() > 0 ? b->sheet(0) : nullptr; }
};

// What the book holds in the cells of its first sheet, as text:
// "A1=one" for a text, "B2=3" for a number, "C1 blank", "D1 error".
std::string cellsOf(ISheetT& s)
{
    std::string out;
    for (int r = s.firstRow(); r < s.lastRow(); ++r)
        for (int c = s.firstColumn(); c < s.lastColumn(); ++c) {
            const int type = s.cellType(r, c);
            if (type == CELLTYPE_EMPTY) continue;
            std::string cell;
            if (c < 26) cell += static_cast<char>('A' + c);
            else cell += "col" + std::to_string(c);
            cell += std::to_string(r + 1);
            if (type == CELLTYPE_STRING) {
                const char16_t* text = s.readString(r, c, nullptr);
                cell += "=" + (text ? utf16ToUtf8(text) : std::string("(null)"));
            } else if (type == CELLTYPE_NUMBER) {
                char number[32];
                std::snprintf(number, sizeof number, "=%g", s.readNumber(r, c, nullptr));
                cell += number;
            } else if (type == CELLTYPE_BLANK) {
                cell += " blank";
            } else if (type == CELLTYPE_ERROR) {
                cell += " error";
            } else {
                cell += s.readBool(r, c, nullptr) ? "=TRUE" : "=FALSE";
            }
            out += (out.empty() ? "" : " ") + cell;
        }
    return out;
}

// A case: the package, and either the words the refusal must hold or what
// the loaded book must read (checked by `check`, which returns "" when the
// reading is sound, else what is wrong).
struct HostileCase {
    const char* what;
    std::function<Bytes()> make;
    const char* refusal;  // null: the package loads
    std::function<std::string(IBookT&)> check;
};

std::string expectCells(IBookT& book, const std::string& expected)
{
    ISheetT* s = book.sheetCount() > 0 ? book.sheet(0) : nullptr;
    if (!s) return "no sheet";
    const std::string got = cellsOf(*s);
    return got == expected ? "" : "cells " + got + ", expected " + expected;
}

// A saved book loads again and reads the same cells.
std::string savesAndReadsAgain(IBookT& book)
{
    const char* data = nullptr;
    unsigned size = 0;
    if (!book.saveToMemory(&data, &size)) return std::string("not saved: ") + book.errorMessage();
    Book again;
    if (!again.b->loadFromMemory(data, size)) return std::string("saved book refused: ") + again.b->errorMessage();
    ISheetT* before = book.sheet(0);
    ISheetT* after = again.sheet();
    if (!before || !after) return "no sheet";
    const std::string a = cellsOf(*before), b = cellsOf(*after);
    return a == b ? "" : "after a save: " + b + ", before: " + a;
}

// The cell A1 holds a shared-string index that names no string: its text
// is refused with a message; the book saves and loads again.
std::string unreadableString(IBookT& b)
{
    ISheetT* s = b.sheet(0);
    if (!s || s->cellType(0, 0) != CELLTYPE_STRING) return "A1 is not a string cell";
    if (s->readString(0, 0, nullptr) != nullptr) return "a text for an index that names none";
    if (std::string(b.errorMessage()).find("out of range") == std::string::npos)
        return std::string("message: ") + b.errorMessage();
    return savesAndReadsAgain(b);
}

// The sheet's one picture is not read, with the message.
std::string pictureRefused(IBookT& b, const std::string& why)
{
    ISheetT* s = b.sheet(0);
    if (!s) return "no sheet";
    if (s->pictureCount() != 1)
        return "pictures: " + std::to_string(s->pictureCount()) + " (" + b.errorMessage() + ")";
    int rowTop = 0, colLeft = 0, rowBottom = 0, colRight = 0, w = 0, h = 0, x = 0, y = 0;
    if (s->getPicture(0, &rowTop, &colLeft, &rowBottom, &colRight, &w, &h, &x, &y) != -1)
        return "read at column " + std::to_string(colLeft) + ", row " + std::to_string(rowTop);
    const std::string message = b.errorMessage();
    return message.find(why) == std::string::npos ? "message: " + message : "";
}

TEST(XlsxHostile, PackagesAreRefusedWithAMessageOrReadSoundly)
{
    const std::string sst = "xl/sharedStrings.xml";
    const HostileCase cases[] = {
        {"the book itself", [] { return package(bookParts()); }, nullptr,
         [](IBookT& b) { return expectCells(b, "A1=one"); }},
        {"zip bomb: a part of 3 GiB of spaces", [] { return withEntry(spacesBomb("xl/worksheets/sheet1.xml", 3072)); },
         "too large to be supported in part /xl/worksheets/sheet1.xml", nullptr},
        {"zip bomb whose declared size is small",
         [] {
             RawEntry e = spacesBomb("xl/worksheets/sheet1.xml", 2048);
             e.size = 600;
             return withEntry(e);
         },
         "in part /xl/worksheets/sheet1.xml", nullptr},
        {"declared size larger than the data",
         [] {
             RawEntry e = storedEntry("xl/sharedStrings.xml", bookParts()["xl/sharedStrings.xml"]);
             e.size += 100000;
             return withEntry(e);
         },
         "in part /xl/sharedStrings.xml", nullptr},
        {"deflated part longer than declared",
         [] {
             RawEntry e = spacesBomb("xl/worksheets/sheet1.xml", 1);
             e.size -= 1;
             return withEntry(e);
         },
         "in part /xl/worksheets/sheet1.xml", nullptr},
        {"part nested 100,000 elements deep", [] { return withSheet(nested(100000)); },
         "in part /xl/worksheets/sheet1.xml", nullptr},
        {"billion laughs", [] { return withSheet(billionLaughs()); }, "in part /xl/worksheets/sheet1.xml", nullptr},
        // The index is kept as the file has it and checked when the cell is
        // read: the text is refused with a message.
        {"shared-string index -1",
         [] { return withSheet(worksheet("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>-1</v></c></row>")); }, nullptr,
         unreadableString},
        {"shared-string index 2^40",
         [] { return withSheet(worksheet("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>1099511627776</v></c></row>")); },
         nullptr, unreadableString},
        {"shared-string index past the list",
         [] { return withSheet(worksheet("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>2</v></c></row>")); }, nullptr,
         unreadableString},
        {"style id 4,000,000,000 on a cell",
         [] { return withSheet(worksheet("<row r=\"1\"><c r=\"A1\" s=\"4000000000\"><v>5</v></c></row>")); },
         nullptr,
         [](IBookT& b) {
             // An id that names no cell format is none.
             std::string wrong = expectCells(b, "A1=5");
             if (wrong.empty() && b.sheet(0)->cellFormat(0, 0) != nullptr) wrong = "a format for an id that names none";
             return wrong.empty() ? savesAndReadsAgain(b) : wrong;
         }},
        {"fill id 4,000,000,000 in a cell format",
         [] {
             std::string styles = bookParts()["xl/styles.xml"];
             styles.replace(styles.find("fillId=\"1\""), 10, "fillId=\"4000000000\"");
             return withPart("xl/styles.xml", styles);
         },
         nullptr,
         [](IBookT& b) {
             if (b.formatCount() != 2) return "format count " + std::to_string(b.formatCount());
             IFormatT* f = b.format(1);
             if (!f || f->numFormat() != 14) return std::string("the format lost its number format");
             f->setFillPattern(1);  // solid
             return savesAndReadsAgain(b);
         }},
        {"cell reference XFE1048577",
         [] { return withSheet(worksheet("<row r=\"1\"><c r=\"XFE1048577\"><v>1</v></c></row>")); },
         "in part /xl/worksheets/sheet1.xml", nullptr},
        {"row 1048577",
         [] { return withSheet(worksheet("<row r=\"1048577\"><c><v>1</v></c></row>")); },
         "in part /xl/worksheets/sheet1.xml", nullptr},
        // The sheet names a part the package does not hold.
        {"worksheet at ../../../etc/passwd",
         [] {
             return withPart("xl/_rels/workbook.xml.rels",
                             relationships(relationship("rId1", "worksheet", "../../../etc/passwd") +
                                           relationship("rId2", "sharedStrings", "sharedStrings.xml") +
                                           relationship("rId3", "styles", "styles.xml")));
         },
         "sheet part not found: /etc/passwd", nullptr},
        {"picture at ../../../etc/passwd",
         [] {
             return withPart("xl/drawings/_rels/drawing1.xml.rels",
                             relationships(relationship("rId1", "image", "../../../etc/passwd")));
         },
         nullptr,
         [](IBookT& b) {
             std::string wrong = pictureRefused(b, "picture not found");
             return wrong.empty() ? savesAndReadsAgain(b) : wrong;
         }},
        {"drawing marker at column 2^31-1", [] { return withPart("xl/drawings/drawing1.xml", drawing("2147483647", "1")); },
         nullptr,
         [](IBookT& b) {
             std::string wrong = pictureRefused(b, "outside the sheet");
             return wrong.empty() ? savesAndReadsAgain(b) : wrong;
         }},
        // A drawing is read when a picture operation needs it: one that does
        // not read fails that operation with a message naming the part.
        {"drawing marker at row -1", [] { return withPart("xl/drawings/drawing1.xml", drawing("1", "-1")); }, nullptr,
         [](IBookT& b) {
             ISheetT* s = b.sheet(0);
             if (s->pictureCount() != -1) return std::string("the drawing read");
             const std::string message = b.errorMessage();
             if (message.find("in part /xl/drawings/drawing1.xml") == std::string::npos) return "message: " + message;
             return savesAndReadsAgain(b);
         }},
        {"rows and cells in reverse and twice",
         [] {
             return withSheet(worksheet("<row r=\"3\"><c r=\"C3\"><v>33</v></c><c r=\"A3\"><v>31</v></c></row>"
                                        "<row r=\"1\"><c r=\"B1\"><v>12</v></c><c r=\"A1\"><v>11</v></c>"
                                        "<c r=\"B1\"><v>13</v></c></row>"
                                        "<row r=\"3\"><c r=\"B3\"><v>32</v></c></row>"));
         },
         nullptr,
         [](IBookT& b) {
             std::string wrong = expectCells(b, "A1=11 B1=13 A3=31 B3=32 C3=33");
             return wrong.empty() ? savesAndReadsAgain(b) : wrong;
         }},
        {"cells without references after a reference",
         [] { return withSheet(worksheet("<row><c r=\"B1\"><v>2</v></c><c><v>3</v></c></row><row><c><v>4</v></c></row>")); },
         nullptr,
         [](IBookT& b) {
             std::string wrong = expectCells(b, "B1=2 C1=3 A2=4");
             return wrong.empty() ? savesAndReadsAgain(b) : wrong;
         }},
    };
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes bytes = c.make();
        Book book;
        const bool loaded = book.b->loadFromMemory(reinterpret_cast<const char*>(bytes.data()),
                                                   static_cast<unsigned>(bytes.size()));
        const std::string message = book.b->errorMessage() ? book.b->errorMessage() : "";
        if (c.refusal) {
            EXPECT_FALSE(loaded) << "loaded";
            EXPECT_NE(message.find(c.refusal), std::string::npos) << message;
            EXPECT_EQ(book.b->sheetCount(), 0) << "a failed load keeps what the book had";
        } else {
            ASSERT_TRUE(loaded) << message;
            EXPECT_EQ(c.check(*book.b), "");
        }
    }
}

// ---- what a package says of its own structure --------------------------
//
// Relationships, content types and entry names that lie: nothing they say
// may cost the book a part it needs. Each package is refused with a message
// naming what is wrong, or loads, saves, and loads again reading exactly what
// it read the first time (every sheet, cell and formula).

const std::string kWorkbookType = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
const std::string kCalcChainType = "application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml";

std::string calcChainPart()
{
    return kHead + "<calcChain xmlns=\"" + kMain + "\"><c r=\"A1\" i=\"1\"/></calcChain>";
}

// Adds relationships to the workbook's relationships part.
void addWorkbookRelationships(std::map<std::string, std::string>& parts, const std::string& items)
{
    std::string& rels = parts["xl/_rels/workbook.xml.rels"];
    rels.insert(rels.rfind("</Relationships>"), items);
}

// Adds an Override to [Content_Types].xml.
void addOverride(std::map<std::string, std::string>& parts, const std::string& name, const std::string& type)
{
    std::string& types = parts["[Content_Types].xml"];
    types.insert(types.rfind("</Types>"), "<Override PartName=\"" + name + "\" ContentType=\"" + type + "\"/>");
}

// The book with a calculation chain /xl/calcChain.xml, and a workbook
// relationship of that type whose target is `target` (the chain's own
// name, or that of another part).
std::map<std::string, std::string> withCalcChain(const std::string& target)
{
    auto parts = bookParts();
    parts["xl/calcChain.xml"] = calcChainPart();
    addOverride(parts, "/xl/calcChain.xml", kCalcChainType);
    addWorkbookRelationships(parts, relationship("rId9", "calcChain", target));
    return parts;
}

// The book's parts as an archive whose entries are named otherwise:
// `names` maps a part's usual entry name to the one written.
Bytes packageNamed(std::map<std::string, std::string> parts, const std::map<std::string, std::string>& names)
{
    const Bytes usual = package(parts);
    std::vector<RawEntry> entries;
    for (const auto& e : readZipPackage(usual.data(), usual.size())) {
        const std::string name = utf16ToUtf8(e.name);
        const auto renamed = names.find(name);
        entries.push_back(storedEntry(renamed == names.end() ? name : renamed->second,
                                      std::string(e.data.begin(), e.data.end())));
    }
    return archive(entries);
}

// The entries of a saved package, by name as stored.
std::map<std::string, std::string> savedEntries(const char* data, unsigned size)
{
    std::map<std::string, std::string> out;
    for (const auto& e : readZipPackage(reinterpret_cast<const std::uint8_t*>(data), size))
        out[utf16ToUtf8(e.name)] = std::string(e.data.begin(), e.data.end());
    return out;
}

// What a book reads: its sheets, cells and formulas, and the pictures of
// each sheet.
std::u16string everything(IBookT& book)
{
    std::u16string out = test::bookText(book);
    for (int i = 0; i < book.sheetCount(); ++i)
        if (ISheetT* s = book.sheet(i)) out += u"pictures " + widenAscii(std::to_string(s->pictureCount())) + u"\n";
    return out;
}

// The book is saved, and the saved package read again reads what the book
// read; `saved` receives the saved entries. "" when so, else what differs.
std::string roundTrip(IBookT& book, std::map<std::string, std::string>* saved = nullptr)
{
    const std::u16string before = everything(book);
    const char* data = nullptr;
    unsigned size = 0;
    if (!book.saveToMemory(&data, &size)) return std::string("not saved: ") + book.errorMessage();
    if (saved) *saved = savedEntries(data, size);
    Book again;
    if (!again.b->loadFromMemory(data, size)) return std::string("saved book refused: ") + again.b->errorMessage();
    const std::u16string after = everything(*again.b);
    return after == before ? "" : "read after a save:\n" + utf16ToUtf8(after) + "before:\n" + utf16ToUtf8(before);
}

// The saved package holds no calculation chain: no part, no declaration,
// no relationship of that type.
std::string noCalcChainIn(const std::map<std::string, std::string>& saved)
{
    if (saved.count("xl/calcChain.xml")) return "the calculation chain was saved";
    if (saved.at("[Content_Types].xml").find("calcChain") != std::string::npos) return "its Override was saved";
    if (saved.at("xl/_rels/workbook.xml.rels").find("calcChain") != std::string::npos)
        return "its relationship was saved";
    return "";
}

// The saved package holds every part of `parts` but the calculation chain,
// each under its own name.
std::string keepsEveryPart(const std::map<std::string, std::string>& parts,
                           const std::map<std::string, std::string>& saved)
{
    for (const auto& p : parts)
        if (p.first != "xl/calcChain.xml" && !saved.count(p.first)) return "the part " + p.first + " was not saved";
    return "";
}

// The book whose sheet relationship's target is given as its attribute text.
Bytes withSheetTarget(const std::string& attributes)
{
    auto parts = bookParts();
    std::string& rels = parts["xl/_rels/workbook.xml.rels"];
    const std::string usual = "Target=\"worksheets/sheet1.xml\"";
    rels.replace(rels.find(usual), usual.size(), attributes);
    return package(parts);
}

struct ClaimCase {
    std::string what;
    std::function<Bytes()> make;
    const char* refusal;  // null: the package loads, saves and reads the same
    std::function<std::string(IBookT&, const std::map<std::string, std::string>&)> saved;  // may be null
};

TEST(XlsxHostile, WhatAPackageSaysNeverCostsThePartsTheBookNeeds)
{
    const std::string sst = "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";
    auto everyPartButTheChain = [](const std::string& target) {
        return [target](IBookT&, const std::map<std::string, std::string>& saved) {
            auto parts = withCalcChain(target);
            linkDrawing(parts);
            std::string wrong = keepsEveryPart(parts, saved);
            if (wrong.empty() && saved.at("xl/_rels/workbook.xml.rels").find("calcChain") != std::string::npos)
                wrong = "the relationship that claims to name a calculation chain was saved";
            return wrong;
        };
    };
    std::vector<ClaimCase> cases = {
        {"a calculation chain", [] { return package(withCalcChain("calcChain.xml")); }, nullptr,
         [](IBookT&, const std::map<std::string, std::string>& saved) { return noCalcChainIn(saved); }},
        {"a calculation chain named absolutely and in other letters",
         [] { return package(withCalcChain("/XL/CalcChain.XML")); }, nullptr,
         [](IBookT&, const std::map<std::string, std::string>& saved) { return noCalcChainIn(saved); }},
        {"2,000 relationships to one calculation chain",
         [] {
             auto parts = withCalcChain("calcChain.xml");
             std::string items;
             for (int i = 0; i < 2000; ++i) items += relationship("rIdc" + std::to_string(i), "calcChain", "calcChain.xml");
             addWorkbookRelationships(parts, items);
             return package(parts);
         },
         nullptr, [](IBookT&, const std::map<std::string, std::string>& saved) { return noCalcChainIn(saved); }},
        // A relationship of the calculation-chain type under the Id the
        // sheet list names is the sheet's: it stays.
        {"the sheet's relationship claims the calculation-chain type",
         [] {
             auto parts = bookParts();
             std::string& rels = parts["xl/_rels/workbook.xml.rels"];
             rels.replace(rels.find("/worksheet\""), 11, "/calcChain\"");
             return package(parts);
         },
         nullptr, nullptr},
        // Declared a calculation chain and named by one, but the sheet list
        // names it too: a sheet the engine does not read, kept.
        {"the sheet's part declared a calculation chain and named by one",
         [] {
             auto parts = withCalcChain("worksheets/sheet1.xml");
             addOverride(parts, "/xl/worksheets/sheet1.xml", kCalcChainType);
             return package(parts);
         },
         nullptr, everyPartButTheChain("worksheets/sheet1.xml")},
        {"the styles declared a calculation chain and named by one",
         [] {
             auto parts = withCalcChain("styles.xml");
             addOverride(parts, "/xl/styles.xml", kCalcChainType);
             return package(parts);
         },
         nullptr, everyPartButTheChain("styles.xml")},
        // The office document is a part held as a workbook, whatever an
        // Override declares: [Content_Types].xml and a relationships part
        // declared of the workbook type and named as the office document.
        {"[Content_Types].xml declared a workbook and named as the office document",
         [] {
             auto parts = bookParts();
             addOverride(parts, "/[Content_Types].xml", kWorkbookType);
             parts["_rels/.rels"] = relationships(relationship("rId1", "officeDocument", "[Content_Types].xml"));
             return package(parts);
         },
         nullptr, nullptr},
        {"the workbook's relationships declared a workbook and named as the office document",
         [] {
             auto parts = bookParts();
             addOverride(parts, "/xl/_rels/workbook.xml.rels", kWorkbookType);
             parts["_rels/.rels"] = relationships(relationship("rId1", "officeDocument", "xl/_rels/workbook.xml.rels"));
             return package(parts);
         },
         "/xl/_rels/workbook.xml.rels", nullptr},
        // Entry names: the one rule (canonicalPartName) finds the part the
        // relationship names, and the package is saved under that name.
        {"an entry named with a leading backslash",
         [] { return packageNamed(bookParts(), {{"xl/sharedStrings.xml", "\\xl/sharedStrings.xml"}}); }, nullptr,
         [](IBookT& b, const std::map<std::string, std::string>& saved) {
             std::string wrong = expectCells(b, "A1=one");
             return wrong.empty() && !saved.count("xl/sharedStrings.xml") ? "saved under another name" : wrong;
         }},
        {"entries named with a leading slash, doubled slashes, backslashes and a dot",
         [] {
             return packageNamed(bookParts(), {{"xl/sharedStrings.xml", "/xl//./sharedStrings.xml"},
                                               {"xl/worksheets/sheet1.xml", "xl\\worksheets\\sheet1.xml"},
                                               {"xl/styles.xml", "XL/Styles.xml"}});
         },
         nullptr,
         [](IBookT& b, const std::map<std::string, std::string>& saved) {
             std::string wrong = expectCells(b, "A1=one");
             if (wrong.empty() && (!saved.count("xl/sharedStrings.xml") || !saved.count("xl/worksheets/sheet1.xml")))
                 wrong = "saved under other names";
             return wrong;
         }},
        {"two entries that name one part",
         [] {
             auto parts = bookParts();
             parts["\\xl\\sharedStrings.xml"] = parts["xl/sharedStrings.xml"];
             return package(parts);
         },
         "two parts named /xl/sharedStrings.xml", nullptr},
        {"an entry that names no part",
         [] {
             auto parts = bookParts();
             parts["xl/.."] = "x";
             return package(parts);
         },
         "an entry that names no part: \"xl/..\"", nullptr},
        // The sheet list: every sheet names a part of its own that is there.
        {"a sheet whose part is missing",
         [] {
             auto parts = bookParts();
             parts.erase("xl/worksheets/sheet1.xml");
             parts.erase("xl/drawings/drawing1.xml");
             return package(parts);
         },
         "sheet part not found: /xl/worksheets/sheet1.xml", nullptr},
        {"a sheet whose relationship is missing",
         [] {
             auto parts = bookParts();
             std::string& wb = parts["xl/workbook.xml"];
             wb.replace(wb.find("r:id=\"rId1\""), 11, "r:id=\"rId7\"");
             return package(parts);
         },
         "relationship of sheet 'Data' not found: rId7", nullptr},
        {"a sheet outside the package",
         [] { return withSheetTarget("Target=\"file:///etc/passwd\" TargetMode=\"External\""); },
         "sheet 'Data' names a part outside the package: file:///etc/passwd", nullptr},
        {"a sheet that names the styles",
         [] { return withSheetTarget("Target=\"styles.xml\""); },
         "the part of sheet 'Data' is not a sheet: /xl/styles.xml", nullptr},
        {"a sheet that names the workbook",
         [] { return withSheetTarget("Target=\"/xl/workbook.xml\""); },
         "the part of sheet 'Data' is not a sheet: /xl/workbook.xml", nullptr},
        {"two sheets that name one part",
         [] {
             auto parts = bookParts();
             std::string& wb = parts["xl/workbook.xml"];
             wb.insert(wb.find("</sheets>"), "<sheet name=\"Again\" sheetId=\"2\" r:id=\"rId1\"/>");
             return package(parts);
         },
         "two sheets of the workbook name one part: /xl/worksheets/sheet1.xml", nullptr},
        {"a workbook without sheets",
         [] {
             auto parts = bookParts();
             std::string& wb = parts["xl/workbook.xml"];
             const std::size_t at = wb.find("<sheet ");
             wb.erase(at, wb.find("/>", at) + 2 - at);
             return package(parts);
         },
         "the workbook has no sheets", nullptr},
        // A chart sheet has a part of its own that the engine keeps.
        {"a chart sheet",
         [] {
             auto parts = bookParts();
             parts["xl/chartsheets/sheet1.xml"] = kHead + "<chartsheet xmlns=\"" + kMain + "\"/>";
             addOverride(parts, "/xl/chartsheets/sheet1.xml",
                         "application/vnd.openxmlformats-officedocument.spreadsheetml.chartsheet+xml");
             addWorkbookRelationships(parts, relationship("rId8", "chartsheet", "chartsheets/sheet1.xml"));
             std::string& wb = parts["xl/workbook.xml"];
             wb.insert(wb.find("</sheets>"), "<sheet name=\"Chart\" sheetId=\"2\" r:id=\"rId8\"/>");
             return package(parts);
         },
         nullptr,
         [](IBookT& b, const std::map<std::string, std::string>& saved) -> std::string {
             if (b.sheetCount() != 2) return "sheets: " + std::to_string(b.sheetCount());
             return saved.count("xl/chartsheets/sheet1.xml") ? "" : "the chart sheet was not saved";
         }},
        // A failure of the archive names the part.
        {"a part whose checksum is wrong",
         [] {
             RawEntry e = storedEntry("xl/sharedStrings.xml", bookParts()["xl/sharedStrings.xml"]);
             e.crc ^= 1;
             return withEntry(e);
         },
         "in part /xl/sharedStrings.xml", nullptr},
        {"a part whose deflated data is not deflate",
         [] {
             RawEntry e = test::deflatedEntry("xl/styles.xml", bookParts()["xl/styles.xml"]);
             for (std::size_t i = 0; i < e.stored.size(); i += 3) e.stored[i] = 0xFF;
             return withEntry(e);
         },
         "in part /xl/styles.xml", nullptr},
        {"a part shorter than its declared size",
         [] {
             RawEntry e = test::deflatedEntry("xl/worksheets/sheet1.xml", bookParts()["xl/worksheets/sheet1.xml"]);
             e.size += 10;
             return withEntry(e);
         },
         "in part /xl/worksheets/sheet1.xml", nullptr},
        {"a damaged [Content_Types].xml",
         [] {
             std::vector<RawEntry> entries;
             for (const auto& p : bookParts()) entries.push_back(storedEntry(p.first, p.second));
             for (RawEntry& e : entries)
                 if (e.name == "[Content_Types].xml") e.crc ^= 0x100;
             return archive(entries);
         },
         "in part /[Content_Types].xml", nullptr},
    };
    // A relationship of the calculation-chain type may name any part: it
    // goes alone, and the part stays.
    for (const char* target :
         {"_rels/workbook.xml.rels", "../[Content_Types].xml", "workbook.xml", "/xl/worksheets/sheet1.xml",
          "sharedStrings.xml", "styles.xml", "../_rels/.rels", "drawings/drawing1.xml",
          "drawings/_rels/drawing1.xml.rels", "media/image1.png", "worksheets/_rels/sheet1.xml.rels", "nothing.xml"}) {
        cases.push_back({std::string("a calculation-chain relationship to ") + target,
                         [target] {
                             auto parts = withCalcChain(target);
                             parts.erase("xl/calcChain.xml");
                             return package(parts);
                         },
                         nullptr,
                         [target, everyPartButTheChain](IBookT& b, const std::map<std::string, std::string>& saved) {
                             std::string wrong = everyPartButTheChain(target)(b, saved);
                             return wrong.empty() ? expectCells(b, "A1=one") : wrong;
                         }});
    }

    for (const ClaimCase& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes bytes = c.make();
        Book book;
        const bool loaded = book.b->loadFromMemory(reinterpret_cast<const char*>(bytes.data()),
                                                   static_cast<unsigned>(bytes.size()));
        const std::string message = book.b->errorMessage() ? book.b->errorMessage() : "";
        if (c.refusal) {
            EXPECT_FALSE(loaded) << "loaded";
            EXPECT_NE(message.find(c.refusal), std::string::npos) << message;
            EXPECT_EQ(book.b->sheetCount(), 0) << "a failed load keeps what the book had";
            continue;
        }
        ASSERT_TRUE(loaded) << message;
        std::map<std::string, std::string> saved;
        EXPECT_EQ(roundTrip(*book.b, &saved), "");
        if (c.saved && !saved.empty()) {
            EXPECT_EQ(c.saved(*book.b, saved), "");
        }
    }
}

// A sheet copied within the book takes its own copy of the parts it alone
// depends on (its drawing), and names the parts the book rests on as they
// are, whatever its relationships call them; a relationships part that the
// package left for a part it does not hold is never taken over.
TEST(XlsxHostile, ACopiedSheetCopiesOnlyWhatItAloneDependsOn)
{
    auto parts = bookParts();
    linkDrawing(parts);
    std::string& rels = parts["xl/worksheets/_rels/sheet1.xml.rels"];
    rels.insert(rels.rfind("</Relationships>"), relationship("rIdW", "x", "../workbook.xml") +
                                                    relationship("rIdC", "x", "../../[Content_Types].xml") +
                                                    relationship("rIdS", "styles", "../styles.xml") +
                                                    relationship("rIdT", "x", "../sharedStrings.xml") +
                                                    relationship("rIdR", "x", "../_rels/workbook.xml.rels") +
                                                    relationship("rIdO", "x", "sheet1.xml"));
    const std::string stale = relationships(relationship("rId1", "x", "elsewhere.xml"));
    parts["xl/worksheets/_rels/sheet2.xml.rels"] = stale;
    const Bytes bytes = package(parts);
    Book book;
    ASSERT_TRUE(book.b->loadFromMemory(reinterpret_cast<const char*>(bytes.data()), static_cast<unsigned>(bytes.size())))
        << book.b->errorMessage();
    ASSERT_NE(book.b->addSheet(u"Copy", book.b->sheet(0)), nullptr) << book.b->errorMessage();
    std::map<std::string, std::string> saved;
    EXPECT_EQ(roundTrip(*book.b, &saved), "");
    std::string names;
    for (const auto& e : saved) names += e.first + " ";
    EXPECT_TRUE(saved.count("xl/worksheets/sheet3.xml")) << names;
    EXPECT_TRUE(saved.count("xl/drawings/drawing2.xml")) << names;
    const std::string kept = saved["xl/worksheets/_rels/sheet2.xml.rels"];
    EXPECT_TRUE(kept.find("elsewhere.xml") != std::string::npos && kept.find("drawing") == std::string::npos) << kept;
    for (const auto& e : saved) {
        for (const char* copied : {"workbook1", "workbook.xml1", "Content_Types]1", "styles1", "sharedStrings1",
                                   "sheet4", "image2"}) {
            EXPECT_EQ(e.first.find(copied), std::string::npos) << "a copy of a part the book rests on: " << e.first;
        }
    }
    const std::string copyRels = saved["xl/worksheets/_rels/sheet3.xml.rels"];
    EXPECT_NE(copyRels.find("Target=\"../workbook.xml\""), std::string::npos) << copyRels;
    EXPECT_NE(copyRels.find("Target=\"../drawings/drawing2.xml\""), std::string::npos) << copyRels;
}

}  // namespace
}  // namespace celvo
