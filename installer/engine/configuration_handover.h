#pragma once
#include "engine/installed_configuration.h"

#include <windows.h>

// Hands the proxy and the configuration files this run installed to the
// installed client's configuration object, asks running client processes to
// exit and copies the sibling program's key files. The dialog's status line
// says so meanwhile.
void handOverConfiguration(HWND dialog, const InstalledConfiguration& installed);
