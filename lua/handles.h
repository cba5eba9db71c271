// The handle registry of the Lua module.
//
// Books, sheets and formats cross into Lua as small positive integers, never
// as addresses. A handle maps to {kind, object, owning book}; the same object
// always gets the same number, and a number is never given out twice in a
// process, so a stale handle can never reach a newer object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace celvo::lua {

enum class Kind : unsigned char { book, sheet, format };

// What a handle designates. Plain data, so that it can live across a Lua
// error raised by the caller.
struct Target {
    void* object = nullptr;
    std::int32_t book = 0;  // handle of the owning book (its own for a book)
};

class HandleRegistry {
public:
    HandleRegistry() = default;
    ~HandleRegistry();
    HandleRegistry(const HandleRegistry&) = delete;
    HandleRegistry& operator=(const HandleRegistry&) = delete;

    // The handle of an object, made on first sight. For a book, `book` is
    // ignored and the book owns itself. Throws std::bad_alloc, or
    // std::length_error when every positive 32-bit number has been used.
    std::int32_t handleOf(Kind kind, void* object, std::int32_t book);

    // False when the handle is unknown, released or of another kind. Each
    // thread remembers its last answer, which holds until a handle of any
    // registry is forgotten: a loop over one sheet's cells takes the lock
    // once.
    bool find(std::int32_t handle, Kind kind, Target& out) const noexcept;

    // Forgets the book and every object that belongs to it.
    void dropBook(std::int32_t book) noexcept;
    // Forgets the sheets and formats of the book (its content was replaced).
    void dropContents(std::int32_t book) noexcept;
    // Forgets one object.
    void drop(Kind kind, const void* object) noexcept;

    std::size_t size() const noexcept;

private:
    struct Entry {
        Kind kind;
        void* object;
        std::int32_t book;
    };
    struct Key {
        Kind kind;
        const void* object;
        bool operator==(const Key& o) const noexcept { return kind == o.kind && object == o.object; }
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const noexcept;
    };

    template <class Pred>
    void dropIf(Pred pred) noexcept;

    mutable std::mutex mutex_;
    std::unordered_map<std::int32_t, Entry> byHandle_;
    std::unordered_map<Key, std::int32_t, KeyHash> byObject_;
    std::uint32_t next_ = 1;
};

// The registry of the process.
HandleRegistry& registry() noexcept;

}  // namespace celvo::lua
