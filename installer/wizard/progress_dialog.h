#pragma once
#include <windows.h>

// The modal dialog in which the whole installation runs. It ends with 1 when
// the installation succeeded, 2 when it failed or the user cancelled.
INT_PTR CALLBACK progressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the progress dialog modally, owned by the given window; returns its
// result (-1 when it cannot be created).
INT_PTR runProgressDialog(HWND owner);

// Ends the progress dialog with result unless it has ended already: the
// first result stands. A Cancel answered after the finish command ended the
// dialog leaves a complete installation complete, and a finish after a
// Cancel (handled in a loop nested in a record's action) keeps the Cancel.
void endProgressDialog(HWND dialog, INT_PTR result);

// True once the dialog has been ended: no engine command and no record acts
// after that.
bool progressDialogEnded();
