#pragma once
#include <stdint.h>

// Kinds of socket events a sink hears.
const int32_t lookupEvent = 0;   // from a HostResolver: error, result length
const int32_t socketEvent = 1;   // from a StreamSocket: error, FD_READ/FD_WRITE/FD_CLOSE

// The owner of lookups and connections: hears their replies and events.
class SocketEventSink {
public:
    virtual void onSocketEvent(int32_t kind, int32_t error, int32_t value) = 0;

protected:
    // Never deleted through this base.
    ~SocketEventSink() = default;
};
