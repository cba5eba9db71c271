#include "part_shared_strings.h"

#include <unordered_set>

#include "ooxml/sml-sheet3.h"

namespace celvo {

namespace {

namespace sst = sharedStringTable;

// The text of an item: its own, or the texts of its runs joined.
template <class Item>
u16string itemText(const Item& item)
{
    if (const auto* t = item.t.peek()) return t->content.value;
    u16string text;
    for (std::size_t i = 0; i < item.r.size(); ++i)
        if (const auto* t = item.r.at(i)->t.peek()) text += t->content.value;
    return text;
}

// Whether an object keeps nothing of other namespaces.
bool keepsNoContent(const nimb::c_binding& object)
{
    const nimb::c_kept* k = object.kept();
    return !k || (k->attributes.empty() && k->elements.empty());
}

// Whether an item is a text alone, which a plain write may take again.
bool isPlainItem(const sst::c_CT_Rst& item)
{
    const sst::c_ST_Xstring_space* t = item.t.peek();
    return t && keepsNoContent(*t) && keepsNoContent(item) && item.r.empty() && item.rPh.empty() &&
           !item.phoneticPr.has() && (!t->space.present || t->space.value == u"preserve");
}

bool isWhiteSpace(char16_t c) noexcept { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

// Marks a text whose white space at either end readers must keep.
void keepEdgeSpace(sst::c_ST_Xstring_space& t)
{
    const u16string& text = t.content.value;
    if (!t.space.present && !text.empty() && (isWhiteSpace(text.front()) || isWhiteSpace(text.back())))
        t.set_space(u"preserve");
}

}  // namespace

u16string richText(const sheet::c_CT_Rst& item) { return itemText(item); }

SharedStrings::SharedStrings() = default;

SharedStrings::SharedStrings(const char* data, std::size_t size)
{
    load(data, size);
    buildIndex();
}

SharedStrings::Slot* SharedStrings::findSlot(u16view text, std::size_t hash)
{
    const std::size_t mask = slots_.size() - 1;
    const auto check = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        Slot& slot = slots_[i];
        if (slot.place == 0) return &slot;
        if (slot.check == check && slot.length == text.size() &&
            u16view(keys_).substr(slot.offset, slot.length) == text)
            return &slot;
    }
}

void SharedStrings::indexItem(u16view text, std::uint32_t place)
{
    if ((indexed_ + 1) * 2 > slots_.size()) {
        std::vector<Slot> old(std::max<std::size_t>(64, slots_.size() * 2));
        old.swap(slots_);
        const std::size_t mask = slots_.size() - 1;
        for (const Slot& slot : old) {
            if (slot.place == 0) continue;
            const std::size_t hash = std::hash<u16view>()(u16view(keys_).substr(slot.offset, slot.length));
            std::size_t i = hash & mask;
            while (slots_[i].place != 0) i = (i + 1) & mask;
            slots_[i] = slot;
        }
    }
    const std::size_t hash = std::hash<u16view>()(text);
    Slot* slot = findSlot(text, hash);
    if (slot->place == 0) {
        if (keys_.size() + text.size() > 0xFFFFFFFFu) throw xlerror("too many shared strings");
        slot->offset = static_cast<std::uint32_t>(keys_.size());
        slot->length = static_cast<std::uint32_t>(text.size());
        slot->check = static_cast<std::uint32_t>(hash >> 32);
        keys_.append(text);
        ++indexed_;
    }
    slot->place = place + 1;
}

void SharedStrings::buildIndex()
{
    slots_.clear();
    indexed_ = 0;
    keys_.clear();
    joined_.clear();
    // Of two equal plain items the later one is found.
    // Plain items with white space at either end are marked to keep it.
    for (std::size_t i = 0; i < root_.si.size(); ++i) {
        const sst::c_CT_Rst& item = *root_.si.at(i);
        const auto place = static_cast<std::uint32_t>(i);
        if (!item.t.has()) joined_[place] = itemText(item);
        else if (isPlainItem(item)) {
            sst::c_ST_Xstring_space& t = *root_.si.at(i)->t.peek();
            keepEdgeSpace(t);
            indexItem(t.content.value, place);
        }
    }
}

std::uint32_t SharedStrings::addString(u16view text)
{
    if (!root_.count.present) root_.set_count(1);
    if (!slots_.empty()) {
        const Slot* found = findSlot(text, std::hash<u16view>()(text));
        if (found->place != 0) return found->place - 1;
    }
    if (root_.si.size() >= 0x7FFFFFFFu) throw xlerror("too many shared strings");
    const auto place = static_cast<std::uint32_t>(root_.si.size());
    sst::c_ST_Xstring_space* t = root_.si.append()->get_t();
    try {
        t->content.set(u16string(text));
        keepEdgeSpace(*t);
        indexItem(t->content.value, place);
    } catch (...) {
        root_.si.erase(place);
        throw;
    }
    root_.set_uniqueCount(root_.si.size());
    return place;
}

const u16string& SharedStrings::getString(std::uint32_t index) const
{
    if (index >= root_.si.size()) throw xlerror("index is out of range or no value");
    if (const sst::c_ST_Xstring_space* t = root_.si.at(index)->t.peek()) return t->content.value;
    return joined_.at(index);
}

bool SharedStrings::isRich(std::uint32_t index) const
{
    return index < root_.si.size() && !isPlainItem(*root_.si.at(index));
}

void SharedStrings::retain(const std::vector<bool>& keep, std::uint64_t cells)
{
    std::unordered_set<const nimb::c_binding*> dropped;
    for (std::size_t i = 0; i < root_.si.size() && i < keep.size(); ++i)
        if (!keep[i]) dropped.insert(root_.si.at(i));
    if (!dropped.empty())
        root_.si.erase_if([&](const nimb::c_binding* item) { return dropped.count(item) != 0; });
    buildIndex();
    root_.set_count(cells);
    root_.set_uniqueCount(root_.si.size());
}

void SharedStrings::serialize(std::string& out)
{
    if (root_.uniqueCount.present) root_.set_uniqueCount(root_.si.size());
    writeCompact(root_, "sst", out);
}

}  // namespace celvo
