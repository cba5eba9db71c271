#include "part_relationships.h"

#include "package_types.h"

namespace celvo {

namespace {

// The number in an Id after its first three characters, the way the C
// library's _wtoi reads it (leading blanks, a sign, digits up to the first
// other character; 0 without digits), kept within 64 bits.
std::int64_t idNumber(u16view id)
{
    if (id.size() <= 3) return 0;
    std::size_t i = 3;
    while (i < id.size() && (id[i] == u' ' || (id[i] >= u'\t' && id[i] <= u'\r'))) ++i;
    bool negative = false;
    if (i < id.size() && (id[i] == u'+' || id[i] == u'-')) negative = id[i++] == u'-';
    std::int64_t n = 0;
    constexpr std::int64_t kCap = 1000000000000000000;  // a forged Id stays finite
    for (; i < id.size() && id[i] >= u'0' && id[i] <= u'9'; ++i) n = n > (kCap - 9) / 10 ? kCap : n * 10 + (id[i] - u'0');
    return negative ? -n : n;
}

}  // namespace

Relationships::Relationships(const char* data, std::size_t size)
{
    load(data, size);
    rebuildIndexes();
}

Relationships::Relationships(const Relationships& other) : XmlFile(other)
{
    rebuildIndexes();
}

const Relationships::Item* Relationships::byId(u16view id) const
{
    const auto it = byId_.find(u16string(id));
    return it == byId_.end() ? nullptr : root_.Relationship.at(it->second);
}

u16string Relationships::targetById(u16view id) const
{
    const Item* item = byId(id);
    return item ? item->Target.value : u16string();
}

std::vector<const Relationships::Item*> Relationships::ofType(u16view word) const
{
    std::vector<const Item*> out;
    for (std::size_t i = 0; i < size(); ++i)
        if (packagetype::relTypeIs(at(i).Type.value, word)) out.push_back(&at(i));
    return out;
}

u16string Relationships::firstTargetOfType(u16view word) const
{
    for (std::size_t i = 0; i < size(); ++i)
        if (packagetype::relTypeIs(at(i).Type.value, word)) return at(i).Target.value;
    return u16string();
}

bool Relationships::isExternal(const Item& item)
{
    return item.TargetMode.present && item.TargetMode.value == u"External";
}

u16string Relationships::nextId() const
{
    return u"rId" + widenAscii(std::to_string(maxIdNumber_ + 1));
}

u16string Relationships::add(u16view type, u16view target)
{
    const u16string id = nextId();
    Item* item = root_.Relationship.append();
    item->set_Id(id);
    item->set_Type(u16string(type));
    item->set_Target(u16string(target));
    byId_.emplace(id, size() - 1);
    maxIdNumber_ += 1;
    return id;
}

void Relationships::addCopy(const Item& item)
{
    if (byId(item.Id.value)) throw xlerror("relationship id is already used");
    *root_.Relationship.append() = item;
    byId_.emplace(item.Id.value, size() - 1);
    maxIdNumber_ = std::max(maxIdNumber_, idNumber(item.Id.value));
}

bool Relationships::removeById(u16view id)
{
    for (std::size_t i = 0; i < size(); ++i)
        if (at(i).Id.value == id) {
            removeAt(i);
            return true;
        }
    return false;
}

bool Relationships::removeByTarget(u16view target)
{
    for (std::size_t i = 0; i < size(); ++i)
        if (at(i).Target.value == target) {
            removeAt(i);
            return true;
        }
    return false;
}

void Relationships::removeAt(std::size_t i)
{
    root_.Relationship.erase(i);
    rebuildIndexes();
}

void Relationships::rebuildIndexes()
{
    byId_.clear();
    byId_.reserve(size());
    maxIdNumber_ = 0;
    for (std::size_t i = 0; i < size(); ++i) {
        // The first of two equal Ids is the one found.
        byId_.emplace(at(i).Id.value, i);
        maxIdNumber_ = std::max(maxIdNumber_, idNumber(at(i).Id.value));
    }
}

}  // namespace celvo
