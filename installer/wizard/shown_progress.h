#pragma once
#include <windows.h>

#include "wizard/byte_count_pace.h"

// The byte counts line: "<size> of <size> transfered (<size>/sec)".
const int byteCountsSize = 256;
// A status text of the resources.
const int statusTextSize = 256;

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
    bool statusKept;   // the line tells of a failure; transfer statuses leave it
    int filePercent;
    int totalPercent;
    char byteCounts[byteCountsSize];
    ByteCountPace byteCountsPace;        // held ones go up from the TIMER_BYTE_COUNTS timer
    char heldByteCounts[byteCountsSize];  // newer counts not shown yet, or empty
};

// Shows the counts held back, if any; called from the timer.
void showHeldByteCounts(HWND dialog);

// What the given dialog shows; a new dialog starts with nothing shown.
ShownProgress& shownFor(HWND dialog);
