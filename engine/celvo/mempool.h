// The book's arena for string texts and formula bytes: bump allocation in
// large blocks, freed only all at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace celvo {

// Base of heap objects whose lifetime the pool takes over.
class BaseClass {
public:
    virtual ~BaseClass() = default;
};

class MemPool {
public:
    static constexpr std::size_t kBlockSize = 10000000;  // bytes, or UTF-16 units

    MemPool() = default;
    ~MemPool() { freeAll(); }
    MemPool(const MemPool&) = delete;
    MemPool& operator=(const MemPool&) = delete;

    // n bytes (null for 0). A request larger than a block gets a block of its own.
    std::uint8_t* allocate(std::size_t n);
    // n UTF-16 units (null for 0).
    char16_t* allocateWide(std::size_t n);
    // The pool deletes the object when it is emptied.
    void registerObject(BaseClass* object);
    void freeAll() noexcept;

    std::size_t blockCount() const noexcept { return bytes_.size(); }
    std::size_t wideBlockCount() const noexcept { return wide_.size(); }

private:
    template <class T>
    static T* bump(std::vector<std::unique_ptr<T[]>>& blocks, std::size_t& used, std::size_t n);

    std::vector<std::unique_ptr<std::uint8_t[]>> bytes_;
    std::size_t bytesUsed_ = kBlockSize;
    std::vector<std::unique_ptr<char16_t[]>> wide_;
    std::size_t wideUsed_ = kBlockSize;
    std::vector<BaseClass*> objects_;
};

}  // namespace celvo
