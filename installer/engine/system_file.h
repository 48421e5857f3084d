#pragma once

// Puts a downloaded file in the place of the system file of the same name;
// when that is in use (or a restart is pending anyway) the replacement is
// scheduled for the next start of Windows and restartPending is set. A
// failure deletes the downloaded file and sets errorFlag.
void replaceSystemFile(const char* downloaded);
