#pragma once

// Lets an installed program (" /RegServer") or library ("DllRegisterServer")
// register its own classes. Sets errorFlag on a failed start or registration.
void selfRegister(const char* file, const char* folder);
