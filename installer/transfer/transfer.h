#pragma once
#include <stdint.h>
#include <windows.h>

// How far a fetch has come. Every report passes one of these.
enum TransferStatus : int32_t {
    Idle = 0,
    Resolving = 1,
    Connecting = 2,
    Connected = 3,
    SendingRequest = 4,
    ReadingData = 5,
    Done = 6,
    Error = 7,
};

// The progress callback: a plain function, called synchronously from the
// transfer's own code (its window procedure, a socket notification, or
// start itself). userValue is the value given at construction.
typedef void (*TransferCallback)(int32_t status, LONG_PTR userValue);

// One source fetched into one local file, asynchronously on the GUI thread.
// The outcome of every fetch is an HTTP-style status line ("HTTP/1.0 200 OK").
class Transfer {
public:
    virtual ~Transfer() {}
    // host:port; returns 1 when taken, 0 when not.
    virtual int setProxy(const char* hostPort) = 0;
    // Returns 1 when the fetch has begun, 0 when it has not.
    virtual int start(const char* source, const char* destination) = 0;
    virtual int lastChunkBytes() = 0;
    virtual int bytesReceived() = 0;
    // Expected size for the display; -1 while none is known.
    virtual int contentLength() = 0;
    // A buffer of statusLineSize (transfer/http_request.h), valid as long as the object lives.
    virtual const char* statusLine() = 0;
    // time() at the latest start, or at construction.
    virtual int32_t startTime() = 0;
    // The exact length the body must reach to be whole, once the source has
    // stated it soundly; -1 when it states none (the end of the data is then
    // the end of the body).
    virtual int bodyLength() = 0;
};
