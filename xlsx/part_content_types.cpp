#include "part_content_types.h"

#include <algorithm>

namespace celvo {

namespace {

u16string normalized(u16view name) { return canonicalPartName(name); }

}  // namespace

ContentTypes::ContentTypes(const char* data, std::size_t size)
{
    load(data, size);
    rebuildIndexes();
}

u16string ContentTypes::contentType(u16view partName) const
{
    const u16string name = normalized(partName);
    const auto o = overrides_.find(name);
    if (o != overrides_.end()) return o->second->ContentType.value;
    const auto d = defaults_.find(partExtension(name));
    if (d != defaults_.end()) return d->second->ContentType.value;
    return u16string();
}

bool ContentTypes::hasOverride(u16view partName) const { return overrides_.count(normalized(partName)) != 0; }

void ContentTypes::addOverride(u16view partName, u16view contentType)
{
    const u16string name = normalized(partName);
    const auto it = overrides_.find(name);
    if (it != overrides_.end()) {
        it->second->set_ContentType(u16string(contentType));
        return;
    }
    contentypes::c_CT_Override entry;
    entry.set_PartName(name);
    entry.set_ContentType(u16string(contentType));
    root_.inner_CT_Types.emplace_back(2);
    contentypes::c_CT_Types::set_Override(root_.inner_CT_Types.back(), entry);
    overrides_[name] = contentypes::c_CT_Types::get_Override(root_.inner_CT_Types.back());
}

void ContentTypes::addDefault(u16view extension, u16view contentType)
{
    const auto it = defaults_.find(extension);
    if (it != defaults_.end()) {
        it->second->set_ContentType(u16string(contentType));
        return;
    }
    contentypes::c_CT_Default entry;
    entry.set_Extension(u16string(extension));
    entry.set_ContentType(u16string(contentType));
    root_.inner_CT_Types.emplace_back(2);
    contentypes::c_CT_Types::set_Default(root_.inner_CT_Types.back(), entry);
    defaults_[u16string(extension)] = contentypes::c_CT_Types::get_Default(root_.inner_CT_Types.back());
}

void ContentTypes::removeOverride(u16view partName)
{
    std::set<u16string, PartNameLess> names;
    names.insert(normalized(partName));
    removeOverrides(names);
}

void ContentTypes::removeOverrides(const std::set<u16string, PartNameLess>& partNames)
{
    if (partNames.empty()) return;
    // One pass over the list, however many parts go.
    auto& items = root_.inner_CT_Types;
    const auto kept = std::remove_if(items.begin(), items.end(), [&](const auto& item) {
        if (item.which() != 1) return false;
        const auto* o = static_cast<const contentypes::c_CT_Override*>(item.object());
        return o && partNames.count(normalized(o->PartName.value)) != 0;
    });
    if (kept == items.end()) return;
    items.erase(kept, items.end());
    for (const u16string& name : partNames) overrides_.erase(name);
}

void ContentTypes::rebuildIndexes()
{
    defaults_.clear();
    overrides_.clear();
    for (auto& item : root_.inner_CT_Types) {
        if (item.which() == 0) {
            auto* d = static_cast<contentypes::c_CT_Default*>(item.object());
            if (d) defaults_[d->Extension.value] = d;
        } else if (item.which() == 1) {
            auto* o = static_cast<contentypes::c_CT_Override*>(item.object());
            if (o) overrides_[normalized(o->PartName.value)] = o;
        }
    }
}

}  // namespace celvo
