#pragma once
#include <windows.h>

// The vendor's public key, compiled into an installer built with one: such an
// installer walks only lists the vendor signed. A build without a key has none.

// The key as a CryptoAPI public-key blob, or nullptr in a build without a key.
const BYTE* vendorKeyBlob();
DWORD vendorKeyBlobSize();

inline bool hasVendorKey()
{
    return vendorKeyBlob() != nullptr;
}
