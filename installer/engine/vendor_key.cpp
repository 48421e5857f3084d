#include "engine/vendor_key.h"

#ifdef ZORV_VENDOR_KEY_BLOB
namespace {
// Written by the build from the vendor's public key file.
const BYTE blob[] = {
#include "vendor_key_blob.inc"
};
} // namespace

const BYTE* vendorKeyBlob()
{
    return blob;
}

DWORD vendorKeyBlobSize()
{
    return sizeof blob;
}
#else
const BYTE* vendorKeyBlob()
{
    return nullptr;
}

DWORD vendorKeyBlobSize()
{
    return 0;
}
#endif
