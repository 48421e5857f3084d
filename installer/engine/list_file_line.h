#pragma once
#include "engine/list_line_reader.h"

#include <windows.h>

// The line at offset of an open component list, read as the walk reads its
// lines (engine/list_line_reader.h), with no byte from end on. Returns the
// bytes it took: 0 at end, -1 when the file cannot be read.
int readListLineAt(HANDLE list, DWORD offset, DWORD end, char line[listLineSize]);

// The end of a list read to its last byte.
const DWORD wholeList = 0xFFFFFFFFu;
