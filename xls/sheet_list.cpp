// The book's two parallel sheet lists (sheet objects and BOUNDSHEET8
// entries) and the operations that keep them, the active sheet and the
// defined names consistent.
#include <algorithm>

#include "book.h"
#include "celvo/sheetname.h"
#include "book_links.h"
#include "book_formula.h"
#include "formula/shift.h"
#include "sheet_insert.h"
#include "sheet.h"

namespace celvo {

int BookImplT::sheetCount()
{
    message_ = "ok";
    return static_cast<int>(sheets_.size());
}

ISheetT* BookImplT::sheet(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= sheets_.size()) {
        message_ = "index is out of range";
        return nullptr;
    }
    message_ = "ok";
    return sheets_[static_cast<std::size_t>(index)].get();
}

int BookImplT::sheetIndex(const ISheetT* sheet) const noexcept
{
    for (std::size_t i = 0; i < sheets_.size(); ++i)
        if (sheets_[i].get() == sheet) return static_cast<int>(i);
    return -1;
}

ISheetT* BookImplT::addSheet(const char16_t* name, ISheetT* initSheet)
{
    if (boundSheets_.size() != sheets_.size()) {
        message_ = "integrity error: _boundSheets.size() != _sheets.size()";
        return nullptr;
    }
    return insertSheet(static_cast<int>(sheets_.size()), name, initSheet);
}

ISheetT* BookImplT::insertSheet(int index, const char16_t* name, ISheetT* initSheet)
{
    return guard(message_, static_cast<ISheetT*>(nullptr),
                 [&] { return insertSheetImpl(index, name, initSheet); });
}

ISheetT* BookImplT::insertSheetImpl(int index, const char16_t* name, ISheetT* initSheet)
{
    if (boundSheets_.size() != sheets_.size())
        throw xlerror("integrity error: _boundSheets.size() != _sheets.size()");
    if (index < 0 || static_cast<std::size_t>(index) > sheets_.size()) throw xlerror("index is out of range");
    bool cut = false;
    const u16string sheetName = cutSheetName(u16(name), &cut);
    checkSheetName(sheetName);
    for (const auto& s : sheets_)
        if (equalNoCase(s->nameText(), sheetName)) throw xlerror("book already contains such sheet name");

    std::unique_ptr<SheetImplT> sheet;
    if (!initSheet) {
        sheet = std::make_unique<SheetImplT>(*this, sheetName);
    } else {
        // Only a sheet of this book can be copied: another book's sheet
        // would bring formats and strings that this book does not hold.
        auto* src = dynamic_cast<SheetImplT*>(initSheet);
        if (!src || src->book() != this) throw xlerror("initSheet belongs to another book");
        sheet = std::make_unique<SheetImplT>(*src);
        // The copy's drawing objects take ids of their own.
        drawingIds_.renumberCopy(*sheet);
        // Each picture the copy places is one more user of the book's
        // picture, so that deleting either sheet leaves it to the other.
        for (std::size_t number : sheet->placedPictureNumbers())
            if (OfficeArtFBSE* entry = drawingGroup_.picture(number - 1)) ++entry->cRef;
        sheet->setNameText(sheetName);
        sheet->setSelected(false);
    }
    sheet->setR1C1(r1c1_);

    BoundSheet8 entry;
    entry.sheetName.assign(sheetName, *pool_);
    const auto pos = static_cast<std::size_t>(index);
    boundSheets_.insert(boundSheets_.begin() + static_cast<std::ptrdiff_t>(pos), entry);
    sheets_.insert(sheets_.begin() + static_cast<std::ptrdiff_t>(pos), std::move(sheet));
    SheetImplT* result = sheets_[pos].get();
    shiftNamesForInsert(index);

    if (sheets_.size() == 1) {
        setActiveSheetNumber(0);
    } else if (index <= static_cast<int>(window1_.itabCur)) {
        setActiveSheetNumber(window1_.itabCur + 1);
    }
    updateFirstVisibleTab();
    message_ = cut ? "warning: sheet's name is cut to 31 characters" : "ok";
    return result;
}

void BookImplT::setActiveSheetNumber(int index)
{
    guardVoid(message_, [&] {
        if (index < 0 || static_cast<std::size_t>(index) >= sheets_.size()) throw xlerror("index is out of range");
        window1_.itabCur = static_cast<std::uint16_t>(index);
        for (std::size_t i = 0; i < sheets_.size(); ++i) sheets_[i]->setSelected(static_cast<int>(i) == index);
    });
}

int BookImplT::activeSheetNumber() { return window1_.itabCur; }

bool BookImplT::deleteSheet(int index)
{
    return guard(message_, false, [&] {
        if (index < 0 || static_cast<std::size_t>(index) >= sheets_.size()) throw xlerror("index is out of range");
        if (sheets_.size() == 1) throw xlerror("can't remove the last sheet in workbook");
        const auto pos = static_cast<std::size_t>(index);
        // A book with only hidden sheets is one the applications can't show.
        if ((boundSheets_[pos].hsState & 3) == SHEETSTATE_VISIBLE && visibleSheetCount() <= 1)
            throw xlerror("can't remove the last visible sheet in workbook");
        const int itab = index + 1;

        updateSelfReferences(index, static_cast<int>(sheets_.size()) - 1);

        // The sheet object stays alive (callers may hold it) but leaves the book.
        detachedSheets_.push_back(std::move(sheets_[pos]));
        sheets_.erase(sheets_.begin() + static_cast<std::ptrdiff_t>(pos));
        boundSheets_.erase(boundSheets_.begin() + static_cast<std::ptrdiff_t>(pos));
        detachedSheets_.back()->setSelected(false);

        dropNamesOfSheet(itab);

        // The active sheet stays the same sheet; when it was the one deleted,
        // the sheet that takes its place (the last one at the end) is active.
        const int count = static_cast<int>(sheets_.size());
        int active = window1_.itabCur > index ? window1_.itabCur - 1 : window1_.itabCur;
        if (active >= count) active = count - 1;
        setActiveSheetNumber(active);
        updateFirstVisibleTab();
        fixActiveSheet();
        message_ = "ok";
        return true;
    });
}

