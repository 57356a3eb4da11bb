#pragma once

#include <QThread>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace Parallel
{
// The cores this process may use; honours its CPU affinity (taskset,
// containers).
inline unsigned availableCores()
{
    return unsigned(std::max(1, QThread::idealThreadCount()));
}

// Work spread over the cores goes in up to this many chunks a core.
inline constexpr std::size_t CHUNKS_PER_CORE = 8;

// True on a thread that is itself one of several workers: work it hands to
// forRange stays on it instead of starting threads of its own.
inline bool& serialOnThisThread()
{
    thread_local bool bSerial = false;
    return bSerial;
}

// On a thread of a Pool at work: how many of the pool's threads are at work
// now; null elsewhere.
inline const std::atomic<unsigned>*& poolAtWorkOnThisThread()
{
    thread_local const std::atomic<unsigned>* pAtWork = nullptr;
    return pAtWork;
}

// Makes forRange run serially on this thread while it lives.
class SerialScope
{
public:
    SerialScope()
        : m_bBefore(serialOnThisThread())
    {
        serialOnThisThread() = true;
    }
    ~SerialScope() { serialOnThisThread() = m_bBefore; }
    SerialScope(const SerialScope&) = delete;
    SerialScope& operator=(const SerialScope&) = delete;

private:
    bool m_bBefore;
};

// Threads that wait for forRange's chunks, made once for the process: a
// thread started for every call costs more than the chunks of a short loop,
// which the calling thread would then take mostly alone. One loop at a time;
// a loop that finds them busy (loops of tiles side by side) starts threads
// of its own.
class Helpers
{
public:
    static Helpers& instance()
    {
        static Helpers helpers;
        return helpers;
    }

    // Runs take() on up to nHelpers of the threads and on the calling one,
    // and returns once every call has returned; false, with nothing run,
    // where the threads are busy.
    bool run(std::size_t nHelpers, const std::function<void()>& take)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (m_pTake || m_bStop)
            {
                return false;
            }
            m_pTake = &take;
            m_nWanted = std::min(nHelpers, m_threads.size());
            m_nStarted = 0;
            m_nRunning = 0;
            ++m_nLoop;
        }
        m_wake.notify_all();
        take();
        std::unique_lock<std::mutex> lock(m_mutex);
        // No thread starts on this loop from here on.
        m_nWanted = m_nStarted;
        m_done.wait(lock, [this]() { return m_nRunning == 0; });
        m_pTake = nullptr;
        return true;
    }

    ~Helpers()
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_bStop = true;
        }
        m_wake.notify_all();
        for (std::thread& thread : m_threads)
        {
            thread.join();
        }
    }

    Helpers(const Helpers&) = delete;
    Helpers& operator=(const Helpers&) = delete;

private:
    Helpers()
    {
        const unsigned nThreads = availableCores();
        for (unsigned t = 1; t < nThreads; ++t)
        {
            try
            {
                m_threads.emplace_back([this]() { serve(); });
            }
            catch (const std::system_error&)
            {
                break;
            }
        }
    }

    void serve()
    {
        // Work it hands on stays on it.
        const SerialScope serial;
        std::size_t nSeen = 0;
        for (;;)
        {
            const std::function<void()>* pTake = nullptr;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock, [&]() { return m_bStop || (m_nLoop != nSeen && m_pTake); });
                if (m_bStop)
                {
                    return;
                }
                nSeen = m_nLoop;
                if (m_nStarted >= m_nWanted)
                {
                    continue;
                }
                ++m_nStarted;
                ++m_nRunning;
                pTake = m_pTake;
            }
            (*pTake)();
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                --m_nRunning;
            }
            m_done.notify_all();
        }
    }

    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    // The loop at hand, the threads it wants, those started on it and those
    // still running it; the loops handed out.
    const std::function<void()>* m_pTake = nullptr;
    std::size_t m_nWanted = 0;
    std::size_t m_nStarted = 0;
    std::size_t m_nRunning = 0;
    std::size_t m_nLoop = 0;
    bool m_bStop = false;
};

// Runs work(begin, end) over [0, nCount) in contiguous chunks spread over
// the cores, and returns when all are done: each core takes the next chunk
// as it finishes one, so that cores whose chunks cost little take more.
// Ranges of fewer than nMinimumChunk elements a core stay on the calling
// thread. On a thread of a Pool, it takes its share of the cores the pool's
// threads at work leave: none while they all are, all of them for the last
// item of a run. How the work is spread never changes what it computes.
// work must not throw.
template <typename Work>
void forRange(std::size_t nCount, Work work, std::size_t nMinimumChunk = 1024)
{
    if (serialOnThisThread())
    {
        work(std::size_t(0), nCount);
        return;
    }
    std::size_t nCores = availableCores();
    if (const std::atomic<unsigned>* pAtWork = poolAtWorkOnThisThread())
    {
        nCores /= std::max(1u, pAtWork->load(std::memory_order_relaxed));
    }
    const std::size_t nMaximumChunks = nCount / std::max<std::size_t>(1, nMinimumChunk);
    const std::size_t nThreads = std::min<std::size_t>(nCores, std::max<std::size_t>(1, nMaximumChunks));
    if (nThreads <= 1)
    {
        work(std::size_t(0), nCount);
        return;
    }
    const std::size_t nChunks = std::min(nThreads * CHUNKS_PER_CORE, nMaximumChunks);
    std::atomic<std::size_t> nNext{0};
    const std::function<void()> take = [&]() {
        for (std::size_t c = nNext.fetch_add(1); c < nChunks; c = nNext.fetch_add(1))
        {
            work(nCount * c / nChunks, nCount * (c + 1) / nChunks);
        }
    };
    if (Helpers::instance().run(nThreads - 1, take))
    {
        return;
    }
    std::vector<std::thread> threads;
    threads.reserve(nThreads - 1);
    for (std::size_t t = 1; t < nThreads; ++t)
    {
        try
        {
            threads.emplace_back([&take]() {
                // Work it hands on stays on it.
                const SerialScope serial;
                take();
            });
        }
        catch (const std::system_error&)
        {
            // No thread to be had: the others take its chunks.
            break;
        }
    }
    take();
    for (std::thread& thread : threads)
    {
        thread.join();
    }
}

