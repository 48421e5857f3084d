#pragma once
#include <windows.h>

// The configuration files (".cnf") that this run's walk put into the client
// folder. Everyone may add files to that folder, so the hand-over to the
// client imports these and nothing else that lies there.

// The most configuration files one run remembers; later ones are not handed over.
const int installedConfigurationCapacity = 32;

struct InstalledConfiguration {
    char names[installedConfigurationCapacity][MAX_PATH];
    int count;
};

// Called for each download put in place: remembers its bare name when it is
// a configuration file directly in the client folder.
void noteInstalledFile(InstalledConfiguration& installed, const char* destination);

// True when this run installed the configuration file of that bare name.
bool wasConfigurationInstalled(const InstalledConfiguration& installed, const char* name);
