#include "MemoryManager.h"
#include "Raster2d.h"
#include "TestSupport.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace
{
// Pool blocks owned by one raster.
std::size_t blockSizeOf(const void* pOwner)
{
    for (const auto& block : MemoryManager::getInstance()->getBlocks())
    {
        if (block.m_pOwner == pOwner)
        {
            return block.m_nSize;
        }
    }
    return 0;
}

char tags[64] = {};
const void* owner(int n)
{
    return &tags[n];
}

// The pool is one per process and keeps what earlier tests left: free blocks
// they released and blocks of rasters they still hold. Each pool test starts
// from a known state: an allocation made while the pool holds more than its
// soft limit frees every free block, so one large block released and one
// byte asked for leave only that byte besides the blocks still in use, and
// those are measured as the baseline.
class MemoryManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MemoryManager* pPool = MemoryManager::getInstance();
        pPool->release(pPool->allocate(MemoryManager::SOFT_LIMIT + 1, owner(63)), owner(63));
        m_pAnchor = pPool->allocate(1, owner(63));
        ASSERT_EQ(pPool->getFreeBlockCount(), 0u);
        m_nBaseline = pPool->getTotalSize();
        // Far below the soft limit, so the limits act as they would on a fresh pool.
        ASSERT_LT(m_nBaseline, std::size_t(1048576));
    }

    void TearDown() override { MemoryManager::getInstance()->release(m_pAnchor, owner(63)); }

    void* m_pAnchor = nullptr;
    std::size_t m_nBaseline = 0;
};
} // namespace

TEST(RasterTest, ElementsAreRowMajorAndIndexChecked)
{
    Raster2d<unsigned char> raster(3, 2);
    EXPECT_EQ(raster.getWidth(), 3u);
    EXPECT_EQ(raster.getHeight(), 2u);
    EXPECT_EQ(raster.getSize(), 6u);
    for (unsigned char i = 0; i < 6; ++i)
    {
        raster.getData()[i] = i;
    }
    EXPECT_EQ(raster.at(2, 0), 2);
    EXPECT_EQ(raster.at(0, 1), 3);
    raster.set(1, 1, 99);
    EXPECT_EQ(raster.getData()[4], 99);
    // x beyond the width but index still inside reaches the next row.
    EXPECT_EQ(raster.at(3, 0), 3);
    EXPECT_ASSERTION(raster.at(0, 2), "nIndex < m_nSize");
    EXPECT_ASSERTION(raster.set(3, 1, 0), "nIndex < m_nSize");
}

TEST(RasterTest, EmptyAndOverflowingSizesAreRefusedBeforeAllocating)
{
    const std::size_t nBlocks = MemoryManager::getInstance()->getBlocks().size();
    EXPECT_ASSERTION(Raster2d<float>(0, 10), "m_nSize > 0");
    EXPECT_ASSERTION(Raster2d<float>(10, 0), "m_nSize > 0");
    // 65536 * 65536 wraps to 0 in 32 bits; it must not become an empty or short raster.
    EXPECT_THROW(Raster2d<unsigned char>(65536, 65536), SimpleException);
    EXPECT_THROW(Raster2d<float>(100000, 100000), SimpleException);
    EXPECT_EQ(MemoryManager::getInstance()->getBlocks().size(), nBlocks);
}

TEST(RasterTest, ElementTypeSetsTheRequestedBytes)
{
    Raster2d<float> floats(10, 10);
    Raster2d<unsigned char> bytes(10, 10);
    EXPECT_EQ(blockSizeOf(&floats), 400u);
    EXPECT_EQ(blockSizeOf(&bytes), 100u);
    EXPECT_EQ(floats.getByteSize(), 400u);
}

TEST(RasterTest, CloneCopiesElementsAndRoiWhileCreateDoesNot)
{
    Raster2d<float> raster(4, 3);
    for (unsigned int i = 0; i < raster.getSize(); ++i)
    {
        raster.getData()[i] = 0.5f * i;
    }
    const QRectF roi(0.25, 0.1, 0.5, 0.7);
    raster.setRoi(roi);

    std::unique_ptr<Raster2dBase> pClone(raster.clone());
    auto* pFloatClone = dynamic_cast<Raster2d<float>*>(pClone.get());
    ASSERT_NE(pFloatClone, nullptr);
    EXPECT_NE(pFloatClone->getData(), raster.getData());
    EXPECT_EQ(pFloatClone->getRoi(), roi);
    for (unsigned int i = 0; i < raster.getSize(); ++i)
    {
        EXPECT_EQ(pFloatClone->getData()[i], 0.5f * i);
    }

    std::unique_ptr<Raster2dBase> pSame(raster.createSameSize());
    EXPECT_NE(dynamic_cast<Raster2d<float>*>(pSame.get()), nullptr);
    EXPECT_EQ(pSame->getWidth(), 4u);
    EXPECT_EQ(pSame->getHeight(), 3u);
    EXPECT_EQ(pSame->getRoi(), QRectF(0, 0, 1, 1));

    std::unique_ptr<Raster2dBase> pOther(raster.create(7, 2));
    EXPECT_NE(dynamic_cast<Raster2d<float>*>(pOther.get()), nullptr);
    EXPECT_EQ(pOther->getSize(), 14u);
}

