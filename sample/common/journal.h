#pragma once
#include <windows.h>

// The sample's journal: "journal.txt" beside the given module, one ANSI line
// per event, ending in CR LF. Each line is opened, appended and closed on its
// own, so a reader sees it at once even while the writer keeps running.

// The folder of a module, without a trailing backslash; false when it does not fit.
bool moduleFolder(HMODULE module, char* folder, size_t capacity);

// Appends the words, joined by single blanks, as one line. A line longer than
// the journal's buffer is cut; a failure to write is not reported.
void journalLine(HMODULE module, const char* const* words, int count);

inline void journalLine(HMODULE module, const char* text)
{
    journalLine(module, &text, 1);
}
