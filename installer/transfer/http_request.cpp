#include "transfer/http_request.h"

#include <stdint.h>
#include <string.h>

#include "common/bounded_copy.h"
#include "common/decimal.h"

// parseDecimal wraps instead of overflowing, and the cast keeps the low 16 bits.
uint16_t portNumber(const char* text)
{
    return static_cast<uint16_t>(static_cast<uint32_t>(parseDecimal(text)));
}

bool splitDirectUrl(const char* url, DirectUrl* out)
{
    out->host[0] = '\0';
    out->port = 80;
    out->target = nullptr;
    const char* scheme = strstr(url, "://");
    if (scheme == nullptr)
        return false;
    const char* rest = scheme + 3;
    // Text behind "://" beyond the work buffer is cut, as the fetch would cut it.
    copyBounded(out->host, sizeof out->host, rest);
    char* slash = strchr(out->host, '/');
    if (slash == nullptr)
        return false;
    out->target = rest + (slash - out->host);
    *slash = '\0';
    char* colon = strchr(out->host, ':');
    if (colon != nullptr) {
        *colon = '\0';
        out->port = portNumber(colon + 1);
    }
    return true;
}

bool formatRequest(char out[requestTextSize], const char* target)
{
    bool fits = copyBounded(out, requestTextSize, "GET ");
    fits = appendBounded(out, requestTextSize, target) && fits;
    fits = appendBounded(out, requestTextSize,
                         " HTTP/1.0\r\n"
                         "Pragma: no-cache\r\n"
                         "User-Agent: JQ/2\r\n"
                         "\r\n") && fits;
    if (!fits)
        out[0] = '\0';
    return fits;
}

int splitProxyAddress(const char* hostPort, char* host, size_t hostCapacity, uint16_t* port)
{
    const char* colon = strchr(hostPort, ':');
    size_t hostLength = colon != nullptr ? static_cast<size_t>(colon - hostPort) : strlen(hostPort);
    if (!copyBoundedPrefix(host, hostCapacity, hostPort, hostLength)) {
        if (hostCapacity > 0)
            host[0] = '\0';
        return -1;
    }
    if (colon == nullptr)
        return 0;
    *port = portNumber(colon + 1);
    return 1;
}

int statusCodeOf(const char* line)
{
    if (strlen(line) < 10)
        return -1;
    const char* p = line + 9;
    while (*p == ' ' || *p == '\t')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Accumulated as a negative number so that INT32_MIN is reachable too.
    int32_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        int32_t digit = *p - '0';
        if (value < (INT32_MIN + digit) / 10) {
            value = INT32_MIN;
            break;
        }
        value = value * 10 - digit;
    }
    if (negative)
        return value;
    return value == INT32_MIN ? INT32_MAX : -value;
}

bool isSuccessStatus(const char* line)
{
    int code = statusCodeOf(line);
    return code >= 200 && code <= 299;
}

void takeStatusLine(char out[statusLineSize], const char* chunk, int n)
{
    int length = 0;
    while (length < n && chunk[length] != '\n' && chunk[length] != '\r' && chunk[length] != '\0')
        ++length;
    copyBoundedPrefix(out, statusLineSize, chunk, static_cast<size_t>(length));
}
