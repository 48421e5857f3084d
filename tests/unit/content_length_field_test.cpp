#include <gtest/gtest.h>

#include <string>

#include "transfer/content_length_field.h"

namespace {

// The length a header gives, fed whole and fed a byte at a time.
int lengthOf(const std::string& header)
{
    ContentLengthField whole;
    whole.feed(header.data(), static_cast<int>(header.size()));
    ContentLengthField bytewise;
    for (char c : header)
        bytewise.feed(&c, 1);
    EXPECT_EQ(whole.length(), bytewise.length()) << header;
    return whole.length();
}

std::string header(const std::string& lines)
{
    return "HTTP/1.0 200 OK\r\n" + lines + "\r\n";
}

struct Case {
    const char* lines;
    int length;
};

} // namespace

TEST(ContentLengthField, ReadsTheFieldAsHttpDefinesIt)
{
    const Case cases[] = {
        { "Content-Length: 1000\r\n", 1000 },
        { "content-length: 1000\r\n", 1000 },
        { "CONTENT-LENGTH: 1000\r\n", 1000 },
        { "Content-Length:1000\r\n", 1000 },
        { "Content-Length:   1000  \r\n", 1000 },
        { "Content-Length:\t1000\t\r\n", 1000 },
        { "Content-Length: 1000\n", 1000 },
        { "Content-Length: 0\r\n", 0 },
        { "Content-Length: 0001000\r\n", 1000 },
        { "Content-Length: 2147483647\r\n", 2147483647 },
        { "Server: x\r\nContent-Type: text/plain\r\ncontent-Length: 7\r\nX: y\r\n", 7 },
        // The same value twice is one length.
        { "Content-Length: 5\r\ncontent-length:5\r\n", 5 },
        // Other fields are not it, however they begin.
        { "Content-Length-Extra: 9\r\nContent-Length: 3\r\n", 3 },
        { "X-Content-Length: 9\r\n", -1 },
        { "Content-Lengthy: 9\r\n", -1 },
        { "h: 12\r\n", -1 },
        { "Content-Type: text/plain\r\n", -1 },
        { "", -1 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.length, lengthOf(header(c.lines))) << c.lines;
}

TEST(ContentLengthField, AnythingDoubtfulLeavesTheLengthUnknown)
{
    const char* unsound[] = {
        "Content-Length: \r\n",
        "Content-Length:\r\n",
        "Content-Length: -5\r\n",
        "Content-Length: +5\r\n",
        "Content-Length: 5 5\r\n",
        "Content-Length: 5, 5\r\n",
        "Content-Length: 0x10\r\n",
        "Content-Length: 10a\r\n",
        "Content-Length: 1\r0\r\n",
        "Content-Length: 2147483648\r\n",
        "Content-Length: 99999999999999999999\r\n",
        // Two values that disagree, in either order and with others around.
        "Content-Length: 5\r\nContent-Length: 6\r\n",
        "content-length: 6\r\nX: 1\r\nContent-Length: 5\r\n",
        // A sound one does not undo an unsound one.
        "Content-Length: x\r\nContent-Length: 5\r\n",
        "Content-Length: 5\r\nContent-Length: x\r\n",
    };
    for (const char* lines : unsound)
        EXPECT_EQ(-1, lengthOf(header(lines))) << lines;
    // A blank before the colon makes a line that is no such field.
    EXPECT_EQ(-1, lengthOf(header("Content-Length : 5\r\n")));
    EXPECT_EQ(4, lengthOf(header("Content-Length : 5\r\nContent-Length: 4\r\n")));
}

TEST(ContentLengthField, TheStatusLineIsNoField)
{
    EXPECT_EQ(-1, lengthOf("Content-Length: 5\r\n\r\n"));
    EXPECT_EQ(8, lengthOf("Content-Length: 5\r\nContent-Length: 8\r\n\r\n"));
}

TEST(ContentLengthField, ResetStartsOver)
{
    ContentLengthField field;
    const std::string first = header("Content-Length: 5\r\n");
    field.feed(first.data(), static_cast<int>(first.size()));
    EXPECT_EQ(5, field.length());
    field.reset();
    EXPECT_EQ(-1, field.length());
    const std::string second = header("Content-Length: 6\r\n");
    field.feed(second.data(), static_cast<int>(second.size()));
    EXPECT_EQ(6, field.length());
    field.feed(nullptr, 0);
    EXPECT_EQ(6, field.length());
}
