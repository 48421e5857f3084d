#pragma once
#include "engine/list_line_reader.h"

#include <windows.h>

// The line at offset of an open component list, read as the walk reads its
// lines (engine/list_line_reader.h). Returns the bytes it took: 0 at the end
// of the file, -1 when the file cannot be read.
int readListLineAt(HANDLE list, DWORD offset, char line[listLineSize]);
