#pragma once
#include "win32/crypt_objects.h"

// The system's AES provider (SHA-256, RSA signatures), which every check of
// a list or a component uses; nullptr when the system has none, or one
// without SHA-256 (Windows XP before SP3). Acquired on the window thread at
// the first call, used by the checks' threads afterwards.
const CryptProvider* checkProvider();
