// A console program of the tests: runs the installer's HTTP transfer or its
// socket dispatcher on their own under Wine and prints what they report.
//
//   transfer_probe http URL DEST [--proxy HOST:PORT] [--timeout SEC]
//                  [--linger MS] [--then URL DEST]...
//     One line per report, "report status=S last=N received=N length=N
//     line=TEXT", and "start=R" when start returns (reports made inside
//     start come before it). --then starts another fetch with the same
//     object after a Done. After the last Done, or any Error, the loop runs
//     --linger more milliseconds (default 500) to show any later report.
//     --close-after-header MS: at the first ReadingData report, posts a
//     close event for the connection to the dispatcher and waits MS inside
//     the report, so that the close is handled while data waits unread (as
//     Windows may deliver it; Wine itself tells of a close only after the
//     data has been read, and an abortive close as a clean one).
//     --close-error CODE gives that close an error code (default 0), as a
//     reset connection has on Windows. At the end "destination open=0|1" tells whether
//     the transfer still holds the last destination, before and after the
//     transfer is destroyed.
//     Exit 0 after Done, 1 after Error, 3 after the timeout (default 30 s;
//     "TIMEOUT" is printed and the transfer destroyed, as the user's Cancel
//     does), 2 on bad usage.
//
//   transfer_probe dispatcher PORT CLOSED_PORT
//     The table edge cases against a loopback listener on PORT and a port
//     where nothing listens; prints "phase NAME" lines and the events and
//     facts of each phase. Exit 0 when it ran through.

#include <windows.h>
#include <winsock.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "core/private_messages.h"
#include "transfer/host_resolver.h"
#include "transfer/http_transfer.h"
#include "transfer/socket_dispatcher.h"
#include "transfer/stream_socket.h"

namespace {

// Runs the message loop until done() holds or the deadline passes; false on
// the deadline.
template <typename Done>
bool pumpUntil(DWORD milliseconds, Done done)
{
    const DWORD deadline = GetTickCount() + milliseconds;
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (done())
            return true;
        LONG left = static_cast<LONG>(deadline - GetTickCount());
        if (left <= 0)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
    }
}

void pumpFor(DWORD milliseconds)
{
    pumpUntil(milliseconds, [] { return false; });
}

// -- http --------------------------------------------------------------------

struct Fetch {
    const char* url;
    const char* destination;
};

struct HttpProbe {
    Transfer* transfer;
    int lastEnd;  // Done or Error of the latest report that ended a fetch, else 0
    DWORD closeAfterHeader;  // 0: no close is injected
    int closeError;
};

void postSocketEvent(SOCKET socket, int event, int error)
{
    PostMessageA(socketDispatcher.window.get(), WM_SOCKET_EVENT, static_cast<WPARAM>(socket),
                 WSAMAKESELECTREPLY(event, error));
}

void injectClose(HttpProbe* probe)
{
    for (StreamSocket* connection : socketDispatcher.connectionTable.slots) {
        if (connection != nullptr) {
            postSocketEvent(connection->handle(), FD_CLOSE, probe->closeError);
            printf("close posted\n");
            Sleep(probe->closeAfterHeader);
            break;
        }
    }
    probe->closeAfterHeader = 0;
}