TEST_F(MemoryManagerTest, BestFitTakesTheSmallestFreeBlockWithinTwiceTheRequest)
{
    MemoryManager* pPool = MemoryManager::getInstance();
    // Free blocks of 300, 150, 150 and 100 bytes, in that order.
    void* p300 = pPool->allocate(300, owner(1));
    void* p150a = pPool->allocate(150, owner(2));
    void* p150b = pPool->allocate(150, owner(3));
    void* p100 = pPool->allocate(100, owner(4));
    pPool->release(p300, owner(1));
    pPool->release(p150a, owner(2));
    pPool->release(p150b, owner(3));
    pPool->release(p100, owner(4));

    EXPECT_EQ(pPool->allocate(100, owner(5)), p100);
    // Without the 100: the first of the equal 150s.
    EXPECT_EQ(pPool->allocate(100, owner(6)), p150a);
    EXPECT_EQ(pPool->allocate(100, owner(7)), p150b);
    // Only 300 left, more than twice 100: a new block.
    void* pNew = pPool->allocate(100, owner(8));
    EXPECT_NE(pNew, p300);
    // Exactly twice the request fits; one byte more does not.
    EXPECT_EQ(pPool->allocate(150, owner(9)), p300);
    pPool->release(p300, owner(9));
    void* pTooSmall = pPool->allocate(149, owner(10));
    EXPECT_NE(pTooSmall, p300);
}

TEST_F(MemoryManagerTest, ReleaseNeedsTheOwnerAndIsIdempotent)
{
    MemoryManager* pPool = MemoryManager::getInstance();
    void* p = pPool->allocate(64, owner(20));
    const std::size_t nFree = pPool->getFreeBlockCount();
    pPool->release(p, owner(21));
    EXPECT_EQ(pPool->getFreeBlockCount(), nFree);
    int notPooled = 0;
    pPool->release(&notPooled, owner(20));
    EXPECT_EQ(pPool->getFreeBlockCount(), nFree);
    pPool->release(p, owner(20));
    EXPECT_EQ(pPool->getFreeBlockCount(), nFree + 1);
    pPool->release(p, owner(20));
    EXPECT_EQ(pPool->getFreeBlockCount(), nFree + 1);
}

TEST_F(MemoryManagerTest, ReleasedBlocksAreKeptBelowTheSoftLimitAndSweptAbove)
{
    MemoryManager* pPool = MemoryManager::getInstance();
    const std::size_t nMiB = 1048576;
    {
        // 120 MiB released: kept, and a fitting request reuses one.
        std::vector<std::unique_ptr<Raster2d<unsigned char>>> rasters;
        for (int i = 0; i < 12; ++i)
        {
            rasters.emplace_back(new Raster2d<unsigned char>(1024, 10 * 1024));
        }
    }
    EXPECT_EQ(pPool->getFreeBlockCount(), 12u);
    const std::size_t nTotal = pPool->getTotalSize();
    {
        Raster2d<unsigned char> reuse(1024, 10 * 1024);
        EXPECT_EQ(pPool->getTotalSize(), nTotal);
    }
    {
        // Grow to 130 MiB, release everything: the next allocation frees all free blocks.
        std::vector<std::unique_ptr<Raster2d<unsigned char>>> rasters;
        for (int i = 0; i < 13; ++i)
        {
            rasters.emplace_back(new Raster2d<unsigned char>(1024, 10 * 1024));
        }
        EXPECT_EQ(pPool->getTotalSize(), m_nBaseline + 130 * nMiB);
    }
    Raster2d<unsigned char> small(10, 10);
    EXPECT_EQ(pPool->getFreeBlockCount(), 0u);
    EXPECT_EQ(pPool->getTotalSize(), m_nBaseline + 100u);
}

TEST_F(MemoryManagerTest, AboveTheHardLimitEachAllocationLogsOneError)
{
    LogCapture log;
    MemoryManager* pPool = MemoryManager::getInstance();
    // Exactly the hard limit held (the memory is never touched, so it costs
    // address space only): not above it yet.
    void* pFiller = pPool->allocate(MemoryManager::HARD_LIMIT - m_nBaseline, owner(30));
    std::vector<std::unique_ptr<Raster2d<float>>> rasters;
    rasters.emplace_back(new Raster2d<float>(16, 16));
    EXPECT_EQ(log.count("ERROR"), 0);
    // Now above: the next two allocations each log the hard-limit line and succeed.
    rasters.emplace_back(new Raster2d<float>(16, 16));
    rasters.emplace_back(new Raster2d<float>(16, 16));
    pPool->release(pFiller, owner(30));
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("ERROR: MemoryManager::"));
    EXPECT_TRUE(lines[0].endsWith(": Memory Hard Limit has been reached: 1024 Mbyte"));
}

TEST_F(MemoryManagerTest, ConcurrentRastersGetDistinctMemory)
{
    std::vector<std::thread> threads;
    std::atomic<int> nFailures{0};
    for (int t = 0; t < 4; ++t)
    {
        threads.emplace_back([&nFailures, t] {
            for (int i = 0; i < 200; ++i)
            {
                Raster2d<unsigned char> raster(32 + t, 32);
                raster.fill(static_cast<unsigned char>(t));
                for (unsigned int k = 0; k < raster.getSize(); ++k)
                {
                    if (raster.getData()[k] != t)
                    {
                        ++nFailures;
                    }
                }
            }
        });
    }
    for (auto& thread : threads)
    {
        thread.join();
    }
    EXPECT_EQ(nFailures.load(), 0);
}
