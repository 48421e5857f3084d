#pragma once
#include <windows.h>

// One 60 Hz frame, in whole ticks: what is shown more often than this is not
// seen, and input waiting longer than this is felt.
const DWORD displayFrameMilliseconds = 15;
