#include "transfer/file_transfer.h"

#include "common/bounded_copy.h"
#include "common/bounded_format.h"
#include "common/byte_count.h"
#include "core/private_messages.h"
#include "win32/unix_time.h"
#include "win32/waiting_input.h"

#include <io.h>

FileTransfer* currentFileTransfer = nullptr;

namespace {

const char windowClassName[] = "AsyncFileWnd";
const DWORD chunkSize = 4096;
// The timer that stands in for the pump message while input waits.
const UINT_PTR pumpTimerId = 1;

LRESULT CALLBACK fileTransferWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == pumpTimerId) {
        KillTimer(window, pumpTimerId);
        message = WM_FILE_PUMP;
    }
    if (message == WM_FILE_PUMP && currentFileTransfer != nullptr)
        currentFileTransfer->pump(window);
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

FileTransfer::FileTransfer(TransferCallback callback, LONG_PTR userValue)
    : window(),
      callback(callback),
      userValue(userValue),
      startedAt(unixTimeSeconds()),
      lastChunk(0),
      received(0),
      size(0),
      statusLineText(),
      source(),
      destination()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = fileTransferWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = windowClassName;
    // A second transfer of the process finds the class registered and then
    // makes a window of it all the same.
    if (RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS)
        window.reset(CreateWindowExA(0, windowClassName, nullptr, 0, 0, 0, 0, 0, nullptr, nullptr,
                                     windowClass.hInstance, nullptr));
    currentFileTransfer = this;
}

FileTransfer::~FileTransfer()
{
    if (currentFileTransfer == this)
        currentFileTransfer = nullptr;
    // The window and the files go with their owners: a copy still running
    // is abandoned and leaves nothing locked.
}

int FileTransfer::setProxy(const char*)
{
    return 0;
}

void FileTransfer::closeFiles()
{
    source.reset();
    destination.reset();
}

void FileTransfer::fail(const char* format, const char* name)
{
    // Status lines longer than the buffer are cut, never overrun.
    formatBounded(statusLineText, sizeof statusLineText, format, name);
    report(Error);
}

int FileTransfer::start(const char* sourcePath, const char* destinationPath)
{
    startedAt = unixTimeSeconds();
    lastChunk = 0;
    received = 0;
    statusLineText[0] = '\0';
    size = 0;
    closeFiles();

    if (_access(sourcePath, 4) != 0) {
        fail("HTTP/1.0 404 File %s not found\r\n", sourcePath);
        return 0;
    }
    source.reset(CreateFileA(sourcePath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!source.valid()) {
        fail("HTTP/1.0 500 Error opening %s \r\n", sourcePath);
        return 0;
    }
    DWORD sizeHigh = 0;
    const DWORD sizeLow = GetFileSize(source.get(), &sizeHigh);
    if (sizeHigh != 0 || sizeLow > static_cast<DWORD>(INT32_MAX)) {
        // The byte counts are 32-bit signed numbers.
        closeFiles();
        fail("HTTP/1.0 500 File %s too large\r\n", sourcePath);
        return 0;
    }
    size = static_cast<int>(sizeLow);
    // Only a file made afresh is written: whatever lies under the name, even
    // one that somebody else planted there, goes first, and the creation
    // fails rather than reuse a file that is there again.
    DeleteFileA(destinationPath);
    // Others may read what arrives (the installer checks it as it comes), not write it.
    destination.reset(CreateFileA(destinationPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!destination.valid()) {
        fail("HTTP/1.0 500 Error creating %s\r\n", destinationPath);
        closeFiles();
        return 0;
    }
    if (window.get() == nullptr || !PostMessageA(window.get(), WM_FILE_PUMP, 0, 0)) {
        // Without the pump nothing would ever end this copy.
        closeFiles();
        fail("HTTP/1.0 500 Error starting the copy of %s\r\n", sourcePath);
        return 0;
    }
    return 1;
}

void FileTransfer::pump(HWND pumpWindow)
{
    if (!source.valid() || !destination.valid())
        return;   // a stale message after an end or a new start
    char buffer[chunkSize];
    DWORD read = 0;
    if (!ReadFile(source.get(), buffer, chunkSize, &read, nullptr)) {
        lastChunk = 0;
        failStep("HTTP/1.0 500 Error reading file\r\n");
        return;
    }
    lastChunk = static_cast<int>(read);
    if (read != 0 && !fitsCounter(received, lastChunk)) {
        lastChunk = 0;
        failStep("HTTP/1.0 500 Error reading file\r\n");
        return;
    }
    if (read == 0) {
        copyBounded(statusLineText, sizeof statusLineText, "HTTP/1.0 200 OK\r\n");
        closeFiles();
        report(Done);
        return;
    }
    received += lastChunk;
    DWORD written = 0;
    if (!WriteFile(destination.get(), buffer, read, &written, nullptr) || written != read) {
        failStep("HTTP/1.0 500 Error writing file\r\n");
        return;
    }
    report(ReadingData);
    // The dialog is painted, and the user's input goes, before the next chunk.
    const bool next = inputWaiting() ? resumeLater(pumpWindow, pumpTimerId)
                                            : PostMessageA(pumpWindow, WM_FILE_PUMP, 0, 0) != FALSE;
    if (!next && source.valid())
        failStep("HTTP/1.0 500 Error reading file\r\n");
}

void FileTransfer::failStep(const char* statusLine)
{
    copyBounded(statusLineText, sizeof statusLineText, statusLine);
    closeFiles();
    report(Error);
}
