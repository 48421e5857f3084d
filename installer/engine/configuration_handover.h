#pragma once
#include "engine/installed_configuration.h"

#include <windows.h>

// Hands the proxy and the configuration files this run installed to the
// installed client's configuration object, then asks running client
// processes to exit. The dialog's status line says so meanwhile.
void handOverConfiguration(HWND dialog, const InstalledConfiguration& installed);
