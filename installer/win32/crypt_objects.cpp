#include "win32/crypt_objects.h"

void CryptProvider::reset()
{
    if (provider_ != 0)
        CryptReleaseContext(provider_, 0);
    provider_ = 0;
}

bool CryptProvider::acquire(DWORD type)
{
    if (provider_ != 0)
        return true;
    // No container: only public keys and hashes are used.
    if (!CryptAcquireContextA(&provider_, nullptr, nullptr, type, CRYPT_VERIFYCONTEXT))
        provider_ = 0;
    return provider_ != 0;
}

void CryptHash::reset()
{
    if (hash_ != 0)
        CryptDestroyHash(hash_);
    hash_ = 0;
}

bool CryptHash::create(const CryptProvider& provider, ALG_ID algorithm)
{
    if (hash_ != 0 || provider.get() == 0)
        return false;
    if (!CryptCreateHash(provider.get(), algorithm, 0, 0, &hash_))
        hash_ = 0;
    return hash_ != 0;
}

bool CryptHash::add(const void* data, DWORD length)
{
    return hash_ != 0 && CryptHashData(hash_, static_cast<const BYTE*>(data), length, 0);
}

bool CryptHash::value(BYTE* value, DWORD size)
{
    DWORD length = size;
    return hash_ != 0 && CryptGetHashParam(hash_, HP_HASHVAL, value, &length, 0) && length == size;
}

CryptKey::~CryptKey()
{
    if (key_ != 0)
        CryptDestroyKey(key_);
}

bool CryptKey::import(const CryptProvider& provider, const BYTE* blob, DWORD size)
{
    if (key_ != 0 || provider.get() == 0)
        return false;
    if (!CryptImportKey(provider.get(), blob, size, 0, 0, &key_))
        key_ = 0;
    return key_ != 0;
}

bool verifySignature(const CryptHash& hash, const BYTE* signature, DWORD size, const CryptKey& key)
{
    return hash.get() != 0 && key.get() != 0
        && CryptVerifySignatureA(hash.get(), signature, size, key.get(), nullptr, 0);
}
