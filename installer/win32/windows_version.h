#pragma once
#include <windows.h>

// Windows 95, 98 and Me: the older family, whose system has neither access
// lists nor MoveFileEx's replacement at restart.
inline bool isNineXFamily()
{
    return (GetVersion() & 0x80000000u) != 0;
}
