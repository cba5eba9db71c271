// The merged ranges of a .xlsx worksheet as the edits of cells change them.
#include "sheet_merges.h"

#include <string>
#include <utility>
#include <vector>

#include "sheet.h"
#include "sheet_insert.h"

namespace celvo {

namespace {

struct Range {
    std::uint32_t r1, c1, r2, c2;
};

// The ranges of the list (those whose ref cannot be read kept as text).
struct Entry {
    bool read;
    Range range;
    u16string ref;
};

std::vector<Entry> entries(const sheet::c_CT_MergeCells& merges)
{
    std::vector<Entry> out;
    out.reserve(merges.mergeCell.size());
    for (std::size_t i = 0; i < merges.mergeCell.size(); ++i) {
        const u16string& ref = merges.mergeCell.at(i)->ref.value;
        Entry e{false, {0, 0, 0, 0}, ref};
        e.read = readRangeRef(ref, e.range.r1, e.range.c1, e.range.r2, e.range.c2);
        out.push_back(std::move(e));
    }
    return out;
}

void store(sheet::c_worksheet& root, const std::vector<Entry>& list)
{
    if (list.empty()) {
        root.mergeCells.reset();
        return;
    }
    sheet::c_CT_MergeCells* merges = root.mergeCells.get();
    merges->mergeCell.clear();
    for (const Entry& e : list) {
        sheet::c_CT_MergeCell* m = merges->mergeCell.append();
        m->ref.set(e.read ? blockRef(e.range.r1, e.range.c1, e.range.r2, e.range.c2) : e.ref);
    }
    merges->count.set(static_cast<unsigned>(list.size()));
}

}  // namespace

void moveMerges(sheet::c_worksheet& root, const GridEdit& edit)
{
    const sheet::c_CT_MergeCells* merges = root.mergeCells.peek();
    if (!merges) return;
    std::vector<Entry> kept, pieces;  // pieces cut off go last
    for (const Entry& e : entries(*merges)) {
        if (!e.read) {
            kept.push_back(e);
            continue;
        }
        const int a = static_cast<int>(edit.columns ? e.range.c1 : e.range.r1);
        const int b = static_cast<int>(edit.columns ? e.range.c2 : e.range.r2);
        std::vector<std::pair<std::pair<int, int>, std::vector<Entry>*>> spans;
        if (edit.insert && a < edit.first && edit.first <= b) {
            spans.push_back({{a, edit.first - 1}, &kept});
            int c = edit.first, d = b;
            if (edit.mapSpan(c, d)) spans.push_back({{c, d}, &pieces});
        } else {
            int c = a, d = b;
            if (edit.mapSpan(c, d)) spans.push_back({{c, d}, &kept});
        }
        for (const auto& [span, into] : spans) {
            Entry next = e;
            if (edit.columns) {
                next.range.c1 = static_cast<std::uint32_t>(span.first);
                next.range.c2 = static_cast<std::uint32_t>(span.second);
            } else {
                next.range.r1 = static_cast<std::uint32_t>(span.first);
                next.range.r2 = static_cast<std::uint32_t>(span.second);
            }
            // A single cell is no merge.
            if (next.range.r1 == next.range.r2 && next.range.c1 == next.range.c2) continue;
            into->push_back(std::move(next));
        }
    }
    kept.insert(kept.end(), pieces.begin(), pieces.end());
    store(root, kept);
}

bool removeMergesMeeting(sheet::c_worksheet& root, std::uint32_t r1, std::uint32_t c1, std::uint32_t r2,
                         std::uint32_t c2)
{
    const sheet::c_CT_MergeCells* merges = root.mergeCells.peek();
    if (!merges) return false;
    std::vector<Entry> kept;
    bool removed = false;
    for (const Entry& e : entries(*merges)) {
        const bool meets = e.read && e.range.r1 <= r2 && e.range.r2 >= r1 && e.range.c1 <= c2 && e.range.c2 >= c1;
        if (meets) removed = true;
        else kept.push_back(e);
    }
    if (removed) store(root, kept);
    return removed;
}

}  // namespace celvo
