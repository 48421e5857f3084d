#pragma once
#include "win32/noncopyable.h"

#include <windows.h>
#include <winsock.h>

// A socket closed on destruction.
class ScopedSocket : NonCopyable {
public:
    ScopedSocket() : socket_(INVALID_SOCKET) {}
    explicit ScopedSocket(SOCKET socket) : socket_(socket) {}
    ~ScopedSocket() { reset(); }

    SOCKET get() const { return socket_; }
    bool valid() const { return socket_ != INVALID_SOCKET; }

    void reset(SOCKET socket = INVALID_SOCKET)
    {
        if (valid())
            closesocket(socket_);
        socket_ = socket;
    }

private:
    SOCKET socket_;
};
