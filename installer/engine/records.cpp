#include "engine/records.h"

#include "common/bounded_copy.h"
#include "common/byte_count.h"
#include "common/text_sizes.h"
#include "core/install_state.h"
#include "core/private_messages.h"
#include "engine/component_files.h"
#include "engine/content_check.h"
#include "engine/digest_record.h"
#include "engine/download.h"
#include "engine/held_object.h"
#include "engine/progress_view.h"
#include "engine/self_register.h"
#include "engine/shortcut.h"
#include "engine/system_file.h"
#include "engine/vendor_key.h"
#include "engine/version_check.h"
#include "engine/walk_slice.h"

#include <string.h>

namespace {

// A record without the fields its type needs is not acted on.
bool hasFields(const ListRecord& record, int needed)
{
    if (record.fieldCount >= needed)
        return true;
    installState.errorFlag = 1;
    return false;
}

const char* optionalField(const ListRecord& record, int index)
{
    return index < record.fieldCount ? record.fields[index] : nullptr;
}

WalkStep refuse()
{
    installState.errorFlag = 1;
    return WalkStep::Next;
}

// Starts a component download. One that cannot begin (a URL too long for
// its buffer, a transfer that refuses) is refused like any other record:
// the walk goes on behind it.
WalkStep download(ListWalk& walk, const char* file, const char* path, int lineStart, const ComponentDigest* digest)
{
    char url[pathSize];
    if (!componentUrl(url, file))
        return refuse();
    const DownloadStart start = startDownload(walk, url, path, lineStart, file, digest);
    if (start.begun || start.reported)
        return WalkStep::Suspend;
    walk.componentFailed = true;   // what lies in its place is not the published file
    return refuse();
}

// Ends the walk's command until the check of the record at lineStart has
// ended: the record is read again then and takes the outcome.
WalkStep awaitCheck(ListWalk& walk, int lineStart)
{
    installState.listOffset = lineStart;
    resumeWalkWhenChecked(walk);
    return WalkStep::Suspend;
}

// A current component counts towards the overall progress.
WalkStep countCurrent(int size)
{
    installState.doneBytes = addSaturating(installState.doneBytes, size);
    return WalkStep::Next;
}

WalkStep componentRecord(ListWalk& walk, const ListRecord& record, int lineStart)
{
    if (!hasFields(record, 3))
        return WalkStep::Next;
    const char* file = record.fields[0];
    const ComponentDigest* digest = takeDigestFor(walk.digests, file, lineStart);
    const int size = parseListNumber(record.fields[1]);
    char path[pathSize];
    if (!componentPath(path, file, optionalField(record, 3)))
        return refuse();
    // With the vendor's key the list's digest is the truth, whatever a file
    // in place says its version is: anyone may add files to the client
    // folder, and a planted one is fetched over, not registered or loaded.
    if (hasVendorKey()) {
        if (installState.forceAll)
            return download(walk, file, path, lineStart, digest);
        const ContentCheck check = checkFileInPlace(walk.dialog, path, digest, InPlace::Kept, walk.checkedFiles);
        if (check == ContentCheck::Pending)
            return awaitCheck(walk, lineStart);
        if (check == ContentCheck::Accepted)
            return countCurrent(size);
        return download(walk, file, path, lineStart, digest);
    }
    // A file in place counts as current by its version and size; a newer
    // file is another file and stays.
    if (checkInstalledVersion(path, record.fields[2], size) >= 0)
        return countCurrent(size);
    return download(walk, file, path, lineStart, digest);
}

// The system folder's file that a system file record replaces: the file
// field's last name, as the replacement takes it.
bool systemFolderPath(char path[pathSize], const char* file)
{
    const char* name = strrchr(file, '\\');
    return systemFolderFile(path, name != nullptr ? name + 1 : file);
}

// Whether the system file in place is current. Only administrators write the
// system folder, so a newer file there stays; with the vendor's key, one of
// the listed version must also be the published one.
ContentCheck systemFileInPlace(ListWalk& walk, const char* file, const char* version, int size,
                               const ComponentDigest* digest)
{
    const int order = checkInstalledVersion(file, version, size);
    if (order != 0 || !hasVendorKey())
        return order >= 0 ? ContentCheck::Accepted : ContentCheck::Mismatch;
    char path[pathSize];
    return systemFolderPath(path, file)
        ? checkFileInPlace(walk.dialog, path, digest, InPlace::Contents, walk.checkedFiles)
        : ContentCheck::Mismatch;
}

// Puts the file this walk fetched for the record at lineStart into the
// system folder. It was checked when it arrived; with the vendor's key it is
// checked once more, in case its folder is one that others may write.
WalkStep replaceFetchedSystemFile(ListWalk& walk, const char* path, int lineStart, const ComponentDigest* digest)
{
    if (hasVendorKey()) {
        // It is moved on from here: nothing may hold it open.
        const ContentCheck check = checkFileInPlace(walk.dialog, path, digest, InPlace::Owner, walk.checkedFiles);
        if (check == ContentCheck::Pending)
            return awaitCheck(walk, lineStart);
        if (check != ContentCheck::Accepted) {
            walk.componentFailed = true;
            return refuse();
        }
    }
    replaceSystemFile(path);
    awaitContinue(walk);
    postEngineCommand(walk.dialog, CMD_CONTINUE);
    return WalkStep::Suspend;
}

// A system file is downloaded into its folder first, then the same line is
// read once more to put it in the place of the installed one.
WalkStep systemFileRecord(ListWalk& walk, const ListRecord& record, int lineStart)
{
    if (!hasFields(record, 3))
        return WalkStep::Next;
    if (lineStart == walk.failedSystemFileLine)
        return WalkStep::Next;   // its download failed already; errorFlag is set
    const char* file = record.fields[0];
    const ComponentDigest* digest = takeDigestFor(walk.digests, file, lineStart);
    const int size = parseListNumber(record.fields[1]);
    char path[pathSize];
    if (lineStart == walk.installedSystemFileLine)
        return componentPath(path, file, optionalField(record, 3))
            ? replaceFetchedSystemFile(walk, path, lineStart, digest) : refuse();
    const ContentCheck current = systemFileInPlace(walk, file, record.fields[2], size, digest);
    if (current == ContentCheck::Pending)
        return awaitCheck(walk, lineStart);
    if (current == ContentCheck::Accepted)
        return countCurrent(size);
    if (!componentPath(path, file, optionalField(record, 3)))
        return refuse();
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return refuse();   // a folder is no system file
    // Only the file this walk fetched for this very line goes into the
    // system folder: one that already lies in the folder may have been put
    // there by anyone who can write it, so it is fetched afresh over it.
    const WalkStep step = download(walk, file, path, lineStart, digest);
    // Read once more after the download, to put the file in place; only a
    // download that is under way comes back to this line.
    if (step == WalkStep::Suspend)
        installState.listOffset = lineStart;
    return step;
}

WalkStep shortcutRecord(const ListRecord& record)
{
    if (!hasFields(record, 4))
        return WalkStep::Next;
    const char* icon = optionalField(record, 4);
    createShortcut(record.fields[0], record.fields[1], record.fields[2], record.fields[3],
                   icon != nullptr ? parseListNumber(icon) : 0);
    return WalkStep::Next;
}

WalkStep registrationRecord(const ListWalk& walk, const ListRecord& record)
{
    if (hasVendorKey() && walk.componentFailed)
        return refuse();
    if (hasFields(record, 1))
        selfRegister(record.fields[0], optionalField(record, 1));
    return WalkStep::Next;
}

WalkStep heldObjectRecord(const ListWalk& walk, const ListRecord& record)
{
    if (hasVendorKey() && walk.componentFailed)
        return refuse();
    if (hasFields(record, 1))
        holdObject(record.fields[0]);
    return WalkStep::Next;
}

} // namespace

