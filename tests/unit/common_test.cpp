#include <gtest/gtest.h>

#include <string.h>

#include "common/ascii.h"
#include "common/bounded_copy.h"
#include "common/byte_count.h"
#include "common/decimal.h"

TEST(BoundedCopy, CopiesWhatFitsAndAlwaysTerminates)
{
    char buffer[6];
    EXPECT_TRUE(copyBounded(buffer, sizeof buffer, "abcde"));
    EXPECT_STREQ("abcde", buffer);

    EXPECT_FALSE(copyBounded(buffer, sizeof buffer, "abcdef"));
    EXPECT_STREQ("abcde", buffer);

    EXPECT_TRUE(copyBounded(buffer, sizeof buffer, ""));
    EXPECT_STREQ("", buffer);

    char one[1] = {'x'};
    EXPECT_FALSE(copyBounded(one, sizeof one, "a"));
    EXPECT_EQ('\0', one[0]);
    EXPECT_TRUE(copyBounded(one, sizeof one, ""));
}

TEST(BoundedCopy, ZeroCapacityWritesNothing)
{
    char guard = 'g';
    EXPECT_FALSE(copyBounded(&guard, 0, "a"));
    EXPECT_FALSE(copyBoundedPrefix(&guard, 0, "a", 1));
    EXPECT_FALSE(appendBounded(&guard, 0, "a"));
    EXPECT_EQ('g', guard);
}

TEST(BoundedCopy, AppendKeepsTheExistingTextAndReportsACut)
{
    char buffer[8] = "abc";
    EXPECT_TRUE(appendBounded(buffer, sizeof buffer, "defg"));
    EXPECT_STREQ("abcdefg", buffer);
    EXPECT_FALSE(appendBounded(buffer, sizeof buffer, "h"));
    EXPECT_STREQ("abcdefg", buffer);
    EXPECT_TRUE(appendBounded(buffer, sizeof buffer, ""));

    char cut[5] = "ab";
    EXPECT_FALSE(appendBounded(cut, sizeof cut, "cdef"));
    EXPECT_STREQ("abcd", cut);

    // A destination without a terminator inside its capacity is refused untouched.
    char full[3] = {'x', 'y', 'z'};
    EXPECT_FALSE(appendBounded(full, sizeof full, "a"));
    EXPECT_EQ(0, memcmp(full, "xyz", 3));
}

TEST(BoundedCopy, PrefixStopsAtCountOrAtTheSourceEnd)
{
    char buffer[8];
    EXPECT_TRUE(copyBoundedPrefix(buffer, sizeof buffer, "host:80", 4));
    EXPECT_STREQ("host", buffer);
    EXPECT_FALSE(copyBoundedPrefix(buffer, sizeof buffer, "hostname:80", 8));
    EXPECT_STREQ("hostnam", buffer);
    EXPECT_TRUE(copyBoundedPrefix(buffer, sizeof buffer, "ab", 5));
    EXPECT_STREQ("ab", buffer);
    EXPECT_TRUE(copyBoundedPrefix(buffer, sizeof buffer, "abc", 0));
    EXPECT_STREQ("", buffer);

    // Count larger than the room: cut, and said so.
    EXPECT_FALSE(copyBoundedPrefix(buffer, 4, "abcdef", 5));
    EXPECT_STREQ("abc", buffer);

    // The source is not read beyond count, so it need not be terminated.
    const char unterminated[3] = {'x', 'y', 'z'};
    EXPECT_TRUE(copyBoundedPrefix(buffer, sizeof buffer, unterminated, 3));
    EXPECT_STREQ("xyz", buffer);
}

TEST(Ascii, LowersOnlyAsciiCapitals)
{
    EXPECT_EQ('a', asciiLower('A'));
    EXPECT_EQ('z', asciiLower('Z'));
    EXPECT_EQ('a', asciiLower('a'));
    EXPECT_EQ('@', asciiLower('@'));
    EXPECT_EQ('[', asciiLower('['));
    EXPECT_EQ(static_cast<char>(0xC4), asciiLower(static_cast<char>(0xC4)));
}

