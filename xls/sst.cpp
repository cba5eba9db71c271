#include "sst.h"

#include <algorithm>
#include <stdexcept>

#include "celvo/xlerror.h"

namespace celvo {

std::uint32_t sstHash(u16view text) noexcept
{
    std::uint32_t h = 2166136261u;
    for (char16_t c : text) {
        h *= 16777619u;
        h ^= static_cast<std::uint32_t>(c);
    }
    return h;
}

namespace {
bool hasRuns(const RichString& s) noexcept { return (s.options & strflag::kRichRuns) != 0; }
bool hasPhonetic(const RichString& s) noexcept { return (s.options & strflag::kPhonetic) != 0; }
}  // namespace

bool sstEqual(const RichString& a, const RichString& b) noexcept
{
    if (a.view() != b.view()) return false;
    if ((a.options & 0x0C) != (b.options & 0x0C)) return false;
    if (hasPhonetic(a)) return false;
    if (hasRuns(a)) {
        const std::size_t na = a.ext ? a.ext->runs.size() : 0;
        const std::size_t nb = b.ext ? b.ext->runs.size() : 0;
        if (na != nb) return false;
        for (std::size_t i = 0; i < na; ++i) {
            const auto& ra = a.ext->runs[i];
            const auto& rb = b.ext->runs[i];
            if (ra.firstChar != rb.firstChar || ra.font != rb.font) return false;
        }
    }
    return true;
}

std::size_t SST::Hash::operator()(std::uint32_t key) const noexcept
{
    if (key == kDeletedKey || key == kEmptyKey) return 0;
    return sst->hashOf(key);
}

bool SST::Equal::operator()(std::uint32_t a, std::uint32_t b) const noexcept
{
    if (a == b) return true;  // a key is always itself, whatever its text
    if (a == kDeletedKey || b == kDeletedKey || a == kEmptyKey || b == kEmptyKey) return false;
    // Texts of different hashes differ; only equal hashes compare the texts.
    return sst->hashOf(a) == sst->hashOf(b) && sstEqual(sst->entryOf(a), sst->entryOf(b));
}

SST::SST(MemPool& pool) : pool_(&pool), index_(0, Hash{this}, Equal{this})
{
    index_.set_empty_key(kEmptyKey);
    index_.set_deleted_key(kDeletedKey);
}

void SST::clear()
{
    entries_.clear();
    hashes_.clear();
    index_.clear();
    cstTotal = 0;
    cstUnique = 0;
}

long long SST::find(const RichString& e) const
{
    probe_ = &e;
    probeHash_ = sstHash(e.view());
    auto it = index_.find(kProbeKey);
    probe_ = nullptr;
    return it == index_.end() ? -1 : static_cast<long long>(*it);
}

std::uint32_t SST::append(const RichString& entry)
{
    const auto pos = static_cast<std::uint32_t>(entries_.size());
    if (pos >= kEmptyKey) throw xlerror("too many strings");
    hashes_.push_back(sstHash(entry.view()));
    try {
        entries_.push_back(entry);
    } catch (...) {
        hashes_.pop_back();
        throw;
    }
    index_.insert(pos);
    return pos;
}

void SST::unindex(std::uint32_t i)
{
    // Only the key of position i itself: an equal text at another position
    // keeps its own key.
    auto it = index_.find(i);
    if (it != index_.end() && *it == i) index_.erase(it);
}

unsigned SST::add(const RichString& entry, bool force, bool* added)
{
    const long long found = find(entry);
    if (found >= 0 && !force) {
        if (added) *added = false;
        return static_cast<unsigned>(found);
    }
    if (found >= 0) unindex(static_cast<std::uint32_t>(found));
    const std::uint32_t pos = append(entry);
    if (added) *added = true;
    return pos;
}

void SST::setString(unsigned index, const RichString& entry)
{
    if (index >= entries_.size()) throw std::out_of_range("string index is out of range");
    unindex(index);
    const long long found = find(entry);
    if (found >= 0) unindex(static_cast<std::uint32_t>(found));
    entries_[index] = entry;
    hashes_[index] = sstHash(entry.view());
    index_.insert(index);
}

unsigned SST::addString(u16view text, bool force)
{
    if (!force && text.size() <= 0xFFFF) {
        // An entry already there needs no copy of the text.
        RichString probe;
        probe.options = strflag::kHighByte;
        probe.text = text.data();
        probe.count = static_cast<std::uint16_t>(text.size());
        const long long found = find(probe);
        if (found >= 0) {
            ++cstTotal;
            return static_cast<unsigned>(found);
        }
    }
    bool added = false;
    const unsigned pos = add(RichString(text, *pool_), force, &added);
    ++cstTotal;
    if (added) ++cstUnique;
    return pos;
}

}  // namespace celvo

namespace celvo {

void SST::read(RecordCursor& in)
{
    in.setName("SST");
    if (in.length() < 8) in.fail();
    clear();
    cstTotal = in.u32();
    cstUnique = in.u32();
    const auto count = static_cast<std::int32_t>(cstUnique);
    // Room for the strings the rest of the stream can hold (three bytes at
    // least each), so that a false count reserves nothing beyond the file.
    if (count > 0) {
        const std::size_t room = std::min<std::size_t>(static_cast<std::size_t>(count), in.streamLeft() / 3);
        entries_.reserve(room);
        hashes_.reserve(room);
        index_.resize(room);
    }
    for (std::int32_t i = 0; i < count; ++i) {
        // Some writers count more strings than they store: the table ends
        // with its records, at a string boundary (empty CONTINUE records
        // included).
        while (in.atEnd() && in.nextIsContinue()) in.enterContinue();
        if (in.atEnd()) break;
        RichString s;
        s.read(in, *pool_);
        // A string whose characters went on in the 16-bit form is written
        // back in that form, so that none of them loses its high byte.
        for (char16_t c : s.view())
            if (c > 0xFF) s.options |= strflag::kHighByte;
        add(s, true);
    }
}

void SST::write(BiffOutput& out)
{
    cstUnique = static_cast<std::uint32_t>(entries_.size());
    RecordWriter w(out, 0x00FC);
    w.u32(cstTotal);
    w.u32(cstUnique);
    std::uint32_t remaining = static_cast<std::uint32_t>(kMaxRecordData - 8);
    for (const RichString& e : entries_) e.write(w, remaining);
    w.finish();
}

}  // namespace celvo
