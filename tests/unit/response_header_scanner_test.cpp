#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "transfer/response_header_scanner.h"

namespace {

// What a scanner made of a whole response, fed in pieces.
struct Outcome {
    bool done;
    int bodyStart;  // offset of the first body byte in the whole response, -1 when not found
    int contentLength;
};

bool operator==(const Outcome& a, const Outcome& b)
{
    return a.done == b.done && a.bodyStart == b.bodyStart && a.contentLength == b.contentLength;
}

std::ostream& operator<<(std::ostream& out, const Outcome& o)
{
    return out << "{done " << o.done << ", body at " << o.bodyStart << ", length " << o.contentLength << "}";
}

// Feeds the response cut at the given offsets, each piece in a heap block of
// its exact size, as the transfer's reads would hand them over.
Outcome feedCut(const std::string& response, const std::vector<size_t>& cuts)
{
    ResponseHeaderScanner scanner;
    Outcome outcome = {false, -1, -1};
    size_t begin = 0;
    std::vector<size_t> ends(cuts);
    ends.push_back(response.size());
    for (size_t end : ends) {
        if (end < begin)
            continue;
        std::vector<char> piece(response.begin() + static_cast<long>(begin), response.begin() + static_cast<long>(end));
        bool wasDone = scanner.state == ResponseHeaderScanner::HeaderDone;
        bool done = scanner.feed(piece.data(), static_cast<int>(piece.size()));
        if (done && !wasDone) {
            EXPECT_GE(scanner.bodyOffset(), 1);
            EXPECT_LE(scanner.bodyOffset(), static_cast<int>(piece.size()));
            outcome.bodyStart = static_cast<int>(begin) + scanner.bodyOffset();
        }
        outcome.done = done;
        begin = end;
    }
    outcome.contentLength = scanner.contentLength;
    return outcome;
}

Outcome feedWhole(const std::string& response)
{
    return feedCut(response, {});
}

std::vector<size_t> everyBytes(size_t step, size_t size)
{
    std::vector<size_t> cuts;
    for (size_t at = step; at < size; at += step)
        cuts.push_back(at);
    return cuts;
}

// Scanner that has just seen previous at the start of a header line.
void enterMatching(ResponseHeaderScanner* scanner, char previous)
{
    const char start[2] = {'\n', previous};
    scanner->feed(start, 2);
}

// The accepted pairs, written out from the table independently of the code.
bool expectedAccepted(int previous, int c)
{
    auto in = [](int x, const char* set) { return x != 0 && strchr(set, x) != nullptr; };
    bool digitC = c >= '0' && c <= '9';
    if (in(previous, "Cc")) return c == 'o';
    if (in(previous, "oOeE")) return c == 'n';
    if (in(previous, "nN")) return c == 't' || c == 'g';
    if (in(previous, "tT")) return c == 'e' || c == '-' || c == 'h';
    if (previous == '-') return c == 'L';
    if (in(previous, "Ll")) return c == 'e';
    if (in(previous, "gG")) return c == 't';
    if (in(previous, "hH")) return c == ':';
    if (previous == ':') return c == ' ';
    if (previous == ' ') return digitC;
    if (previous >= '0' && previous <= '9') return digitC;
    return false;
}

}  // namespace

TEST(ResponseHeaderScanner, StartsEmptyAndResets)
{
    ResponseHeaderScanner scanner;
    EXPECT_EQ(ResponseHeaderScanner::SkipLine, scanner.state);
    EXPECT_EQ(0, scanner.stopIndex);
    EXPECT_EQ(-1, scanner.contentLength);
    EXPECT_EQ(-1, scanner.bodyOffset());

    const char response[] = "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello";
    EXPECT_TRUE(scanner.feed(response, sizeof response - 1));
    EXPECT_EQ(5, scanner.contentLength);

    scanner.reset();
    EXPECT_EQ(ResponseHeaderScanner::SkipLine, scanner.state);
    EXPECT_EQ(0, scanner.stopIndex);
    EXPECT_EQ(-1, scanner.contentLength);
    EXPECT_EQ(-1, scanner.bodyOffset());
    EXPECT_FALSE(scanner.feed("\r\n\r", 3));  // the status line is never matched
    EXPECT_EQ(ResponseHeaderScanner::LineStart, scanner.state);
}