void rememberFailedDownload(ListWalk& walk, int lineStart)
{
    walk.failedSystemFileLine = lineStart;
    walk.componentFailed = true;
}

void forgetEarlierWalk(ListWalk& walk)
{
    walk.failedSystemFileLine = -1;
    walk.installedSystemFileLine = -1;
    walk.componentFailed = false;
    forgetDigestRecord(walk.digests);
}

void rememberInstalledDownload(ListWalk& walk, int lineStart)
{
    walk.installedSystemFileLine = lineStart;
}

WalkStep handleRecord(ListWalk& walk, ListRecord& record, int lineStart)
{
    // A digest serves the I or M record right behind its D record only.
    if (record.type != 'D' && record.type != 'I' && record.type != 'M')
        forgetDigestRecord(walk.digests);
    switch (record.type) {
    case 'D':
        noteDigestRecord(walk.digests, record);
        return WalkStep::Next;
    case 'T':
        if (hasFields(record, 1))
            installState.totalBytes = parseListNumber(record.fields[0]);
        return WalkStep::Next;
    case 'I':
        return componentRecord(walk, record, lineStart);
    case 'M':
        return systemFileRecord(walk, record, lineStart);
    case 'H':
        return installState.noReg ? WalkStep::Next : heldObjectRecord(walk, record);
    case 'L':
        return installState.noReg ? WalkStep::Next : shortcutRecord(record);
    case 'R':
        return installState.noReg ? WalkStep::Next : registrationRecord(walk, record);
    default:
        return WalkStep::Next;   // comments, blank lines, unknown types
    }
}
