// The byte counters: whatever the list and the server send, counting never
// overflows, a counter saturates at the ends of its range, a chunk is taken
// only while it still fits, and a share of a whole is a bar position from 0
// to 100 that agrees with the exact quotient.
//
// Input: 32-bit words (little-endian, missing bytes 0): a start value, then
// pairs of (chunk, whole) that are added to it in turn.
#include "common/byte_count.h"

#include "fuzz_support.h"

namespace {

int64_t clamped(int64_t value, int64_t low, int64_t high)
{
    return value < low ? low : value > high ? high : value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    int32_t total = wordAt(data, size, 0);
    int32_t received = 0;
    for (size_t pair = 0; pair * 8 + 4 < size || pair == 0; ++pair) {
        const int32_t chunk = wordAt(data, size, 1 + pair * 2);
        const int32_t whole = wordAt(data, size, 2 + pair * 2);

        const int64_t exact = static_cast<int64_t>(total) + chunk;
        const int32_t sum = addSaturating(total, chunk);
        FUZZ_CHECK(sum == clamped(exact, INT32_MIN, INT32_MAX), "a sum saturates at the ends of the range");
        total = sum;

        const bool fits = fitsCounter(received, chunk);
        FUZZ_CHECK(fits == (received >= 0 && chunk >= 0 && static_cast<int64_t>(received) + chunk <= INT32_MAX),
                   "a chunk fits exactly while the counter stays within its range");
        if (fits)
            received += chunk;

        for (int32_t part : { total, received, chunk }) {
            const int percent = percentOf(part, whole);
            FUZZ_CHECK(percent >= 0 && percent <= 100, "a bar position lies from 0 to 100");
            if (whole > 0 && part > 0)
                FUZZ_CHECK(percent == clamped(static_cast<int64_t>(part) * 100 / whole, 0, 100),
                           "the position is the truncated share, full above the whole");
            else
                FUZZ_CHECK(percent == 0, "no whole or nothing of it shows an empty bar");
        }
    }
    return 0;
}