// Calls keep(i, out) for i in [0, nCount) spread over the cores, in chunks
// of at least nMinimumChunk, and joins what the calls put out in order of i.
template <typename T, typename Keep>
std::vector<T> collect(std::size_t nCount, Keep keep, std::size_t nMinimumChunk = 1024)
{
    const std::size_t nChunks = std::max<std::size_t>(
        1, std::min<std::size_t>(CHUNKS_PER_CORE * availableCores(), nCount / std::max<std::size_t>(1, nMinimumChunk)));
    std::vector<std::vector<T>> chunks(nChunks);
    forRange(
        nChunks,
        [&](std::size_t nBegin, std::size_t nEnd) {
            for (std::size_t c = nBegin; c < nEnd; ++c)
            {
                for (std::size_t i = nCount * c / nChunks; i < nCount * (c + 1) / nChunks; ++i)
                {
                    keep(i, chunks[c]);
                }
            }
        },
        1);
    std::vector<T> all;
    for (const std::vector<T>& chunk : chunks)
    {
        all.insert(all.end(), chunk.begin(), chunk.end());
    }
    return all;
}

// Threads that live through many runs: each run hands the numbers 0 to
// nCount - 1 out to the threads and the calling thread, one at a time, and
// returns when every number is done. While every thread has a number, work
// runs serially inside: the pool already keeps the cores busy; once threads
// run out of numbers, the work of the others spreads over the cores they
// leave (see forRange). One run at a time; work must not throw. The threads
// end with the pool.
class Pool
{
public:
    // As many threads as the process has cores, the calling thread among
    // them. Where no more threads can be had, fewer.
    Pool()
    {
        const unsigned nThreads = availableCores();
        m_threads.reserve(nThreads);
        for (unsigned t = 1; t < nThreads; ++t)
        {
            try
            {
                m_threads.emplace_back([this]() { serve(); });
            }
            catch (const std::system_error&)
            {
                break;
            }
        }
    }

    ~Pool()
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_bStop = true;
        }
        m_wake.notify_all();
        for (std::thread& thread : m_threads)
        {
            thread.join();
        }
    }

    Pool(const Pool&) = delete;
    Pool& operator=(const Pool&) = delete;

    // The threads, the calling one included.
    unsigned size() const { return unsigned(m_threads.size()) + 1; }

    void run(std::size_t nCount, const std::function<void(std::size_t)>& work)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_pWork = &work;
            m_nCount = nCount;
            m_nNext.store(0);
            m_nBusy = m_threads.size();
            ++m_nRun;
        }
        m_wake.notify_all();
        take(work, nCount);
        std::unique_lock<std::mutex> lock(m_mutex);
        m_done.wait(lock, [this]() { return m_nBusy == 0; });
        m_pWork = nullptr;
    }

private:
    void take(const std::function<void(std::size_t)>& work, std::size_t nCount)
    {
        const std::atomic<unsigned>* const pBefore = poolAtWorkOnThisThread();
        poolAtWorkOnThisThread() = &m_nAtWork;
        m_nAtWork.fetch_add(1);
        for (std::size_t k = m_nNext++; k < nCount; k = m_nNext++)
        {
            work(k);
        }
        m_nAtWork.fetch_sub(1);
        poolAtWorkOnThisThread() = pBefore;
    }

    void serve()
    {
        std::size_t nSeen = 0;
        for (;;)
        {
            const std::function<void(std::size_t)>* pWork = nullptr;
            std::size_t nCount = 0;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock, [&]() { return m_bStop || m_nRun != nSeen; });
                if (m_bStop)
                {
                    return;
                }
                nSeen = m_nRun;
                pWork = m_pWork;
                nCount = m_nCount;
            }
            take(*pWork, nCount);
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                --m_nBusy;
            }
            m_done.notify_all();
        }
    }

    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    const std::function<void(std::size_t)>* m_pWork = nullptr;
    std::size_t m_nCount = 0;
    std::atomic<std::size_t> m_nNext{0};
    // Threads taking numbers in the current run.
    std::atomic<unsigned> m_nAtWork{0};
    // Threads still working on the current run, and the runs started.
    std::size_t m_nBusy = 0;
    std::size_t m_nRun = 0;
    bool m_bStop = false;
};
} // namespace Parallel
