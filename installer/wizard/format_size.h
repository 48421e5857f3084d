#pragma once
#include <stdint.h>

// Slots of the size texts: received count, expected size, rate.
const int formatSizeSlots = 3;
const int formatSizeSlotSize = 64;

// Writes count for people into the given slot (an out-of-range slot means
// slot 0) and returns it; the text stays valid until the next call for the
// same slot. Below 1024 (a negative count included) "N bytes" with the count
// read as unsigned 32 bits; up to 1048575 "N.NN KB", above that "N.NN MB",
// the two decimals rounded half up on the exact value (1152 is "1.13 KB").
const char* formatSize(int slot, int32_t count);
