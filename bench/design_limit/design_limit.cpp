// The benchmark's reference programs, run under the same Wine as the
// installer. Each does one job the plainest way the installer's design
// allows, so that the installer's figures can be read as a share of them.
//
//   design_limit file SRC DST
//     One posted message per chunk: ReadFile of 4096 bytes, WriteFile of
//     what was read, post the next message. Nothing else.
//   design_limit http HOST PORT TARGET DST
//     GET TARGET (a path, or a whole URL when HOST:PORT is a proxy) over
//     HTTP/1.0; one recv of 4096 bytes and one WriteFile per FD_READ,
//     headers included.
//   design_limit copyfile SRC DST
//     CopyFileA, the platform's own copy.
//   design_limit window
//     A trivial program: shows a window titled "Design limit window" and
//     waits to be closed.
//
// The transfers print "bytes=N ms=T" (time from the first step to the end,
// measured inside the program, so process start-up is not part of it) and
// exit 0, or print a message and exit 1.

#include <windows.h>
#include <winsock.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const DWORD chunkSize = 4096;
const UINT WM_PUMP = WM_APP + 1;
const UINT WM_SOCKET = WM_APP + 2;

struct Run {
    HANDLE source = INVALID_HANDLE_VALUE;
    HANDLE destination = INVALID_HANDLE_VALUE;
    SOCKET socket = INVALID_SOCKET;
    unsigned long long bytes = 0;
    bool failed = false;
};

Run run;

double milliseconds()
{
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

bool writeChunk(const char* bytes, DWORD count)
{
    DWORD written = 0;
    if (!WriteFile(run.destination, bytes, count, &written, nullptr) || written != count)
        return false;
    run.bytes += count;
    return true;
}

void finish(bool failed)
{
    run.failed = failed;
    PostQuitMessage(0);
}

void onPump(HWND window)
{
    char buffer[chunkSize];
    DWORD read = 0;
    if (!ReadFile(run.source, buffer, chunkSize, &read, nullptr))
        return finish(true);
    if (read == 0)
        return finish(false);
    if (!writeChunk(buffer, read))
        return finish(true);
    PostMessageA(window, WM_PUMP, 0, 0);
}

void onSocket(LPARAM lParam)
{
    if (WSAGETSELECTERROR(lParam) != 0)
        return finish(true);
    char buffer[chunkSize];
    if (WSAGETSELECTEVENT(lParam) == FD_READ) {
        int n = recv(run.socket, buffer, chunkSize, 0);
        if (n > 0 && !writeChunk(buffer, static_cast<DWORD>(n)))
            finish(true);
        else if (n < 0 && WSAGetLastError() != WSAEWOULDBLOCK)
            finish(true);
        return;
    }
    if (WSAGETSELECTEVENT(lParam) == FD_CLOSE) {
        // Whatever still waits behind the close is read before the end.
        for (;;) {
            int n = recv(run.socket, buffer, chunkSize, 0);
            if (n <= 0)
                break;
            if (!writeChunk(buffer, static_cast<DWORD>(n)))
                return finish(true);
        }
        finish(false);
    }
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PUMP:
        onPump(window);
        return 0;
    case WM_SOCKET:
        onSocket(lParam);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND makeWindow(bool visible)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "DesignLimitWindow";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, windowClass.lpszClassName, "Design limit window",
                           visible ? WS_OVERLAPPEDWINDOW | WS_VISIBLE : 0, CW_USEDEFAULT, CW_USEDEFAULT, 320, 200,
                           nullptr, nullptr, windowClass.hInstance, nullptr);
}

void messageLoop()
{
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

HANDLE createDestination(const char* path)
{
    return CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

int report(double started)
{
    const double elapsed = milliseconds() - started;
    if (run.destination != INVALID_HANDLE_VALUE)
        CloseHandle(run.destination);
    if (run.failed) {
        printf("failed after %llu bytes\n", run.bytes);
        return 1;
    }
    printf("bytes=%llu ms=%.3f\n", run.bytes, elapsed);
    return 0;
}

int fileMode(const char* source, const char* destination)
{
    run.source = CreateFileA(source, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    run.destination = createDestination(destination);
    HWND window = makeWindow(false);
    if (run.source == INVALID_HANDLE_VALUE || run.destination == INVALID_HANDLE_VALUE || window == nullptr) {
        printf("cannot open %s or %s\n", source, destination);
        return 1;
    }
    const double started = milliseconds();
    PostMessageA(window, WM_PUMP, 0, 0);
    messageLoop();
    CloseHandle(run.source);
    return report(started);
}

int httpMode(const char* host, const char* port, const char* target, const char* destination)
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0)
        return 1;
    run.destination = createDestination(destination);
    HWND window = makeWindow(false);
    if (run.destination == INVALID_HANDLE_VALUE || window == nullptr) {
        printf("cannot create %s\n", destination);
        return 1;
    }
    char request[1024];
    _snprintf(request, sizeof request, "GET %s HTTP/1.0\r\nHost: %s\r\n\r\n", target, host);
    request[sizeof request - 1] = '\0';

    const double started = milliseconds();
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(atoi(port)));
    address.sin_addr.s_addr = inet_addr(host);
    run.socket = socket(AF_INET, SOCK_STREAM, 0);
    if (run.socket == INVALID_SOCKET
        || connect(run.socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || send(run.socket, request, static_cast<int>(strlen(request)), 0) != static_cast<int>(strlen(request))
        || WSAAsyncSelect(run.socket, window, WM_SOCKET, FD_READ | FD_CLOSE) != 0) {
        printf("cannot fetch %s from %s:%s\n", target, host, port);
        return 1;
    }
    messageLoop();
    closesocket(run.socket);
    WSACleanup();
    return report(started);
}

int copyFileMode(const char* source, const char* destination)
{
    const double started = milliseconds();
    if (!CopyFileA(source, destination, FALSE)) {
        printf("CopyFileA failed: %lu\n", GetLastError());
        return 1;
    }
    const double elapsed = milliseconds() - started;
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    GetFileAttributesExA(destination, GetFileExInfoStandard, &attributes);
    printf("bytes=%lu ms=%.3f\n", attributes.nFileSizeLow, elapsed);
    return 0;
}

int usage()
{
    fprintf(stderr, "usage: design_limit file SRC DST | http HOST PORT TARGET DST | copyfile SRC DST | window\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    const char* mode = argc > 1 ? argv[1] : "";
    if (strcmp(mode, "file") == 0 && argc == 4)
        return fileMode(argv[2], argv[3]);
    if (strcmp(mode, "http") == 0 && argc == 6)
        return httpMode(argv[2], argv[3], argv[4], argv[5]);
    if (strcmp(mode, "copyfile") == 0 && argc == 4)
        return copyFileMode(argv[2], argv[3]);
    if (strcmp(mode, "window") == 0) {
        if (makeWindow(true) == nullptr)
            return 1;
        messageLoop();
        return 0;
    }
    return usage();
}
