#include "transfer/http_transfer.h"

#include <string.h>

#include "common/bounded_copy.h"
#include "transfer/host_resolver.h"
#include "transfer/socket_dispatcher.h"
#include "transfer/stream_socket.h"
#include "win32/waiting_input.h"

namespace {

// A header that has not ended after this many bytes never will: a server
// that sends one line after another must not keep the fetch busy for ever.
const int headerLimit = 64 * 1024;

}  // namespace

HttpTransfer::HttpTransfer(TransferCallback callback, LONG_PTR userValue)
    : ChunkedTransfer(callback, userValue),
      status(Idle),
      proxyHost(nullptr),
      proxyHostText(),
      proxyPort(0),
      resolver(),
      port(80),
      connection(),
      requestText(nullptr),
      requestBuffer(),
      requestSent(0),
      headerBytes(0),
      scanner()
{
}

// The lookup and the connection go with their owners.
HttpTransfer::~HttpTransfer() = default;

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
    // After an Error nothing of the failed fetch is left (fail), so a new
    // one may start.
    if (requestText != nullptr || (status != Idle && status != Connected && status != Done && status != Error))
        return 0;
    begin();
    scanner.reset();
    lengthField.reset();
    headerBytes = 0;
    requestSent = 0;
    if (!createDestination(destination))
        return failStart();
    resolver.reset();

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
    resolver.reset(new HostResolver(host, this));
    if (status != Resolving) {
        requestText = nullptr;
        return 0;
    }
    report(status);
    return 1;
}

void HttpTransfer::onSocketEvent(int32_t kind, int32_t error, int32_t value)
{
    if (error != 0) {
        fail();
    } else if (kind == lookupEvent) {
        if (connectToResult())
            return;
    } else if (kind == socketEvent) {
        if (value == FD_READ && connection != nullptr && inputWaiting()) {
            // A server that sends faster than the data is read would keep a
            // read event queued at all times: the user's input goes first,
            // and the read comes back after it. Nothing has changed to report.
            if (socketDispatcher.readLater(connection->handle()))
                return;
        }
        status = Connected;
        if (value == FD_READ)
            readStep();
        else if (value == FD_WRITE)
            writeStep();
        else if (value == FD_CLOSE)
            closeStep();
    }
    report(status);
}

int HttpTransfer::failStart()
{
    fail();
    report(status);
    return 0;
}

void HttpTransfer::fail()
{
    // Nothing more is written and nothing more is read: an endless stream
    // cannot keep a failed fetch busy, and its end is reported once.
    status = Error;
    lastChunk = 0;
    closeDestination();
    requestText = nullptr;
    // This may be the connection whose notification runs; nothing touches
    // it after this.
    connection.reset();
}

bool HttpTransfer::connectToResult()
{
    connection.reset();
    uint32_t address = 0;
    if (resolver == nullptr || !resolver->firstAddress(&address)) {
        fail();
        return false;
    }
    // Set before the connection is made: one that fails at once reports
    // Error from inside its constructor, and that report is the only one.
    status = Connecting;
    connection.reset(new StreamSocket(address, port, this));
    if (status == Error)
        connection.reset();
    return status != Connecting;
}

HttpTransfer::ReadResult HttpTransfer::readStep()
{
    status = ReadingData;
    lastChunk = 0;
    if (connection == nullptr) {
        fail();
        return ReadFailed;
    }
    char chunk[chunkSize];
    int n = recv(connection->handle(), chunk, sizeof chunk, 0);
    if (n < 0) {
        // A read notification with nothing left to read (the platform may
        // send one) is no failure: nothing is delivered.
        if (WSAGetLastError() == WSAEWOULDBLOCK)
            return ReadNothing;
        fail();
        return ReadFailed;
    }
    if (n == 0)
        return ReadEnd;
    if (scanner.state == ResponseHeaderScanner::HeaderDone) {
        takeBody(chunk, n);
    } else {
        const bool ended = scanner.feed(chunk, n);
        if (statusLineText[0] == '\0')
            takeStatusLine(statusLineText, chunk, n);
        lengthField.feed(chunk, ended ? scanner.bodyOffset() : n);
        if (ended) {
            const int offset = scanner.bodyOffset();
            takeBody(chunk + offset, n - offset);
        } else {
            headerBytes += n;
            if (headerBytes > headerLimit)
                fail();
        }
    }
    return status == Error ? ReadFailed : ReadData;
}

void HttpTransfer::takeBody(const char* bytes, int count)
{
    if (count > 0 && writeChunk(bytes, count) != ChunkWritten)
        fail();
}

void HttpTransfer::writeStep()
{
    if (requestText == nullptr)
        return;
    status = SendingRequest;
    if (connection == nullptr) {
        fail();
        return;
    }
    const int length = static_cast<int>(strlen(requestText));
    // The platform posts the next FD_WRITE only after a send that would
    // block, so the request is sent until it is complete or one does.
    while (requestSent < length) {
        int sent = send(connection->handle(), requestText + requestSent, length - requestSent, 0);
        if (sent < 0) {
            if (WSAGetLastError() != WSAEWOULDBLOCK)
                fail();
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
    // Everything the server sent before its close is read, header lines
    // included, up to the end of the data; every read is reported.
    for (;;) {
        status = Connected;
        const ReadResult result = readStep();
        if (result == ReadFailed)
            return false;
        report(status);
        if (result != ReadData)
            return true;
    }
}

void HttpTransfer::closeStep()
{
    // Data may still wait behind the close: read it before the file is
    // closed. A read that fails there ends the fetch with the Error alone.
    if (!drain())
        return;
    // A response cut off inside its header is no response, whatever its
    // status line says: nothing of a body has been seen.
    if (scanner.state != ResponseHeaderScanner::HeaderDone) {
        fail();
        return;
    }
    closeDestination();
    status = Done;
    // The connection is the object whose notification runs; it is not
    // touched after this returns.
    connection.reset();
}
