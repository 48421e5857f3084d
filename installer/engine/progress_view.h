#pragma once
#include <stdint.h>
#include <windows.h>

class Transfer;

// What the engine needs from the window the installation runs in, and all of
// it: the wizard's progress dialog implements these. The engine is handed the
// window at each command and passes it back; it never touches its controls.

// The status line, as a text or as a string of the resources by base id.
void showStatusText(HWND dialog, const char* text);
void showStatusString(HWND dialog, int baseId);
// Keeps the status line's text through the transfers' own status updates
// for the rest of the dialog: a component that failed its check is named there
// while the walk goes on. The engine's own texts still replace it.
void keepStatusText(HWND dialog);
// What one transfer report changes: status, byte counts and rate, both bars.
void showTransferProgress(HWND dialog, int32_t status, Transfer* transfer);
// Empties the byte counts once no transfer is left.
void clearByteCounts(HWND dialog);
// The overall bar at doneBytes of totalBytes, painted now: the walk of the
// list counts current components without a transfer to report them.
void showOverallProgress(HWND dialog);

// Posts one of the engine's commands (CMD_START, CMD_CONTINUE, CMD_FINISH) to
// the dialog, which runs it later from its own message loop.
void postEngineCommand(HWND dialog, WORD command);
// The same, for a command that continues work the dialog is busy with: when
// keyboard or mouse input or painting waits, the command comes after them
// (a posted message goes first, and work that always has its next step
// posted would starve them).
void postEngineCommandBehindInput(HWND dialog, WORD command);

// Ends the dialog with result (PROGRESS_INSTALLED, or PROGRESS_FAILED when it
// failed or was cancelled; core/private_messages.h) unless it
// has ended already: the first result stands. A Cancel answered after the
// finish command ended the dialog leaves a complete installation complete,
// and a finish after a Cancel (handled in a loop nested in a record's action)
// keeps the Cancel.
void endProgressDialog(HWND dialog, INT_PTR result);

// True once the dialog has been ended: no engine command and no record acts
// after that.
bool progressDialogEnded(HWND dialog);
