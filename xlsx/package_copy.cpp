// The parts a copied sheet takes with it: its relationships, and a copy of
// each part it depends on (drawings with their charts, comments, printer
// settings, controls), so that the two sheets never share one. Pictures and
// other media are shared: no part changes them. Parts that carry names or
// ids unique in the workbook (tables, pivot tables, slicers, threaded
// comments) cannot be copied as bytes: such a sheet is refused.
#include <functional>
#include <map>

#include "book.h"
#include "celvo/cellref.h"
#include "package_types.h"
#include "part_content_types.h"
#include "part_relationships.h"

namespace celvo {

using namespace packagetype;

namespace {

bool sharedAsItIs(u16view contentType) { return contentType.substr(0, 6) == u"image/"; }

bool uniqueInWorkbook(u16view contentType)
{
    for (u16view t : {u16view(u"application/vnd.openxmlformats-officedocument.spreadsheetml.table+xml"),
                      u16view(u"application/vnd.openxmlformats-officedocument.spreadsheetml.pivotTable+xml"),
                      u16view(u"application/vnd.openxmlformats-officedocument.spreadsheetml.queryTable+xml"),
                      u16view(u"application/vnd.ms-excel.slicer+xml"), u16view(u"application/vnd.ms-excel.timeline+xml"),
                      u16view(u"application/vnd.ms-excel.threadedcomments+xml")})
        if (contentType == t) return true;
    return false;
}

// "/xl/drawings/drawing3.xml" -> "/xl/drawings/drawing" and "xml".
void stemAndExtension(u16view name, u16string& stem, u16string& extension)
{
    extension = partExtension(name);
    std::size_t end = name.size() - (extension.empty() ? 0 : extension.size() + 1);
    while (end > 0 && isAsciiDigit(name[end - 1])) --end;
    stem.assign(name.substr(0, end));
}

}  // namespace

void XMLBookImplT::copyDependentParts(u16view fromPart, u16view toPart)
{
    const Relationships* from = relationshipsOf(fromPart);
    if (!from || from->size() == 0) return;

    std::map<u16string, u16string, PartNameLess> copied;  // source part -> its copy
    std::vector<u16string> made;                           // parts made here, undone on failure
    // Copies a part and, through its relationships, what it depends on;
    // returns the name the copy's relationships point at.
    std::function<u16string(const u16string&)> copyPart = [&](const u16string& name) -> u16string {
        XFile* part = pkg_.parts.find(name);
        const u16string type = pkg_.contentTypes->contentType(name);
        if (!part || sharedAsItIs(type)) return name;
        if (uniqueInWorkbook(type))
            throw xlerror("a sheet with tables, pivot tables, slicers or threaded comments can't be copied");
        const auto done = copied.find(name);
        if (done != copied.end()) return done->second;
        std::string bytes;
        part->serialize(bytes);
        std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
        u16string stem, extension;
        stemAndExtension(name, stem, extension);
        const u16string copyName = pkg_.parts.insertUnique(stem, extension, createPart(std::move(data), type));
        made.push_back(copyName);
        copied.emplace(name, copyName);
        if (pkg_.contentTypes->hasOverride(name)) pkg_.contentTypes->addOverride(copyName, type);
        if (const Relationships* rels = relationshipsOf(name)) {
            Relationships& own = ensureRelationshipsOf(copyName);
            made.push_back(relsPartName(copyName));
            for (std::size_t i = 0; i < rels->size(); ++i) {
                Relationships::Item item = rels->at(i);
                if (!Relationships::isExternal(item))
                    item.set_Target(relativeTarget(copyName, copyPart(resolveTarget(name, item.Target.value))));
                own.addCopy(item);
            }
        }
        return copyName;
    };

    try {
        Relationships& to = ensureRelationshipsOf(toPart);
        made.push_back(relsPartName(toPart));
        for (std::size_t i = 0; i < from->size(); ++i) {
            Relationships::Item item = from->at(i);
            if (!Relationships::isExternal(item))
                item.set_Target(relativeTarget(toPart, copyPart(resolveTarget(fromPart, item.Target.value))));
            to.addCopy(item);
        }
    } catch (...) {
        for (const u16string& name : made) {
            pkg_.contentTypes->removeOverride(name);
            pkg_.parts.erase(name);
        }
        throw;
    }
}

}  // namespace celvo
