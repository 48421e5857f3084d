#include <gtest/gtest.h>

#include <string>

#include "wizard/format_size.h"

TEST(FormatSize, BytesBelow1024)
{
    EXPECT_STREQ("0 bytes", formatSize(0, 0));
    EXPECT_STREQ("1 bytes", formatSize(0, 1));
    EXPECT_STREQ("1023 bytes", formatSize(0, 1023));
    // Negative counts stay below 1024 and print as unsigned 32-bit values.
    EXPECT_STREQ("4294967295 bytes", formatSize(0, -1));
    EXPECT_STREQ("2147483648 bytes", formatSize(0, INT32_MIN));
}

TEST(FormatSize, KilobytesRoundHalfUp)
{
    EXPECT_STREQ("1.00 KB", formatSize(0, 1024));
    EXPECT_STREQ("1.50 KB", formatSize(0, 1536));
    EXPECT_STREQ("1.13 KB", formatSize(0, 1152));   // 1.125 exactly
    EXPECT_STREQ("1.12 KB", formatSize(0, 1151));   // 1.1240...
    EXPECT_STREQ("1.01 KB", formatSize(0, 1030));   // 1.0058...
    EXPECT_STREQ("1.00 KB", formatSize(0, 1029));   // 1.0048...
    EXPECT_STREQ("2.00 KB", formatSize(0, 2048));
    EXPECT_STREQ("2.50 KB", formatSize(2, 10240 / 4));
    EXPECT_STREQ("10.01 KB", formatSize(0, 10250));  // 10.009765625
    EXPECT_STREQ("1023.99 KB", formatSize(0, 1048565));
    EXPECT_STREQ("1024.00 KB", formatSize(0, 1048575));
}

TEST(FormatSize, MegabytesRoundHalfUp)
{
    EXPECT_STREQ("1.00 MB", formatSize(0, 1048576));
    EXPECT_STREQ("1.50 MB", formatSize(0, 1572864));
    EXPECT_STREQ("1.13 MB", formatSize(0, 1179648));  // 1.125 exactly
    EXPECT_STREQ("1.12 MB", formatSize(0, 1179647));
    EXPECT_STREQ("100.00 MB", formatSize(0, 104857600));
    EXPECT_STREQ("2048.00 MB", formatSize(0, INT32_MAX));  // 2047.999999...
    EXPECT_STREQ("2047.99 MB", formatSize(0, 2147473047)); // 2047.98999...
}

TEST(FormatSize, SlotsAreIndependent)
{
    const char* received = formatSize(0, 512);
    const char* expected = formatSize(1, 2048);
    const char* rate = formatSize(2, 3000000);
    EXPECT_STREQ("512 bytes", received);
    EXPECT_STREQ("2.00 KB", expected);
    EXPECT_STREQ("2.86 MB", rate);
    EXPECT_NE(received, expected);
    EXPECT_NE(expected, rate);

    // A new call reuses its own slot only.
    EXPECT_EQ(expected, formatSize(1, 1));
    EXPECT_STREQ("1 bytes", expected);
    EXPECT_STREQ("512 bytes", received);
    EXPECT_STREQ("2.86 MB", rate);
}

TEST(FormatSize, OutOfRangeSlotUsesSlotZero)
{
    const char* zero = formatSize(0, 5);
    EXPECT_EQ(zero, formatSize(3, 7));
    EXPECT_STREQ("7 bytes", zero);
    EXPECT_EQ(zero, formatSize(-1, 8));
    EXPECT_EQ(zero, formatSize(INT32_MIN, 9));
    EXPECT_STREQ("9 bytes", zero);
}
