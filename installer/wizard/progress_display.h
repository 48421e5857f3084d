#pragma once
#include <stdint.h>
#include <windows.h>

#include "win32/noncopyable.h"
#include "wizard/display_pace.h"

class Transfer;

// The figures of a byte counts line, kept until the line is made.
struct ByteCounts {
    int received;
    int expected;
    int32_t elapsedSeconds;
};

// The byte counts line: "<size> of <size> transfered (<size>/sec)".
const int byteCountsSize = 256;
// A status text of the resources.
const int statusTextSize = 256;

// The progress dialog as the engine sees it (engine/progress_view.h): its
// status line, byte counts and bars, and its end. It remembers what it shows,
// so that a report repaints only what changed: one report comes for every
// 4096 bytes. The controls are looked up once; each lookup asks the window
// manager. runProgressDialog owns the one display of its dialog, which finds
// it through its DWLP_USER.
class ProgressDisplay : NonCopyable {
public:
    ProgressDisplay();

    // Takes the dialog's controls; from WM_INITDIALOG.
    void attach(HWND dialog);
    // The display of the given progress dialog; null before its
    // WM_INITDIALOG and once the window is gone.
    static ProgressDisplay* of(HWND dialog)
    {
        return reinterpret_cast<ProgressDisplay*>(GetWindowLongPtrA(dialog, DWLP_USER));
    }

    void showStatusText(const char* text);
    void showStatusString(int baseId);
    void keepStatusText() { statusKept_ = true; }
    // What one transfer report changes (transfer_progress.cpp).
    void showTransfer(int32_t status, Transfer* transfer);
    // Shows the counts held back, if any; called from the timer.
    void showHeldByteCounts();
    // Moves the bars to the positions held back, if any; called from the timer.
    void showHeldBars();
    void clearByteCounts();
    // The overall bar at doneBytes of totalBytes, painted now.
    void showOverall();

    // Ends the dialog with result unless it has ended already.
    void end(INT_PTR result);
    bool ended() const { return ended_; }

private:
    // final: the transfer's last counts, which go up at once. Counts held
    // back are kept as figures: the line is made only when it may go up.
    void showByteCounts(Transfer* transfer, bool final);
    void showCounts(const ByteCounts& counts, DWORD now);
    static bool setBar(HWND bar, int percent, int& current);
    // Both bars: a download's first and last positions at once, those in
    // between at most every barsInterval.
    void showBars(int filePercent, int totalPercent, bool final);
    // paced: a report's move, which the pace counts; the walk's own moves
    // leave the pace as it is, so the next download's first position still
    // goes up at once.
    void moveBars(int filePercent, int totalPercent, bool paced);

    HWND dialog_;
    HWND statusText_;
    HWND byteCountText_;
    HWND fileBar_;
    HWND totalBar_;
    int status_;        // the transfer status shown, -1 for none
    bool statusKept_;   // the line tells of a failure; transfer statuses leave it
    bool ended_;
    int filePercent_;
    int totalPercent_;
    DisplayPace barsPace_;   // held positions go up from the TIMER_BARS timer
    bool barsHeld_;
    int heldFilePercent_;
    int heldTotalPercent_;
    char byteCounts_[byteCountsSize];
    DisplayPace byteCountsPace_;   // held ones go up from the TIMER_BYTE_COUNTS timer
    bool countsHeld_;              // newer counts wait in heldCounts_
    ByteCounts heldCounts_;
};
