#pragma once
#include "transfer/http_request.h"
#include "transfer/transfer.h"
#include "win32/scoped_handle.h"
#include "win32/scoped_window.h"

// Copies a local file into the destination, one 4096-byte chunk per message
// posted to its own hidden window, so the dialog stays responsive between
// chunks. Every outcome gets an HTTP-style status line.
class FileTransfer : public Transfer {
public:
    FileTransfer(TransferCallback callback, LONG_PTR userValue);
    ~FileTransfer() override;

    int setProxy(const char* hostPort) override;
    int start(const char* source, const char* destination) override;
    int lastChunkBytes() override { return lastChunk; }
    int bytesReceived() override { return received; }
    int contentLength() override { return size; }
    const char* statusLine() override { return statusLineText; }
    int32_t startTime() override { return startedAt; }
    // A file's size is exact.
    int bodyLength() override { return size; }

    // One step of the copy; called by the window procedure for the pump message.
    void pump(HWND window);

private:
    void report(int32_t status) { callback(status, userValue); }
    void fail(const char* format, const char* name);
    // Ends a running copy with Error and the given status line.
    void failStep(const char* statusLine);
    void closeFiles();

    ScopedWindow window;
    TransferCallback callback;
    LONG_PTR userValue;
    int32_t startedAt;
    int lastChunk;
    int received;
    int size;
    char statusLineText[statusLineSize];
    ScopedHandle source;
    ScopedHandle destination;
};

// The one FileTransfer the window procedure works on; none when nullptr.
extern FileTransfer* currentFileTransfer;
