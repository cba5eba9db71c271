#include "handles.h"

#include <functional>
#include <stdexcept>

namespace celvo::lua {

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
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = byHandle_.find(handle);
    if (it == byHandle_.end() || it->second.kind != kind) return false;
    out.object = it->second.object;
    out.book = it->second.book;
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
