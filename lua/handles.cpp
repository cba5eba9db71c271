#include "handles.h"

#include <atomic>
#include <functional>
#include <stdexcept>

namespace celvo::lua {

namespace {

// Moves on whenever a registry forgets a handle or goes away; a thread's
// remembered look-up is good only while it has not moved.
std::atomic<std::uint64_t> generation{1};

struct LastFound {
    const HandleRegistry* registry = nullptr;
    std::uint64_t generation = 0;
    std::int32_t handle = 0;
    Kind kind = Kind::book;
    Target target;
};
thread_local LastFound lastFound;

void forgetLookups() noexcept { generation.fetch_add(1, std::memory_order_release); }

}  // namespace

HandleRegistry::~HandleRegistry() { forgetLookups(); }

std::size_t HandleRegistry::KeyHash::operator()(const Key& k) const noexcept
{
    return std::hash<const void*>()(k.object) ^ static_cast<std::size_t>(k.kind);
}

std::int32_t HandleRegistry::handleOf(Kind kind, void* object, std::int32_t book)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = byObject_.find(Key{kind, object});
    if (found != byObject_.end()) return found->second;
    if (next_ > 0x7FFFFFFFu) throw std::length_error("too many handles");
    const auto handle = static_cast<std::int32_t>(next_);
    if (kind == Kind::book) book = handle;
    byHandle_.emplace(handle, Entry{kind, object, book});
    try {
        byObject_.emplace(Key{kind, object}, handle);
    } catch (...) {
        byHandle_.erase(handle);
        throw;
    }
    ++next_;
    return handle;
}

bool HandleRegistry::find(std::int32_t handle, Kind kind, Target& out) const noexcept
{
    LastFound& last = lastFound;
    if (last.registry == this && last.handle == handle && last.kind == kind &&
        last.generation == generation.load(std::memory_order_acquire)) {
        out = last.target;
        return true;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = byHandle_.find(handle);
    if (it == byHandle_.end() || it->second.kind != kind) return false;
    out.object = it->second.object;
    out.book = it->second.book;
    // Read under the lock: nothing of this registry is forgotten meanwhile.
    last = LastFound{this, generation.load(std::memory_order_acquire), handle, kind, out};
    return true;
}

template <class Pred>
void HandleRegistry::dropIf(Pred pred) noexcept
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = byHandle_.begin(); it != byHandle_.end();) {
        if (pred(it->second)) {
            byObject_.erase(Key{it->second.kind, it->second.object});
            it = byHandle_.erase(it);
            forgetLookups();
        } else {
            ++it;
        }
    }
}

void HandleRegistry::dropBook(std::int32_t book) noexcept
{
    dropIf([book](const Entry& e) { return e.book == book; });
}

void HandleRegistry::dropContents(std::int32_t book) noexcept
{
    dropIf([book](const Entry& e) { return e.book == book && e.kind != Kind::book; });
}

void HandleRegistry::drop(Kind kind, const void* object) noexcept
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = byObject_.find(Key{kind, object});
    if (it == byObject_.end()) return;
    byHandle_.erase(it->second);
    byObject_.erase(it);
    forgetLookups();
}

std::size_t HandleRegistry::size() const noexcept
{
    std::lock_guard<std::mutex> lock(mutex_);
    return byHandle_.size();
}

HandleRegistry& registry() noexcept
{
    static HandleRegistry instance;
    return instance;
}

}  // namespace celvo::lua
