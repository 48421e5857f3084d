#pragma once
#include <windows.h>

// The engine's commands, run by the progress dialog.
// Creates the transfer and fetches the component list.
void startCommand(HWND dialog);
// The last transfer has ended: judges it, then walks the list on.
void continueCommand(HWND dialog);
