#include "transfer/http_transfer.h"

#include <string.h>

#include "common/bounded_copy.h"
#include "transfer/host_resolver.h"
#include "transfer/stream_socket.h"
#include "win32/unix_time.h"

namespace {

const int chunkSize = 4096;

// Counters wrap past 2 GiB instead of overflowing.
int wrappingAdd(int a, int b)
{
    return static_cast<int>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

}  // namespace

HttpTransfer::HttpTransfer(TransferCallback callback, LONG_PTR userValue)
    : SocketEventSink(callback, userValue),
      status(Idle),
      proxyHost(nullptr),
      proxyHostText(),
      proxyPort(0),
      resolver(nullptr),
      port(80),
      connection(nullptr),
      requestText(nullptr),
      requestBuffer(),
      requestSent(0),
      lastChunk(0),
      received(0),
      statusLineText(),
      startedAt(unixTimeSeconds()),
      file(),
      scanner()
{
}

HttpTransfer::~HttpTransfer()
{
    delete resolver;
    delete connection;
}

int HttpTransfer::setProxy(const char* hostPort)
{
    proxyHost = proxyHostText;
    int taken = splitProxyAddress(hostPort, proxyHostText, sizeof proxyHostText, &proxyPort);
    if (taken >= 0)
        return taken;
    // A host longer than the buffer names no machine. Kept cut, its lookup
    // fails and the fetch ends in Error instead of silently going direct;
    // the ":" of such a text lies beyond the cut.
    copyBounded(proxyHostText, sizeof proxyHostText, hostPort);
    const char* colon = strchr(hostPort, ':');
    if (colon == nullptr)
        return 0;
    proxyPort = portNumber(colon + 1);
    return 1;
}

int HttpTransfer::start(const char* url, const char* destination)
{
    if (requestText != nullptr || (status != Idle && status != Connected && status != Done))
        return 0;
    // Emptied before anything can fail, so that a failure never shows the
    // status line of the previous fetch.
    statusLineText[0] = '\0';
    scanner.reset();
    received = 0;
    lastChunk = 0;
    requestSent = 0;
    startedAt = unixTimeSeconds();

    // A destination still open from a fetch that did not end is closed first:
    // it may be the very file asked for now.
    file.reset();
    file.reset(CreateFileA(destination, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return failStart();
    delete resolver;
    resolver = nullptr;

    DirectUrl direct;
    const char* host = proxyHost;
    const char* target = url;
    if (proxyHost != nullptr && proxyPort != 0) {
        port = proxyPort;
    } else {
        if (!splitDirectUrl(url, &direct))
            return failStart();
        host = direct.host;
        port = direct.port;
        target = direct.target;
    }
    if (!formatRequest(requestBuffer, target))
        return failStart();
    requestText = requestBuffer;

    // Set before the lookup is made: one that cannot start reports Error from
    // inside its constructor, and that Error must stay.
    status = Resolving;
    resolver = new HostResolver(host, this);
    if (status != Resolving) {
        requestText = nullptr;
        return 0;
    }
    report();
    return 1;
}

void HttpTransfer::onSocketEvent(int32_t kind, int32_t error, int32_t value)
{
    if (error != 0) {
        status = Error;
    } else if (kind == lookupEvent) {
        if (connectToResult())
            return;
    } else if (kind == socketEvent) {
        status = Connected;
        if (value == FD_READ)
            readStep();
        else if (value == FD_WRITE)
            writeStep();
        else if (value == FD_CLOSE)
            closeStep();
    }
    report();
}

void HttpTransfer::report()
{
    if (callback != nullptr)
        callback(status, userValue);
}

int HttpTransfer::failStart()
{
    status = Error;
    report();
    return 0;
}

bool HttpTransfer::connectToResult()
{
    delete connection;
    connection = nullptr;
    uint32_t address = 0;
    if (resolver == nullptr || !resolver->firstAddress(&address)) {
        status = Error;
        return false;
    }
    // Set before the connection is made: one that fails at once reports
    // Error from inside its constructor, and that report is the only one.
    status = Connecting;
    connection = new StreamSocket(address, port, this);
    return status != Connecting;
}

void HttpTransfer::readStep()
{
    status = ReadingData;
    if (connection == nullptr) {
        status = Error;
        return;
    }
    char chunk[chunkSize];
    int n = recv(connection->handle(), chunk, sizeof chunk, 0);
    if (n < 0) {
        // A read notification with nothing left to read (the platform may
        // send one) is no failure: nothing is delivered.
        if (WSAGetLastError() == WSAEWOULDBLOCK)
            lastChunk = 0;
        else
            status = Error;
        return;
    }
    if (scanner.state == ResponseHeaderScanner::HeaderDone) {
        received = wrappingAdd(received, n);
        lastChunk = n;
        writeBody(chunk, n);
        return;
    }
    if (scanner.feed(chunk, n)) {
        int offset = scanner.bodyOffset();
        received = n - offset;
        lastChunk = n - offset;
        writeBody(chunk + offset, n - offset);
    }
    if (statusLineText[0] == '\0')
        takeStatusLine(statusLineText, chunk, n);
}

void HttpTransfer::writeBody(const char* bytes, int count)
{
    if (count <= 0)
        return;
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes, static_cast<DWORD>(count), &written, nullptr)
        || written != static_cast<DWORD>(count))
        status = Error;
}

void HttpTransfer::writeStep()
{
    if (requestText == nullptr)
        return;
    status = SendingRequest;
    if (connection == nullptr) {
        status = Error;
        return;
    }
    const int length = static_cast<int>(strlen(requestText));
    // The platform posts the next FD_WRITE only after a send that would
    // block, so the request is sent until it is complete or one does.
    while (requestSent < length) {
        int sent = send(connection->handle(), requestText + requestSent, length - requestSent, 0);
        if (sent < 0) {
            if (WSAGetLastError() != WSAEWOULDBLOCK)
                status = Error;
            return;
        }
        if (sent == 0)
            return;
        requestSent += sent;
    }
    requestText = nullptr;
    status = Connected;
}

bool HttpTransfer::drain()
{
    for (;;) {
        const int before = received;
        status = Connected;
        readStep();
        if (status == Error)
            return false;
        report();
        if (received == before)
            return true;
    }
}

void HttpTransfer::closeStep()
{
    // Data may still wait behind the close: read it before the file is
    // closed. A read that fails there ends the fetch with the Error alone.
    if (!drain())
        return;
    file.reset();
    status = Done;
    // The connection is the object whose notification runs; it is not
    // touched after this returns.
    delete connection;
    connection = nullptr;
}
