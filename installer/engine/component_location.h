#pragma once
#include "common/text_sizes.h"

// Size of a component's URL and path buffers, terminator included.
const int componentTextSize = pathSize;

// baseUrl, then "/" unless baseUrl already ends in "/", then the file field.
// Returns false when the result does not fit; the caller must not use it then.
bool buildComponentUrl(char url[componentTextSize], const char* baseUrl, const char* file);

// installFolder, then "\" and the folder when one is given (null or empty
// means none), then "\" and the file. Returns false when the result does not
// fit; the caller must not use it then. Creates no folders.
bool buildComponentPath(char path[componentTextSize], const char* installFolder,
                        const char* folder, const char* file);

// The list comes from the network: a file or folder field may only name a
// file or folder below the installation folder. False for an empty text,
// any ":" (drive letters, alternate streams), a leading "\" or "/" (rooted
// and UNC paths), any component made only of dots and blanks (".", "..",
// ". ."; Windows drops trailing dots and blanks from names), and any device
// name (CON, PRN, AUX, NUL, COM0 to COM9, LPT0 to LPT9, CLOCK$, CONIN$,
// CONOUT$), in any letter case, with or without an extension. Components
// are split at "\" and "/"; empty ones behind the first ("client\",
// "a\\b") are taken as Windows takes them, as nothing.
bool isSafeRelativePath(const char* text);
