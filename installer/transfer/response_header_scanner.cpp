#include "transfer/response_header_scanner.h"

#include "common/decimal.h"

namespace {

bool isDigit(int c)
{
    return c >= '0' && c <= '9';
}

// The pairs that "Content-Length: <digits>" is made of, spelled as they come;
// any line built only from these pairs passes as well.
bool acceptsAfter(int previous, int c)
{
    switch (previous) {
    case 'C': case 'c':
        return c == 'o';
    case 'o': case 'O': case 'e': case 'E':
        return c == 'n';
    case 'n': case 'N':
        return c == 't' || c == 'g';
    case 't': case 'T':
        return c == 'e' || c == '-' || c == 'h';
    case '-':
        return c == 'L';
    case 'L': case 'l':
        return c == 'e';
    case 'g': case 'G':
        return c == 't';
    case 'h': case 'H':
        return c == ':';
    case ':':
        return c == ' ';
    case ' ':
        return isDigit(c);
    default:
        return isDigit(previous) && isDigit(c);
    }
}

}  // namespace

ResponseHeaderScanner::ResponseHeaderScanner()
    : state(SkipLine), previous(0), stopIndex(0), contentLength(-1)
{
}

ResponseHeaderScanner::~ResponseHeaderScanner()
{
}

void ResponseHeaderScanner::reset()
{
    state = SkipLine;
    previous = 0;
    stopIndex = 0;
    contentLength = -1;
}

bool ResponseHeaderScanner::feed(const char* chunk, int n)
{
    if (state == HeaderDone)
        return true;
    int i = 0;
    for (; i < n; ++i) {
        int c = static_cast<signed char>(chunk[i]);
        if (state == SkipLine) {
            if (c == '\n')
                state = LineStart;
        } else if (state == LineStart) {
            if (c == '\n') {
                state = HeaderDone;
                break;
            }
            if (c != '\r') {
                previous = c;
                state = Matching;
            }
        } else {
            if (acceptsAfter(previous, c)) {
                if (previous == ' ')
                    contentLength = c - '0';
                else if (isDigit(previous))
                    contentLength = appendDigit(contentLength, static_cast<char>(c));
                previous = c;
            } else {
                // A rejected LF does not end the line: the next one is skipped.
                state = SkipLine;
            }
        }
    }
    stopIndex = i;
    return state == HeaderDone;
}

int ResponseHeaderScanner::bodyOffset() const
{
    return state == HeaderDone ? stopIndex + 1 : -1;
}
