#include "transfer/file_transfer.h"

#include "common/bounded_copy.h"
#include "common/bounded_format.h"
#include "core/private_messages.h"
#include "win32/waiting_input.h"

#include <io.h>

namespace {

const char windowClassName[] = "AsyncFileWnd";
// The timer that stands in for the pump message while input waits.
const UINT_PTR pumpTimerId = 1;

// WM_NCCREATE: the window keeps the transfer it works for, given at its creation.
void onCreate(HWND window, LPARAM lParam)
{
    const CREATESTRUCTA* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
}

// The pump message: the next step of the window's transfer.
void onPump(HWND window)
{
    FileTransfer* transfer = reinterpret_cast<FileTransfer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (transfer != nullptr)
        transfer->pump(window);
}

LRESULT CALLBACK fileTransferWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == pumpTimerId) {
        KillTimer(window, pumpTimerId);
        message = WM_FILE_PUMP;
    }
    if (message == WM_NCCREATE)
        onCreate(window, lParam);
    else if (message == WM_FILE_PUMP) {
        onPump(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

FileTransfer::FileTransfer(TransferCallback callback, LONG_PTR userValue)
    : ChunkedTransfer(callback, userValue),
      window(),
      size(0),
      source()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = fileTransferWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = windowClassName;
    // A second transfer of the process finds the class registered and then
    // makes a window of it all the same.
    if (RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS)
        window.reset(CreateWindowExA(0, windowClassName, nullptr, 0, 0, 0, 0, 0, nullptr, nullptr,
                                     windowClass.hInstance, this));
}

int FileTransfer::setProxy(const char*)
{
    return 0;
}

void FileTransfer::closeFiles()
{
    source.close();
    closeDestination();
}

void FileTransfer::fail(const char* format, const char* name)
{
    // Status lines longer than the buffer are cut, never overrun.
    formatBounded(statusLineText, sizeof statusLineText, format, name);
    report(Error);
}

int FileTransfer::start(const char* sourcePath, const char* destinationPath)
{
    begin();
    size = 0;
    closeFiles();

    if (_access(sourcePath, 4) != 0) {
        fail("HTTP/1.0 404 File %s not found\r\n", sourcePath);
        return 0;
    }
    if (!source.open(sourcePath, 0, FILE_ATTRIBUTE_NORMAL)) {
        fail("HTTP/1.0 500 Error opening %s \r\n", sourcePath);
        return 0;
    }
    DWORD length = 0;
    if (!source.length(&length)) {
        // The byte counts are 32-bit signed numbers.
        closeFiles();
        fail("HTTP/1.0 500 File %s too large\r\n", sourcePath);
        return 0;
    }
    size = static_cast<int>(length);
    if (!createDestination(destinationPath)) {
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
    if (!source.valid() || !destinationOpen())
        return;   // a stale message after an end or a new start
    char buffer[chunkSize];
    DWORD read = 0;
    if (!source.read(buffer, sizeof buffer, &read)) {
        lastChunk = 0;
        failStep("HTTP/1.0 500 Error reading file\r\n");
        return;
    }
    if (read == 0) {
        lastChunk = 0;
        copyBounded(statusLineText, sizeof statusLineText, "HTTP/1.0 200 OK\r\n");
        closeFiles();
        report(Done);
        return;
    }
    const ChunkResult chunk = writeChunk(buffer, static_cast<int>(read));
    if (chunk != ChunkWritten) {
        // A source longer than the counters hold cannot be read whole.
        failStep(chunk == ChunkTooLong ? "HTTP/1.0 500 Error reading file\r\n"
                                       : "HTTP/1.0 500 Error writing file\r\n");
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
