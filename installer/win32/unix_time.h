#pragma once
#include <stdint.h>
#include <windows.h>

// Seconds since 1970-01-01 UTC, the value time() gives, read from the system
// clock directly: the C library's time() also checks the time zone on every
// call, which on Wine means looking at the zone file each time, and the
// progress display asks for the time with every chunk.
inline int32_t unixTimeSeconds()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    const uint64_t ticksAt1970 = 116444736000000000ull;   // 100-ns ticks from 1601 to 1970
    return static_cast<int32_t>((ticks - ticksAt1970) / 10000000ull);
}
