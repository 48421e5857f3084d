#pragma once
#include <windows.h>
#include <winsock.h>

#include "transfer/slot_table.h"
#include "win32/noncopyable.h"
#include "win32/scoped_window.h"

class RegisteredLookup;
class StreamSocket;

const int socketTableSize = 8;

// The one hidden "AsyncWSockWnd" window that Windows Sockets posts every
// lookup reply and socket event to, and the tables that lead each back to
// the object that asked for it. Its tables are ready at static
// initialisation, its window once startSocketDispatcher has run; at exit it
// deletes what is still registered.
class SocketDispatcher : NonCopyable {
public:
    SocketDispatcher();
    virtual ~SocketDispatcher();

    // A lookup deleted before its reply: its memory is kept until the reply
    // comes, since the platform may still write the result into it. False
    // when there is no room; the caller then frees the memory itself.
    bool keepUntilReply(HANDLE lookupHandle, void* memory);
    bool isKept(const void* memory) const;
    int keptCount() const;

    // What the window does with the two messages: the first registered
    // object with the handle is notified; a message for none is dropped.
    void dispatchLookupReply(HANDLE lookupHandle, LPARAM reply);
    void dispatchSocketEvent(SOCKET socket, LPARAM event);

    // Hands the socket's connection a read event again once the user's
    // input that waits now has been handled (a timer of the window, named by
    // the socket); false when no timer could be made.
    bool readLater(SOCKET socket);
    // Forgets a read event still to come for the socket.
    void cancelReadLater(SOCKET socket);

    ScopedWindow window;
    SlotTable<RegisteredLookup, socketTableSize> lookupTable;
    SlotTable<StreamSocket, socketTableSize> connectionTable;

private:
    struct KeptLookup {
        HANDLE handle;
        void* memory;
    };
    KeptLookup kept_[socketTableSize];
};

extern SocketDispatcher socketDispatcher;

// Creates the dispatcher's window and starts Windows Sockets (version 1.1)
// for the rest of the process; both are undone at exit, Windows Sockets first.
// Called once, before any transfer, after the library search is restricted.
void startSocketDispatcher();
