#include "engine/content_check.h"

#include "common/decimal.h"
#include "engine/list_line_reader.h"
#include "engine/list_record.h"
#include "engine/signature_line.h"
#include "engine/vendor_key.h"
#include "win32/crypt_objects.h"
#include "win32/growing_file_hash.h"
#include "win32/reg_key.h"
#include "win32/scoped_handle.h"

#include <string.h>

namespace {

// Files are read in blocks of this size for hashing and for the serial.
const DWORD readBlockSize = 64 * 1024;
char readBlock[readBlockSize];

CryptProvider provider;
bool providerTried = false;
// The download being hashed as it arrives.
GrowingFileHash followed;

// The list last accepted: its serial, and the digest of the whole file, which
// the list the walk holds must have too.
uint32_t acceptedSerial = 0;
unsigned char acceptedDigest[digestSize];

// The highest serial an accepted list had, where only administrators write:
// the kept list lies in the client folder, which any user may empty.
const char serialKey[] = "Software\\Brenix\\ZORV3 Installer";
const char serialValue[] = "ListSerial";

const CryptProvider* checkProvider()
{
    if (!providerTried) {
        providerTried = true;
        // Some AES providers (Windows XP before SP3) lack SHA-256.
        CryptHash probe;
        if (provider.acquire(PROV_RSA_AES) && !probe.create(provider, CALG_SHA_256))
            provider.reset();
    }
    return provider.get() != 0 ? &provider : nullptr;
}

HANDLE openForCheck(const char* path)
{
    // Nobody may write the file while it is read and judged.
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

bool readAt(HANDLE file, DWORD offset, char* buffer, DWORD length, DWORD* read)
{
    *read = 0;
    if (SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER
        && GetLastError() != NO_ERROR)
        return false;
    return ReadFile(file, buffer, length, read, nullptr) != 0;
}

// Adds the first length bytes of file to hash.
bool hashFile(HANDLE file, DWORD length, CryptHash& hash)
{
    DWORD offset = 0;
    while (offset < length) {
        const DWORD wanted = length - offset < readBlockSize ? length - offset : readBlockSize;
        DWORD read = 0;
        if (!readAt(file, offset, readBlock, wanted, &read) || read != wanted || !hash.add(readBlock, read))
            return false;
        offset += read;
    }
    return true;
}

bool fileLength(HANDLE file, DWORD* length)
{
    DWORD high = 0;
    *length = GetFileSize(file, &high);
    if (*length == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return false;
    return high == 0 && *length <= 0x7FFFFFFF;
}

bool digestOfFile(HANDLE file, unsigned char digest[digestSize])
{
    const CryptProvider* checks = checkProvider();
    DWORD length = 0;
    CryptHash hash;
    return checks != nullptr && fileLength(file, &length) && hash.create(*checks, CALG_SHA_256)
        && hashFile(file, length, hash) && hash.value(digest, digestSize);
}

// The number of the first N record among the lines before signedLength, read
// as the walk reads lines; 0 for a list without one. False when the list
// cannot be read or the number is not a plain unsigned number.
bool serialOf(HANDLE list, DWORD signedLength, uint32_t* serial)
{
    *serial = 0;
    DWORD offset = 0;
    while (offset < signedLength) {
        const DWORD wanted = signedLength - offset < readBlockSize ? signedLength - offset : readBlockSize;
        DWORD read = 0;
        if (!readAt(list, offset, readBlock, wanted, &read) || read != wanted)
            return false;
        const bool lastBlock = offset + read == signedLength;
        DWORD position = 0;
        while (position < read) {
            // A line that may go on in the next block is read from there.
            if (!lastBlock && read - position < static_cast<DWORD>(listLineSize))
                break;
            char line[listLineSize];
            const int taken = readListLine(readBlock + position, static_cast<int>(read - position), line);
            ListRecord record;
            splitListLine(line, &record);
            if (record.type == 'N')
                return record.fieldCount >= 1 && parseUnsignedDecimal(record.fields[0], serial);
            position += static_cast<DWORD>(taken);
        }
        offset += position;
    }
    return true;
}

// Verifies the vendor's signature of the list and reads its serial.
ContentCheck checkSignedList(HANDLE list, uint32_t* serial)
{
    const CryptProvider* checks = checkProvider();
    if (checks == nullptr)
        return ContentCheck::Uncheckable;
    CryptKey key;
    if (!key.import(*checks, vendorKeyBlob(), vendorKeyBlobSize()))
        return ContentCheck::Uncheckable;
    DWORD length = 0;
    if (!fileLength(list, &length))
        return ContentCheck::NotSigned;
    const DWORD tailLength = length < static_cast<DWORD>(signatureTailSize) ? length : signatureTailSize;
    char tail[signatureTailSize];
    DWORD read = 0;
    SignatureLine line;
    if (!readAt(list, length - tailLength, tail, tailLength, &read) || read != tailLength
        || !findSignatureLine(tail, static_cast<long>(tailLength), static_cast<long>(length), &line))
        return ContentCheck::NotSigned;
    // CryptoAPI takes the signature least significant byte first.
    unsigned char reversed[signatureSize];
    for (int i = 0; i < signatureSize; ++i)
        reversed[i] = line.signature[signatureSize - 1 - i];
    CryptHash hash;
    if (!hash.create(*checks, CALG_SHA_256))
        return ContentCheck::Uncheckable;
    const DWORD signedLength = static_cast<DWORD>(line.signedLength);
    if (!hashFile(list, signedLength, hash) || !verifySignature(hash, reversed, signatureSize, key))
        return ContentCheck::NotSigned;
    return serialOf(list, signedLength, serial) ? ContentCheck::Accepted : ContentCheck::NotSigned;
}

// The lowest serial a new list may have: that of the kept list, when it is
// the vendor's, and the highest one recorded.
uint32_t lowestSerial(const char* keptPath)
{
    uint32_t lowest = 0;
    RegKey key;
    DWORD recorded = 0;
    if (key.open(HKEY_LOCAL_MACHINE, serialKey) && key.readDword(serialValue, recorded))
        lowest = recorded;
    // Anyone who can write the client folder could put another list there;
    // only one the vendor signed counts.
    ScopedHandle kept(openForCheck(keptPath));
    uint32_t keptSerial = 0;
    if (kept.valid() && checkSignedList(kept.get(), &keptSerial) == ContentCheck::Accepted && keptSerial > lowest)
        lowest = keptSerial;
    return lowest;
}

void recordSerial(uint32_t serial)
{
    RegKey key;
    DWORD recorded = 0;
    if (key.create(HKEY_LOCAL_MACHINE, serialKey) && (!key.readDword(serialValue, recorded) || recorded < serial))
        key.writeDword(serialValue, serial);
}

} // namespace

bool contentChecksAvailable()
{
    return checkProvider() != nullptr;
}

ContentCheck checkListDownload(const char* path, const char* keptPath)
{
    if (!hasVendorKey())
        return ContentCheck::Accepted;
    uint32_t serial = 0;
    {
        ScopedHandle list(openForCheck(path));
        if (!list.valid())
            return ContentCheck::NotSigned;
        const ContentCheck check = checkSignedList(list.get(), &serial);
        if (check != ContentCheck::Accepted)
            return check;
        if (!digestOfFile(list.get(), acceptedDigest))
            return ContentCheck::Uncheckable;
    }
    if (serial < lowestSerial(keptPath))
        return ContentCheck::Older;
    acceptedSerial = serial;
    return ContentCheck::Accepted;
}

ContentCheck checkHeldList(HANDLE list)
{
    if (!hasVendorKey())
        return ContentCheck::Accepted;
    // The very bytes that were accepted, not merely another list the vendor
    // signed that somebody put in its place.
    unsigned char digest[digestSize];
    if (!digestOfFile(list, digest) || memcmp(digest, acceptedDigest, digestSize) != 0)
        return ContentCheck::NotSigned;
    recordSerial(acceptedSerial);
    return ContentCheck::Accepted;
}

void followDownload(const char* path)
{
    const CryptProvider* checks = checkProvider();
    if (checks != nullptr)
        followed.start(*checks, CALG_SHA_256, path);
}

void stopFollowing()
{
    followed.stop();
}

ContentCheck checkComponentDownload(const char* path, DWORD length, const ComponentDigest* digest)
{
    if (digest == nullptr)
        return hasVendorKey() ? ContentCheck::Mismatch : ContentCheck::Accepted;
    if (!digest->valid)
        return ContentCheck::Mismatch;
    // Without a provider a key-less build cannot honour the digest and takes
    // the file as it always did; a build with the key never gets this far.
    if (checkProvider() == nullptr)
        return hasVendorKey() ? ContentCheck::Uncheckable : ContentCheck::Accepted;
    if (followed.running()) {
        unsigned char actual[digestSize];
        const bool hashed = followed.finish(length, actual, digestSize);
        return hashed && memcmp(actual, digest->bytes, digestSize) == 0 ? ContentCheck::Accepted
                                                                         : ContentCheck::Mismatch;
    }
    return matchesDigest(path, digest) ? ContentCheck::Accepted : ContentCheck::Mismatch;
}

bool matchesDigest(const char* path, const ComponentDigest* digest)
{
    if (digest == nullptr || !digest->valid)
        return false;
    ScopedHandle file(openForCheck(path));
    unsigned char actual[digestSize];
    return file.valid() && digestOfFile(file.get(), actual) && memcmp(actual, digest->bytes, digestSize) == 0;
}
