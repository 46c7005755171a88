#pragma once

#include <chrono>
#include <cstdint>

// The monotonic clock in nanoseconds. Every process on the machine reads the same clock, so a
// time taken in one process can be compared with a time taken in another.
inline std::int64_t monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

inline double msBetween(std::int64_t startNs, std::int64_t endNs)
{
    return static_cast<double>(endNs - startNs) / 1e6;
}
