#include "wizard/proxy_setting.h"

#include <string.h>

#include "common/ascii.h"
#include "common/bounded_copy.h"

namespace {

struct TextRange {
    const char* begin;
    const char* end;
};

const char* findIn(TextRange range, char c)
{
    return static_cast<const char*>(memchr(range.begin, c, static_cast<size_t>(range.end - range.begin)));
}

// The host-port text the value names for http; false when it names none.
bool findHostPort(const char* value, TextRange* hostPort)
{
    TextRange first = {nullptr, nullptr};
    const char* begin = value;
    while (*begin != '\0') {
        const char* end = strchr(begin, ';');
        if (end == nullptr)
            end = begin + strlen(begin);
        TextRange entry = {begin, end};
        begin = *end == ';' ? end + 1 : end;
        if (entry.begin == entry.end)
            continue;
        if (first.begin == nullptr)
            first = entry;
        const char* equals = findIn(entry, '=');
        if (equals != nullptr && equals - entry.begin == 4 && startsWithIgnoreCase(entry.begin, "http", 4)) {
            hostPort->begin = equals + 1;
            hostPort->end = entry.end;
            return true;
        }
    }
    // No http entry: a first entry without a protocol name is the proxy for
    // every protocol.
    if (first.begin == nullptr || findIn(first, '=') != nullptr)
        return false;
    *hostPort = first;
    return true;
}

}  // namespace

bool findHttpProxy(const char* proxyServer, char* host, size_t hostCapacity,
                   char* port, size_t portCapacity)
{
    copyBounded(host, hostCapacity, "");
    copyBounded(port, portCapacity, "");

    char value[proxyServerValueLength + 1];
    copyBounded(value, sizeof value, proxyServer);

    TextRange hostPort;
    if (!findHostPort(value, &hostPort))
        return false;
    const char* colon = findIn(hostPort, ':');
    const char* hostEnd = colon != nullptr ? colon : hostPort.end;
    copyBoundedPrefix(host, hostCapacity, hostPort.begin, static_cast<size_t>(hostEnd - hostPort.begin));
    if (colon != nullptr)
        copyBoundedPrefix(port, portCapacity, colon + 1, static_cast<size_t>(hostPort.end - colon - 1));
    return true;
}

bool isLocalProxyHost(const char* host)
{
    return startsWithIgnoreCase(host, "localhost", 9)
        || startsWithIgnoreCase(host, "zorv", 4)
        || strncmp(host, "127.", 4) == 0;
}
