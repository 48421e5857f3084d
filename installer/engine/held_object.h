#pragma once

// Creates the object an H record names and keeps it until the wizard ended;
// one held before is released first.
void holdObject(const char* classText);

// True while an object is held.
bool holdsObject();

// Releases the held object, if any. Called before COM is uninitialised.
void releaseHeldObject();
