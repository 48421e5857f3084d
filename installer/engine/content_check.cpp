#include "engine/content_check.h"

#include "engine/list_line_reader.h"
#include "engine/list_record.h"
#include "engine/signature_line.h"
#include "engine/vendor_key.h"
#include "win32/crypt_objects.h"
#include "win32/growing_file_hash.h"
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
// The serial of the list last accepted, which the held list must carry too.
int acceptedSerial = 0;

const CryptProvider* checkProvider()
{
    if (!providerTried) {
        providerTried = true;
        provider.acquire(PROV_RSA_AES);
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
// as the walk reads lines; 0 for a list without one.
int serialOf(HANDLE list, DWORD signedLength)
{
    DWORD offset = 0;
    while (offset < signedLength) {
        const DWORD wanted = signedLength - offset < readBlockSize ? signedLength - offset : readBlockSize;
        DWORD read = 0;
        if (!readAt(list, offset, readBlock, wanted, &read) || read != wanted)
            return 0;
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
            if (record.type == 'N' && record.fieldCount >= 1)
                return parseListNumber(record.fields[0]);
            position += static_cast<DWORD>(taken);
        }
        offset += position;
    }
    return 0;
}

// Verifies the vendor's signature of the list and reads its serial.
ContentCheck checkSignedList(HANDLE list, int* serial)
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
    *serial = serialOf(list, signedLength);
    return ContentCheck::Accepted;
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
    int serial = 0;
    {
        ScopedHandle list(openForCheck(path));
        if (!list.valid())
            return ContentCheck::NotSigned;
        const ContentCheck check = checkSignedList(list.get(), &serial);
        if (check != ContentCheck::Accepted)
            return check;
    }
    // The kept list counts only when it is the vendor's: anyone who can write
    // the client folder could put another one there.
    ScopedHandle kept(openForCheck(keptPath));
    int keptSerial = 0;
    if (kept.valid() && checkSignedList(kept.get(), &keptSerial) == ContentCheck::Accepted && serial < keptSerial)
        return ContentCheck::Older;
    acceptedSerial = serial;
    return ContentCheck::Accepted;
}

ContentCheck checkHeldList(HANDLE list)
{
    if (!hasVendorKey())
        return ContentCheck::Accepted;
    int serial = 0;
    const ContentCheck check = checkSignedList(list, &serial);
    if (check != ContentCheck::Accepted)
        return check;
    return serial == acceptedSerial ? ContentCheck::Accepted : ContentCheck::NotSigned;
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