TEST(Ascii, EqualsIgnoreCaseNeedsTheSameLength)
{
    EXPECT_TRUE(equalsIgnoreCase("HTTP", "http"));
    EXPECT_TRUE(equalsIgnoreCase("", ""));
    EXPECT_FALSE(equalsIgnoreCase("http", "https"));
    EXPECT_FALSE(equalsIgnoreCase("https", "http"));
    EXPECT_FALSE(equalsIgnoreCase("http", "htt"));
    EXPECT_FALSE(equalsIgnoreCase("", "a"));
    EXPECT_FALSE(equalsIgnoreCase("[", "{"));
}

TEST(Ascii, StartsWithIgnoreCaseNeverMatchesAShorterText)
{
    EXPECT_TRUE(startsWithIgnoreCase("LOCALHOST.localdomain", "localhost", 9));
    EXPECT_TRUE(startsWithIgnoreCase("localhost", "localhost", 9));
    EXPECT_FALSE(startsWithIgnoreCase("localhos", "localhost", 9));
    EXPECT_FALSE(startsWithIgnoreCase("", "zorv", 4));
    EXPECT_TRUE(startsWithIgnoreCase("anything", "zorv", 0));
    EXPECT_FALSE(startsWithIgnoreCase("zorx", "zorv", 4));
}

TEST(Decimal, ReadsLikeAtoi)
{
    EXPECT_EQ(0, parseDecimal(""));
    EXPECT_EQ(0, parseDecimal("abc"));
    EXPECT_EQ(0, parseDecimal("-"));
    EXPECT_EQ(1000, parseDecimal("1000"));
    EXPECT_EQ(1000, parseDecimal("  \t1000"));
    EXPECT_EQ(-42, parseDecimal("-42"));
    EXPECT_EQ(42, parseDecimal("+42"));
    EXPECT_EQ(12, parseDecimal("12ab3"));
    EXPECT_EQ(7, parseDecimal("007"));
    EXPECT_EQ(0, parseDecimal("- 5"));
    EXPECT_EQ(0, parseDecimal("\n5"));  // only blanks and tabs are skipped
}

TEST(Decimal, WrapsAt32BitsInsteadOfOverflowing)
{
    EXPECT_EQ(INT32_MAX, parseDecimal("2147483647"));
    EXPECT_EQ(INT32_MIN, parseDecimal("2147483648"));
    EXPECT_EQ(INT32_MIN, parseDecimal("-2147483648"));
    EXPECT_EQ(0, parseDecimal("4294967296"));
    EXPECT_EQ(-1, parseDecimal("4294967295"));
    EXPECT_EQ(1, parseDecimal("-4294967295"));
    // Far longer than any 32-bit number: still a defined value.
    EXPECT_EQ(static_cast<int32_t>(1661992960u), parseDecimal("100000000000000000000"));
}

TEST(Decimal, AppendDigitWraps)
{
    EXPECT_EQ(12, appendDigit(1, '2'));
    EXPECT_EQ(-8, appendDigit(-1, '2'));
    EXPECT_EQ(9, appendDigit(0, '9'));
    EXPECT_EQ(INT32_MIN, appendDigit(214748364, '8'));
    EXPECT_EQ(536870902, appendDigit(0x4FFFFFFF, '0'));
}

