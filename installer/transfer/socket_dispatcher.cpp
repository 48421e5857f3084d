#include "transfer/socket_dispatcher.h"

#include "core/private_messages.h"
#include "transfer/host_resolver.h"
#include "transfer/stream_socket.h"
#include "win32/waiting_input.h"
#include "win32/wsa_startup.h"

namespace {

LRESULT CALLBACK dispatcherWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        return 0;
    case WM_LOOKUP_REPLY:
        socketDispatcher.dispatchLookupReply(reinterpret_cast<HANDLE>(wParam), lParam);
        return 0;
    case WM_SOCKET_EVENT:
        socketDispatcher.dispatchSocketEvent(static_cast<SOCKET>(wParam), lParam);
        return 0;
    case WM_TIMER:
        // A read put off by readLater.
        KillTimer(window, wParam);
        socketDispatcher.dispatchSocketEvent(static_cast<SOCKET>(wParam), WSAMAKESELECTREPLY(FD_READ, 0));
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND createDispatcherWindow()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = dispatcherWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "AsyncWSockWnd";
    if (RegisterClassA(&windowClass) == 0)
        return nullptr;
    return CreateWindowExA(0, "AsyncWSockWnd", nullptr, 0, 0, 0, 0, 0, nullptr, nullptr,
                           windowClass.hInstance, nullptr);
}

}  // namespace

SocketDispatcher::SocketDispatcher()
{
    lookupTable.clear();
    connectionTable.clear();
    for (KeptLookup& kept : kept_)
        kept = KeptLookup{nullptr, nullptr};
}

SocketDispatcher::~SocketDispatcher()
{
    // Each destructor takes its own entry out of the table.
    for (int i = 0; i < socketTableSize; ++i)
        delete lookupTable.slots[i];
    for (int i = 0; i < socketTableSize; ++i)
        delete connectionTable.slots[i];
    window.reset();
    // Kept lookup memory is left to the end of the process: a lookup of the
    // platform may still be writing into it.
}

void SocketDispatcher::dispatchLookupReply(HANDLE lookupHandle, LPARAM reply)
{
    for (RegisteredLookup* lookup : lookupTable.slots) {
        if (lookup != nullptr && lookup->lookupHandle == lookupHandle) {
            lookup->notify(WSAGETASYNCERROR(reply), WSAGETASYNCBUFLEN(reply));
            return;
        }
    }
    // The reply of a lookup deleted before it: the platform is done with its
    // memory now.
    for (KeptLookup& kept : kept_) {
        if (kept.memory != nullptr && kept.handle == lookupHandle) {
            ::operator delete(kept.memory);
            kept = KeptLookup{nullptr, nullptr};
            return;
        }
    }
}

void SocketDispatcher::dispatchSocketEvent(SOCKET socket, LPARAM event)
{
    for (StreamSocket* connection : connectionTable.slots) {
        if (connection != nullptr && connection->handle() == socket) {
            connection->notify(WSAGETSELECTERROR(event), WSAGETSELECTEVENT(event));
            return;
        }
    }
}

bool SocketDispatcher::readLater(SOCKET socket)
{
    return window.get() != nullptr && resumeLater(window.get(), static_cast<UINT_PTR>(socket));
}

void SocketDispatcher::cancelReadLater(SOCKET socket)
{
    if (window.get() != nullptr)
        KillTimer(window.get(), static_cast<UINT_PTR>(socket));
}

bool SocketDispatcher::keepUntilReply(HANDLE lookupHandle, void* memory)
{
    for (KeptLookup& kept : kept_) {
        if (kept.memory == nullptr) {
            kept = KeptLookup{lookupHandle, memory};
            return true;
        }
    }
    return false;
}

bool SocketDispatcher::isKept(const void* memory) const
{
    for (const KeptLookup& kept : kept_) {
        if (kept.memory != nullptr && kept.memory == memory)
            return true;
    }
    return false;
}

int SocketDispatcher::keptCount() const
{
    int count = 0;
    for (const KeptLookup& kept : kept_)
        count += kept.memory != nullptr ? 1 : 0;
    return count;
}

// The tables exist from static initialisation on; the window and Windows
// Sockets only from startSocketDispatcher: both may load libraries, so they
// wait until the library search is restricted.
SocketDispatcher socketDispatcher;

void startSocketDispatcher()
{
    if (socketDispatcher.window.get() == nullptr)
        socketDispatcher.window.reset(createDispatcherWindow());
    // Made after the dispatcher, so undone before it at exit: Windows Sockets
    // is cleaned up first, then the dispatcher deletes what is still
    // registered and destroys its window.
    static WsaStartup windowsSockets(1, 1);
}
