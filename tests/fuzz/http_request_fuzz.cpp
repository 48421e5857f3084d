// The HTTP transfer's text work: splitting a direct URL, the proxy's
// host:port, and formatting the request, which never outgrows its buffer.
//
// Input: one byte choosing the host capacity for the proxy address, then the
// text (up to its first NUL), used as URL, as request target and as address.
#include "transfer/http_request.h"

#include "fuzz_support.h"

namespace {

const size_t kCapacities[] = {0, 1, 2, 8, 64, 512, 1024};
const std::string kRequestTail = " HTTP/1.0\r\nPragma: no-cache\r\nUser-Agent: JQ/2\r\n\r\n";
const size_t kLongestTarget = requestTextSize - 1 - 4 - kRequestTail.size();  // 970

// A port as atoi reads it, kept in 16 bits: the sign and the digits modulo
// 65536 (which divides 2^32, so the 32-bit wrap on the way does not matter).
uint16_t referencePort(const char* text)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    bool negative = *text == '-';
    if (*text == '+' || *text == '-')
        ++text;
    uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        value = (value * 10u + static_cast<uint32_t>(*text - '0')) % 65536u;
    return static_cast<uint16_t>(negative ? (65536u - value) % 65536u : value);
}

void checkRequest(const char* target)
{
    HeapBuffer out(requestTextSize);
    const bool fits = formatRequest(out.get(), target);
    FUZZ_CHECK(out.terminated(), "the request is terminated within its buffer");
    const std::string request = out.get();
    FUZZ_CHECK(request.size() <= static_cast<size_t>(requestTextSize) - 1, "the request is at most 1023 characters");
    FUZZ_CHECK(fits == (strlen(target) <= kLongestTarget), "a target fits exactly up to 970 characters");
    if (fits) {
        FUZZ_CHECK(request.compare(0, 4, "GET ") == 0, "the request starts with GET");
        FUZZ_CHECK(request.size() >= 4 && request.compare(request.size() - 4, 4, "\r\n\r\n") == 0,
                   "the request ends with an empty line");
        FUZZ_CHECK(request == "GET " + std::string(target) + kRequestTail, "the request is the three lines and the empty one");
    } else {
        FUZZ_CHECK(request.empty(), "a request that does not fit is left empty");
    }
}

void checkDirectUrl(const HeapText& url)
{
    DirectUrl direct;
    memset(&direct, 0x5a, sizeof direct);
    const bool split = splitDirectUrl(url.c_str(), &direct);
    FUZZ_CHECK(memchr(direct.host, '\0', sizeof direct.host) != nullptr, "the host is terminated within its buffer");

    const std::string text = url.str();
    const size_t scheme = text.find("://");
    const size_t rest = scheme == std::string::npos ? std::string::npos : scheme + 3;
    const size_t slash = rest == std::string::npos ? std::string::npos : text.find('/', rest);
    const bool expected = slash != std::string::npos && slash - rest <= static_cast<size_t>(urlWorkSize) - 2;
    FUZZ_CHECK(split == expected, "a URL splits when a / follows :// within 1023 characters");
    if (!split)
        return;

    FUZZ_CHECK(direct.target == url.c_str() + slash, "the target is the URL's own text from that /");
    const std::string hostPort = text.substr(rest, slash - rest);
    const size_t colon = hostPort.find(':');
    FUZZ_CHECK(direct.host == hostPort.substr(0, colon), "the host is the text before any colon");
    FUZZ_CHECK(strlen(direct.host) < sizeof direct.host, "the host fits its buffer");
    const uint16_t port = colon == std::string::npos ? 80 : referencePort(hostPort.c_str() + colon + 1);
    FUZZ_CHECK(direct.port == port, "the port is the number behind the colon in 16 bits, else 80");
    checkRequest(direct.target);
}

void checkProxyAddress(const HeapText& hostPort, size_t capacity)
{
    HeapBuffer host(capacity);
    uint16_t port = 4321;
    const int result = splitProxyAddress(hostPort.c_str(), host.get(), capacity, &port);
    FUZZ_CHECK(result == -1 || result == 0 || result == 1, "the result is -1, 0 or 1");

    const std::string text = hostPort.str();
    const size_t colon = text.find(':');
    const std::string expectedHost = text.substr(0, colon);
    if (capacity == 0) {
        FUZZ_CHECK(host.untouched(), "a host buffer without room is not written to");
    } else {
        FUZZ_CHECK(host.terminated(), "the host is terminated within its capacity");
    }
    if (expectedHost.size() + 1 > capacity) {
        FUZZ_CHECK(result == -1, "a host that does not fit is refused");
        FUZZ_CHECK(port == 4321, "a refused address keeps the port");
        if (capacity > 0)
            FUZZ_CHECK(host.get()[0] == '\0', "a refused host is left empty");
        return;
    }
    FUZZ_CHECK(host.get() == expectedHost, "the host is the text before the first colon");
    if (colon == std::string::npos) {
        FUZZ_CHECK(result == 0 && port == 4321, "without a colon the port is kept");
    } else {
        FUZZ_CHECK(result == 1, "with a colon the port is read");
        FUZZ_CHECK(port == referencePort(text.c_str() + colon + 1), "the port is the number behind the colon in 16 bits");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t capacity = kCapacities[data[0] % (sizeof kCapacities / sizeof kCapacities[0])];
    const HeapText text(inputText(data + 1, size - 1));

    checkDirectUrl(text);
    checkRequest(text.c_str());
    checkProxyAddress(text, capacity);
    FUZZ_CHECK(text.str() == inputText(data + 1, size - 1), "the text is not written to");
    return 0;
}
