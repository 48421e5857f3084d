#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "engine/list_line_reader.h"

namespace {

// The data in a heap block of exactly its size, so that a read past the end
// is caught by the address sanitizer.
struct ExactBytes {
    explicit ExactBytes(const std::string& text) : bytes(text.begin(), text.end()) {}
    const char* data() const { return bytes.data(); }
    int size() const { return static_cast<int>(bytes.size()); }
    std::vector<char> bytes;
};

// Reads every line of data as the walk does, advancing by the consumed count.
std::vector<std::string> readAll(const ExactBytes& data, std::vector<int>* consumed)
{
    std::vector<std::string> lines;
    int offset = 0;
    for (;;) {
        char line[listLineSize];
        int n = readListLine(data.data() + offset, data.size() - offset, line);
        if (n == 0)
            break;
        lines.push_back(line);
        if (consumed != nullptr)
            consumed->push_back(n);
        offset += n;
    }
    EXPECT_EQ(data.size(), offset);
    return lines;
}

}  // namespace

TEST(ListLineReader, ReadsCrLfAndLfLinesWithTheirEnds)
{
    ExactBytes data("T,2000\r\nI,a.dll,1000,1.2.3.4,client\n\r\n\nR,b.exe");
    std::vector<int> consumed;
    std::vector<std::string> lines = readAll(data, &consumed);
    ASSERT_EQ(5u, lines.size());
    EXPECT_EQ("T,2000\r\n", lines[0]);
    EXPECT_EQ("I,a.dll,1000,1.2.3.4,client\n", lines[1]);
    EXPECT_EQ("\r\n", lines[2]);
    EXPECT_EQ("\n", lines[3]);
    EXPECT_EQ("R,b.exe", lines[4]);  // the last line needs no end
    EXPECT_EQ((std::vector<int>{8, 28, 2, 1, 7}), consumed);
}

TEST(ListLineReader, NoDataGivesNothing)
{
    char line[listLineSize];
    memset(line, 'x', sizeof line);
    EXPECT_EQ(0, readListLine("", 0, line));
    EXPECT_STREQ("", line);
    memset(line, 'x', sizeof line);
    EXPECT_EQ(0, readListLine("abc", -5, line));
    EXPECT_STREQ("", line);
}

TEST(ListLineReader, SplitsALongLineAt511Characters)
{
    std::string text = "I" + std::string(599, 'a') + "\r\nT,1\n";
    ExactBytes data(text);
    std::vector<int> consumed;
    std::vector<std::string> lines = readAll(data, &consumed);
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(text.substr(0, 511), lines[0]);
    EXPECT_EQ(std::string(89, 'a') + "\r\n", lines[1]);
    EXPECT_EQ("T,1\n", lines[2]);
    EXPECT_EQ((std::vector<int>{511, 91, 4}), consumed);
}

TEST(ListLineReader, LineEndJustPastTheLimitIsALineOfItsOwn)
{
    // 510 characters and LF fit; 511 characters leave the LF for the next read.
    std::vector<std::string> fits = readAll(ExactBytes(std::string(510, 'b') + "\n"), nullptr);
    ASSERT_EQ(1u, fits.size());
    EXPECT_EQ(511u, fits[0].size());

    std::vector<int> consumed;
    std::vector<std::string> split = readAll(ExactBytes(std::string(511, 'b') + "\nT"), &consumed);
    ASSERT_EQ(3u, split.size());
    EXPECT_EQ(std::string(511, 'b'), split[0]);
    EXPECT_EQ("\n", split[1]);
    EXPECT_EQ("T", split[2]);
    EXPECT_EQ((std::vector<int>{511, 1, 1}), consumed);

    std::vector<std::string> crSplit = readAll(ExactBytes(std::string(510, 'b') + "\r\n"), nullptr);
    ASSERT_EQ(2u, crSplit.size());
    EXPECT_EQ(std::string(510, 'b') + "\r", crSplit[0]);
    EXPECT_EQ("\n", crSplit[1]);
}

TEST(ListLineReader, NulBytesEndTheTextButNotTheLine)
{
    std::string text("I,a\0b,3\nT,5\n", 12);
    std::vector<int> consumed;
    std::vector<std::string> lines = readAll(ExactBytes(text), &consumed);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("I,a", lines[0]);
    EXPECT_EQ("T,5\n", lines[1]);
    EXPECT_EQ((std::vector<int>{8, 4}), consumed);

    std::vector<std::string> nulFirst = readAll(ExactBytes(std::string("\0\0\n", 3)), nullptr);
    ASSERT_EQ(1u, nulFirst.size());
    EXPECT_EQ("", nulFirst[0]);
}

TEST(ListLineReader, RandomBytesAreConsumedCompletely)
{
    std::string text;
    unsigned seed = 12345;
    for (int i = 0; i < 5000; ++i) {
        seed = seed * 1103515245u + 12345u;
        text.push_back(static_cast<char>(seed >> 16));
    }
    std::vector<int> consumed;
    readAll(ExactBytes(text), &consumed);
    for (int n : consumed) {
        EXPECT_GE(n, 1);
        EXPECT_LE(n, 511);
    }
}
