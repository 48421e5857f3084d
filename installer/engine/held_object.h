#pragma once

// Creates the object an H record names and keeps it until the wizard ended.
void holdObject(const char* classText);

// Releases the held object, if any.
void releaseHeldObject();