TEST(ResponseHeaderScanner, EmptyOrNegativeChunksChangeNothing)
{
    ResponseHeaderScanner scanner;
    EXPECT_FALSE(scanner.feed("", 0));
    EXPECT_EQ(0, scanner.stopIndex);
    EXPECT_FALSE(scanner.feed("\n\n", -4));
    EXPECT_EQ(0, scanner.stopIndex);
    EXPECT_EQ(ResponseHeaderScanner::SkipLine, scanner.state);
    EXPECT_EQ(-1, scanner.bodyOffset());
}

TEST(ResponseHeaderScanner, FindsTheBodyBehindTheEmptyLine)
{
    const std::string response = "HTTP/1.0 200 OK\r\nServer: x\r\nContent-Length: 1234\r\n\r\nBODY";
    ResponseHeaderScanner scanner;
    EXPECT_TRUE(scanner.feed(response.data(), static_cast<int>(response.size())));
    EXPECT_EQ(ResponseHeaderScanner::HeaderDone, scanner.state);
    EXPECT_EQ(static_cast<int>(response.size()) - 5, scanner.stopIndex);
    EXPECT_EQ(static_cast<int>(response.size()) - 4, scanner.bodyOffset());
    EXPECT_EQ(1234, scanner.contentLength);
}

TEST(ResponseHeaderScanner, FeedAfterTheHeaderChangesNothing)
{
    ResponseHeaderScanner scanner;
    const char head[] = "HTTP/1.0 200 OK\r\n\r\nab";
    ASSERT_TRUE(scanner.feed(head, sizeof head - 1));
    int stop = scanner.stopIndex;
    EXPECT_TRUE(scanner.feed("\nContent-Length: 9\r\n\r\n", 22));
    EXPECT_EQ(stop, scanner.stopIndex);
    EXPECT_EQ(-1, scanner.contentLength);
    EXPECT_EQ(stop + 1, scanner.bodyOffset());
}

TEST(ResponseHeaderScanner, TableRowByRow)
{
    // Every previous character that can start a line, against every byte.
    for (int previous = -128; previous <= 127; ++previous) {
        if (previous == '\r' || previous == '\n')
            continue;  // skipped or ending the header at a line start
        for (int c = -128; c <= 127; ++c) {
            ResponseHeaderScanner scanner;
            enterMatching(&scanner, static_cast<char>(previous));
            ASSERT_EQ(ResponseHeaderScanner::Matching, scanner.state);
            ASSERT_EQ(previous, scanner.previous);
            const char next = static_cast<char>(c);
            EXPECT_FALSE(scanner.feed(&next, 1));
            bool accepted = scanner.state == ResponseHeaderScanner::Matching;
            ASSERT_EQ(expectedAccepted(previous, c), accepted) << "previous " << previous << ", next " << c;
            if (accepted) {
                EXPECT_EQ(c, scanner.previous);
            } else {
                EXPECT_EQ(ResponseHeaderScanner::SkipLine, scanner.state);
                EXPECT_EQ(previous, scanner.previous);
            }
        }
    }
}

