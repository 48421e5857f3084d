#pragma once
#include "common/text_sizes.h"

// Puts a downloaded file in the place of the system file of the same name;
// when that is in use (or a restart is pending anyway) the replacement is
// scheduled for the next start of Windows and restartPending is set. The
// file waits under the target's name with a last "$", or, when an earlier
// replacement of the run waits under that name, under a unique one. A file
// moved into the system folder gets the list the folder hands down. A
// failure deletes the downloaded file and sets errorFlag.
void replaceSystemFile(const char* downloaded);

// The system folder (name nullptr) or its file of that name; false when it
// does not fit pathSize characters.
bool systemFolderFile(char path[pathSize], const char* name);
