#pragma once
#include <stdint.h>

// Byte counters are signed 32-bit numbers that outside input feeds: sizes
// and totals from the component list, bodies of any length from a server.
// They saturate at the ends of their range instead of overflowing, and a
// share of a whole is always a bar position from 0 to 100.

// a + b, held at INT32_MAX or INT32_MIN where the sum would leave the range.
int32_t addSaturating(int32_t a, int32_t b);

// True when count more bytes still fit a counter that holds total now
// (count >= 0, total >= 0).
bool fitsCounter(int32_t total, int32_t count);

// part * 100 / whole, truncated toward zero and held within 0 to 100: a
// part larger than its whole shows a full bar, a negative one an empty bar.
// A whole of 0 or less gives 0.
int percentOf(int32_t part, int32_t whole);
