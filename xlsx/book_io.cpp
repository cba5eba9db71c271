// Reading a .xlsx package into a part map, and writing the part map back as
// a package.
#include "book.h"
#include "ZipPackage.h"
#include "package_types.h"
#include "part_content_types.h"
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

}  // namespace

void XMLBookImplT::readPackage(ZipReader& reader, Package& into, workbook::c_workbook& root)
{
    const ZipLimits limits;
    std::uint64_t total = 0;
    const std::uint32_t count = reader.count();
    auto entryName = [&](std::uint32_t i) {
        u16string name = reader.name(i);
        normalizePartName(name);
        return name;
    };

    // The content types come first: every other part is made by its type.
    std::uint32_t typesEntry = count;
    for (std::uint32_t i = 0; i < count && typesEntry == count; ++i)
        if (!reader.isDirectory(i) && samePartName(entryName(i), kContentTypesPart)) typesEntry = i;
    if (typesEntry == count) throw xlerror("the package has no [Content_Types].xml");
    {
        const std::vector<std::uint8_t> bytes = reader.extract(typesEntry, limits, total);
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
        std::vector<std::uint8_t> bytes = reader.extract(i, limits, total);
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
}

void XMLBookImplT::removeCalcChain()
{
    // Found by relationship type and by content type, its name resolved and
    // compared without regard to case.
    for (const Relationships::Item* rel : pkg_.workbookRels->ofType(u"calcChain")) {
        const u16string id = rel->Id.value;
        if (!Relationships::isExternal(*rel)) {
            const u16string name = resolveTarget(pkg_.workbookPart, rel->Target.value);
            pkg_.contentTypes->removeOverride(name);
            pkg_.parts.erase(name);
        }
        pkg_.workbookRels->removeById(id);
    }
    std::vector<u16string> chains;
    for (const auto& entry : pkg_.parts)
        if (pkg_.contentTypes->contentType(entry.first) == kCalcChain) chains.push_back(entry.first);
    for (const u16string& name : chains) {
        pkg_.contentTypes->removeOverride(name);
        pkg_.parts.erase(name);
    }
}

void XMLBookImplT::writePackage(ZipWriter& writer)
{
    if (sheetEntryCount() == 0) throw xlerror("a workbook without sheets can't be saved");
    removeCalcChain();
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