void BookImplT::dropNamesOfSheet(int itab)
{
    // Every formula of the book (the remaining sheets' and the names') names
    // a defined name by its 1-based place in the list, so each name that goes
    // takes the places after it down by one. A name still used by a formula
    // stays, as a name of the book, so that no formula comes to mean another.
    // A PtgNameX through an EXTERNSHEET entry of the book itself counts as
    // a PtgName does.
    const BookFormulaContext context(*this);
    const auto everyStream = [&](const std::function<void(std::vector<std::uint8_t>&)>& f) {
        for (Lbl& n : names_) f(n.formula);
        forEachSheetTokenStream(*this, f);
    };
    for (std::size_t i = names_.size(); i-- > 0;) {
        if (names_[i].itab != itab) continue;
        const auto place = static_cast<std::uint32_t>(i + 1);
        bool used = false;
        everyStream([&](std::vector<std::uint8_t>& tokens) {
            if (&tokens != &names_[i].formula && refersToName(tokens, place, context)) used = true;
        });
        if (used) {
            names_[i].itab = 0;
            continue;
        }
        names_.erase(names_.begin() + static_cast<std::ptrdiff_t>(i));
        everyStream([&](std::vector<std::uint8_t>& tokens) { renumberNamesAfterErase(tokens, place, context); });
    }
    for (Lbl& n : names_)
        if (n.itab > itab) --n.itab;
}

void BookImplT::shiftNamesForInsert(int inserted)
{
    // Names scoped to the sheets from the inserted place on move up with them.
    for (Lbl& n : names_)
        if (n.itab > inserted) ++n.itab;
    const InternalLink link = findInternalLink(*this);
    if (!link.record) return;
    putU16(link.record->data.data(), static_cast<std::uint16_t>(sheets_.size()));
    if (!link.externSheet) return;
    for (Xti& x : link.externSheet->entries) {
        if (x.supBook != link.ordinal) continue;
        if (x.firstSheet >= inserted) ++x.firstSheet;
        if (x.lastSheet >= inserted) ++x.lastSheet;
    }
}

void BookImplT::updateSelfReferences(int deleted, int sheetsLeft)
{
    const InternalLink link = findInternalLink(*this);
    if (!link.record) return;
    putU16(link.record->data.data(), static_cast<std::uint16_t>(sheetsLeft));
    if (!link.externSheet) return;
    // A range of sheets keeps the sheets it has left: the deleted one drops
    // out of it, and only a range of that one sheet comes to name none.
    for (Xti& x : link.externSheet->entries) {
        if (x.supBook != link.ordinal || x.firstSheet < 0 || x.lastSheet < 0) continue;
        if (x.firstSheet == deleted && x.lastSheet == deleted) {
            x.firstSheet = x.lastSheet = -1;
            continue;
        }
        if (x.firstSheet > deleted) --x.firstSheet;
        if (x.lastSheet >= deleted) --x.lastSheet;
    }
}

void BookImplT::findSheetRange(const u16string& sheetText, short* first, short* last)
{
    *first = *last = -1;
    const u16string text = unquoteSheetName(sheetText);
    u16string from, to;
    const bool range = splitString(text, u":", from, to);
    if (!range) from = to = text;
    for (std::size_t i = 0; i < sheets_.size(); ++i) {
        if (*first < 0 && equalNoCase(sheets_[i]->nameText(), from)) *first = static_cast<short>(i);
        if (*last < 0 && equalNoCase(sheets_[i]->nameText(), to)) *last = static_cast<short>(i);
    }
    if (*first < 0 || *last < 0) throw xlerror("sheet is not found");
}

int BookImplT::visibleSheetCount()
{
    int n = 0;
    for (auto& s : sheets_)
        if (s->hidden() == SHEETSTATE_VISIBLE) ++n;
    return n;
}

void BookImplT::updateFirstVisibleTab()
{
    for (std::size_t i = 0; i < boundSheets_.size(); ++i) {
        if ((boundSheets_[i].hsState & 3) == 0) {
            window1_.itabFirst = static_cast<std::uint16_t>(i);
            return;
        }
    }
    // None visible: the first tab must still name a sheet.
    if (window1_.itabFirst >= boundSheets_.size()) window1_.itabFirst = 0;
}

void BookImplT::fixActiveSheet()
{
    const std::size_t n = boundSheets_.size();
    const std::size_t active = window1_.itabCur;
    if (active >= n || (boundSheets_[active].hsState & 3) == 0) return;
    for (std::size_t step = 1; step < n; ++step) {
        const std::size_t i = (active + step) % n;
        if ((boundSheets_[i].hsState & 3) == 0) {
            setActiveSheetNumber(static_cast<int>(i));
            return;
        }
    }
}

}  // namespace celvo
