#pragma once

#include <QtGlobal>

#include <chrono>
#include <ctime>

namespace bench {

// steady_clock is CLOCK_MONOTONIC on Linux: one clock for every process of the machine, so a parent's launch
// time and a child's "window shown" time can be subtracted.
inline qint64 monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// CPU time of the process in nanoseconds: set beside the wall time, it tells computing from waiting. The timed
// calls run on the main thread while the others sleep. glibc reads the process CPU clock exactly, where getrusage
// and the scheduler statistics move in clock ticks.
inline qint64 processCpuNs()
{
    return qint64(double(std::clock()) * (1e9 / double(CLOCKS_PER_SEC)));
}

inline double msBetween(qint64 fromNs, qint64 toNs)
{
    return double(toNs - fromNs) / 1e6;
}

} // namespace bench
