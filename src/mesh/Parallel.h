#pragma once

#include <QThread>

#include <algorithm>
#include <cstddef>
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

// True on a thread that is itself one of several workers: work it hands to
// forRange stays on it instead of starting threads of its own.
inline bool& serialOnThisThread()
{
    thread_local bool bSerial = false;
    return bSerial;
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

// Runs work(begin, end) over [0, nCount) in contiguous chunks, one per core,
// and returns when all are done. Ranges of fewer than nMinimumChunk elements
// a core stay on the calling thread. work must not throw.
template <typename Work>
void forRange(std::size_t nCount, Work work, std::size_t nMinimumChunk = 1024)
{
    if (serialOnThisThread())
    {
        work(std::size_t(0), nCount);
        return;
    }
    const std::size_t nThreads
        = std::min<std::size_t>(availableCores(), std::max<std::size_t>(1, nCount / std::max<std::size_t>(1, nMinimumChunk)));
    if (nThreads <= 1)
    {
        work(std::size_t(0), nCount);
        return;
    }
    std::vector<std::thread> threads;
    threads.reserve(nThreads - 1);
    for (std::size_t t = 1; t < nThreads; ++t)
    {
        const std::size_t nBegin = nCount * t / nThreads;
        const std::size_t nEnd = nCount * (t + 1) / nThreads;
        try
        {
            threads.emplace_back(work, nBegin, nEnd);
        }
        catch (const std::system_error&)
        {
            // No thread to be had: do the chunk here.
            work(nBegin, nEnd);
        }
    }
    work(std::size_t(0), nCount / nThreads);
    for (std::thread& thread : threads)
    {
        thread.join();
    }
}
} // namespace Parallel
