#pragma once
#include "transfer/chunked_transfer.h"
#include "win32/file_reader.h"
#include "win32/scoped_window.h"

// Copies a local file into the destination, one 4096-byte chunk per message
// posted to its own hidden window, so the dialog stays responsive between
// chunks. Every outcome gets an HTTP-style status line.
class FileTransfer : public ChunkedTransfer {
public:
    FileTransfer(TransferCallback callback, LONG_PTR userValue);
    // The window and the files go with their owners: a copy still running
    // is abandoned and leaves nothing locked.
    ~FileTransfer() override = default;

    int setProxy(const char* hostPort) override;
    int start(const char* source, const char* destination) override;
    int contentLength() override { return size; }
    // A file's size is exact.
    int bodyLength() override { return size; }

    // One step of the copy; called by the window procedure for the pump message.
    void pump(HWND window);

private:
    void fail(const char* format, const char* name);
    // Ends a running copy with Error and the given status line.
    void failStep(const char* statusLine);
    void closeFiles();

    ScopedWindow window;
    int size;
    FileReader source;
};
