#include "transfer/stream_socket.h"

#include "core/private_messages.h"
#include "transfer/socket_dispatcher.h"
#include "transfer/socket_event_sink.h"

namespace {

// FD_CONNECT is selected only to learn of a connection attempt that failed;
// sinks never see it.
const long selectedEvents = FD_READ | FD_WRITE | FD_CLOSE | FD_CONNECT;

int32_t lastError()
{
    int error = WSAGetLastError();
    return error != 0 ? error : -1;
}

}  // namespace

StreamSocket::StreamSocket(uint32_t address, uint16_t port, SocketEventSink* sink) : sink(sink)
{
    if (!socketDispatcher.connectionTable.add(this)) {
        report(-1, -1);
        return;
    }
    socket.reset(::socket(AF_INET, SOCK_STREAM, 0));
    if (!socket.valid()) {
        report(lastError(), -1);
        return;
    }
    const int32_t handleValue = static_cast<int32_t>(socket.get());
    sockaddr_in target = {};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = address;
    if (WSAAsyncSelect(socket.get(), socketDispatcher.window.get(), WM_SOCKET_EVENT, selectedEvents) != 0) {
        report(lastError(), handleValue);
        return;
    }
    if (connect(socket.get(), reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
        // Value 0: no sink can take it for a read, write or close event.
        report(0, 0);
        return;
    }
    int error = WSAGetLastError();
    if (error != WSAEWOULDBLOCK)
        report(error != 0 ? error : -1, handleValue);
}

void StreamSocket::notify(int32_t error, int32_t value)
{
    if (value == FD_CONNECT) {
        // A failed attempt ends the connection: the sink hears a close with
        // the error. A successful one is told by the FD_WRITE that follows.
        if (error != 0)
            sink->onSocketEvent(socketEvent, error, FD_CLOSE);
        return;
    }
    // The sink may delete this object: nothing touches it afterwards.
    sink->onSocketEvent(socketEvent, error, value);
}

StreamSocket::~StreamSocket()
{
    if (socket.valid())
        socketDispatcher.cancelReadLater(socket.get());
    socket.reset();
    socketDispatcher.connectionTable.remove(this);
}

void StreamSocket::report(int32_t error, int32_t value)
{
    sink->onSocketEvent(socketEvent, error, value);
}
