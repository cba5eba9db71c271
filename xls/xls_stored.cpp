// The streams and storages of a loaded document other than the workbook
// stream: read with the document and written back beside the new workbook
// stream, so that embedded objects, macros and property sets survive a save.
#include <algorithm>

#include "xls.h"

namespace celvo {

namespace {

bool isWorkbookName(const std::u16string& name)
{
    return equalNoCase(name, u"Workbook") || equalNoCase(name, u"Book");
}

// The order of entries in a storage's tree: shorter names first, names of
// the same length by their upper-case units.
bool nameLess(const DirEntry& a, const DirEntry& b)
{
    const std::u16string x = a.name(), y = b.name();
    if (x.size() != y.size()) return x.size() < y.size();
    for (std::size_t i = 0; i < x.size(); ++i) {
        const char16_t u = toUpperUnit(x[i]), v = toUpperUnit(y[i]);
        if (u != v) return u < v;
    }
    return false;
}

// A balanced tree over the sorted entries `kids`: levels above the last are
// complete, so black inner levels and a red last level (when it is not full)
// give every path the same number of black entries.
std::uint32_t buildTree(std::vector<DirEntry>& dir, const std::vector<std::uint32_t>& kids, std::size_t lo,
                        std::size_t hi, unsigned depth, unsigned redDepth)
{
    if (lo >= hi) return kFreeSector;
    const std::size_t mid = lo + (hi - lo) / 2;
    const std::uint32_t left = buildTree(dir, kids, lo, mid, depth + 1, redDepth);
    const std::uint32_t right = buildTree(dir, kids, mid + 1, hi, depth + 1, redDepth);
    DirEntry& e = dir[kids[mid]];
    e.left = left;
    e.right = right;
    e.color = depth == redDepth ? 0 : 1;
    return kids[mid];
}

std::uint64_t ceilDiv(std::uint64_t a, std::uint64_t b)
{
    return (a + b - 1) / b;
}

}  // namespace

void Xls::loadStored()
{
    auto stored = std::make_shared<XlsStored>();
    stored->root = dir_[0];
    // A valid document's streams fit in the file together; sizes beyond that
    // belong to entries sharing sectors, which are not kept.
    std::uint64_t budget = fileSize_;
    std::vector<bool> seen(dir_.size());
    seen[0] = true;
    // Storages in the order found (so a storage comes before its contents),
    // with their index in the kept entries.
    std::vector<std::pair<std::uint32_t, std::size_t>> storages{{0u, XlsStored::kNoParent}};
    for (std::size_t k = 0; k < storages.size(); ++k) {
        const auto [storage, parent] = storages[k];
        std::vector<std::uint32_t> todo{dir_[storage].child}, members;
        while (!todo.empty()) {
            const std::uint32_t i = todo.back();
            todo.pop_back();
            if (i >= dir_.size() || seen[i]) continue;
            seen[i] = true;
            todo.push_back(dir_[i].left);
            todo.push_back(dir_[i].right);
            members.push_back(i);
        }
        // In name order, whatever the shape of the tree: a saved file loaded
        // and saved again gives the same document.
        std::stable_sort(members.begin(), members.end(),
                         [this](std::uint32_t a, std::uint32_t b) { return nameLess(dir_[a], dir_[b]); });
        for (const std::uint32_t i : members) {
            const DirEntry& e = dir_[i];
            // The workbook stream is written anew; an older one beside it
            // would contradict it.
            if (i == workbook_ || (parent == XlsStored::kNoParent && e.type == DirEntry::kStream && isWorkbookName(e.name())))
                continue;
            if (e.type == DirEntry::kStorage) {
                stored->entries.push_back({parent, e, {}});
                storages.emplace_back(i, stored->entries.size() - 1);
            } else if (e.type == DirEntry::kStream) {
                std::uint64_t size = e.size;
                if (header_.majorVersion == 3) size &= 0xFFFFFFFFull;
                if (size > budget) continue;
                budget -= size;
                std::vector<std::uint8_t> data;
                if (size > 0) {
                    // A stream that cannot be read has nothing to keep.
                    try {
                        data = loadStream(i);
                    } catch (const std::exception&) {
                        continue;
                    }
                }
                stored->entries.push_back({parent, e, std::move(data)});
            }
        }
    }
    if (!stored->entries.empty() || std::any_of(std::begin(stored->root.classId), std::end(stored->root.classId),
                                                 [](std::uint8_t b) { return b != 0; }) ||
        stored->root.stateBits || stored->root.created || stored->root.modified)
        stored_ = std::move(stored);
}

Xls::StoredLayout Xls::layoutStored(std::uint64_t firstSector)
{
    StoredLayout out;
    if (!stored_) return out;
    const XlsStored& st = *stored_;
    dir_.resize(2);
    DirEntry& root = dir_[0];
    std::copy(std::begin(st.root.classId), std::end(st.root.classId), root.classId);
    root.stateBits = st.root.stateBits;
    root.created = st.root.created;
    root.modified = st.root.modified;
    root.startSector = kEndOfChain;
    root.size = 0;
    // Entries are added after this: the root is reached through dir_ again.

    std::vector<std::uint8_t> mini;
    std::vector<std::uint32_t> miniFat;
    std::vector<std::vector<std::uint32_t>> kids(2 + st.entries.size());
    kids[0].push_back(1);
    for (std::size_t k = 0; k < st.entries.size(); ++k) {
        const XlsStored::Entry& se = st.entries[k];
        const std::uint32_t index = static_cast<std::uint32_t>(dir_.size());
        DirEntry e = se.entry;
        e.left = e.right = e.child = kFreeSector;
        e.color = 1;
        if (e.type == DirEntry::kStorage) {
            e.startSector = 0;
            e.size = 0;
        } else if (se.data.empty()) {
            e.startSector = kEndOfChain;
            e.size = 0;
        } else if (se.data.size() < kMiniStreamCutoff) {
            const std::uint64_t first = mini.size() / 64, count = ceilDiv(se.data.size(), 64);
            for (std::uint64_t m = 0; m < count; ++m)
                miniFat.push_back(m + 1 < count ? static_cast<std::uint32_t>(first + m + 1) : kEndOfChain);
            mini.insert(mini.end(), se.data.begin(), se.data.end());
            mini.resize(static_cast<std::size_t>((first + count) * 64), 0);
            e.startSector = static_cast<std::uint32_t>(first);
            e.size = se.data.size();
        } else {
            const std::uint64_t first = firstSector + out.sectors, count = ceilDiv(se.data.size(), 512);
            if (first + count >= kDifatSector)
                throw xlerror("Xls::write(): the document is too big for a compound document");
            out.runs.emplace_back(first, count);
            out.bytes.insert(out.bytes.end(), se.data.begin(), se.data.end());
            out.bytes.resize(static_cast<std::size_t>((out.sectors + count) * 512), 0);
            out.sectors += count;
            e.startSector = static_cast<std::uint32_t>(first);
            e.size = se.data.size();
        }
        dir_.push_back(e);
        // An entry whose storage is missing goes below the root.
        const bool inStorage = se.parent < k && st.entries[se.parent].entry.type == DirEntry::kStorage;
        kids[inStorage ? 2 + se.parent : 0].push_back(index);
    }
    if (!mini.empty()) {
        // The mini stream, then the mini FAT, in regular sectors.
        const std::uint64_t count = ceilDiv(mini.size(), 512);
        dir_[0].startSector = static_cast<std::uint32_t>(firstSector + out.sectors);
        dir_[0].size = mini.size();
        out.runs.emplace_back(firstSector + out.sectors, count);
        out.bytes.insert(out.bytes.end(), mini.begin(), mini.end());
        out.sectors += count;
        out.bytes.resize(static_cast<std::size_t>(out.sectors * 512), 0);

        const std::uint64_t fatCount = ceilDiv(miniFat.size(), 128);
        out.firstMiniFatSector = static_cast<std::uint32_t>(firstSector + out.sectors);
        out.miniFatSectors = static_cast<std::uint32_t>(fatCount);
        out.runs.emplace_back(firstSector + out.sectors, fatCount);
        miniFat.resize(static_cast<std::size_t>(fatCount * 128), kFreeSector);
        ByteWriter w;
        for (std::uint32_t v : miniFat) w.u32(v);
        out.bytes.insert(out.bytes.end(), w.buffer().begin(), w.buffer().end());
        out.sectors += fatCount;
    }
    for (std::size_t s = 0; s < kids.size(); ++s) {
        std::vector<std::uint32_t>& list = kids[s];
        if (list.empty()) continue;
        std::stable_sort(list.begin(), list.end(),
                         [this](std::uint32_t a, std::uint32_t b) { return nameLess(dir_[a], dir_[b]); });
        unsigned height = 0;
        while ((std::uint64_t(1) << height) - 1 < list.size()) ++height;
        const bool full = (std::uint64_t(1) << height) - 1 == list.size();
        dir_[s].child = buildTree(dir_, list, 0, list.size(), 0, full ? height : height - 1);
    }
    return out;
}

}  // namespace celvo
