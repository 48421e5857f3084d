#include "transfer/chunked_transfer.h"

#include "common/byte_count.h"
#include "win32/unix_time.h"

ChunkedTransfer::ChunkedTransfer(TransferCallback callback, LONG_PTR userValue)
    : lastChunk(0),
      received(0),
      statusLineText(),
      startedAt(unixTimeSeconds()),
      callback(callback),
      userValue(userValue),
      destinationFile()
{
}

void ChunkedTransfer::begin()
{
    // Emptied before anything can fail, so that a failure never shows the
    // status line of the previous fetch.
    statusLineText[0] = '\0';
    lastChunk = 0;
    received = 0;
    startedAt = unixTimeSeconds();
}

bool ChunkedTransfer::createDestination(const char* path)
{
    // A destination still open from a fetch that did not end is closed
    // first: it may be the very file asked for now. Only a file made afresh
    // is written: whatever lies under the name, even one that somebody else
    // planted there, goes first, and the creation fails rather than reuse a
    // file that is there again.
    destinationFile.reset();
    DeleteFileA(path);
    // Others may read what arrives (the installer checks it as it comes), not write it.
    destinationFile.reset(
        CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    return destinationFile.valid();
}

ChunkedTransfer::ChunkResult ChunkedTransfer::writeChunk(const char* bytes, int count)
{
    // The byte counts are 32-bit signed numbers: a longer body is no component.
    if (!fitsCounter(received, count)) {
        lastChunk = 0;
        return ChunkTooLong;
    }
    received += count;
    lastChunk = count;
    DWORD written = 0;
    if (!WriteFile(destinationFile.get(), bytes, static_cast<DWORD>(count), &written, nullptr)
        || written != static_cast<DWORD>(count))
        return ChunkNotWritten;
    return ChunkWritten;
}
