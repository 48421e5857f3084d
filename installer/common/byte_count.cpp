#include "common/byte_count.h"

int32_t addSaturating(int32_t a, int32_t b)
{
    const int64_t sum = static_cast<int64_t>(a) + static_cast<int64_t>(b);
    if (sum > INT32_MAX)
        return INT32_MAX;
    if (sum < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(sum);
}

bool fitsCounter(int32_t total, int32_t count)
{
    return total >= 0 && count >= 0 && count <= INT32_MAX - total;
}

int percentOf(int32_t part, int32_t whole)
{
    if (whole <= 0 || part <= 0)
        return 0;
    const int64_t percent = static_cast<int64_t>(part) * 100 / whole;
    return percent > 100 ? 100 : static_cast<int>(percent);
}