TEST(Decimal, FormatsEveryUnsignedValueAndReadsBack)
{
    char text[12];
    EXPECT_TRUE(formatUnsignedDecimal(0, text, sizeof text));
    EXPECT_STREQ("0", text);
    EXPECT_TRUE(formatUnsignedDecimal(8080, text, sizeof text));
    EXPECT_STREQ("8080", text);
    EXPECT_TRUE(formatUnsignedDecimal(UINT32_MAX, text, sizeof text));
    EXPECT_STREQ("4294967295", text);
    for (uint32_t value : { 1u, 9u, 10u, 65535u, 65536u, 1000000000u, 2147483647u }) {
        ASSERT_TRUE(formatUnsignedDecimal(value, text, sizeof text));
        EXPECT_EQ(static_cast<int32_t>(value), parseDecimal(text)) << value;
    }
    // Too small a buffer: cut and terminated, and said so.
    char small[4] = { 'x', 'x', 'x', 'x' };
    EXPECT_FALSE(formatUnsignedDecimal(123456, small, sizeof small));
    EXPECT_STREQ("123", small);
}

TEST(ByteCount, AddsSaturatingAtBothEnds)
{
    EXPECT_EQ(5, addSaturating(2, 3));
    EXPECT_EQ(INT32_MAX, addSaturating(INT32_MAX, 1));
    EXPECT_EQ(INT32_MAX, addSaturating(INT32_MAX - 10, INT32_MAX));
    EXPECT_EQ(INT32_MIN, addSaturating(INT32_MIN, -1));
    EXPECT_EQ(-1, addSaturating(INT32_MAX, INT32_MIN));
    // doneBytes after two current records of 2 GiB - 1 bytes each.
    EXPECT_EQ(INT32_MAX, addSaturating(addSaturating(120, INT32_MAX), INT32_MAX));
}

TEST(ByteCount, TellsWhetherAChunkStillFitsTheCounter)
{
    EXPECT_TRUE(fitsCounter(0, 4096));
    EXPECT_TRUE(fitsCounter(INT32_MAX - 4096, 4096));
    EXPECT_FALSE(fitsCounter(INT32_MAX - 4095, 4096));
    EXPECT_FALSE(fitsCounter(INT32_MAX, 1));
    EXPECT_TRUE(fitsCounter(INT32_MAX, 0));
    EXPECT_FALSE(fitsCounter(-1, 1));
    EXPECT_FALSE(fitsCounter(0, -1));
}

TEST(ByteCount, PercentStaysOnTheBar)
{
    EXPECT_EQ(25, percentOf(512, 2048));
    EXPECT_EQ(99, percentOf(999, 1000));
    EXPECT_EQ(100, percentOf(1000, 1000));
    // More than the whole, a whole smaller than what arrived, huge counts.
    EXPECT_EQ(100, percentOf(1001, 1000));
    EXPECT_EQ(100, percentOf(INT32_MAX, 1));
    EXPECT_EQ(100, percentOf(INT32_MAX, 1000));
    EXPECT_EQ(99, percentOf(INT32_MAX - 1, INT32_MAX));
    // Nothing to show: a negative part, no whole or a negative one.
    EXPECT_EQ(0, percentOf(-5, 100));
    EXPECT_EQ(0, percentOf(INT32_MIN, 100));
    EXPECT_EQ(0, percentOf(10, 0));
    EXPECT_EQ(0, percentOf(10, -1));
    EXPECT_EQ(0, percentOf(INT32_MIN, INT32_MIN));
}

TEST(Decimal, AnExactNumberIsDigitsOnlyAndNeverWraps)
{
    uint32_t value = 7;
    ASSERT_TRUE(parseUnsignedDecimal("0", &value));
    EXPECT_EQ(0u, value);
    ASSERT_TRUE(parseUnsignedDecimal("4294967295", &value));
    EXPECT_EQ(4294967295u, value);
    ASSERT_TRUE(parseUnsignedDecimal("0012", &value));
    EXPECT_EQ(12u, value);
    for (const char* text : { "", " 1", "1 ", "+1", "-1", "4294967296", "99999999999", "1x", "0x10", "1,2" }) {
        value = 7;
        EXPECT_FALSE(parseUnsignedDecimal(text, &value)) << text;
        EXPECT_EQ(7u, value) << text;
    }
}
