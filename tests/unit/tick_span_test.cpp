#include "common/tick_span.h"

#include <gtest/gtest.h>

TEST(TickSpan, ReachedOnceTheSpanHasPassed)
{
    EXPECT_FALSE(tickSpanReached(1000, 1000, 50));
    EXPECT_FALSE(tickSpanReached(1000, 1049, 50));
    EXPECT_TRUE(tickSpanReached(1000, 1050, 50));
    EXPECT_TRUE(tickSpanReached(1000, 90000, 50));
    EXPECT_TRUE(tickSpanReached(1000, 1000, 0));
}

TEST(TickSpan, RightAcrossTheCountersWrap)
{
    const uint32_t beforeWrap = UINT32_MAX - 9;   // 10 ms before the counter wraps
    EXPECT_FALSE(tickSpanReached(beforeWrap, UINT32_MAX, 50));
    EXPECT_FALSE(tickSpanReached(beforeWrap, 0, 50));
    EXPECT_FALSE(tickSpanReached(beforeWrap, 39, 50));
    EXPECT_TRUE(tickSpanReached(beforeWrap, 40, 50));
    EXPECT_TRUE(tickSpanReached(UINT32_MAX, 49, 50));
    EXPECT_FALSE(tickSpanReached(UINT32_MAX, 48, 50));
}
