#pragma once
#include "common/text_sizes.h"

// Where a component comes from and where it goes. Both refuse (return false)
// what does not fit pathSize characters; componentPath also refuses a file
// or folder field that would lead outside the installation folder or names a
// device (a folder field of "." is the installation folder itself). It
// creates no folder: a current component is only looked at, and whatever
// writes a file makes its folders first (createParentFolders).
bool componentUrl(char url[pathSize], const char* file);
bool componentPath(char path[pathSize], const char* file, const char* folder);

// A file of the client folder by its bare name, as a folder search found it.
bool clientFolderFile(char path[pathSize], const char* name);

// Creates each missing folder on the path; the last component (the file) is
// not created. Failures are ignored. When the file's own folder exists, that
// one look is all it costs. The first folder it creates on the way to the
// installation folder (or that folder itself) is the top of the installation
// and gets the program files folder's access list (createTopFolder); the
// folders below it inherit from it.
void createParentFolders(const char* path);
