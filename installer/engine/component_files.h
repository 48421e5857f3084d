#pragma once
#include "common/text_sizes.h"

// Where a component comes from and where it goes. Both refuse (return false)
// what does not fit pathSize characters; componentPath also refuses a file
// or folder field that would lead outside the installation folder or names a
// device (a folder field of "." is the installation folder itself), and
// creates every folder the file will go into.
bool componentUrl(char url[pathSize], const char* file);
bool componentPath(char path[pathSize], const char* file, const char* folder);

// Creates each missing folder on the path; the last component (the file) is
// not created. Failures are ignored.
void createParentFolders(const char* path);