TEST(ResponseHeaderScanner, TableEffectsOnContentLength)
{
    struct Case {
        const char* lines;
        int contentLength;
    } cases[] = {
        {"Content-Length: 10240\r\n", 10240},
        {"content-Length: 7\r\n", 7},           // lower-case first letter is recognised
        {"Content-length: 7\r\n", -1},          // lower-case l after the hyphen is not
        {"Content-Length:7\r\n", -1},           // no blank after the colon
        {"Content-Length:  7\r\n", -1},         // two blanks
        {"CONTENT-LENGTH: 7\r\n", -1},
        {"h: 42\r\n", 42},                      // the odd acceptances of the table
        {"H: 3\r\n", 3},
        {"Length: 9\r\n", 9},
        {"Ength: 8\r\n", 8},
        {": 6\r\n", 6},
        {" 5\r\n", 5},
        {"12\r\n", -8},                         // -1 * 10 + 2
        {"Content-Length: 5\r\n12\r\n", 52},    // digits go on from the held value
        {"Content-Length: 5\r\nContent-Length: 7\r\n", 7},
        {"Content-Length: 12abc\r\n", 12},
        {"Content-Length: 5 6\r\n", 5},
        {"Content-Length: 007\r\n", 7},
        {"Content-Length: 4294967297\r\n", 1},  // wraps at 32 bits, no overflow
        {"Content-Length: 2147483648\r\n", INT32_MIN},
        {"Content-Length: 99999999999999999999\r\n", static_cast<int>(0x630FFFFFu)},
        {"Server: Content-Length: 5\r\n", -1},  // only from a line's first character
        {"Cong: 4\r\n", -1},
        {"Content-Type: text/plain\r\n", -1},
        {"Content-Lengthh: 4\r\n", -1},
    };
    for (const Case& c : cases) {
        std::string response = std::string("HTTP/1.0 200 OK\r\n") + c.lines + "\r\nbody";
        Outcome outcome = feedWhole(response);
        EXPECT_TRUE(outcome.done) << c.lines;
        EXPECT_EQ(static_cast<int>(response.size()) - 4, outcome.bodyStart) << c.lines;
        EXPECT_EQ(c.contentLength, outcome.contentLength) << c.lines;
    }
}

TEST(ResponseHeaderScanner, ComparesCharactersAsSignedBytes)
{
    ResponseHeaderScanner scanner;
    enterMatching(&scanner, static_cast<char>(0xC3));
    EXPECT_EQ(-61, scanner.previous);
    EXPECT_EQ(ResponseHeaderScanner::Matching, scanner.state);

    // High bytes are never accepted: a Latin-1 header line is just skipped.
    Outcome outcome = feedWhole("HTTP/1.0 200 OK\r\nX-\xE9t\xE9: 1\r\nContent-Length: 3\r\n\r\nabc");
    EXPECT_TRUE(outcome.done);
    EXPECT_EQ(3, outcome.contentLength);
}

TEST(ResponseHeaderScanner, MissingContentLengthLeavesMinusOne)
{
    Outcome outcome = feedWhole("HTTP/1.0 200 OK\r\nServer: test\r\nContent-Type: text/plain\r\n\r\nhello");
    EXPECT_TRUE(outcome.done);
    EXPECT_EQ(-1, outcome.contentLength);

    // The status line is never matched, even when it reads like the header.
    outcome = feedWhole("Content-Length: 5\r\n\r\nx");
    EXPECT_TRUE(outcome.done);
    EXPECT_EQ(21, outcome.bodyStart);
    EXPECT_EQ(-1, outcome.contentLength);
}

TEST(ResponseHeaderScanner, LfOnlyLines)
{
    // Lines rejected before their LF end the header normally.
    Outcome outcome = feedWhole("HTTP/1.0 200 OK\nServer: x\n\nbody");
    EXPECT_TRUE(outcome.done);
    EXPECT_EQ(27, outcome.bodyStart);

    // A line still matching at its LF makes the scanner skip the next line;
    // when that is the empty line, the end of the header is missed.
    outcome = feedWhole("HTTP/1.0 200 OK\nContent-Length: 4\n\nbody");
    EXPECT_FALSE(outcome.done);
    EXPECT_EQ(-1, outcome.bodyStart);
    EXPECT_EQ(4, outcome.contentLength);

    // ... and when it is another header line, that line is not matched.
    outcome = feedWhole("HTTP/1.0 200 OK\nContent-Length: 4\nContent-Length: 9\nServer: x\n\nbody");
    EXPECT_TRUE(outcome.done);
    EXPECT_EQ(4, outcome.contentLength);

    // CR at a line start is skipped, LF alone ends the header.
    outcome = feedWhole("HTTP/1.0 200 OK\r\nServer: x\r\n\r\r\r\nZ");
    EXPECT_TRUE(outcome.done);
    EXPECT_EQ(32, outcome.bodyStart);
}

