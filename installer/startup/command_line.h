#pragma once

// Applies the command line to the install state. Returns 0 when it is
// accepted; 1 when it is not, after the usage box has been shown and closed.
int parseCommandLine(const char* argumentText);
