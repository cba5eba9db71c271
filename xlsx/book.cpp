// A new .xlsx book, the services it gives its sheets and parts, and its
// end.
#include "book.h"

#include "package_types.h"
#include "part_content_types.h"
#include "part_relationships.h"
#include "part_shared_strings.h"
#include "part_styles.h"
#include "sheet.h"

namespace celvo {

using namespace packagetype;

XMLBookImplT::XMLBookImplT()
{
    // The four parts of a new package: the content types, the package
    // relationships naming the workbook, the workbook and its relationships.
    pkg_.workbookDir = u"/xl";
    pkg_.workbookPart = u"/xl/workbook.xml";
    auto workbookRels = std::make_unique<Relationships>();
    pkg_.workbookRels = workbookRels.get();
    pkg_.parts.insert(relsPartName(pkg_.workbookPart), std::move(workbookRels));
    auto packageRels = std::make_unique<Relationships>();
    packageRels->add(relType(u"officeDocument"), relativeTarget(u"/", pkg_.workbookPart));
    pkg_.parts.insert(relsPartName(u"/"), std::move(packageRels));
    pkg_.parts.insertUnowned(pkg_.workbookPart, this);
    auto types = std::make_unique<ContentTypes>();
    types->addDefault(u"rels", kRelationships);
    types->addDefault(u"xml", kXml);
    types->addOverride(pkg_.workbookPart, kWorkbook);
    pkg_.contentTypes = types.get();
    pkg_.parts.insert(u"/[Content_Types].xml", std::move(types));
    message_ = "ok";
}

XMLBookImplT::~XMLBookImplT() = default;

void XMLBookImplT::release() { delete this; }

const char* XMLBookImplT::errorMessage() { return message_.c_str(); }

// ---- the sheet list -------------------------------------------------------

int XMLBookImplT::sheetEntryCount() const
{
    const workbook::c_CT_Sheets* sheets = root_.sheets.peek();
    return sheets ? static_cast<int>(sheets->sheet.size()) : 0;
}

workbook::c_CT_Sheet* XMLBookImplT::sheetEntry(int index)
{
    if (index < 0 || index >= sheetEntryCount()) return nullptr;
    return root_.sheets.peek()->sheet.at(static_cast<std::size_t>(index));
}

XMLSheetImplT* XMLBookImplT::sheetAt(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= pkg_.sheets.size()) return nullptr;
    return pkg_.sheets[static_cast<std::size_t>(index)];
}

u16string XMLBookImplT::sheetPartName(int index)
{
    const workbook::c_CT_Sheet* entry = sheetEntry(index);
    if (!entry) throw xlerror("index is out of range");
    const Relationships::Item* rel = pkg_.workbookRels->byId(entry->id.value);
    if (!rel || Relationships::isExternal(*rel)) return u16string();
    return resolveTarget(pkg_.workbookPart, rel->Target.value);
}

void XMLBookImplT::bindSheets(Package& pkg, const workbook::c_workbook& root)
{
    for (const auto& entry : pkg.parts)
        if (auto* s = dynamic_cast<XMLSheetImplT*>(entry.second)) s->bind(this, -1);
    const workbook::c_CT_Sheets* list = root.sheets.peek();
    const std::size_t count = list ? list->sheet.size() : 0;
    pkg.sheets.assign(count, nullptr);
    for (std::size_t i = 0; i < count; ++i) {
        const Relationships::Item* rel = pkg.workbookRels->byId(list->sheet.at(i)->id.value);
        if (!rel || Relationships::isExternal(*rel)) continue;
        auto* s = pkg.parts.findAs<XMLSheetImplT>(resolveTarget(pkg.workbookPart, rel->Target.value));
        if (!s) continue;
        if (s->sheetNumber() >= 0) throw xlerror("two sheets of the workbook name one worksheet part");
        s->bind(this, static_cast<int>(i));
        pkg.sheets[i] = s;
    }
}

// ---- parts ------------------------------------------------------------------

bool XMLBookImplT::isBookPart(const XFile* part) const
{
    return part && (part == this || dynamic_cast<const ContentTypes*>(part) || dynamic_cast<const Relationships*>(part) ||
                    dynamic_cast<const XMLSheetImplT*>(part) || dynamic_cast<const SharedStrings*>(part) ||
                    dynamic_cast<const Styles*>(part));
}

Relationships* XMLBookImplT::relationshipsOf(u16view partName) const
{
    return pkg_.parts.findAs<Relationships>(relsPartName(partName));
}

Relationships& XMLBookImplT::ensureRelationshipsOf(u16view partName)
{
    const u16string name = relsPartName(partName);
    XFile* existing = pkg_.parts.find(name);
    if (existing) {
        auto* rels = dynamic_cast<Relationships*>(existing);
        if (!rels) throw xlerror("the part " + utf16ToUtf8(name) + " is not a relationships part");
        return *rels;
    }
    auto* rels = static_cast<Relationships*>(pkg_.parts.insert(name, std::make_unique<Relationships>()));
    if (pkg_.contentTypes->contentType(name) != kRelationships) pkg_.contentTypes->addOverride(name, kRelationships);
    return *rels;
}

