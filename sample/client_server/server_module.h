#pragma once
#include <windows.h>

// The DLL's own module handle and the counts that decide DllCanUnloadNow.
HMODULE serverModule();
void objectCreated();
void objectDestroyed();
void serverLocked(bool lock);

// One journal line beside the DLL.
void serverJournal(const char* const* words, int count);
inline void serverJournal(const char* text)
{
    serverJournal(&text, 1);
}
