#pragma once
#include <windows.h>
#include <oleauto.h>

// Automation strings to and from ANSI text in fixed buffers.

// A null BSTR counts as the empty text. False (and an empty buffer) when the
// text does not fit or cannot be converted.
bool bstrToAnsi(BSTR text, char* buffer, size_t capacity);

// A new automation string holding the ANSI text; null when it cannot be made.
BSTR ansiToBstr(const char* text);
