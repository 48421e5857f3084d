#pragma once
#include "engine/content_check.h"

#include <windows.h>

// Shows in the dialog's status line which check refused what: the list, or
// the component of file field name.
void showCheckFailure(HWND dialog, ContentCheck check, const char* name);
