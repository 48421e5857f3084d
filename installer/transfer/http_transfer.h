#pragma once
#include <stdint.h>
#include <memory>
#include <windows.h>

#include "transfer/chunked_transfer.h"
#include "transfer/content_length_field.h"
#include "transfer/http_request.h"
#include "transfer/response_header_scanner.h"
#include "transfer/socket_event_sink.h"

class HostResolver;
class StreamSocket;

// Fetches an http: URL with one HTTP/1.0 GET on a new connection, directly or
// through a proxy, never blocking: the lookup and the connection report back
// through onSocketEvent. The body goes to the destination as it arrives; the
// server closing the connection ends the fetch. The status code is not
// judged here: the first response line is kept as the status line.
class HttpTransfer : public SocketEventSink, public ChunkedTransfer {
public:
    HttpTransfer(TransferCallback callback, LONG_PTR userValue);
    ~HttpTransfer() override;

    int setProxy(const char* hostPort) override;
    int start(const char* url, const char* destination) override;
    int contentLength() override { return scanner.contentLength; }
    int bodyLength() override { return lengthField.length(); }

    void onSocketEvent(int32_t kind, int32_t error, int32_t value) override;

private:
    enum ReadResult { ReadData, ReadEnd, ReadNothing, ReadFailed };

    int failStart();
    // Status Error; closes the file and drops the connection.
    void fail();
    bool connectToResult();
    ReadResult readStep();
    void takeBody(const char* bytes, int count);
    void writeStep();
    bool drain();
    void closeStep();

    TransferStatus status;
    const char* proxyHost;           // null, or proxyHostText
    char proxyHostText[urlWorkSize];
    uint16_t proxyPort;              // 0: no proxy
    std::unique_ptr<HostResolver> resolver;
    uint16_t port;
    std::unique_ptr<StreamSocket> connection;
    const char* requestText;         // null once the whole request has been sent
    char requestBuffer[requestTextSize];
    int requestSent;
    int headerBytes;                 // read before the header ended
    ResponseHeaderScanner scanner;
    ContentLengthField lengthField;  // the header's field read strictly, for the completeness check
};
