#pragma once
#include "common/text_sizes.h"

// The installer that the run after the restart starts: a copy of the
// running program in the installation folder, where only administrators
// write ("installer.exe" there), never the file it was started from (a
// user's downloads, usually).

// Makes that copy, a fresh file, creating the installation folder when it
// is missing, and gives its path. False when it could not be made.
bool copyInstallerForRestart(char copy[pathSize]);
