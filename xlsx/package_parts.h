// The part map of a package: part name -> part object, ordered and compared
// without regard to the case of ASCII letters, and the factory that makes
// the part object of an entry from its content type.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "part.h"
#include "part_names.h"

namespace celvo {

class PartMap {
public:
    using Map = std::map<u16string, XFile*, PartNameLess>;

    PartMap() = default;
    ~PartMap();
    PartMap(const PartMap&) = delete;
    PartMap& operator=(const PartMap&) = delete;

    // The part under a name (in any letter case), or null.
    XFile* find(u16view name) const;
    template <class T>
    T* findAs(u16view name) const
    {
        return dynamic_cast<T*>(find(name));
    }
    bool contains(u16view name) const { return map_.find(name) != map_.end(); }
    // The name under which the part is held; empty when it is not.
    u16string nameOf(const XFile* part) const;
    // True when the map holds that very part object (under any name).
    bool holds(const XFile* part) const { return part && names_.count(part) != 0; }

    // Stores a part the map owns under a name no part holds yet (a name
    // taken in any letter case throws); returns the part.
    XFile* insert(u16string name, std::unique_ptr<XFile> part);
    // Stores a part the map does not own (the workbook part, which is the
    // book itself).
    void insertUnowned(u16string name, XFile* part);
    // True when no part holds the name, nor the name of its relationships
    // part: a new part never takes over relationships a package left behind.
    bool nameIsFree(u16view name) const;
    // Stores the part under prefix + N + "." + extension, N = 1, 2, ... the
    // first name free (nameIsFree); returns that name.
    u16string insertUnique(u16view prefix, u16view extension, std::unique_ptr<XFile> part);
    // Takes a part out of the map; null for no part or the unowned one.
    std::unique_ptr<XFile> release(u16view name);
    // Removes a part (deleting it when the map owns it).
    void erase(u16view name);
    void clear();
    void swap(PartMap& other) noexcept;

    Map::const_iterator begin() const { return map_.begin(); }
    Map::const_iterator end() const { return map_.end(); }
    std::size_t size() const noexcept { return map_.size(); }

private:
    Map map_;
    // The key of each part object, for nameOf without a walk of the map.
    std::unordered_map<const XFile*, const u16string*> names_;
    // For insertUnique: under each prefix and extension, every number below
    // the one kept is taken (forgotten when a part leaves the map).
    std::map<u16string, unsigned, PartNameLess> firstFree_;
    XFile* unowned_ = nullptr;
};

// A new part object for an entry of the package, made by its content type
// (compared exactly): relationships, worksheets, shared strings, styles and
// drawings become their part classes, any other type (no type at all
// included) the entry's bytes. Null for a workbook type: the workbook part
// is the book itself. A malformed XML part throws.
std::unique_ptr<XFile> createPart(std::vector<std::uint8_t>&& bytes, u16view contentType);

}  // namespace celvo
