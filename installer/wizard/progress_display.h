#pragma once
#include <stdint.h>
#include <windows.h>

// The progress callback of every transfer: shows the status text, the byte
// counts and rate and both bars, and posts continueCommand to the dialog when
// a download has ended. It only updates controls and posts.
void onTransferStatus(int32_t status, LONG_PTR dialog);

// The progress dialog's status line (control 1006).
void showStatusText(HWND dialog, const char* text);
// The same with a string of the resources, by base id.
void showStatusString(HWND dialog, int baseId);
// Loads a string by base id in the user's language.
void loadLanguageString(int baseId, char* buffer, int capacity);
