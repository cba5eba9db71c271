// The shared-strings part ("/xl/sharedStrings.xml"): the texts that string
// cells name by their place in the table.
//
// The table is held in its binding as read: plain items (a text alone),
// rich items (runs with their properties), phonetic runs and properties,
// and whatever of other namespaces the part held are all written back.
// Only plain items are found again by their text: a plain write never takes
// the place of a rich item, whose runs would format the new cell.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "celvo/text.h"
#include "ooxml/sml-sharedStringTable.h"
#include "part.h"

namespace sheet {
class c_CT_Rst;
}

namespace celvo {

// The whole text of an inline string of a cell: its own text, or its runs
// joined (phonetic runs left out).
u16string richText(const sheet::c_CT_Rst& item);

class SharedStrings final : public XmlFile<sharedStringTable::c_sst> {
public:
    // An empty table.
    SharedStrings();
    // The table of a part's bytes; "data is empty" for none.
    SharedStrings(const char* data, std::size_t size);
    // The index refers to the items' own texts.
    SharedStrings(const SharedStrings&) = delete;
    SharedStrings& operator=(const SharedStrings&) = delete;

    std::size_t size() const noexcept { return root_.si.size(); }
    // The place of a plain item of this text, a new item when there is none.
    std::uint32_t addString(u16view text);
    // The text of an item (runs joined); throws "index is out of range or
    // no value" for a place the table does not hold.
    const u16string& getString(std::uint32_t index) const;
    bool isRich(std::uint32_t index) const;

    // Keeps only the items whose `keep` is true, in their order: item i
    // takes the place of the items kept before it. Rich items stay whole.
    // The counts written become `cells` string cells and the items kept.
    void retain(const std::vector<bool>& keep, std::uint64_t cells);

    // Writes the table with its count of items made true.
    void serialize(std::string& out) override;

private:
    void buildIndex();
    // Plain items by their text: an open-addressed table, at most half
    // full, over a copy of the texts kept side by side, so that a look-up
    // mostly touches one slot and one text near the others.
    struct Slot {
        std::uint32_t offset = 0;  // of the text in keys_
        std::uint32_t length = 0;
        std::uint32_t check = 0;   // high bits of the text's hash
        std::uint32_t place = 0;   // the item's place + 1; 0 for an empty slot
    };
    Slot* findSlot(u16view text, std::size_t hash);
    void indexItem(u16view text, std::uint32_t place);
    std::vector<Slot> slots_;
    std::size_t indexed_ = 0;
    u16string keys_;
    // The joined texts of items without a text of their own.
    std::unordered_map<std::uint32_t, u16string> joined_;
};

}  // namespace celvo
