// The content-types part "/[Content_Types].xml": the content type of every
// part, by part name (Override) or by extension (Default). Lookups ignore the
// case of ASCII letters, as part names do.
#pragma once

#include <cstddef>
#include <map>
#include <set>

#include "ooxml/opc-contentTypes.h"
#include "part.h"
#include "part_names.h"

namespace celvo {

class ContentTypes final : public XmlFile<contentypes::c_Types> {
public:
    ContentTypes() = default;
    ContentTypes(const char* data, std::size_t size);
    ContentTypes(const ContentTypes&) = delete;
    ContentTypes& operator=(const ContentTypes&) = delete;

    // The content type of a part: its Override, else the Default of its
    // extension; empty when neither is declared. The name is normalised
    // first ("xl\styles.xml" is "/xl/styles.xml").
    u16string contentType(u16view partName) const;
    // True when the part has an Override of its own.
    bool hasOverride(u16view partName) const;
    // Declares the content type of one part (of an extension): an entry that
    // exists under that key in any letter case takes the new type in its
    // place; otherwise a new entry is appended.
    void addOverride(u16view partName, u16view contentType);
    void addDefault(u16view extension, u16view contentType);
    // Removes every Override of the part (its name in any letter case and
    // in any form, see canonicalPartName); Defaults are never removed.
    void removeOverride(u16view partName);
    // The same for many parts at once (names in canonical form), in one
    // pass over the list.
    void removeOverrides(const std::set<u16string, PartNameLess>& partNames);

    void rebuildIndexes();

private:
    // Entries of the list by key; of two equal keys the later one.
    std::map<u16string, contentypes::c_CT_Default*, PartNameLess> defaults_;
    std::map<u16string, contentypes::c_CT_Override*, PartNameLess> overrides_;
};

}  // namespace celvo
