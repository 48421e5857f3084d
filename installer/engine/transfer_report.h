#pragma once
#include <stdint.h>
#include <windows.h>

// The progress callback of every transfer the engine creates; userValue is
// the walk that owns it. It counts the bytes, has the walk's dialog show the
// report and posts the continue command when a download has ended. It only
// updates and posts.
void onTransferReport(int32_t status, LONG_PTR walk);
