#include "book_links.h"

#include "book.h"
#include "celvo/bytes.h"
#include "celvo/xlerror.h"

namespace celvo {

namespace {

constexpr std::size_t kMaxExternSheetEntries = 0xFFFF;

std::vector<std::uint8_t> internalSupBookBody(std::size_t sheetCount)
{
    std::vector<std::uint8_t> body(4);
    putU16(body.data(), static_cast<std::uint16_t>(sheetCount));
    body[2] = 0x01;
    body[3] = 0x04;
    return body;
}

std::uint16_t appendEntry(ExternSheet& list, std::uint16_t ordinal, int first, int last)
{
    if (list.entries.size() >= kMaxExternSheetEntries) throw xlerror("too many EXTERNSHEET entries");
    Xti entry;
    entry.supBook = ordinal;
    entry.firstSheet = static_cast<std::int16_t>(first);
    entry.lastSheet = static_cast<std::int16_t>(last);
    list.entries.push_back(entry);
    return static_cast<std::uint16_t>(list.entries.size() - 1);
}

}  // namespace

bool isInternalSupBook(const RawRecord& record) noexcept
{
    return record.id == SupBook::kId && record.data.size() == 4 && record.data[2] == 0x01 && record.data[3] == 0x04;
}

InternalLink findInternalLink(BookImplT& book)
{
    InternalLink link;
    std::size_t position = 0;
    auto consider = [&](RawRecord& record) {
        if (record.id != SupBook::kId) return;
        if (!link.record && isInternalSupBook(record) && position <= 0xFFFF) {
            link.record = &record;
            link.ordinal = static_cast<std::uint16_t>(position);
        }
        ++position;
    };
    for (SupBook& block : book.supBooks()) {
        consider(block.supBook);
        for (RawRecord& r : block.records) consider(r);
        if (!link.externSheet && block.hasXti) link.externSheet = &block.externSheet;
    }
    return link;
}

InternalLink internalLink(BookImplT& book)
{
    InternalLink link = findInternalLink(book);
    if (link.record && link.externSheet) return link;
    std::vector<SupBook>& blocks = book.supBooks();
    const std::size_t sheets = book.sheets().size();
    if (blocks.empty()) {
        SupBook& block = blocks.emplace_back();
        block.supBook.id = SupBook::kId;
        block.supBook.data = internalSupBookBody(sheets);
        block.hasXti = true;
        return findInternalLink(book);
    }
    // The EXTERNSHEET list follows every SUPBOOK record: a new SUPBOOK goes
    // into the block that writes the list (or into the last block, which
    // then writes one).
    SupBook* home = nullptr;
    for (SupBook& block : blocks)
        if (block.hasXti) {
            home = &block;
            break;
        }
    if (!home) home = &blocks.back();
    home->hasXti = true;
    if (!link.record) home->records.push_back(RawRecord{SupBook::kId, internalSupBookBody(sheets)});
    link = findInternalLink(book);
    if (!link.record) throw xlerror("too many SUPBOOK records");
    return link;
}

std::uint16_t findOrAddInternalExternSheet(BookImplT& book, int first, int last)
{
    const InternalLink link = internalLink(book);
    const auto& entries = link.externSheet->entries;
    for (std::size_t i = 0; i < entries.size() && i <= 0xFFFF; ++i) {
        const Xti& e = entries[i];
        if (e.supBook == link.ordinal && e.firstSheet == first && e.lastSheet == last)
            return static_cast<std::uint16_t>(i);
    }
    return appendEntry(*link.externSheet, link.ordinal, first, last);
}

std::uint16_t addInternalExternSheet(BookImplT& book, int first, int last)
{
    const InternalLink link = internalLink(book);
    return appendEntry(*link.externSheet, link.ordinal, first, last);
}

bool internalExternSheetRange(BookImplT& book, std::uint16_t index, int& first, int& last)
{
    const InternalLink link = findInternalLink(book);
    if (!link.record || !link.externSheet || index >= link.externSheet->entries.size()) return false;
    const Xti& e = link.externSheet->entries[index];
    if (e.supBook != link.ordinal) return false;
    first = e.firstSheet;
    last = e.lastSheet;
    return true;
}

void updateInternalSheetCount(BookImplT& book)
{
    const InternalLink link = findInternalLink(book);
    if (link.record) putU16(link.record->data.data(), static_cast<std::uint16_t>(book.sheets().size()));
}

}  // namespace celvo
