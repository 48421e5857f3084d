#pragma once
#include <stdint.h>
#include <windows.h>

#include "transfer/http_request.h"
#include "transfer/transfer.h"
#include "win32/scoped_handle.h"

// What every transfer keeps the same way: the progress callback, the byte
// counters, the status line and the start time of the latest fetch, and its
// destination, a file made afresh that takes the bytes chunk by chunk as
// they arrive.
class ChunkedTransfer : public Transfer {
public:
    int lastChunkBytes() override { return lastChunk; }
    int bytesReceived() override { return received; }
    const char* statusLine() override { return statusLineText; }
    int32_t startTime() override { return startedAt; }

protected:
    // The most one step of a fetch reads.
    static const int chunkSize = 4096;

    enum ChunkResult { ChunkWritten, ChunkTooLong, ChunkNotWritten };

    ChunkedTransfer(TransferCallback callback, LONG_PTR userValue);
    ~ChunkedTransfer() override = default;

    void report(int32_t status)
    {
        if (callback != nullptr)
            callback(status, userValue);
    }
    // Counters, status line and start time of a new fetch.
    void begin();
    // Creates the destination at path; false when it cannot be made.
    bool createDestination(const char* path);
    bool destinationOpen() const { return destinationFile.valid(); }
    void closeDestination() { destinationFile.reset(); }
    // Counts count (> 0) more bytes as the latest chunk and appends them to
    // the destination. ChunkTooLong: the counters cannot hold them; nothing
    // is counted, and the latest chunk is empty.
    ChunkResult writeChunk(const char* bytes, int count);

    int lastChunk;
    int received;
    char statusLineText[statusLineSize];
    int32_t startedAt;

private:
    TransferCallback callback;
    LONG_PTR userValue;
    ScopedHandle destinationFile;
};
