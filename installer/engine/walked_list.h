#pragma once
#include <windows.h>

// The component list the walk reads, held open from the moment it is in
// place to the end of the walk. Nobody can write it meanwhile: anyone may
// write the client folder, but the walk acts only on the list it accepted.

// Opens the list at path for the walk; false when it cannot be opened.
bool holdWalkedList(const char* path);

// Takes over list, a handle opened for the walk elsewhere; false for none.
bool adoptWalkedList(HANDLE list);

// The held list, or INVALID_HANDLE_VALUE.
HANDLE walkedList();

void releaseWalkedList();
