#include "Parallel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <thread>
#include <vector>

TEST(ParallelPool, EveryNumberOnceInEveryRunAndWorkInsideTakesTheCoresLeftIdle)
{
    Parallel::Pool pool;
    ASSERT_GE(pool.size(), 1u);
    // Many short runs one after the other: a thread that missed a run, took
    // a number twice or still worked on the last run would show here. Work
    // handed on from inside is done whole however it spreads.
    std::vector<std::atomic<int>> counts(97);
    std::atomic<long> nDoneInside{0};
    for (int nRun = 1; nRun <= 300; ++nRun)
    {
        const std::size_t nCount = std::size_t(nRun % 97) + 1;
        pool.run(nCount, [&](std::size_t k) {
            counts[k].fetch_add(1);
            Parallel::forRange(100000, [&](std::size_t nBegin, std::size_t nEnd) { nDoneInside += long(nEnd - nBegin); });
        });
        for (std::size_t k = 0; k < counts.size(); ++k)
        {
            ASSERT_EQ(counts[k].exchange(0), k < nCount ? 1 : 0) << "run " << nRun << " number " << k;
        }
        ASSERT_EQ(nDoneInside.exchange(0), long(nCount) * 100000) << "run " << nRun;
    }
    // The last number of a run spreads over the cores the other threads
    // leave; while every thread has a number, work stays on its thread.
    // Each chunk takes a while, as real work does, so that a thread woken
    // for the loop finds chunks left; loops go on until one did, or long
    // enough to show none will (a busy machine may wake it late).
    std::atomic<int> nElsewhere{0};
    std::atomic<double> dSink{0.0};
    pool.run(1, [&](std::size_t) {
        const std::thread::id mine = std::this_thread::get_id();
        for (int i = 0; i < 2000 && nElsewhere.load() == 0; ++i)
        {
            Parallel::forRange(100000, [&](std::size_t nBegin, std::size_t nEnd) {
                nElsewhere += std::this_thread::get_id() == mine ? 0 : 1;
                double dSum = 0.0;
                for (std::size_t k = nBegin; k < nEnd; ++k)
                {
                    dSum += std::sqrt(double(k));
                }
                dSink = dSink + dSum;
            });
        }
    });
    EXPECT_EQ(nElsewhere.load() > 0, Parallel::availableCores() > 1);
    std::atomic<int> nStarted{0};
    std::atomic<unsigned> nToStart{pool.size()};
    std::atomic<unsigned> nToEnd{pool.size()};
    const auto waitFor = [](std::atomic<unsigned>& nLeft) {
        --nLeft;
        while (nLeft.load() > 0)
        {
            std::this_thread::yield();
        }
    };
    pool.run(pool.size(), [&](std::size_t) {
        // Every thread takes a number before any works, and none leaves
        // before all have worked.
        waitFor(nToStart);
        const std::thread::id mine = std::this_thread::get_id();
        Parallel::forRange(100000, [&](std::size_t, std::size_t) {
            nStarted += std::this_thread::get_id() == mine ? 0 : 1;
        });
        waitFor(nToEnd);
    });
    EXPECT_EQ(nStarted.load(), 0);
    // Outside a run, forRange spreads again, in chunks that cover the range
    // once, several to a core so that cores done early take more.
    std::atomic<int> nChunks{0};
    std::atomic<std::size_t> nCovered{0};
    std::vector<std::atomic<unsigned char>> seen(100000);
    Parallel::forRange(
        100000,
        [&](std::size_t nBegin, std::size_t nEnd) {
            ++nChunks;
            nCovered += nEnd - nBegin;
            for (std::size_t i = nBegin; i < nEnd; ++i)
            {
                seen[i] = 1;
            }
        },
        1);
    EXPECT_EQ(nCovered.load(), 100000u);
    EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](const std::atomic<unsigned char>& c) { return c == 1; }));
    EXPECT_EQ(unsigned(nChunks.load()),
        Parallel::availableCores() > 1 ? Parallel::CHUNKS_PER_CORE * Parallel::availableCores() : 1u);
}
