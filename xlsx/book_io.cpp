// Reading a .xlsx package into a part map, and writing the part map back as
// a package.
#include <cmath>
#include <set>

#include "book.h"
#include "ZipPackage.h"
#include "package_types.h"
#include "part_content_types.h"
#include "part_drawing.h"
#include "part_relationships.h"
#include "part_shared_strings.h"
#include "part_styles.h"
#include "sheet.h"

namespace celvo {

using namespace packagetype;

namespace {

const u16string kContentTypesPart = u"/[Content_Types].xml";

// What the bindings say of an XML part that could not be read, with the
// part's name.
[[noreturn]] void failPart(const std::exception& e, u16view name, const std::vector<std::uint8_t>& bytes)
{
    std::string text = e.what();
    // A workbook of the strict edition is not the transitional one the
    // bindings read.
    static const std::string strict = "http://purl.oclc.org/ooxml/spreadsheetml/main";
    const std::size_t head = std::min<std::size_t>(bytes.size(), 4096);
    if (std::string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(head)).find(strict) !=
        std::string::npos)
        text = "strict Open XML is not supported";
    throw xlerror(text + " in part " + utf16ToUtf8(name));
}

// The bytes of an entry; a failure of the archive (a checksum, the inflated
// data, a size that differs from the declared one, a limit) names the part.
std::vector<std::uint8_t> extractPart(ZipReader& reader, std::uint32_t entry, u16view name, const ZipLimits& limits,
                                      std::uint64_t& total)
{
    try {
        return reader.extract(entry, limits, total);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        std::string text = e.what();
        while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
        throw xlerror(text + " in part " + utf16ToUtf8(name));
    }
}

// The part whose relationships a relationships part holds: "/xl/workbook.xml"
// for "/xl/_rels/workbook.xml.rels", "/" (the package) for "/_rels/.rels";
// empty for a part named otherwise, whose relationships relate nothing.
u16string relationshipsSource(u16view relsName)
{
    u16string folder, file;
    splitPartName(relsName, folder, file);
    static const u16string rels = u".rels", dir = u"/_rels";
    if (file.size() < rels.size() || !samePartName(u16view(file).substr(file.size() - rels.size()), rels) ||
        folder.size() < dir.size() || !samePartName(u16view(folder).substr(folder.size() - dir.size()), dir))
        return u16string();
    return folder.substr(0, folder.size() - dir.size()) + u"/" + file.substr(0, file.size() - rels.size());
}

}  // namespace

