#pragma once
#include <windows.h>

// The byte counts line: "<size> of <size> transfered (<size>/sec)".
const int byteCountsSize = 256;

// What the progress dialog shows now, so that a report repaints only what
// changed: one report comes for every 4096 bytes. The controls are looked up
// once per dialog; each lookup asks the window manager.
struct ShownProgress {
    HWND dialog;
    HWND statusText;
    HWND byteCountText;
    HWND fileBar;
    HWND totalBar;
    int status;   // the transfer status shown, -1 for none
    int filePercent;
    int totalPercent;
    char byteCounts[byteCountsSize];
};

// What the given dialog shows; a new dialog starts with nothing shown.
ShownProgress& shownFor(HWND dialog);
