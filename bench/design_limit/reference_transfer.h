#pragma once
#include <windows.h>

// The transfer the installer's design allows and nothing else, on a hidden
// window of its own: the installer's transfers post to such a window, and
// its messages pass through whatever loop runs at the time (here, as there,
// a modal dialog's).
//
//   file: one ReadFile of 4096 bytes and one WriteFile per posted message;
//   HTTP: WSAAsyncSelect(FD_READ | FD_CLOSE), one recv of 4096 bytes and one
//         WriteFile per event, the response header included.
//
// Unlike the installer it never asks whether input or painting waits before
// the next step, and reports to nobody.

struct TransferRequest {
    enum Kind { File, Http };
    Kind kind;
    const char* source;        // File: the file copied
    const char* host;          // Http: the server's (or proxy's) IPv4 address
    unsigned short port;
    const char* target;        // Http: a path, or a whole URL for a proxy
    const char* destination;
};

struct TransferResult {
    unsigned long long bytes;
    double milliseconds;       // from the start to the closed destination
    bool ended;                // the transfer came to its end
    bool failed;
};

// Starts the transfer; when it ends, EndDialog(dialog, 1) (or 2 after a
// failure). False when it could not start: nothing will end the dialog then.
bool startReferenceTransfer(const TransferRequest& request, HWND dialog);

TransferResult referenceTransferResult();

// Releases the window, the files and the connection.
void releaseReferenceTransfer();
