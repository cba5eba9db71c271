// The sheet list of a .xlsx book: adding, inserting, finding and deleting
// sheets, kept in step with the part map, the workbook relationships, the
// content types, the defined names and the active sheet.
#include <algorithm>

#include "book.h"
#include "celvo/cellref.h"
#include "celvo/formulatext.h"
#include "celvo/sheetname.h"
#include "package_types.h"
#include "part_content_types.h"
#include "part_relationships.h"
#include "sheet.h"

namespace celvo {

using namespace packagetype;

namespace {

// The number that ends a part name before its extension ("sheet12.xml"
// gives 12), or 0.
unsigned trailingNumber(u16view name)
{
    const std::size_t dot = name.rfind(u'.');
    std::size_t end = dot == u16view::npos ? name.size() : dot;
    std::size_t begin = end;
    while (begin > 0 && isAsciiDigit(name[begin - 1]) && end - begin < 9) --begin;
    unsigned n = 0;
    for (std::size_t i = begin; i < end; ++i) n = n * 10 + static_cast<unsigned>(name[i] - u'0');
    return n;
}

}  // namespace

int XMLBookImplT::sheetCount() { return sheetEntryCount(); }

ISheetT* XMLBookImplT::sheet(int index)
{
    return guard(message_, static_cast<ISheetT*>(nullptr), [&]() -> ISheetT* {
        if (index < 0 || index >= sheetEntryCount()) throw xlerror("index is out of range");
        XMLSheetImplT* s = sheetAt(index);
        if (!s) throw xlerror("sheet not found");
        return s;
    });
}

ISheetT* XMLBookImplT::addSheet(const char16_t* name, ISheetT* initSheet)
{
    return insertSheet(sheetEntryCount(), name, initSheet);
}

ISheetT* XMLBookImplT::insertSheet(int index, const char16_t* name, ISheetT* initSheet)
{
    return guard(message_, static_cast<ISheetT*>(nullptr), [&] { return insertSheetImpl(index, name, initSheet); });
}

ISheetT* XMLBookImplT::insertSheetImpl(int index, const char16_t* name, ISheetT* initSheet)
{
    const int count = sheetEntryCount();
    if (index < 0 || index > count) throw xlerror("index is out of range");
    bool cut = false;
    const u16string sheetName = cutSheetName(u16(name), &cut);
    checkSheetName(sheetName);
    for (int i = 0; i < count; ++i)
        if (equalNoCase(sheetEntry(i)->name.value, sheetName)) throw xlerror("book already contains such sheet name");

    // The new worksheet, or a copy of a sheet of this book.
    std::unique_ptr<XMLSheetImplT> sheet;
    u16string sourcePart;
    if (initSheet) {
        auto* source = dynamic_cast<XMLSheetImplT*>(initSheet);
        if (!source || source->book() != this || source->sheetNumber() < 0)
            throw xlerror("initSheet belongs to another book");
        sourcePart = sheetPartName(source->sheetNumber());
        sheet = std::make_unique<XMLSheetImplT>(*source);
    } else {
        sheet = std::make_unique<XMLSheetImplT>();
    }

    // Its part name: one past the highest number of the worksheets the
    // workbook relates, in the workbook's own folder.
    unsigned n = 0;
    for (const Relationships::Item* rel : pkg_.workbookRels->ofType(u"worksheet"))
        n = std::max(n, trailingNumber(rel->Target.value));
    u16string partName;
    do {
        partName = pkg_.workbookDir + u"/worksheets/sheet" + widenAscii(std::to_string(++n)) + u".xml";
    } while (!pkg_.parts.nameIsFree(partName));

    // Each step is undone when a later one fails.
    XMLSheetImplT* s = static_cast<XMLSheetImplT*>(pkg_.parts.insert(partName, std::move(sheet)));
    u16string id;
    try {
        pkg_.contentTypes->addOverride(partName, kWorksheet);
        id = pkg_.workbookRels->add(relType(u"worksheet"), relativeTarget(pkg_.workbookPart, partName));
        if (!sourcePart.empty()) copyDependentParts(sourcePart, partName);
        unsigned sheetId = 0;
        for (int i = 0; i < count; ++i) sheetId = std::max(sheetId, sheetEntry(i)->sheetId.value);
        workbook::c_CT_Sheet* entry = root_.get_sheets()->sheet.insert(static_cast<std::size_t>(index));
        entry->set_name(sheetName);
        entry->set_sheetId(sheetId + 1);
        entry->set_id(id);
        bindSheets(pkg_, root_);
    } catch (...) {
        if (root_.sheets.peek() && sheetEntryCount() > count) root_.sheets.peek()->sheet.erase(static_cast<std::size_t>(index));
        if (!id.empty()) pkg_.workbookRels->removeById(id);
        if (Relationships* rels = relationshipsOf(partName)) pkg_.parts.erase(pkg_.parts.nameOf(rels));
        pkg_.contentTypes->removeOverride(partName);
        pkg_.parts.erase(partName);
        try {
            bindSheets(pkg_, root_);
        } catch (...) {
        }
        throw;
    }

    namesAfterInsert(index);
    // The sheet that was active stays active.
    if (count == 0) setActiveTab(0);
    else if (index <= activeSheetNumber()) setActiveTab(activeSheetNumber() + 1);
    message_ = cut ? "warning: sheet's name is cut to 31 characters" : "ok";
    return s;
}

bool XMLBookImplT::deleteSheet(int index)
{
    return guard(message_, false, [&] {
        deleteSheetImpl(index);
        return true;
    });
}

void XMLBookImplT::deleteSheetImpl(int index)
{
    const int count = sheetEntryCount();
    if (index < 0 || index >= count) throw xlerror("index is out of range");
    if (count == 1) throw xlerror("can't remove the last sheet in workbook");
    workbook::c_CT_Sheet* entry = sheetEntry(index);
    // A book with only hidden sheets is one the applications can't show.
    const bool visible = !entry->state.present || entry->state.value == u"visible";
    if (visible && visibleSheetCount() <= 1) throw xlerror("can't remove the last visible sheet in workbook");
    const u16string id = entry->id.value;
    const u16string sheetName = entry->name.value;
    const u16string partName = sheetPartName(index);
    const int active = activeSheetNumber();

    // The parts only the sheet used (its comments, drawings, printer
    // settings, ...) go with it; those another part still relates stay.
    const std::vector<u16string> dependent =
        !partName.empty() && pkg_.parts.contains(partName) ? dependentParts(partName) : std::vector<u16string>();

    namesAfterDelete(index, sheetName);
    root_.sheets.peek()->sheet.erase(static_cast<std::size_t>(index));
    pkg_.workbookRels->removeById(id);
    if (!partName.empty() && pkg_.parts.contains(partName)) removePart(partName);
    removeUnrelatedParts(dependent);
    bindSheets(pkg_, root_);
    // The active sheet stays the same sheet; when it was the one deleted,
    // the sheet that takes its place (the last one at the end) is active.
    int now = active > index ? active - 1 : active;
    if (now >= count - 1) now = count - 2;
    setActiveTab(now);
    ensureActiveSheetVisible();
    message_ = "ok";
}

// ---- defined names -------------------------------------------------------

void XMLBookImplT::namesAfterInsert(int inserted)
{
    workbook::c_CT_DefinedNames* names = root_.definedNames.peek();
    if (!names) return;
    for (std::size_t i = 0; i < names->definedName.size(); ++i) {
        workbook::c_CT_DefinedName* n = names->definedName.at(i);
        if (n->localSheetId.present && n->localSheetId.value >= static_cast<unsigned>(inserted))
            n->set_localSheetId(n->localSheetId.value + 1);
    }
}

void XMLBookImplT::namesAfterDelete(int deleted, const u16string& sheetName)
{
    workbook::c_CT_DefinedNames* names = root_.definedNames.peek();
    if (!names) return;
    // The neighbours of the deleted sheet, for 3-D ranges that end on it.
    const u16string before = deleted > 0 ? sheetEntry(deleted - 1)->name.value : u16string();
    const u16string after = deleted + 1 < sheetEntryCount() ? sheetEntry(deleted + 1)->name.value : u16string();
    bool erased = false;
    for (std::size_t i = names->definedName.size(); i-- > 0;) {
        workbook::c_CT_DefinedName* n = names->definedName.at(i);
        if (n->localSheetId.present) {
            // Names of the sheet go with it; those of later sheets follow them.
            if (n->localSheetId.value == static_cast<unsigned>(deleted)) {
                names->definedName.erase(i);
                erased = true;
                continue;
            }
            if (n->localSheetId.value > static_cast<unsigned>(deleted)) n->set_localSheetId(n->localSheetId.value - 1);
        }
        // References to the sheet become #REF!; a 3-D range that ends on it
        // shrinks to the sheets left.
        u16string text = n->content.value;
        const bool changed = rewriteSheetPrefixes(text, [&](const SheetPrefixNames& p, u16string& replacement) {
            const bool first = equalNoCase(p.first, sheetName), last = equalNoCase(p.last, sheetName);
            if (!first && !last) return false;
            if (first && last) replacement = u"#REF!";
            else if (first) replacement = sheetPrefixText(after, p.last);
            else replacement = sheetPrefixText(p.first, before);
            return true;
        });
        if (changed) n->content.set(text);
    }
    if (erased && names->definedName.empty()) root_.definedNames.reset();
}

}  // namespace celvo
