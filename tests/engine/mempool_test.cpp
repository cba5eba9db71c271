#include "celvo/mempool.h"

#include "test_support.h"

using namespace celvo;

namespace {
struct Counted : BaseClass {
    explicit Counted(int* n) : n_(n) {}
    ~Counted() override { ++*n_; }
    int* n_;
};
}  // namespace

TEST(MemPool, BumpAllocationIsContiguousAndZeroIsNull)
{
    MemPool pool;
    EXPECT_EQ(pool.allocate(0), nullptr);
    EXPECT_EQ(pool.allocateWide(0), nullptr);
    std::uint8_t* a = pool.allocate(3);
    std::uint8_t* b = pool.allocate(5);
    EXPECT_EQ(b, a + 3);
    char16_t* w1 = pool.allocateWide(4);
    char16_t* w2 = pool.allocateWide(1);
    EXPECT_EQ(w2, w1 + 4);
    EXPECT_EQ(pool.blockCount(), 1u);
}

TEST(MemPool, OversizedRequestGetsItsOwnBlockAndSmallOnesContinue)
{
    MemPool pool;
    std::uint8_t* a = pool.allocate(10);
    std::uint8_t* big = pool.allocate(MemPool::kBlockSize + 1);
    big[MemPool::kBlockSize] = 1;  // the whole request is writable
    std::uint8_t* b = pool.allocate(10);
    EXPECT_EQ(b, a + 10);
    EXPECT_EQ(pool.blockCount(), 2u);
    // A request that does not fit the rest of a block opens a new one.
    pool.allocate(MemPool::kBlockSize - 15);
    EXPECT_EQ(pool.blockCount(), 3u);
}

TEST(MemPool, RegisteredObjectsAreDeletedOnce)
{
    int deleted = 0;
    {
        MemPool pool;
        pool.registerObject(new Counted(&deleted));
        pool.registerObject(new Counted(&deleted));
        pool.freeAll();
        EXPECT_EQ(deleted, 2);
        pool.registerObject(new Counted(&deleted));
    }
    EXPECT_EQ(deleted, 3);
}
