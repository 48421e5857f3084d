#pragma once
#include <windows.h>

// Every private window message of the program, with who posts it and what its
// parameters carry. All of them are posted, never sent, so none runs inside
// the handler that caused it.

// Posted by a FileTransfer to its own hidden "AsyncFileWnd" window: copy the
// next chunk. wParam 0, lParam 0.
const UINT WM_FILE_PUMP = WM_USER + 1;           // 1025

// Posted by Windows Sockets to the dispatcher's "AsyncWSockWnd" window when a
// host lookup ends. wParam: the lookup handle; lParam: error code in the high
// word, length of the result in the low word.
const UINT WM_LOOKUP_REPLY = WM_USER + 1;        // 1025

// Posted by Windows Sockets to the dispatcher's window for a socket event.
// wParam: the socket; lParam: error code in the high word, event code
// (FD_READ, FD_WRITE, FD_CLOSE, FD_CONNECT) in the low word.
const UINT WM_SOCKET_EVENT = WM_USER + 2;        // 1026

// Commands of the progress dialog, as WM_COMMAND with the id in the low word
// of wParam and lParam 0, always posted to the dialog itself.
// startCommand: posted once by the dialog's initialisation.
const WORD CMD_START = 4001;
// continueCommand: posted by the progress callback when a download ended
// (Done or Error), by the engine after a system-file replacement, and by the
// walk of the list to go on after it gave the dialog a turn (then possibly
// as a WM_TIMER whose id is the command, once input and painting are done).
const WORD CMD_CONTINUE = 4002;
// finishCommand: posted by the engine when the walk reached the end of the list.
const WORD CMD_FINISH = 4003;

// What the progress dialog ends with, runProgressDialog's result: every
// component is in place, or the installation failed or was cancelled.
const INT_PTR PROGRESS_INSTALLED = 1;
const INT_PTR PROGRESS_FAILED = 2;

// The progress dialog's one-shot timer that shows byte counts held back
// because the last ones went up less than a display interval ago.
const UINT_PTR TIMER_BYTE_COUNTS = 4100;
// The same for the bars' positions held back.
const UINT_PTR TIMER_BARS = 4101;

// The name of the registered window message that asks running client
// processes to exit: posted to every top-level window (HWND_BROADCAST) by the
// progress dialog before each of its commands and by postExitBroadcast after
// the configuration hand-over. wParam 0, lParam 0.
inline constexpr char USER_WANTS_EXIT_MESSAGE[] = "ZorvUserWantsExit";
