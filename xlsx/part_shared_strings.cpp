#include "part_shared_strings.h"

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

void SharedStrings::buildIndex()
{
    index_.clear();
    joined_.clear();
    index_.reserve(root_.si.size());
    // Of two equal plain items the later one is found.
    // Plain items with white space at either end are marked to keep it.
    for (std::size_t i = 0; i < root_.si.size(); ++i) {
        const sst::c_CT_Rst& item = *root_.si.at(i);
        const auto place = static_cast<std::uint32_t>(i);
        if (!item.t.has()) joined_[place] = itemText(item);
        else if (isPlainItem(item)) {
            sst::c_ST_Xstring_space& t = *root_.si.at(i)->t.peek();
            keepEdgeSpace(t);
            index_[t.content.value] = place;
        }
    }
}

std::uint32_t SharedStrings::addString(u16view text)
{
    if (!root_.count.present) root_.set_count(1);
    auto found = index_.find(text);
    if (found != index_.end()) return found->second;
    if (root_.si.size() >= 0x7FFFFFFFu) throw xlerror("too many shared strings");
    const auto place = static_cast<std::uint32_t>(root_.si.size());
    sst::c_ST_Xstring_space* t = root_.si.append()->get_t();
    try {
        t->content.set(u16string(text));
        keepEdgeSpace(*t);
        index_.emplace(t->content.value, place);
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

void SharedStrings::serialize(std::string& out)
{
    if (root_.uniqueCount.present) root_.set_uniqueCount(root_.si.size());
    writeCompact(root_, "sst", out);
}

}  // namespace celvo
