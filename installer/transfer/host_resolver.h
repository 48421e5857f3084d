#pragma once
#include <stdint.h>
#include <windows.h>
#include <winsock.h>

#include "win32/noncopyable.h"

class SocketEventSink;

// A lookup registered with the dispatcher, which finds it by its handle
// when the reply comes.
class RegisteredLookup : NonCopyable {
public:
    RegisteredLookup();
    virtual void notify(int32_t error, int32_t value) = 0;
    virtual ~RegisteredLookup();

    HANDLE lookupHandle;  // null while none is under way

protected:
    bool registered() const { return registered_; }

private:
    bool registered_;
};

// One asynchronous host-name lookup. Its reply reaches the sink as
// onSocketEvent(0, error, result length); a lookup that cannot start tells
// the sink at once, from inside the constructor.
class HostResolver : public RegisteredLookup {
public:
    HostResolver(const char* hostName, SocketEventSink* sink);
    void notify(int32_t error, int32_t value) override;
    ~HostResolver() override;

    // The first IPv4 address of the result, in network byte order; false
    // when the result holds none.
    bool firstAddress(uint32_t* address) const;

    // A lookup deleted while under way leaves its memory to the dispatcher
    // until the platform has answered.
    static void operator delete(void* memory);

private:
    alignas(void*) char resultBuffer[MAXGETHOSTSTRUCT];  // a hostent and what it points to
    SocketEventSink* sink;
};
