// The shared string table of a .xls book: every string cell refers to one
// entry by position. A hash index (FNV-1 over the UTF-16 units of the text,
// kept per entry) finds an equal entry without scanning the table.
#pragma once

#include <cstdint>
#include <vector>

#include <google/dense_hash_set>

#include "biff_stream.h"
#include "biff_string.h"
#include "celvo/mempool.h"
#include "celvo/text.h"

namespace celvo {

// 32-bit FNV-1 over the text's code units.
std::uint32_t sstHash(u16view text) noexcept;
// Equal texts, equal run and phonetic flags, no phonetic block, equal runs.
bool sstEqual(const RichString& a, const RichString& b) noexcept;

class SST {
public:
    // The characters of new entries go into the pool.
    explicit SST(MemPool& pool);
    SST(const SST&) = delete;
    SST& operator=(const SST&) = delete;

    // Finds an equal entry (unless force) or appends the entry; *added tells
    // which. The index then maps the entry's text to the returned position.
    unsigned add(const RichString& entry, bool force, bool* added = nullptr);
    // Replaces the entry at index; the old text no longer leads to it.
    void setString(unsigned index, const RichString& entry);
    // A string cell's new text: counts one more use.
    unsigned addString(u16view text, bool force = false);
    void replaceString(unsigned index, u16view text) { setString(index, RichString(text, *pool_)); }

    std::size_t size() const noexcept { return entries_.size(); }
    const RichString& at(std::size_t i) const { return entries_.at(i); }
    void clear();

    // SST record with its CONTINUE records: the counts, then cstUnique
    // strings taken at the positions the file gives them.
    void read(RecordCursor& in);
    // The SST record, continued where the strings need it.
    void write(BiffOutput& out);

    std::uint32_t cstTotal = 0;
    std::uint32_t cstUnique = 0;

private:
    static constexpr std::uint32_t kDeletedKey = 0xFFFFFFFFu;
    static constexpr std::uint32_t kProbeKey = 0xFFFFFFFEu;
    static constexpr std::uint32_t kEmptyKey = 0xFFFFFFFDu;

    // Keys are entry positions; kProbeKey stands for the entry being looked up.
    const RichString& entryOf(std::uint32_t key) const noexcept
    {
        return key == kProbeKey ? *probe_ : entries_[key];
    }
    std::uint32_t hashOf(std::uint32_t key) const noexcept { return key == kProbeKey ? probeHash_ : hashes_[key]; }
    struct Hash {
        const SST* sst;
        std::size_t operator()(std::uint32_t key) const noexcept;
    };
    struct Equal {
        const SST* sst;
        bool operator()(std::uint32_t a, std::uint32_t b) const noexcept;
    };
    // Position of an entry equal to e, or -1.
    long long find(const RichString& e) const;
    // Appends the entry and its key.
    std::uint32_t append(const RichString& entry);
    // Drops the index's key for position i when it is there.
    void unindex(std::uint32_t i);

    MemPool* pool_;
    std::vector<RichString> entries_;
    std::vector<std::uint32_t> hashes_;  // sstHash of each entry's text
    mutable const RichString* probe_ = nullptr;
    mutable std::uint32_t probeHash_ = 0;
    google::dense_hash_set<std::uint32_t, Hash, Equal> index_;
};

}  // namespace celvo
