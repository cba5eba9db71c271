// A relationships part ("/_rels/.rels", "/xl/_rels/workbook.xml.rels", ...):
// the relations of one source part to other parts and to outside targets.
// The list of the binding root is the stored truth; the index by Id and the
// highest Id number follow it through every operation here (the list is not
// meant to be changed behind the holder's back).
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "ooxml/opc-relationships.h"
#include "part.h"

namespace celvo {

class Relationships final : public XmlFile<relationships::c_Relationships> {
public:
    using Item = relationships::c_CT_Relationship;

    Relationships() = default;
    Relationships(const char* data, std::size_t size);
    Relationships(const Relationships& other);
    Relationships& operator=(const Relationships&) = delete;

    std::size_t size() const noexcept { return root_.Relationship.size(); }
    const Item& at(std::size_t i) const { return *root_.Relationship.at(i); }
    // The relationship with that Id (Ids compare exactly), or null.
    const Item* byId(u16view id) const;
    // The target of the relationship with that Id; empty when there is none.
    u16string targetById(u16view id) const;
    // The relationships of a type (known by its last word, see
    // packagetype::relTypeIs), in document order.
    std::vector<const Item*> ofType(u16view word) const;
    // The target of the first relationship of a type; empty when none.
    u16string firstTargetOfType(u16view word) const;
    // True when the relationship points outside the package.
    static bool isExternal(const Item& item);

    // "rId" and one more than the highest number that ends an Id of the list
    // (the number after the first three characters, read as a decimal
    // integer that may be signed; an Id of three characters or fewer, or
    // with no digits there, counts as 0). "rId1" for an empty list.
    u16string nextId() const;
    // Appends a relationship of the full type URI to an internal target;
    // returns its new Id.
    u16string add(u16view type, u16view target);
    // Appends a copy of a relationship under its own Id; throws when the Id
    // is taken.
    void addCopy(const Item& item);
    // Removes the first relationship whose Id (target) equals the text
    // exactly; false when there is none.
    bool removeById(u16view id);
    bool removeByTarget(u16view target);
    // Removes relationship i.
    void removeAt(std::size_t i);
    // Removes every relationship the predicate takes (called with each in
    // document order), in one pass; returns how many went.
    template <class Pred>
    std::size_t removeIf(Pred pred)
    {
        const std::size_t n =
            root_.Relationship.erase_if([&](nimb::c_binding* item) { return pred(static_cast<const Item&>(*item)); });
        if (n) rebuildIndexes();
        return n;
    }

    // Clears and fills the indexes again from the list.
    void rebuildIndexes();

private:
    std::unordered_map<u16string, std::size_t> byId_;
    std::int64_t maxIdNumber_ = 0;
};

}  // namespace celvo
