#pragma once

// Finds the end of an HTTP response header across the chunks of a fetch and
// picks up the Content-Length value on the way. It matches lines through a
// table of accepted character pairs rather than by name, so some lines that
// are not Content-Length headers set the value too; the progress display only
// uses it as a hint.
class ResponseHeaderScanner {
public:
    enum State { SkipLine = 0, LineStart = 1, Matching = 2, HeaderDone = 5 };

    ResponseHeaderScanner();
    virtual ~ResponseHeaderScanner();

    // State SkipLine (the status line is never matched), stopIndex 0,
    // contentLength -1; done at the start of every fetch.
    void reset();

    // Scans the n bytes of chunk; returns true once the empty line that ends
    // the header has been seen (in this or an earlier chunk).
    bool feed(const char* chunk, int n);

    // Index of the first body byte in the chunk in which the header ended,
    // -1 while it has not ended.
    int bodyOffset() const;

    int state;
    int previous;       // last character accepted while Matching, signed 8-bit
    int stopIndex;      // index of the header's last LF, or the chunk length
    int contentLength;  // -1 until a value has been seen
};