// The transfer lets others read its destination but not write it: an open for
// writing fails while it holds it.
void printDestinationOpen(const char* label, const char* destination)
{
    HANDLE file = CreateFileA(destination, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    bool held = file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION;
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    printf("%s open=%d\n", label, held ? 1 : 0);
    fflush(stdout);
}

void onReport(int32_t status, LONG_PTR userValue)
{
    HttpProbe* probe = reinterpret_cast<HttpProbe*>(userValue);
    Transfer* t = probe->transfer;
    printf("report status=%d last=%d received=%d length=%d line=%s\n", static_cast<int>(status),
           t->lastChunkBytes(), t->bytesReceived(), t->contentLength(), t->statusLine());
    fflush(stdout);
    if (status == Done || status == Error)
        probe->lastEnd = status;
    if (status == ReadingData && probe->closeAfterHeader != 0)
        injectClose(probe);
}

int runHttp(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    Fetch fetches[16] = {{argv[2], argv[3]}};
    int fetchCount = 1;
    const char* proxy = nullptr;
    DWORD timeout = 30000;
    DWORD linger = 500;
    DWORD closeAfterHeader = 0;
    int closeError = 0;
    for (int i = 4; i < argc; ++i) {
        if (strcmp(argv[i], "--proxy") == 0 && i + 1 < argc) {
            proxy = argv[++i];
        } else if (strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) {
            timeout = static_cast<DWORD>(atof(argv[++i]) * 1000);
        } else if (strcmp(argv[i], "--linger") == 0 && i + 1 < argc) {
            linger = static_cast<DWORD>(atoi(argv[++i]));
        } else if (strcmp(argv[i], "--close-after-header") == 0 && i + 1 < argc) {
            closeAfterHeader = static_cast<DWORD>(atoi(argv[++i]));
        } else if (strcmp(argv[i], "--close-error") == 0 && i + 1 < argc) {
            closeError = atoi(argv[++i]);
        } else if (strcmp(argv[i], "--then") == 0 && i + 2 < argc && fetchCount < 16) {
            fetches[fetchCount].url = argv[i + 1];
            fetches[fetchCount].destination = argv[i + 2];
            ++fetchCount;
            i += 2;
        } else {
            return 2;
        }
    }

    HttpProbe probe = {nullptr, 0, closeAfterHeader, closeError};
    HttpTransfer* transfer = new HttpTransfer(onReport, reinterpret_cast<LONG_PTR>(&probe));
    probe.transfer = transfer;
    if (proxy != nullptr)
        printf("setProxy=%d\n", transfer->setProxy(proxy));

    const DWORD deadline = GetTickCount() + timeout;
    int result = 1;
    const char* destination = fetches[0].destination;
    for (int k = 0; k < fetchCount; ++k) {
        destination = fetches[k].destination;
        printf("fetch %d\n", k);
        fflush(stdout);
        probe.lastEnd = 0;
        int started = transfer->start(fetches[k].url, fetches[k].destination);
        printf("start=%d\n", started);
        fflush(stdout);
        if (!started && probe.lastEnd == 0) {
            result = 1;
            break;
        }
        LONG left = static_cast<LONG>(deadline - GetTickCount());
        if (!pumpUntil(left > 0 ? static_cast<DWORD>(left) : 0, [&] { return probe.lastEnd != 0; })) {
            printf("TIMEOUT\n");
            printDestinationOpen("destination", destination);
            delete transfer;
            printDestinationOpen("destroyed", destination);
            return 3;
        }
        result = probe.lastEnd == Done ? 0 : 1;
        if (probe.lastEnd != Done)
            break;
    }
    pumpFor(linger);
    printf("end\n");
    printDestinationOpen("destination", destination);
    delete transfer;
    printDestinationOpen("destroyed", destination);
    return result;
}

// -- dispatcher -------------------------------------------------------------

class RecordingSink : public SocketEventSink {
public:
    RecordingSink() : name(""), events(0), lastError(0), connection(nullptr), deleteOnEvent(false)
    {
    }

    void onSocketEvent(int32_t kind, int32_t error, int32_t value) override
    {
        ++events;
        lastError = error;
        printf("event %s kind=%d error=%d value=%d\n", name, static_cast<int>(kind), static_cast<int>(error),
               static_cast<int>(value));
        fflush(stdout);
        if (deleteOnEvent && connection != nullptr) {
            delete connection;
            connection = nullptr;
            printf("deleted %s inside its event\n", name);
        }
    }

    const char* name;
    int events;
    int32_t lastError;
    StreamSocket* connection;
    bool deleteOnEvent;
};

void phase(const char* name)
{
    printf("phase %s\n", name);
    fflush(stdout);
}

uint32_t loopback()
{
    return htonl(INADDR_LOOPBACK);
}

void connectionTablePhases(uint16_t port)
{
    static char names[10][8];
    RecordingSink sinks[10];
    StreamSocket* connections[10] = {};
    for (int i = 0; i < 10; ++i) {
        snprintf(names[i], sizeof names[i], "c%d", i);
        sinks[i].name = names[i];
    }

    phase("fill");
    for (int i = 0; i < 8; ++i)
        connections[i] = sinks[i].connection = new StreamSocket(loopback(), port, &sinks[i]);
    printf("slots");
    for (int i = 0; i < 8; ++i)
        printf(" %d", socketDispatcher.connectionTable.indexOf(connections[i]));
    printf("\n");
    // Let every connection be made (each reports its FD_WRITE).
    pumpUntil(5000, [&] {
        for (int i = 0; i < 8; ++i)
            if (sinks[i].events == 0)
                return false;
        return true;
    });

    phase("ninth");
    connections[8] = new StreamSocket(loopback(), port, &sinks[8]);
    printf("ninth slot %d socket %d\n", socketDispatcher.connectionTable.indexOf(connections[8]),
           static_cast<int>(connections[8]->handle()));
    delete connections[8];

    phase("reuse");
    delete connections[6];
    delete connections[3];
    connections[3] = sinks[3].connection = new StreamSocket(loopback(), port, &sinks[3]);
    connections[6] = sinks[6].connection = new StreamSocket(loopback(), port, &sinks[6]);
    printf("new slots %d %d\n", socketDispatcher.connectionTable.indexOf(connections[3]),
           socketDispatcher.connectionTable.indexOf(connections[6]));
    pumpFor(500);

    phase("aborted");
    int before = sinks[0].events;
    postSocketEvent(connections[0]->handle(), FD_CLOSE, WSAECONNABORTED);
    pumpUntil(2000, [&] { return sinks[0].events > before; });

    phase("delete-inside");
    sinks[1].deleteOnEvent = true;
    SOCKET deletedSocket = connections[1]->handle();
    postSocketEvent(deletedSocket, FD_READ, 0);
    postSocketEvent(deletedSocket, FD_READ, 0);
    pumpFor(500);
    printf("events after the deletion: %d\n", sinks[1].events);
    connections[1] = nullptr;

    for (int i = 0; i < 8; ++i) {
        if (i != 1)
            delete connections[i];
    }
}

void refusedPhase(uint16_t closedPort)
{
    phase("refused");
    RecordingSink sink;
    sink.name = "refused";
    StreamSocket* connection = new StreamSocket(loopback(), closedPort, &sink);
    pumpUntil(5000, [&] { return sink.events > 0; });
    pumpFor(1000);  // any event after the first would show here
    delete connection;
}

void lookupPhases()
{
    phase("lookups");
    RecordingSink kept;
    RecordingSink dropped;
    kept.name = "lookupA";
    dropped.name = "lookupB";
    HostResolver* a = new HostResolver("localhost", &kept);
    HostResolver* b = new HostResolver("localhost", &dropped);
    delete b;
    printf("kept after delete %d\n", socketDispatcher.keptCount());
    pumpUntil(10000, [&] { return kept.events > 0 && socketDispatcher.keptCount() == 0; });
    pumpFor(300);
    uint32_t address = 0;
    if (a->firstAddress(&address)) {
        in_addr in;
        in.s_addr = address;
        printf("address %s\n", inet_ntoa(in));
    } else {
        printf("address none\n");
    }
    printf("kept after replies %d\n", socketDispatcher.keptCount());
    delete a;

    phase("lookup-table");
    static char names[9][12];
    RecordingSink sinks[9];
    HostResolver* lookups[9] = {};
    for (int i = 0; i < 9; ++i) {
        snprintf(names[i], sizeof names[i], "lookup%d", i);
        sinks[i].name = names[i];
        lookups[i] = new HostResolver("localhost", &sinks[i]);
    }
    printf("ninth lookup slot %d\n", socketDispatcher.lookupTable.indexOf(lookups[8]));
    for (int i = 0; i < 9; ++i)
        delete lookups[i];
    printf("kept after delete %d\n", socketDispatcher.keptCount());
    pumpUntil(10000, [] { return socketDispatcher.keptCount() == 0; });
    pumpFor(300);
    printf("kept after replies %d\n", socketDispatcher.keptCount());

    // A label longer than 63 characters: refused by the resolver itself,
    // without asking any name server.
    phase("unknown-host");
    RecordingSink unknown;
    unknown.name = "unknown";
    char longName[96];
    memset(longName, 'x', 70);
    strcpy(longName + 70, ".invalid");
    HostResolver* lookup = new HostResolver(longName, &unknown);
    pumpUntil(10000, [&] { return unknown.events > 0; });
    delete lookup;
}

int runDispatcher(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    const uint16_t port = static_cast<uint16_t>(atoi(argv[2]));
    const uint16_t closedPort = static_cast<uint16_t>(atoi(argv[3]));
    printf("window %d\n", socketDispatcher.window.get() != nullptr ? 1 : 0);
    connectionTablePhases(port);
    refusedPhase(closedPort);
    lookupPhases();
    phase("end");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    // As the installer's entry does: the window and Windows Sockets.
    startSocketDispatcher();
    int result = 2;
    if (argc >= 2 && strcmp(argv[1], "http") == 0)
        result = runHttp(argc, argv);
    else if (argc >= 2 && strcmp(argv[1], "dispatcher") == 0)
        result = runDispatcher(argc, argv);
    if (result == 2)
        fprintf(stderr, "usage: transfer_probe http URL DEST [--proxy HOST:PORT] [--timeout SEC] [--linger MS]"
                        " [--then URL DEST]...\n"
                        "       transfer_probe dispatcher PORT CLOSED_PORT\n");
    fflush(stdout);
    return result;
}
