#include "wizard/proxy_setting.h"

#include <string.h>

#include "common/ascii.h"
#include "common/bounded_copy.h"
#include "common/decimal.h"

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

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

}  // namespace

bool parsePortField(const char* text, unsigned long* port)
{
    while (isBlank(*text))
        ++text;
    if (*text < '0' || *text > '9')
        return false;
    unsigned long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + static_cast<unsigned>(*text - '0');
        if (value > 0xFFFFFFFFull)
            return false;
    }
    while (isBlank(*text))
        ++text;
    if (*text != '\0')
        return false;
    *port = static_cast<unsigned long>(value);
    return true;
}

bool composeProxyAddress(char* out, size_t capacity, const char* host, const char* portText)
{
    if (!copyBounded(out, capacity, host)) {
        copyBounded(out, capacity, "");
        return false;
    }
    unsigned long port = 0;
    if (!parsePortField(portText, &port))
        return false;
    char suffix[12] = ":";
    formatUnsignedDecimal(static_cast<uint32_t>(port), suffix + 1, sizeof suffix - 1);
    const size_t hostLength = strlen(out);
    if (!appendBounded(out, capacity, suffix)) {
        // Refused rather than cut: a cut port would name another proxy.
        out[hostLength] = '\0';
        return false;
    }
    return true;
}
