#pragma once
#include "engine/content_check.h"
#include "win32/background_file_hash.h"
#include "win32/scoped_handle.h"

#include <windows.h>

// The one SHA-256 of a component at a time, taken on a thread of its own: of
// a download as it arrives, or of a whole file. The hash and the path it
// reads are process-wide: a hash that did not stop in time may go on using
// them until the process ends, and every later check then fails closed.

// Starts hashing a download at path as it arrives, so that its check waits
// only for the last bytes; stopFollowing forgets it.
void followDownload(const char* path);
void stopFollowing();

// The hash of the download at path through its length: the one that followed
// it ends there, or a hash of the whole file begins. False when none can.
bool hashDownloaded(const char* path, DWORD length);

// A hash of the file at path, the one under way or a new one that opens the
// file only if test accepts it (nullptr: any file). False when none can.
bool hashFile(const char* path, BackgroundFileHash::FileTest test);

// The hash under way against digest, or Pending until the continue command
// it posts to dialog when it ends. file, when given, takes the file open as
// it was hashed.
ContentCheck hashOutcome(HWND dialog, const ComponentDigest& digest, ScopedHandle* file);
