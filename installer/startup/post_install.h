#pragma once

// Records in the client's configuration where the installation came from and
// when it ran. Needs COM.
void writeInstallStamp();

// Makes sure the client's log and configuration files exist and that everyone
// may write them. Runs after COM has been uninitialised.
void finishClientFiles(const char* installFolder);
