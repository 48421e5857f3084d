#pragma once
#include "engine/content_check.h"

#include <windows.h>

// The vendor's signature and serial of a downloaded component list, checked
// by an installer built with the vendor's key on a thread of its own: a
// server may send a list of any size.

// The downloaded list at path, before it replaces the kept one at keptPath.
// Pending: the check runs and a continue command comes to dialog when it has
// ended; the same call then gives the outcome. A build without the vendor's
// key accepts any list at once.
ContentCheck checkListDownload(HWND dialog, const char* path, const char* keptPath);

// The accepted list, through the handle it was checked by: it lets nobody
// write it and follows it to its new name, so the walk reads the very bytes
// that were checked. Records its serial where only administrators write.
// INVALID_HANDLE_VALUE in a build without the key; the caller owns it.
HANDLE takeAcceptedList();

// Ends a check under way and forgets its list.
void stopListCheck();