std::pair<u16string, u16string> XMLBookImplT::addRelatedPart(u16view source, u16view relTypeWord, u16view folder,
                                                             u16view stem, u16view extension,
                                                             u16view contentType, std::unique_ptr<XFile> part)
{
    u16string prefix = pkg_.workbookDir;
    if (!folder.empty()) {
        prefix += u'/';
        prefix.append(folder);
    }
    prefix += u'/';
    prefix.append(stem);
    Relationships& rels = ensureRelationshipsOf(source);
    const u16string name = pkg_.parts.insertUnique(prefix, extension, std::move(part));
    try {
        if (pkg_.contentTypes->contentType(name) != contentType) pkg_.contentTypes->addOverride(name, contentType);
        return {name, rels.add(relType(relTypeWord), relativeTarget(source, name))};
    } catch (...) {
        pkg_.contentTypes->removeOverride(name);
        pkg_.parts.erase(name);
        throw;
    }
}

u16string XMLBookImplT::addWorkbookPart(u16view stem, u16view contentType, std::unique_ptr<XFile> part)
{
    u16string name = pkg_.workbookDir + u"/" + u16string(stem) + u".xml";
    // A part of that name already there (unrelated, or of another type)
    // leaves it to the next free name.
    if (!pkg_.parts.nameIsFree(name))
        return addRelatedPart(pkg_.workbookPart, stem, u"", stem, u"xml", contentType, std::move(part)).first;
    Relationships& rels = workbookRels();
    pkg_.parts.insert(name, std::move(part));
    try {
        if (pkg_.contentTypes->contentType(name) != contentType) pkg_.contentTypes->addOverride(name, contentType);
        rels.add(relType(stem), relativeTarget(pkg_.workbookPart, name));
    } catch (...) {
        pkg_.contentTypes->removeOverride(name);
        pkg_.parts.erase(name);
        throw;
    }
    return name;
}

SharedStrings& XMLBookImplT::sharedStrings()
{
    if (!pkg_.sharedStrings)
        pkg_.sharedStrings = pkg_.parts.findAs<SharedStrings>(
            addWorkbookPart(u"sharedStrings", kSharedStrings, std::make_unique<SharedStrings>()));
    return *pkg_.sharedStrings;
}

bool XMLBookImplT::date1904() const
{
    const workbook::c_CT_WorkbookPr* pr = root_.workbookPr.peek();
    return pr && pr->date1904.value;
}

bool XMLBookImplT::refR1C1Mode() const
{
    const workbook::c_CT_CalcPr* pr = root_.calcPr.peek();
    return pr && pr->refMode.value == u"R1C1";
}

// ---- the active sheet -------------------------------------------------------------

int XMLBookImplT::activeSheetNumber()
{
    const workbook::c_CT_BookViews* views = root_.bookViews.peek();
    const workbook::c_CT_BookView* first = views ? views->workbookView.at(0) : nullptr;
    if (!first || !first->activeTab.present) return 0;
    // A file's view may name a tab past the last sheet.
    const int count = sheetEntryCount();
    const auto tab = static_cast<long long>(first->activeTab.value);
    return count > 0 && tab >= count ? count - 1 : static_cast<int>(tab);
}

void XMLBookImplT::setActiveTab(int index)
{
    workbook::c_CT_BookViews* views = root_.get_bookViews();
    workbook::c_CT_BookView* first = views->workbookView.empty() ? views->workbookView.append()
                                                                 : views->workbookView.at(0);
    first->set_activeTab(static_cast<unsigned>(index));
    // The active sheet is the selected tab, and the only one.
    for (int i = 0; i < sheetEntryCount(); ++i)
        if (XMLSheetImplT* s = sheetAt(i)) s->setTabSelected(i == index);
    // The first tab shown must name a sheet.
    const int count = sheetEntryCount();
    if (first->firstSheet.present && static_cast<long long>(first->firstSheet.value) >= count)
        first->set_firstSheet(count > 0 ? static_cast<unsigned>(count - 1) : 0u);
}

void XMLBookImplT::setActiveSheetNumber(int index)
{
    guardVoid(message_, [&] {
        if (index < 0 || index >= sheetEntryCount()) throw xlerror("index is out of range");
        setActiveTab(index);
    });
}

int XMLBookImplT::visibleSheetCount()
{
    int n = 0;
    for (int i = 0; i < sheetEntryCount(); ++i) {
        const workbook::c_CT_Sheet* e = sheetEntry(i);
        if (!e->state.present || e->state.value == u"visible") ++n;
    }
    return n;
}

void XMLBookImplT::ensureActiveSheetVisible()
{
    const int count = sheetEntryCount();
    const int active = activeSheetNumber();
    auto visible = [&](int i) {
        const workbook::c_CT_Sheet* e = sheetEntry(i);
        return !e->state.present || e->state.value == u"visible";
    };
    if (count == 0 || visible(active)) return;
    for (int step = 1; step < count; ++step) {
        const int i = (active + step) % count;
        if (visible(i)) {
            setActiveTab(i);
            return;
        }
    }
}

}  // namespace celvo
