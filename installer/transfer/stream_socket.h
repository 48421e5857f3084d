#pragma once
#include <stdint.h>
#include <windows.h>
#include <winsock.h>

#include "win32/scoped_socket.h"

class SocketEventSink;

// One asynchronous TCP connection to an IPv4 address. Its events reach the
// sink as onSocketEvent(1, error, FD_READ/FD_WRITE/FD_CLOSE); a failure while
// it is made is told at once, from inside the constructor, with the socket
// handle as value (-1 when there is none).
class StreamSocket : NonCopyable {
public:
    // address in network byte order, port in host byte order.
    StreamSocket(uint32_t address, uint16_t port, SocketEventSink* sink);
    virtual void notify(int32_t error, int32_t value);
    virtual ~StreamSocket();

    SOCKET handle() const { return socket.get(); }

private:
    void report(int32_t error, int32_t value);

    ScopedSocket socket;
    SocketEventSink* sink;
};
