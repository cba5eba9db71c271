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
    for (const auto& [name, p] : map_)
        if (p == part) return name;
    return u16string();
}

XFile* PartMap::insert(u16string name, std::unique_ptr<XFile> part)
{
    if (map_.find(name) != map_.end()) throw xlerror("the package already holds a part named " + utf16ToUtf8(name));
    XFile* p = part.get();
    map_.emplace(std::move(name), p);
    part.release();
    return p;
}

void PartMap::insertUnowned(u16string name, XFile* part)
{
    if (map_.find(name) != map_.end()) throw xlerror("the package already holds a part named " + utf16ToUtf8(name));
    map_.emplace(std::move(name), part);
    unowned_ = part;
}

u16string PartMap::insertUnique(u16view prefix, u16view extension, std::unique_ptr<XFile> part)
{
    for (unsigned n = 1;; ++n) {
        u16string name(prefix);
        name += widenAscii(std::to_string(n));
        name += u'.';
        name.append(extension);
        if (map_.find(name) == map_.end()) {
            insert(name, std::move(part));
            return name;
        }
    }
}

std::unique_ptr<XFile> PartMap::release(u16view name)
{
    const auto it = map_.find(name);
    if (it == map_.end()) return nullptr;
    XFile* p = it->second;
    map_.erase(it);
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
    unowned_ = nullptr;
}

void PartMap::swap(PartMap& other) noexcept
{
    map_.swap(other.map_);
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
