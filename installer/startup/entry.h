#pragma once
#include <windows.h>

// The whole run of the installer, from elevation to the steps after the
// wizard. The exit code is always 0.
int runInstaller(HINSTANCE instance, const char* argumentText, int showCommand);
