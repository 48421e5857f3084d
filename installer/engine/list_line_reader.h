#pragma once

// Size of the buffer one component-list line is read into, terminator included.
const int listLineSize = 512;

// Takes the next line from the list bytes at the current offset the way
// fgets(line, 512, file) does on a file opened in binary mode: up to 511
// characters, or through the first LF inclusive, whichever comes first.
// Returns the number of bytes consumed (0 when length is 0 or negative: no
// more data), so the caller advances its offset by exactly that much. The
// text in line is always terminated; a NUL byte in the data ends it early
// without changing the count consumed.
int readListLine(const char* data, int length, char line[listLineSize]);
