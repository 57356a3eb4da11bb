#pragma once

// The process's resident memory, for benchmarks that report their peak. Linux
// only: read from /proc/self/status, and the peak is reset through
// /proc/self/clear_refs. Header only.

#include <QByteArray>
#include <QFile>

#include <cstring>

namespace PeakMemory
{
// A status line of this process in MiB: "VmHWM:" the peak, "VmRSS:" now;
// -1 when it cannot be read.
inline double statusMiB(const char* szKey)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
    {
        return -1.0;
    }
    for (const QByteArray& line : status.readAll().split('\n'))
    {
        if (line.startsWith(szKey))
        {
            return line.mid(int(std::strlen(szKey))).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return -1.0;
}

inline double peakMiB()
{
    return statusMiB("VmHWM:");
}

inline double residentMiB()
{
    return statusMiB("VmRSS:");
}

// Starts a new peak at the current resident size; false where the kernel
// does not allow it.
inline bool resetPeak()
{
    QFile clear("/proc/self/clear_refs");
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}
} // namespace PeakMemory
