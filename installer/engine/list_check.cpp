#include "engine/list_check.h"

#include "common/decimal.h"
#include "common/text_sizes.h"
#include "common/bounded_copy.h"
#include "core/private_messages.h"
#include "engine/check_provider.h"
#include "engine/list_age.h"
#include "engine/list_line_reader.h"
#include "engine/list_record.h"
#include "engine/signature_line.h"
#include "engine/vendor_key.h"
#include "win32/file_reader.h"
#include "win32/reg_key.h"
#include "win32/scoped_handle.h"
#include "win32/worker_thread.h"

#include <string.h>

namespace {

// The highest serial an accepted list had and that list's digest, where only
// administrators write: the kept list lies in the client folder, which any
// user may empty or fill.
const char serialKey[] = "Software\\Brenix\\ZORV3 Installer";
const char serialValue[] = "ListSerial";
const char digestValue[] = "ListDigest";

// Lists are read in blocks of this size; a stop waits this long for the
// block under way (or an open that another program holds up).
const DWORD readBlockSize = 64 * 1024;
const DWORD stopTimeout = 2000;

// One check of a downloaded list: its thread's input, what it found, and the
// list itself, held from the check to the walk.
struct ListCheck {
    WorkerThread worker;
    volatile LONG stopping;
    char path[pathSize];
    char keptPath[pathSize];
    ScopedHandle list;
    ContentCheck outcome;
    uint32_t serial;
    unsigned char digest[digestSize];
    char block[readBlockSize];
};

ListCheck check;

bool stopped()
{
    return InterlockedCompareExchange(&check.stopping, 0, 0) != 0;
}

// Reads the block at offset, at most readBlockSize bytes and none from end
// on, into check.block; false when stopped or the file ends before.
bool readBlock(HANDLE file, DWORD offset, DWORD end, DWORD* read)
{
    if (stopped())
        return false;
    const DWORD wanted = end - offset < readBlockSize ? end - offset : readBlockSize;
    return readAt(file, offset, check.block, wanted, read) && *read == wanted;
}

// One pass over the bytes before signedLength, into both hashes.
bool hashSignedPart(HANDLE file, DWORD signedLength, CryptHash& signedHash, CryptHash& identityHash)
{
    DWORD offset = 0;
    while (offset < signedLength) {
        DWORD read = 0;
        if (!readBlock(file, offset, signedLength, &read) || !signedHash.add(check.block, read)
            || !identityHash.add(check.block, read))
            return false;
        offset += read;
    }
    return true;
}

// The number of the first N record among the lines before signedLength, read
// as the walk reads lines (a block at a time: a list may hold millions); 0
// for a list without one. False when stopped, when the list cannot be read
// or the number is not a plain unsigned number.
bool serialOf(HANDLE list, DWORD signedLength, uint32_t* serial)
{
    *serial = 0;
    DWORD offset = 0;
    while (offset < signedLength) {
        DWORD read = 0;
        if (!readBlock(list, offset, signedLength, &read))
            return false;
        const bool lastBlock = offset + read == signedLength;
        DWORD position = 0;
        while (position < read) {
            // A line that may go on in the next block is read from there.
            if (!lastBlock && read - position < static_cast<DWORD>(listLineSize))
                break;
            char line[listLineSize];
            const int taken = readListLine(check.block + position, static_cast<int>(read - position), line);
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

// Verifies the vendor's signature of the list, takes the digest of what it
// signs (which tells the list whatever line end its signature line has) and
// reads its serial.
ContentCheck checkSignedList(HANDLE list, uint32_t* serial, unsigned char digest[digestSize])
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
    CryptHash signedHash;
    CryptHash identityHash;
    if (!signedHash.create(*checks, CALG_SHA_256) || !identityHash.create(*checks, CALG_SHA_256))
        return ContentCheck::Uncheckable;
    const DWORD signedLength = static_cast<DWORD>(line.signedLength);
    if (!hashSignedPart(list, signedLength, signedHash, identityHash)
        || !verifySignature(signedHash, reversed, signatureSize, key) || !identityHash.value(digest, digestSize))
        return ContentCheck::NotSigned;
    return serialOf(list, signedLength, serial) ? ContentCheck::Accepted : ContentCheck::NotSigned;
}

AcceptedList recordedList()
{
    AcceptedList recorded = {};
    RegKey key;
    DWORD serial = 0;
    char text[recordedListTextSize];
    recorded.known = key.open(HKEY_LOCAL_MACHINE, serialKey) && key.readDword(serialValue, serial);
    recorded.serial = serial;
    // The digest counts only beside the serial it was recorded with.
    uint32_t digestSerial = 0;
    recorded.hasDigest = recorded.known && key.readString(digestValue, text, sizeof text)
        && parseRecordedList(text, &digestSerial, recorded.digest) && digestSerial == serial;
    return recorded;
}

// Anyone who can write the client folder could put another list there: only
// one the vendor signed counts.
AcceptedList keptList()
{
    AcceptedList kept = {};
    ScopedHandle file(CreateFileA(check.keptPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    kept.known = file.valid() && checkSignedList(file.get(), &kept.serial, kept.digest) == ContentCheck::Accepted;
    kept.hasDigest = kept.known;
    return kept;
}

bool runCheck(void*)
{
    // Nobody may write the list while it is checked and walked; it may be
    // renamed into the kept list's place.
    check.list.reset(CreateFileA(check.path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!check.list.valid()) {
        check.outcome = ContentCheck::NotSigned;
        return false;
    }
    check.outcome = checkSignedList(check.list.get(), &check.serial, check.digest);
    if (check.outcome == ContentCheck::Accepted
        && isOlderList(check.serial, check.digest, recordedList(), keptList()))
        check.outcome = ContentCheck::Older;
    return check.outcome == ContentCheck::Accepted;
}

void recordAccepted()
{
    const AcceptedList recorded = recordedList();
    if (recorded.known && (recorded.serial > check.serial || (recorded.serial == check.serial && recorded.hasDigest)))
        return;
    RegKey key;
    char text[recordedListTextSize];
    if (key.create(HKEY_LOCAL_MACHINE, serialKey) && formatRecordedList(check.serial, check.digest, text))
        key.writeString(digestValue, text) && key.writeDword(serialValue, check.serial);
}

} // namespace

ContentCheck checkListDownload(HWND dialog, const char* path, const char* keptPath)
{
    if (!hasVendorKey())
        return ContentCheck::Accepted;
    if (!check.worker.started()) {
        // A check that did not stop in time may still use all of this.
        if (check.worker.abandoned())
            return ContentCheck::Uncheckable;
        check.list.reset();
        check.stopping = 0;
        check.outcome = ContentCheck::NotSigned;
        if (!copyBounded(check.path, sizeof check.path, path)
            || !copyBounded(check.keptPath, sizeof check.keptPath, keptPath))
            return ContentCheck::NotSigned;
        if (checkProvider() == nullptr)
            return ContentCheck::Uncheckable;
        if (!check.worker.start(runCheck, nullptr, L"ZORV list check"))
            return ContentCheck::Uncheckable;
    }
    if (check.worker.notifyAtEnd(dialog, WM_COMMAND, MAKEWPARAM(CMD_CONTINUE, 0), 0))
        return ContentCheck::Pending;
    check.worker.join(INFINITE);
    if (check.outcome != ContentCheck::Accepted)
        check.list.reset();
    return check.outcome;
}

HANDLE takeAcceptedList()
{
    if (!hasVendorKey() || !check.list.valid())
        return INVALID_HANDLE_VALUE;
    recordAccepted();
    // The walk owns it from here.
    return check.list.release();
}

void stopListCheck()
{
    if (check.worker.abandoned())
        return;
    InterlockedExchange(&check.stopping, 1);
    // The check ends after its current block or line. One stuck in an open
    // or a read is left to end with the process, with what it uses.
    if (!check.worker.joinOrAbandon(stopTimeout))
        return;
    check.stopping = 0;
    check.list.reset();
}
