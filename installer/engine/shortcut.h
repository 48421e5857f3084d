#pragma once

// Puts a shortcut to an installed program into a folder of the Start menu's
// programs folder. Sets errorFlag when no shortcut file was written.
void createShortcut(const char* file, const char* folder, const char* menuFolder, const char* name,
                    int iconIndex);
