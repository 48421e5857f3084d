#pragma once

// Access lists of what the installer puts where ordinary users must not
// write. The 9x family has no access lists: there both only do the plain work.

// Creates the top folder of the installation with the access list of the
// program files folder, protected, so that nothing of its own parent (a
// drive's root that every user may modify, say) is inherited. A program
// files folder whose list cannot be read (it does not exist) gives none: the
// folder then inherits as any other. False when it was not created (it
// exists already, and keeps its list).
bool createTopFolder(const char* folder);

// Gives a file moved into the system folder the list that folder gives its
// new files, and nothing of the list it had where it was downloaded. False
// when that failed. NT 4 knows no inheritance on request: the file is left
// as it is there.
bool takeSystemFolderAccess(const char* path);
