#pragma once
#include <stdint.h>

#include "transfer/transfer.h"

// Kinds of socket events a sink hears.
const int32_t lookupEvent = 0;   // from a HostResolver: error, result length
const int32_t socketEvent = 1;   // from a StreamSocket: error, FD_READ/FD_WRITE/FD_CLOSE

// The owner of lookups and connections: hears their replies and events.
// Its only kind, the HTTP transfer, keeps its progress callback here; the
// dispatcher and its objects use nothing but onSocketEvent.
class SocketEventSink {
public:
    SocketEventSink(TransferCallback callback, LONG_PTR userValue) : callback(callback), userValue(userValue) {}

    virtual void onSocketEvent(int32_t kind, int32_t error, int32_t value) = 0;

protected:
    // Never deleted through this base.
    ~SocketEventSink() = default;

    TransferCallback callback;
    LONG_PTR userValue;
};
