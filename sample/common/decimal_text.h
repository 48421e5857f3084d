#pragma once
#include <stdint.h>

// Room for any 32-bit signed number in decimal with its sign and terminator.
enum { decimalTextCapacity = 12 };

// Writes value in decimal ("-2147483648" to "2147483647").
void formatDecimal(int32_t value, char (&text)[decimalTextCapacity]);
