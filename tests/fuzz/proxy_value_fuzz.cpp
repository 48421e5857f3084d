// The "ProxyServer" value: any value gives a host and a port that fit their
// buffers and come out of the value, and the local-host test agrees with its
// plain reading.
//
// Input: one byte choosing the host capacity, one the port capacity, then the
// value (up to its first NUL).
#include "wizard/proxy_setting.h"

#include "fuzz_support.h"

namespace {

const size_t kCapacities[] = {0, 1, 2, 5, 16, 64, 256, 512};

size_t capacityOf(uint8_t choice)
{
    return kCapacities[choice % (sizeof kCapacities / sizeof kCapacities[0])];
}

struct Proposal {
    bool found;
    std::string host;
    std::string port;
};

// The value read with whole strings: the first entry named http (any case)
// among the ";"-separated ones, else a first entry without "=".
Proposal referenceProposal(const std::string& wholeValue)
{
    const std::string value = wholeValue.substr(0, proxyServerValueLength);
    std::vector<std::string> entries;
    for (const std::string& entry : splitInput(value, ';', std::string::npos))
        if (!entry.empty())
            entries.push_back(entry);

    std::string hostPort;
    bool found = false;
    for (const std::string& entry : entries) {
        size_t equals = entry.find('=');
        if (equals == 4 && lowerAscii(entry.substr(0, 4)) == "http") {
            hostPort = entry.substr(5);
            found = true;
            break;
        }
    }
    if (!found && !entries.empty() && entries[0].find('=') == std::string::npos) {
        hostPort = entries[0];
        found = true;
    }
    if (!found)
        return {false, "", ""};
    size_t colon = hostPort.find(':');
    if (colon == std::string::npos)
        return {true, hostPort, ""};
    return {true, hostPort.substr(0, colon), hostPort.substr(colon + 1)};
}

bool referenceIsLocal(const std::string& host)
{
    return lowerAscii(host.substr(0, 9)) == "localhost" || lowerAscii(host.substr(0, 4)) == "zorv"
        || (host.size() >= 4 && host.compare(0, 4, "127.") == 0);
}

std::string cutTo(const std::string& text, size_t capacity)
{
    return text.substr(0, capacity > 0 ? capacity - 1 : 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t hostCapacity = capacityOf(data[0]);
    const size_t portCapacity = capacityOf(data[1]);
    const HeapText value(inputText(data + 2, size - 2));

    HeapBuffer host(hostCapacity);
    HeapBuffer port(portCapacity);
    const bool found = findHttpProxy(value.c_str(), host.get(), hostCapacity, port.get(), portCapacity);
    FUZZ_CHECK(value.str() == inputText(data + 2, size - 2), "the value is not written to");

    if (hostCapacity == 0)
        FUZZ_CHECK(host.untouched(), "a host buffer without room is not written to");
    else
        FUZZ_CHECK(host.terminated(), "the host is terminated within its capacity");
    if (portCapacity == 0)
        FUZZ_CHECK(port.untouched(), "a port buffer without room is not written to");
    else
        FUZZ_CHECK(port.terminated(), "the port is terminated within its capacity");

    const Proposal expected = referenceProposal(value.str());
    FUZZ_CHECK(found == expected.found, "a proxy for http is found exactly when the value names one");
    const std::string counted = value.str().substr(0, proxyServerValueLength);
    if (hostCapacity > 0) {
        const std::string hostText = host.get();
        FUZZ_CHECK(hostText == cutTo(expected.host, hostCapacity), "the host is the text before the first colon");
        FUZZ_CHECK(counted.find(hostText) != std::string::npos, "the host is part of the value");
        FUZZ_CHECK(hostText.find_first_of(":;") == std::string::npos, "the host holds no colon or semicolon");
        if (!found)
            FUZZ_CHECK(hostText.empty(), "no proxy, no host");
        FUZZ_CHECK(isLocalProxyHost(host.get()) == referenceIsLocal(hostText),
                   "a host is local exactly by its prefix");
    }
    if (portCapacity > 0) {
        const std::string portText = port.get();
        FUZZ_CHECK(portText == cutTo(expected.port, portCapacity), "the port is the text behind the first colon");
        FUZZ_CHECK(counted.find(portText) != std::string::npos, "the port is part of the value");
        FUZZ_CHECK(portText.find(';') == std::string::npos, "the port holds no semicolon");
        if (!found)
            FUZZ_CHECK(portText.empty(), "no proxy, no port");
    }

    FUZZ_CHECK(isLocalProxyHost(value.c_str()) == referenceIsLocal(value.str()),
               "any text is local exactly by its prefix");
    return 0;
}
