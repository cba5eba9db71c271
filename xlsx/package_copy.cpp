// The parts a copied sheet takes with it: its relationships, and a copy of
// each part it depends on (drawings with their charts, comments, printer
// settings, controls), so that the two sheets never share one. Pictures and
// other media are shared: no part changes them. Parts that carry names or
// ids unique in the workbook (tables, pivot tables, slicers, threaded
// comments) cannot be copied as bytes: such a sheet is refused.
//
// The parts a deleted sheet leaves: those it depended on go when nothing
// left in the package relates them.
#include <map>
#include <set>

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

    // A part is copied when the sheet depends on it alone: never one the
    // package or the book rests on (the content types, a relationships part,
    // the workbook, a sheet, the shared strings, the styles), whatever a
    // relationship calls it; those are named by the copy as they are.
    auto copiedWithSheet = [&](const u16string& name) {
        const XFile* part = pkg_.parts.find(name);
        if (!part || isBookPart(part)) return false;
        const u16string type = pkg_.contentTypes->contentType(name);
        if (sharedAsItIs(type) || isWorkbookType(type)) return false;
        for (int i = 0; i < sheetEntryCount(); ++i)
            if (samePartName(sheetPartName(i), name)) return false;
        if (uniqueInWorkbook(type))
            throw xlerror("a sheet with tables, pivot tables, slicers or threaded comments can't be copied");
        return true;
    };

    // The parts to copy: what the sheet's relationships reach, and what
    // theirs reach in turn (a work list, so that a long chain of parts never
    // deepens the stack).
    std::map<u16string, u16string, PartNameLess> copies;  // part -> its copy
    std::vector<u16string> order;
    auto reach = [&](const Relationships& rels, const u16string& source) {
        for (std::size_t i = 0; i < rels.size(); ++i) {
            if (Relationships::isExternal(rels.at(i))) continue;
            const u16string name = resolveTarget(source, rels.at(i).Target.value);
            if (copies.count(name) || !copiedWithSheet(name)) continue;
            copies.emplace(name, u16string());
            order.push_back(name);
        }
    };
    reach(*from, u16string(fromPart));
    for (std::size_t k = 0; k < order.size(); ++k)
        if (const Relationships* rels = relationshipsOf(order[k])) reach(*rels, order[k]);

    // The name a relationship of the copy gives a target.
    auto copyOf = [&](const u16string& name) {
        const auto it = copies.find(name);
        return it == copies.end() || it->second.empty() ? name : it->second;
    };
    auto copyRelationships = [&](const Relationships& rels, const u16string& source, Relationships& own,
                                 const u16string& ownSource) {
        for (std::size_t i = 0; i < rels.size(); ++i) {
            Relationships::Item item = rels.at(i);
            if (!Relationships::isExternal(item))
                item.set_Target(relativeTarget(ownSource, copyOf(resolveTarget(source, item.Target.value))));
            own.addCopy(item);
        }
    };

    std::vector<u16string> made;  // parts made here, undone on failure
    try {
        for (const u16string& name : order) {
            const u16string type = pkg_.contentTypes->contentType(name);
            std::string bytes;
            pkg_.parts.find(name)->serialize(bytes);
            std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
            u16string stem, extension;
            stemAndExtension(name, stem, extension);
            const u16string copyName = pkg_.parts.insertUnique(stem, extension, createPart(std::move(data), type));
            made.push_back(copyName);
            copies[name] = copyName;
            if (pkg_.contentTypes->hasOverride(name)) pkg_.contentTypes->addOverride(copyName, type);
        }
        for (const u16string& name : order)
            if (const Relationships* rels = relationshipsOf(name)) {
                const u16string& copyName = copies[name];
                Relationships& own = ensureRelationshipsOf(copyName);
                made.push_back(relsPartName(copyName));
                copyRelationships(*rels, name, own, copyName);
            }
        Relationships& to = ensureRelationshipsOf(toPart);
        made.push_back(relsPartName(toPart));
        copyRelationships(*from, u16string(fromPart), to, u16string(toPart));
    } catch (...) {
        for (const u16string& name : made) {
            pkg_.contentTypes->removeOverride(name);
            pkg_.parts.erase(name);
        }
        throw;
    }
}

std::vector<u16string> XMLBookImplT::dependentParts(u16view sheetPart) const
{
    // A work list, so that a long chain of parts never deepens the stack.
    std::set<u16string, PartNameLess> seen;
    std::vector<u16string> order;
    auto reach = [&](const u16string& source) {
        const Relationships* rels = relationshipsOf(source);
        if (!rels) return;
        for (std::size_t i = 0; i < rels->size(); ++i) {
            if (Relationships::isExternal(rels->at(i))) continue;
            u16string name = resolveTarget(source, rels->at(i).Target.value);
            const XFile* part = pkg_.parts.find(name);
            if (!part || isBookPart(part) || !seen.insert(name).second) continue;
            order.push_back(std::move(name));
        }
    };
    reach(u16string(sheetPart));
    for (std::size_t k = 0; k < order.size(); ++k) reach(order[k]);
    return order;
}

void XMLBookImplT::removeUnrelatedParts(const std::vector<u16string>& candidates)
{
    // Never one the book rests on, a workbook, a sheet of the list or a
    // picture of the book (whose ids stay those of a .xls book).
    std::set<u16string, PartNameLess> unrelated;
    for (const u16string& name : candidates) {
        const XFile* part = pkg_.parts.find(name);
        if (part && !isBookPart(part) && !isWorkbookType(pkg_.contentTypes->contentType(name)))
            unrelated.insert(name);
    }
    for (int i = 0; i < sheetEntryCount() && !unrelated.empty(); ++i) unrelated.erase(sheetPartName(i));
    for (const PictureRecord& picture : pkg_.pictures) unrelated.erase(picture.partName);
    if (unrelated.empty()) return;

    // A candidate stays when the package or a part that stays relates it:
    // a part that is no candidate, or a candidate kept so.
    std::vector<u16string> kept;
    auto keepTargets = [&](const u16string& source) {
        const Relationships* rels = relationshipsOf(source);
        if (!rels) return;
        for (std::size_t i = 0; i < rels->size(); ++i) {
            if (Relationships::isExternal(rels->at(i))) continue;
            const auto it = unrelated.find(resolveTarget(source, rels->at(i).Target.value));
            if (it == unrelated.end()) continue;
            kept.push_back(*it);
            unrelated.erase(it);
        }
    };
    keepTargets(u"/");
    for (const auto& entry : pkg_.parts)
        if (!unrelated.count(entry.first) && !dynamic_cast<const Relationships*>(entry.second)) keepTargets(entry.first);
    for (std::size_t k = 0; k < kept.size(); ++k) keepTargets(kept[k]);

    for (const u16string& name : unrelated) removePart(name);
}

void XMLBookImplT::removePart(const u16string& name)
{
    if (Relationships* rels = relationshipsOf(name)) {
        const u16string relsName = pkg_.parts.nameOf(rels);
        pkg_.contentTypes->removeOverride(relsName);
        pkg_.parts.erase(relsName);
    }
    pkg_.contentTypes->removeOverride(name);
    pkg_.parts.erase(name);
}

}  // namespace celvo
