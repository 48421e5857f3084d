#include "bench/design_limit/reference_transfer.h"

#include "win32/scoped_handle.h"
#include "win32/scoped_socket.h"
#include "win32/scoped_window.h"

#include <winsock.h>

#include <stdio.h>
#include <string.h>

namespace {

// The installer's chunk: mirrors installer/transfer/file_transfer.cpp and
// http_transfer.cpp.
const int chunkSize = 4096;
const UINT WM_PUMP = WM_APP + 1;
const UINT WM_SOCKET = WM_APP + 2;
const int requestSize = 2048;

struct Transfer {
    ScopedWindow window;
    ScopedHandle source;
    ScopedHandle destination;
    ScopedSocket socket;
    HWND dialog = nullptr;
    LARGE_INTEGER startedAt = {};
    TransferResult result = {};
};

Transfer transfer;

double millisecondsSince(const LARGE_INTEGER& start)
{
    LARGE_INTEGER frequency;
    LARGE_INTEGER now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// The installer closes its files before it reports the end; so does this.
void finish(bool failed)
{
    if (transfer.result.ended)
        return;
    transfer.source.reset();
    transfer.destination.reset();
    transfer.socket.reset();
    transfer.result.milliseconds = millisecondsSince(transfer.startedAt);
    transfer.result.ended = true;
    transfer.result.failed = failed;
    EndDialog(transfer.dialog, failed ? 2 : 1);
}

bool writeChunk(const char* bytes, DWORD count)
{
    DWORD written = 0;
    if (!WriteFile(transfer.destination.get(), bytes, count, &written, nullptr) || written != count)
        return false;
    transfer.result.bytes += count;
    return true;
}

void pump(HWND window)
{
    if (!transfer.source.valid())
        return;
    char buffer[chunkSize];
    DWORD read = 0;
    if (!ReadFile(transfer.source.get(), buffer, chunkSize, &read, nullptr))
        return finish(true);
    if (read == 0)
        return finish(false);
    if (!writeChunk(buffer, read) || !PostMessageA(window, WM_PUMP, 0, 0))
        finish(true);
}

// One recv: 1 when it wrote data, 0 at the end of the data or when nothing
// waits, -1 on a failure.
int readOnce()
{
    char buffer[chunkSize];
    const int n = recv(transfer.socket.get(), buffer, chunkSize, 0);
    if (n > 0)
        return writeChunk(buffer, static_cast<DWORD>(n)) ? 1 : -1;
    if (n < 0 && WSAGetLastError() != WSAEWOULDBLOCK)
        return -1;
    return 0;
}

void onSocket(LPARAM event)
{
    if (!transfer.socket.valid())
        return;
    if (WSAGETSELECTERROR(event) != 0)
        return finish(true);
    if (WSAGETSELECTEVENT(event) == FD_READ) {
        if (readOnce() < 0)
            finish(true);
        return;
    }
    if (WSAGETSELECTEVENT(event) == FD_CLOSE) {
        // Whatever still waits behind the close is read before the end.
        int step;
        while ((step = readOnce()) > 0) {
        }
        finish(step < 0);
    }
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PUMP) {
        pump(window);
        return 0;
    }
    if (message == WM_SOCKET) {
        onSocket(lParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND makeHiddenWindow()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "ReferenceTransferWnd";
    if (RegisterClassA(&windowClass) == 0)
        return nullptr;
    return CreateWindowExA(0, windowClass.lpszClassName, nullptr, 0, 0, 0, 0, 0, nullptr, nullptr,
                           windowClass.hInstance, nullptr);
}

// As the installer: only a file made afresh is written.
bool createDestination(const char* path)
{
    DeleteFileA(path);
    transfer.destination.reset(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                           nullptr));
    return transfer.destination.valid();
}

bool startFile(const TransferRequest& request)
{
    transfer.source.reset(CreateFileA(request.source, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    return transfer.source.valid() && PostMessageA(transfer.window.get(), WM_PUMP, 0, 0);
}

// The request is sent before the events are selected: what the installer
// does around it (lookup, connection and request events) happens once per
// fetch and is not what is measured here.
bool startHttp(const TransferRequest& request)
{
    char text[requestSize];
    const int length = _snprintf(text, sizeof text, "GET %s HTTP/1.0\r\nHost: %s\r\n\r\n", request.target,
                                 request.host);
    if (length < 0 || length >= requestSize)
        return false;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(request.port);
    address.sin_addr.s_addr = inet_addr(request.host);
    transfer.socket.reset(socket(AF_INET, SOCK_STREAM, 0));
    return transfer.socket.valid()
        && connect(transfer.socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0
        && send(transfer.socket.get(), text, length, 0) == length
        && WSAAsyncSelect(transfer.socket.get(), transfer.window.get(), WM_SOCKET, FD_READ | FD_CLOSE) == 0;
}

} // namespace

bool startReferenceTransfer(const TransferRequest& request, HWND dialog)
{
    transfer.result = TransferResult{};
    transfer.dialog = dialog;
    QueryPerformanceCounter(&transfer.startedAt);
    transfer.window.reset(makeHiddenWindow());
    if (transfer.window.get() == nullptr || !createDestination(request.destination))
        return false;
    return request.kind == TransferRequest::File ? startFile(request) : startHttp(request);
}

TransferResult referenceTransferResult()
{
    return transfer.result;
}

void releaseReferenceTransfer()
{
    transfer.source.reset();
    transfer.destination.reset();
    transfer.socket.reset();
    transfer.window.reset();
}