void XMLBookImplT::readPackage(ZipReader& reader, Package& into, workbook::c_workbook& root)
{
    const ZipLimits limits;
    std::uint64_t total = 0;
    const std::uint32_t count = reader.count();
    // One rule names the part of every entry (canonicalPartName), and the
    // package is saved under those names: a book read, saved and read again
    // finds each part under the same name.
    auto entryName = [&](std::uint32_t i) {
        const u16string stored = reader.name(i);
        u16string name = canonicalPartName(stored);
        if (name == u"/") throw xlerror("the package holds an entry that names no part: \"" + utf16ToUtf8(stored) + "\"");
        return name;
    };

    // The content types come first: every other part is made by its type.
    std::uint32_t typesEntry = count;
    for (std::uint32_t i = 0; i < count && typesEntry == count; ++i)
        if (!reader.isDirectory(i) && samePartName(entryName(i), kContentTypesPart)) typesEntry = i;
    if (typesEntry == count) throw xlerror("the package has no [Content_Types].xml");
    {
        const std::vector<std::uint8_t> bytes = extractPart(reader, typesEntry, kContentTypesPart, limits, total);
        try {
            auto types = std::make_unique<ContentTypes>(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            into.contentTypes = types.get();
            into.parts.insert(kContentTypesPart, std::move(types));
        } catch (const std::exception& e) {
            failPart(e, kContentTypesPart, bytes);
        }
    }

    // Every other entry in archive order. Folder entries are not parts; an
    // entry whose type no declaration gives is kept as its bytes.
    std::vector<u16string> workbookParts;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (i == typesEntry || reader.isDirectory(i)) continue;
        const u16string name = entryName(i);
        if (name.empty() || into.parts.contains(name))
            throw xlerror("the package holds two parts named " + utf16ToUtf8(name));
        std::vector<std::uint8_t> bytes = extractPart(reader, i, name, limits, total);
        const u16string type = into.contentTypes->contentType(name);
        std::unique_ptr<XFile> part;
        if (isWorkbookType(type)) {
            // Held as bytes until the package says which workbook it has.
            workbookParts.push_back(name);
            part = std::make_unique<BinaryFile>(std::move(bytes));
        } else {
            try {
                part = createPart(std::move(bytes), type);
            } catch (const std::exception& e) {
                failPart(e, name, bytes);
            }
        }
        into.parts.insert(name, std::move(part));
    }

    // The workbook: the part the package relationships name as the office
    // document, else the only part of a workbook type.
    u16string workbookPart;
    if (const auto* rels = into.parts.findAs<Relationships>(relsPartName(u"/")))
        for (const Relationships::Item* rel : rels->ofType(u"officeDocument"))
            if (!Relationships::isExternal(*rel)) {
                const u16string name = resolveTarget(u"/", rel->Target.value);
                if (isWorkbookType(into.contentTypes->contentType(name)) && into.parts.contains(name)) {
                    workbookPart = name;
                    break;
                }
            }
    if (workbookPart.empty() && workbookParts.size() == 1) workbookPart = workbookParts.front();
    if (workbookPart.empty()) throw xlerror("workbook part not found");
    {
        std::unique_ptr<XFile> held = into.parts.release(workbookPart);
        const auto& bytes = static_cast<BinaryFile&>(*held).bytes();
        try {
            XmlFile<workbook::c_workbook> document;
            document.load(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            root = std::move(document.root());
        } catch (const std::exception& e) {
            failPart(e, workbookPart, bytes);
        }
        into.parts.insertUnowned(workbookPart, this);
    }
    into.workbookPart = workbookPart;
    into.workbookDir = partDirectory(workbookPart);

    into.workbookRels = into.parts.findAs<Relationships>(relsPartName(workbookPart));
    if (!into.workbookRels) throw xlerror("workbook relationships not found");
    auto related = [&](u16view word) -> XFile* {
        const u16string target = into.workbookRels->firstTargetOfType(word);
        return target.empty() ? nullptr : into.parts.find(resolveTarget(workbookPart, target));
    };
    into.sharedStrings = dynamic_cast<SharedStrings*>(related(u"sharedStrings"));
    into.styles = dynamic_cast<Styles*>(related(u"styles"));
    checkSheetList(into, root);
}

void XMLBookImplT::checkSheetList(const Package& pkg, const workbook::c_workbook& root)
{
    // A book is refused when it could not be saved soundly: without sheets,
    // or with a sheet whose part is not in the package or is one of the
    // parts the book rests on. A sheet part the engine does not read (a
    // chart sheet) is kept as it is.
    const workbook::c_CT_Sheets* list = root.sheets.peek();
    if (!list || list->sheet.size() == 0) throw xlerror("the workbook has no sheets");
    std::set<const XFile*> named;
    for (std::size_t i = 0; i < list->sheet.size(); ++i) {
        const workbook::c_CT_Sheet& entry = *list->sheet.at(i);
        const std::string sheet = "sheet '" + utf16ToUtf8(entry.name.value) + "'";
        const Relationships::Item* rel = pkg.workbookRels->byId(entry.id.value);
        if (!rel) throw xlerror("relationship of " + sheet + " not found: " + utf16ToUtf8(entry.id.value));
        if (Relationships::isExternal(*rel))
            throw xlerror(sheet + " names a part outside the package: " + utf16ToUtf8(rel->Target.value));
        const u16string name = resolveTarget(pkg.workbookPart, rel->Target.value);
        const XFile* part = pkg.parts.find(name);
        if (!part) throw xlerror("sheet part not found: " + utf16ToUtf8(name));
        const bool sheetPart = dynamic_cast<const XMLSheetImplT*>(part) ||
                               (!isBookPart(part) && !dynamic_cast<const Drawing*>(part) &&
                                pkg.contentTypes->contentType(name).compare(0, 6, u"image/") != 0);
        if (!sheetPart) throw xlerror("the part of " + sheet + " is not a sheet: " + utf16ToUtf8(name));
        if (!named.insert(part).second) throw xlerror("two sheets of the workbook name one part: " + utf16ToUtf8(name));
    }
}

void XMLBookImplT::removeCalcChain()
{
    // The workbook's relationships of the calculation-chain type go, except
    // one the workbook names by its Id (as a sheet, an external reference, a
    // pivot cache), whatever type it claims.
    std::set<u16string> named;
    if (const workbook::c_CT_Sheets* list = root_.sheets.peek())
        for (std::size_t i = 0; i < list->sheet.size(); ++i) named.insert(list->sheet.at(i)->id.value);
    if (const workbook::c_CT_ExternalReferences* refs = root_.externalReferences.peek())
        for (std::size_t i = 0; i < refs->externalReference.size(); ++i)
            named.insert(refs->externalReference.at(i)->id.value);
    if (const workbook::c_CT_PivotCaches* caches = root_.pivotCaches.peek())
        for (std::size_t i = 0; i < caches->pivotCache.size(); ++i) named.insert(caches->pivotCache.at(i)->id.value);
    std::set<u16string, PartNameLess> targets;
    pkg_.workbookRels->removeIf([&](const Relationships::Item& rel) {
        if (!relTypeIs(rel.Type.value, u"calcChain") || named.count(rel.Id.value)) return false;
        if (!Relationships::isExternal(rel)) targets.insert(resolveTarget(pkg_.workbookPart, rel.Target.value));
        return true;
    });

    // The part one of them names goes with it only when it is a calculation
    // chain: declared so, held as its bytes (every part the book rests on is
    // an object of its own kind), and named by no other relationship of the
    // package. A relationship that merely claims the type goes alone.
    std::set<u16string, PartNameLess> chains;
    for (const u16string& name : targets) {
        if (pkg_.contentTypes->contentType(name) != kCalcChain) continue;
        const XFile* part = pkg_.parts.find(name);
        if (part && !dynamic_cast<const BinaryFile*>(part)) continue;
        chains.insert(name);  // with no part, only its declaration goes
    }
    // (A target is resolved only when it ends in the file name of one.)
    auto fileName = [](u16view name) {
        const std::size_t slash = name.find_last_of(u"/\\");
        return slash == u16view::npos ? name : name.substr(slash + 1);
    };
    std::set<u16string, PartNameLess> files;
    for (const u16string& name : chains) files.emplace(fileName(name));
    for (auto it = pkg_.parts.begin(); it != pkg_.parts.end() && !chains.empty(); ++it) {
        const auto* rels = dynamic_cast<const Relationships*>(it->second);
        const u16string source = rels ? relationshipsSource(it->first) : u16string();
        if (source.empty()) continue;
        for (std::size_t i = 0; i < rels->size(); ++i) {
            const Relationships::Item& rel = rels->at(i);
            if (!Relationships::isExternal(rel) && files.count(fileName(rel.Target.value)))
                chains.erase(resolveTarget(source, rel.Target.value));
        }
    }
    pkg_.contentTypes->removeOverrides(chains);
    for (const u16string& name : chains) pkg_.parts.erase(name);
}

namespace {

// The item a string cell names, or false when its value names none (a
// value of another form is left as it is).
bool stringIndexOf(const sheet::c_CT_Cell& cell, std::uint32_t& index)
{
    if (cell.type() != sheet::cell_type_s) return false;
    if (cell.kind() == sheet::value_kind::index) {
        index = cell.index();
        return true;
    }
    const double v = cell.kind() == sheet::value_kind::number ? cell.number() : -1;
    if (v < 0 || v >= 4294967296.0 || v != std::floor(v)) return false;
    index = static_cast<std::uint32_t>(v);
    return true;
}

// Parts that the engine keeps as their bytes and whose cells may name
// shared strings: macro sheets and revision logs.
bool namesSharedStrings(u16view contentType)
{
    for (u16view t : {u16view(u"application/vnd.ms-excel.macrosheet+xml"),
                      u16view(u"application/vnd.ms-excel.intlmacrosheet+xml"),
                      u16view(u"application/vnd.openxmlformats-officedocument.spreadsheetml.revisionLog+xml"),
                      u16view(u"application/vnd.openxmlformats-officedocument.spreadsheetml.revisionHeaders+xml")})
        if (contentType == t) return true;
    return false;
}

}  // namespace

void XMLBookImplT::tidySharedStrings()
{
    SharedStrings* strings = pkg_.sharedStrings;
    if (!strings) return;
    // Every part that may name items must be one whose cells are read here:
    // a sheet of the list that is no worksheet must be a chart or dialog
    // sheet.
    std::vector<XMLSheetImplT*> sheets;
    for (const auto& [name, part] : pkg_.parts) {
        if (auto* s = dynamic_cast<XMLSheetImplT*>(part)) sheets.push_back(s);
        else if (!isBookPart(part) && namesSharedStrings(pkg_.contentTypes->contentType(name))) return;
    }
    for (int i = 0; i < sheetEntryCount(); ++i) {
        if (sheetAt(i)) continue;
        const u16string name = sheetPartName(i);
        const u16string type = pkg_.contentTypes->contentType(name);
        if (type != u"application/vnd.openxmlformats-officedocument.spreadsheetml.chartsheet+xml" &&
            type != u"application/vnd.openxmlformats-officedocument.spreadsheetml.dialogsheet+xml")
            return;
    }

    // The items the cells name, and the number of string cells.
    const std::size_t size = strings->size();
    std::vector<bool> used(size, false);
    std::uint64_t cells = 0;
    for (XMLSheetImplT* s : sheets) {
        sheet::c_CT_SheetData* data = s->root().sheetData.peek();
        if (!data) continue;
        for (sheet::c_CT_Row& row : data->rows)
            for (sheet::c_CT_Cell& cell : row.cells) {
                if (cell.type() != sheet::cell_type_s) continue;
                ++cells;
                std::uint32_t index = 0;
                if (stringIndexOf(cell, index) && index < size) used[index] = true;
            }
    }

    // Each item kept takes the place of the items kept before it; an index
    // past the table is left as it is (past the table still).
    std::vector<std::uint32_t> place(size);
    std::uint32_t kept = 0;
    for (std::size_t i = 0; i < size; ++i) place[i] = used[i] ? kept++ : 0;
    if (kept != size) {
        for (XMLSheetImplT* s : sheets) {
            sheet::c_CT_SheetData* data = s->root().sheetData.peek();
            if (!data) continue;
            for (sheet::c_CT_Row& row : data->rows)
                for (sheet::c_CT_Cell& cell : row.cells) {
                    std::uint32_t index = 0;
                    if (stringIndexOf(cell, index) && index < size) cell.set_index(place[index]);
                }
        }
    }
    strings->retain(used, cells);
}

void XMLBookImplT::writePackage(ZipWriter& writer)
{
    if (sheetEntryCount() == 0) throw xlerror("a workbook without sheets can't be saved");
    removeCalcChain();
    tidySharedStrings();
    // Every entry carries the same time, so that a book saved twice gives the
    // same bytes.
    writer.setEntryTime(0x0021, 0);
    std::string out;
    for (const auto& [name, part] : pkg_.parts) {
        part->serialize(out);
        writer.add(name.substr(name.size() > 0 && name[0] == u'/' ? 1 : 0),
                   reinterpret_cast<const std::uint8_t*>(out.data()), out.size());
    }
}

}  // namespace celvo