TEST(ResponseHeaderScanner, HeaderEndingAtTheEndOfAChunk)
{
    ResponseHeaderScanner scanner;
    const char first[] = "HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\n";
    const int n = sizeof first - 1;
    EXPECT_TRUE(scanner.feed(first, n));
    EXPECT_EQ(n - 1, scanner.stopIndex);
    EXPECT_EQ(n, scanner.bodyOffset());  // nothing of this chunk is body
    EXPECT_EQ(3, scanner.contentLength);
    EXPECT_TRUE(scanner.feed("abc", 3));
    EXPECT_EQ(n, scanner.bodyOffset());
}

TEST(ResponseHeaderScanner, HeaderSplitOverSeveralReads)
{
    ResponseHeaderScanner scanner;
    EXPECT_FALSE(scanner.feed("HTTP/1.0 200 OK\r\nContent-Len", 28));
    EXPECT_EQ(28, scanner.stopIndex);
    EXPECT_EQ(-1, scanner.bodyOffset());
    EXPECT_FALSE(scanner.feed("gth: 1", 6));
    EXPECT_EQ(1, scanner.contentLength);
    EXPECT_FALSE(scanner.feed("0\r\n\r", 4));
    EXPECT_EQ(10, scanner.contentLength);
    EXPECT_EQ(4, scanner.stopIndex);
    EXPECT_TRUE(scanner.feed("\nbody", 5));
    EXPECT_EQ(0, scanner.stopIndex);
    EXPECT_EQ(1, scanner.bodyOffset());
}

TEST(ResponseHeaderScanner, ChunkingDoesNotChangeTheOutcome)
{
    const std::string responses[] = {
        "HTTP/1.0 200 OK\r\nServer: x\r\nContent-Length: 10240\r\n\r\nbody bytes\r\n\r\n",
        "HTTP/1.0 404 Not Found\r\nh: 12\r\n12\r\nContent-length: 3\r\n\r\n<html>",
        "HTTP/1.0 200 OK\nContent-Length: 4\n\nbody\n\nmore",
        "HTTP/1.0 200 OK\nDate: today\nContent-Length: 4\r\n\nbody",
        "HTTP/1.0 302 Found\r\nLocation: http://x/\r\n\r\n",
        "\n\n",
        "no line end at all",
    };
    for (const std::string& response : responses) {
        Outcome whole = feedWhole(response);
        for (size_t step = 1; step <= response.size(); ++step)
            EXPECT_EQ(whole, feedCut(response, everyBytes(step, response.size())))
                << "step " << step << " in " << response;
        for (size_t a = 0; a <= response.size(); ++a)
            for (size_t b = a; b <= response.size(); ++b)
                ASSERT_EQ(whole, feedCut(response, {a, b})) << "cuts " << a << "," << b << " in " << response;
    }
}

TEST(ResponseHeaderScanner, RandomBytesGiveADefinedOutcome)
{
    unsigned seed = 987654321u;
    for (int round = 0; round < 200; ++round) {
        std::string response;
        for (int i = 0; i < 300; ++i) {
            seed = seed * 1103515245u + 12345u;
            const char alphabet[] = "Content-Lgh: 0123456789\r\n\n\xff\x80";
            response.push_back(alphabet[(seed >> 16) % (sizeof alphabet - 1)]);
        }
        Outcome whole = feedWhole(response);
        EXPECT_EQ(whole, feedCut(response, everyBytes(7, response.size())));
        if (whole.done) {
            EXPECT_EQ('\n', response[static_cast<size_t>(whole.bodyStart) - 1]);
        }
    }
}
