#include "Parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

TEST(ParallelPool, EveryNumberOnceInEveryRunAndWorkInsideRunsSerially)
{
    Parallel::Pool pool;
    ASSERT_GE(pool.size(), 1u);
    // Many short runs one after the other: a thread that missed a run, took
    // a number twice or still worked on the last run would show here.
    std::vector<std::atomic<int>> counts(97);
    std::atomic<int> nSerialInside{0};
    std::atomic<int> nThreadsStarted{0};
    for (int nRun = 1; nRun <= 300; ++nRun)
    {
        const std::size_t nCount = std::size_t(nRun % 97) + 1;
        pool.run(nCount, [&](std::size_t k) {
            counts[k].fetch_add(1);
            // Work handed on from inside stays on the thread.
            const std::thread::id before = std::this_thread::get_id();
            Parallel::forRange(100000, [&](std::size_t, std::size_t) {
                nSerialInside += std::this_thread::get_id() == before ? 1 : 0;
                nThreadsStarted += std::this_thread::get_id() == before ? 0 : 1;
            });
        });
        for (std::size_t k = 0; k < counts.size(); ++k)
        {
            ASSERT_EQ(counts[k].exchange(0), k < nCount ? 1 : 0) << "run " << nRun << " number " << k;
        }
    }
    EXPECT_EQ(nThreadsStarted.load(), 0);
    EXPECT_GT(nSerialInside.load(), 0);
    // Outside a run, forRange spreads again.
    std::atomic<int> nChunks{0};
    Parallel::forRange(100000, [&](std::size_t, std::size_t) { ++nChunks; }, 1);
    EXPECT_EQ(unsigned(nChunks.load()), std::min<unsigned>(Parallel::availableCores(), 100000u));
}
