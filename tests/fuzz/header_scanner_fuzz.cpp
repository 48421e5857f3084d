// The response-header scanner: how the stream is cut into reads must not
// change what it finds.
//
// Input: one byte k, then (k % 8) + 1 bytes of chunk sizes (0 to 255, used in
// turn), then the response stream itself.
#include "transfer/content_length_field.h"
#include "transfer/response_header_scanner.h"

#include "fuzz_support.h"

namespace {

struct Outcome {
    bool done;
    int state;
    int previous;
    int contentLength;
    long bodyStart;  // in the whole stream, -1 while the header has not ended
};

bool operator==(const Outcome& a, const Outcome& b)
{
    return a.done == b.done && a.state == b.state && a.previous == b.previous
        && a.contentLength == b.contentLength && a.bodyStart == b.bodyStart;
}

// Feeds the stream in reads of the given sizes, used in turn. Each read lies
// at the very end of one heap block, so that a read past it is caught; one
// block for all of them keeps the sanitizer's quarantine small.
Outcome feedInChunks(ResponseHeaderScanner& scanner, const std::string& stream, const std::vector<size_t>& sizes)
{
    Outcome outcome = {false, 0, 0, -1, -1};
    size_t at = 0;
    size_t turn = 0;
    bool anyProgress = false;
    for (size_t size : sizes)
        anyProgress = anyProgress || size > 0;
    const size_t blockSize = stream.size() > 0 ? stream.size() : 1;
    std::unique_ptr<char[]> block(new char[blockSize]);
    do {
        size_t size = anyProgress ? sizes[turn++ % sizes.size()] : 1;
        if (size > stream.size() - at)
            size = stream.size() - at;
        char* chunk = block.get() + blockSize - size;
        memcpy(chunk, stream.data() + at, size);
        const int n = static_cast<int>(size);

        const bool wasDone = scanner.state == ResponseHeaderScanner::HeaderDone;
        const ResponseHeaderScanner before = scanner;
        const bool done = scanner.feed(chunk, n);

        FUZZ_CHECK(done == (scanner.state == ResponseHeaderScanner::HeaderDone), "feed tells whether the header ended");
        if (wasDone) {
            FUZZ_CHECK(done, "an ended header stays ended");
            FUZZ_CHECK(scanner.stopIndex == before.stopIndex && scanner.contentLength == before.contentLength
                           && scanner.previous == before.previous,
                       "reads after the header change nothing");
        } else {
            FUZZ_CHECK(scanner.stopIndex >= 0 && scanner.stopIndex <= n, "stopIndex lies within the chunk");
            if (done) {
                FUZZ_CHECK(scanner.stopIndex < n && chunk[scanner.stopIndex] == '\n',
                           "the header ends at an LF of this chunk");
                FUZZ_CHECK(scanner.bodyOffset() == scanner.stopIndex + 1, "the body starts behind that LF");
                FUZZ_CHECK(scanner.bodyOffset() <= n, "the body offset lies within the chunk or at its end");
                outcome.bodyStart = static_cast<long>(at) + scanner.bodyOffset();
            } else {
                FUZZ_CHECK(scanner.stopIndex == n, "a chunk without the header's end is scanned whole");
                FUZZ_CHECK(scanner.bodyOffset() == -1, "no body offset before the header ends");
            }
        }
        FUZZ_CHECK(scanner.state == ResponseHeaderScanner::SkipLine || scanner.state == ResponseHeaderScanner::LineStart
                       || scanner.state == ResponseHeaderScanner::Matching
                       || scanner.state == ResponseHeaderScanner::HeaderDone,
                   "the state is one of the four");
        FUZZ_CHECK(scanner.previous >= -128 && scanner.previous <= 127, "previous is a signed byte");
        at += size;
    } while (at < stream.size());

    outcome.done = scanner.state == ResponseHeaderScanner::HeaderDone;
    outcome.state = scanner.state;
    outcome.previous = scanner.previous;
    outcome.contentLength = scanner.contentLength;
    return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t sizeCount = data[0] % 8u + 1u;
    if (size < 1 + sizeCount)
        return 0;
    std::vector<size_t> sizes(data + 1, data + 1 + sizeCount);
    const std::string stream(reinterpret_cast<const char*>(data) + 1 + sizeCount, size - 1 - sizeCount);

    ResponseHeaderScanner whole;
    FUZZ_CHECK(!whole.feed(stream.data(), 0) && whole.stopIndex == 0 && whole.bodyOffset() == -1,
               "an empty read finds nothing");
    FUZZ_CHECK(!whole.feed(stream.data(), -1) && whole.stopIndex == 0 && whole.contentLength == -1,
               "a negative read finds nothing");
    const Outcome inOne = feedInChunks(whole, stream, {stream.size()});

    ResponseHeaderScanner cut;
    const Outcome inMany = feedInChunks(cut, stream, sizes);
    FUZZ_CHECK(inMany == inOne, "reads of the input's sizes find what one read finds");

    ResponseHeaderScanner bytewise;
    FUZZ_CHECK(feedInChunks(bytewise, stream, {1}) == inOne, "reads of one byte find what one read finds");

    // A scanner reset after a fetch is as good as a new one.
    cut.reset();
    FUZZ_CHECK(cut.state == ResponseHeaderScanner::SkipLine && cut.stopIndex == 0 && cut.contentLength == -1,
               "reset starts over");
    FUZZ_CHECK(feedInChunks(cut, stream, {stream.size()}) == inOne, "a reset scanner finds the same again");

    if (inOne.done) {
        const size_t bodyStart = static_cast<size_t>(inOne.bodyStart);
        FUZZ_CHECK(bodyStart >= 2 && bodyStart <= stream.size() && stream[bodyStart - 1] == '\n',
                   "the body starts behind an LF of the stream");
        size_t lineFeeds = 0;
        for (size_t i = 0; i < bodyStart; ++i)
            lineFeeds += stream[i] == '\n';
        FUZZ_CHECK(lineFeeds >= 2, "the status line and the empty line both end before the body");
    } else {
        FUZZ_CHECK(inOne.bodyStart == -1, "no body without the header's end");
    }
    if (stream.find_first_of("0123456789") == std::string::npos)
        FUZZ_CHECK(inOne.contentLength == -1, "without a digit there is no length");

    // The strict reading of the length, over the header as the transfer hands
    // it over: the same in any cut of the reads.
    const size_t headerEnd = inOne.done ? static_cast<size_t>(inOne.bodyStart) : stream.size();
    ContentLengthField strictWhole;
    strictWhole.feed(stream.data(), static_cast<int>(headerEnd));
    ContentLengthField strictCut;
    size_t at = 0;
    for (size_t turn = 0; at < headerEnd; ++turn) {
        size_t size = sizes[turn % sizes.size()];
        if (size == 0 && turn >= sizes.size())
            size = 1;
        if (size > headerEnd - at)
            size = headerEnd - at;
        HeapText piece(stream.data() + at, size);
        strictCut.feed(piece.c_str(), static_cast<int>(size));
        at += size;
    }
    FUZZ_CHECK(strictCut.length() == strictWhole.length(), "the strict length does not depend on the reads");
    FUZZ_CHECK(strictWhole.length() >= -1, "the strict length is a count or unknown");
    if (stream.find_first_of("0123456789") == std::string::npos)
        FUZZ_CHECK(strictWhole.length() == -1, "without a digit there is no strict length");
    return 0;
}
