#include "engine/shortcut.h"

void createShortcut(HWND, const char*, const char*, const char*, const char*, int) {}
