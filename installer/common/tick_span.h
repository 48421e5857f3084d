#pragma once
#include <stdint.h>

// True once span milliseconds have passed from start to now, both readings
// of a millisecond counter that wraps to 0 after 2^32 (GetTickCount, every
// 49.7 days): the unsigned difference stays right across the wrap.
inline bool tickSpanReached(uint32_t start, uint32_t now, uint32_t span)
{
    return static_cast<uint32_t>(now - start) >= span;
}
