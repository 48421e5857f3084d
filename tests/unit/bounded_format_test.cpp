#include <gtest/gtest.h>

#include "common/bounded_format.h"

TEST(BoundedFormat, FormatsWhatFitsAndReportsACut)
{
    char buffer[6];
    EXPECT_TRUE(formatBounded(buffer, sizeof buffer, "%s-%d", "ab", 12));
    EXPECT_STREQ("ab-12", buffer);

    EXPECT_FALSE(formatBounded(buffer, sizeof buffer, "%s-%d", "ab", 123));
    EXPECT_STREQ("ab-12", buffer);

    EXPECT_TRUE(formatBounded(buffer, sizeof buffer, "%s", ""));
    EXPECT_STREQ("", buffer);
}

TEST(BoundedFormat, ZeroCapacityWritesNothing)
{
    char guard = 'g';
    EXPECT_FALSE(formatBounded(&guard, 0, "%s", "a"));
    EXPECT_EQ('g', guard);
}
