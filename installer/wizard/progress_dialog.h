#pragma once
#include "engine/walk.h"

#include <windows.h>

// The modal dialog in which the whole installation runs. It ends with
// PROGRESS_INSTALLED when the installation succeeded, PROGRESS_FAILED when it
// failed or the user cancelled (core/private_messages.h). It is the view the
// engine reports to (engine/progress_view.h), through its ProgressDisplay.
INT_PTR CALLBACK progressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the progress dialog modally, owned by the given window, on the walk
// of its installation; returns its result (-1 when it cannot be created).
INT_PTR runProgressDialog(HWND owner, ListWalk& walk);
