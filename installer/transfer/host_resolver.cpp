#include "transfer/host_resolver.h"

#include <string.h>

#include "core/private_messages.h"
#include "transfer/socket_dispatcher.h"
#include "transfer/socket_event_sink.h"

RegisteredLookup::RegisteredLookup()
    : lookupHandle(nullptr), registered_(socketDispatcher.lookupTable.add(this))
{
}

RegisteredLookup::~RegisteredLookup()
{
    socketDispatcher.lookupTable.remove(this);
}

HostResolver::HostResolver(const char* hostName, SocketEventSink* sink) : resultBuffer(), sink(sink)
{
    // Unregistered, its reply could reach nobody: it is not started at all.
    if (!registered()) {
        sink->onSocketEvent(lookupEvent, -1, 0);
        return;
    }
    // The platform copies the name; the caller's text may go once this returns.
    lookupHandle = WSAAsyncGetHostByName(socketDispatcher.window.get(), WM_LOOKUP_REPLY, hostName,
                                         resultBuffer, sizeof resultBuffer);
    if (lookupHandle == nullptr) {
        int error = WSAGetLastError();
        sink->onSocketEvent(lookupEvent, error != 0 ? error : -1, 0);
    }
}

void HostResolver::notify(int32_t error, int32_t value)
{
    // The reply comes once; from now on there is nothing to cancel. The sink
    // may delete this object: nothing touches it afterwards.
    lookupHandle = nullptr;
    sink->onSocketEvent(lookupEvent, error, value);
}

HostResolver::~HostResolver()
{
    if (lookupHandle != nullptr) {
        // Where the platform does cancel, no reply comes and the kept memory
        // stays until exit; where it does not, the reply frees it.
        WSACancelAsyncRequest(lookupHandle);
        socketDispatcher.keepUntilReply(lookupHandle, this);
    }
}

void HostResolver::operator delete(void* memory)
{
    if (!socketDispatcher.isKept(memory))
        ::operator delete(memory);
}

bool HostResolver::firstAddress(uint32_t* address) const
{
    // The platform's pointers lead into the buffer; anything else is refused.
    const char* begin = resultBuffer;
    const char* end = resultBuffer + sizeof resultBuffer;
    auto inside = [&](const void* p, size_t size) {
        const char* c = static_cast<const char*>(p);
        return c >= begin && c <= end && static_cast<size_t>(end - c) >= size;
    };
    const hostent* result = reinterpret_cast<const hostent*>(resultBuffer);
    if (result->h_addrtype != AF_INET || result->h_length != 4 || !inside(result->h_addr_list, sizeof(char*)))
        return false;
    const char* first = result->h_addr_list[0];
    if (first == nullptr || !inside(first, 4))
        return false;
    memcpy(address, first, 4);
    return true;
}
