#include "function_table.h"

#include <cstring>
#include <string>

#include "celvo/xlerror.h"

namespace celvo {

namespace {

struct FunctionGroup {
    std::uint32_t refMask;
    std::uint8_t fixedCount;
    const char* names;  // separated by spaces
};

#include "function_table_data.inc"

// Calls f(word) for every space-separated word of text.
template <class F>
void forEachWord(const char* text, F&& f)
{
    const char* p = text;
    while (*p) {
        while (*p == ' ') ++p;
        const char* start = p;
        while (*p && *p != ' ') ++p;
        if (p != start) f(std::string(start, p));
    }
}

}  // namespace

FunctionTable::FunctionTable()
{
    std::map<std::string, Row> byName;
    forEachWord(kFunctionNumbers, [&](const std::string& word) {
        auto colon = word.find(':');
        if (colon == std::string::npos) throw xlerror("function table: bad entry " + word);
        unsigned long id = std::stoul(word.substr(0, colon));
        std::string name = word.substr(colon + 1);
        if (id > kMaxId || name.empty() || byName.count(name))
            throw xlerror("function table: bad entry " + word);
        Row row;
        row.id = static_cast<std::uint16_t>(id);
        byName.emplace(name, row);
    });

    std::map<std::string, int> grouped;
    for (const FunctionGroup& g : kFunctionGroups) {
        forEachWord(g.names, [&](const std::string& name) {
            auto it = byName.find(name);
            if (it == byName.end() || grouped[name]++ != 0)
                throw xlerror("function table: bad group entry " + name);
            it->second.refMask = g.refMask;
            it->second.fixedCount = g.fixedCount;
        });
    }
    if (grouped.size() != byName.size()) throw xlerror("function table: a function has no group");

    for (const auto& [name, row] : byName) {
        auto inserted = rows_.emplace(widenAscii(name), row).first;
        if (byId_[row.id]) throw xlerror("function table: duplicate number " + name);
        byId_[row.id] = &*inserted;
    }
}

const FunctionTable& FunctionTable::builtIn()
{
    static const FunctionTable table;
    return table;
}

const FunctionTable::Row* FunctionTable::rowByName(u16view name) const
{
    auto it = rows_.find(name);
    return it == rows_.end() ? nullptr : &it->second;
}

std::uint16_t FunctionTable::idByName(u16view name) const
{
    const Row* row = rowByName(name);
    return row ? row->id : kNoFunction;
}

FunctionInfo FunctionTable::infoByName(u16view name) const
{
    FunctionInfo info;
    if (const Row* row = rowByName(name)) {
        info.id = row->id;
        info.refMask = row->refMask;
    }
    return info;
}

u16string FunctionTable::nameById(std::uint16_t id, std::uint8_t* fixedCount) const
{
    const auto* entry = id <= kMaxId ? byId_[id] : nullptr;
    if (fixedCount) *fixedCount = entry ? entry->second.fixedCount : 0;
    return entry ? entry->first : u16string(u"?");
}

}  // namespace celvo
