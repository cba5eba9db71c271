#include "package_parts.h"

#include "package_types.h"
#include "part_drawing.h"
#include "part_relationships.h"
#include "part_shared_strings.h"
#include "part_styles.h"
#include "sheet.h"

namespace celvo {

PartMap::~PartMap() { clear(); }

XFile* PartMap::find(u16view name) const
{
    const auto it = map_.find(name);
    return it == map_.end() ? nullptr : it->second;
}

u16string PartMap::nameOf(const XFile* part) const
{
    const auto it = names_.find(part);
    return it == names_.end() ? u16string() : *it->second;
}

XFile* PartMap::insert(u16string name, std::unique_ptr<XFile> part)
{
    if (!part) throw xlerror("no part to store under " + utf16ToUtf8(name));
    if (map_.find(name) != map_.end()) throw xlerror("the package already holds a part named " + utf16ToUtf8(name));
    if (names_.count(part.get())) throw xlerror("the part is already held under another name");
    names_.reserve(names_.size() + 1);
    XFile* p = part.get();
    const auto it = map_.emplace(std::move(name), p).first;
    names_.emplace(p, &it->first);
    part.release();
    return p;
}

void PartMap::insertUnowned(u16string name, XFile* part)
{
    if (map_.find(name) != map_.end()) throw xlerror("the package already holds a part named " + utf16ToUtf8(name));
    if (!part || names_.count(part)) throw xlerror("the part is already held under another name");
    names_.reserve(names_.size() + 1);
    const auto it = map_.emplace(std::move(name), part).first;
    names_.emplace(part, &it->first);
    unowned_ = part;
}

u16string PartMap::insertUnique(u16view prefix, u16view extension, std::unique_ptr<XFile> part)
{
    u16string key(prefix);
    key += u'|';
    key.append(extension);
    const auto hint = firstFree_.find(key);
    for (unsigned n = hint == firstFree_.end() ? 1 : hint->second;; ++n) {
        u16string name(prefix);
        name += widenAscii(std::to_string(n));
        name += u'.';
        name.append(extension);
        if (!nameIsFree(name)) continue;
        insert(name, std::move(part));
        firstFree_[key] = n + 1;
        return name;
    }
}

bool PartMap::nameIsFree(u16view name) const
{
    return map_.find(name) == map_.end() && map_.find(relsPartName(name)) == map_.end();
}

std::unique_ptr<XFile> PartMap::release(u16view name)
{
    const auto it = map_.find(name);
    if (it == map_.end()) return nullptr;
    XFile* p = it->second;
    names_.erase(p);
    map_.erase(it);
    firstFree_.clear();
    if (p == unowned_) {
        unowned_ = nullptr;
        return nullptr;
    }
    return std::unique_ptr<XFile>(p);
}

void PartMap::erase(u16view name) { release(name); }

void PartMap::clear()
{
    for (auto& entry : map_)
        if (entry.second != unowned_) delete entry.second;
    map_.clear();
    names_.clear();
    firstFree_.clear();
    unowned_ = nullptr;
}

void PartMap::swap(PartMap& other) noexcept
{
    map_.swap(other.map_);
    names_.swap(other.names_);
    firstFree_.swap(other.firstFree_);
    std::swap(unowned_, other.unowned_);
}

std::unique_ptr<XFile> createPart(std::vector<std::uint8_t>&& bytes, u16view contentType)
{
    using namespace packagetype;
    const char* data = reinterpret_cast<const char*>(bytes.data());
    if (isWorkbookType(contentType)) return nullptr;
    if (contentType == kRelationships) return std::make_unique<Relationships>(data, bytes.size());
    if (contentType == kStyles) return std::make_unique<Styles>(data, bytes.size());
    if (contentType == kWorksheet) return std::make_unique<XMLSheetImplT>(data, bytes.size());
    if (contentType == kSharedStrings) return std::make_unique<SharedStrings>(data, bytes.size());
    if (contentType == kDrawing) return std::make_unique<Drawing>(data, bytes.size());
    // Every part of another type is kept as its bytes.
    return std::make_unique<BinaryFile>(std::move(bytes));
}

}  // namespace celvo
