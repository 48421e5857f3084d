#pragma once
#include "win32/noncopyable.h"

#include <windows.h>
#include <wincrypt.h>

// Owners of CryptoAPI objects, released on destruction. The objects come
// from the system's providers; nothing here computes a digest itself.

// A provider context for work with public keys and hashes only.
class CryptProvider : NonCopyable {
public:
    CryptProvider() : provider_(0) {}
    ~CryptProvider() { reset(); }
    void reset();

    // Acquires the default provider of type (PROV_RSA_AES, say); false when
    // the system has none.
    bool acquire(DWORD type);
    HCRYPTPROV get() const { return provider_; }

private:
    HCRYPTPROV provider_;
};

// A running hash.
class CryptHash : NonCopyable {
public:
    CryptHash() : hash_(0) {}
    ~CryptHash() { reset(); }
    void reset();

    bool create(const CryptProvider& provider, ALG_ID algorithm);
    bool add(const void* data, DWORD length);
    // Copies the value (size bytes exactly, the algorithm's size) into value;
    // the hash takes no data afterwards.
    bool value(BYTE* value, DWORD size);
    HCRYPTHASH get() const { return hash_; }

private:
    HCRYPTHASH hash_;
};

// A key imported from a blob.
class CryptKey : NonCopyable {
public:
    CryptKey() : key_(0) {}
    ~CryptKey();

    bool import(const CryptProvider& provider, const BYTE* blob, DWORD size);
    HCRYPTKEY get() const { return key_; }

private:
    HCRYPTKEY key_;
};

// Whether signature (size bytes, least significant byte first as CryptoAPI
// takes it) is the key's signature of the hash.
bool verifySignature(const CryptHash& hash, const BYTE* signature, DWORD size, const CryptKey& key);
