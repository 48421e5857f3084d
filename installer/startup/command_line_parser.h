#pragma once
#include "common/text_sizes.h"

// The InstallState fields that the command line may set. The caller fills it
// with the current values; options present overwrite their fields.
struct CommandLineSettings {
    int afterBoot;
    int restartPending;
    int urlIsHttp;
    int forceAll;
    int noReg;
    char baseUrl[pathSize];
};

// Splits the argument text (the command line without the program's path) and
// applies its options. Returns true when the command line is accepted.
// An argument text over 1023 characters, or a url value over 511, is refused:
// a cut location would install from somewhere the user never named.
bool applyCommandLine(const char* argumentText, CommandLineSettings& settings);
