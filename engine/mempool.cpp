#include "celvo/mempool.h"

namespace celvo {

template <class T>
T* MemPool::bump(std::vector<std::unique_ptr<T[]>>& blocks, std::size_t& used, std::size_t n)
{
    if (n == 0) return nullptr;
    if (n > kBlockSize) {
        // A block of its own, kept before the current one so that the bump
        // pointer keeps serving the newest ordinary block.
        std::unique_ptr<T[]> big(new T[n]);
        T* p = big.get();
        if (blocks.empty()) {
            blocks.push_back(std::move(big));
            used = kBlockSize;
        } else {
            blocks.insert(blocks.end() - 1, std::move(big));
        }
        return p;
    }
    if (used + n > kBlockSize) {
        blocks.push_back(std::unique_ptr<T[]>(new T[kBlockSize]));
        used = 0;
    }
    T* p = blocks.back().get() + used;
    used += n;
    return p;
}

std::uint8_t* MemPool::allocate(std::size_t n) { return bump(bytes_, bytesUsed_, n); }

char16_t* MemPool::allocateWide(std::size_t n) { return bump(wide_, wideUsed_, n); }

void MemPool::registerObject(BaseClass* object)
{
    if (!object) return;
    try {
        objects_.push_back(object);
    } catch (...) {
        delete object;
        throw;
    }
}

void MemPool::freeAll() noexcept
{
    bytes_.clear();
    wide_.clear();
    bytesUsed_ = kBlockSize;
    wideUsed_ = kBlockSize;
    for (BaseClass* o : objects_) delete o;
    objects_.clear();
}

}  // namespace celvo
