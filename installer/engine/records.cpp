#include "engine/records.h"

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
#include "engine/record_rules.h"
#include "engine/self_register.h"
#include "engine/shortcut.h"
#include "engine/system_file.h"
#include "engine/vendor_key.h"
#include "engine/version_check.h"
#include "engine/walk_slice.h"

#include <string.h>

namespace {

const char* optionalField(const ListRecord& record, int index)
{
    return index < record.fieldCount ? record.fields[index] : nullptr;
}

DigestAnswer answerOf(ContentCheck check)
{
    if (check == ContentCheck::Pending)
        return DigestAnswer::Pending;
    return check == ContentCheck::Accepted ? DigestAnswer::Matches : DigestAnswer::Differs;
}

// The system folder's file that a system file record replaces: the file
// field's last name, as the replacement takes it.
bool systemFolderPath(char path[pathSize], const char* file)
{
    const char* name = strrchr(file, '\\');
    return systemFolderFile(path, name != nullptr ? name + 1 : file);
}

// What the files of an I or M record answer the rules, from the platform.
class RecordFiles : public RecordFacts {
public:
    RecordFiles(ListWalk& walk, const ListRecord& record, int lineStart)
        : walk_(walk), record_(record), digest_(nullptr), pathFits_(-1)
    {
        path_[0] = '\0';
        // A digest serves the record right behind its D record; a system
        // file whose download failed is passed over without taking one.
        const bool takes = record.fieldCount >= 3
            && (record.type == 'I' || (record.type == 'M' && lineStart != walk.failedSystemFileLine));
        if (takes)
            digest_ = takeDigestFor(walk.digests, file(), lineStart);
    }

    const char* file() const { return record_.fields[0]; }
    const char* path() const { return path_; }
    const ComponentDigest* digest() const { return digest_; }
    int size() const { return parseListNumber(record_.fields[1]); }

    bool pathFits() override
    {
        if (pathFits_ < 0)
            pathFits_ = componentPath(path_, file(), optionalField(record_, 3)) ? 1 : 0;
        return pathFits_ == 1;
    }

    int versionOrder() override
    {
        // A system file's version is that of the system folder's file.
        const char* installed = record_.type == 'M' ? file() : path_;
        return checkInstalledVersion(installed, record_.fields[2], size());
    }

    DigestAnswer componentDigest() override { return inPlace(path_, InPlace::Kept); }

    DigestAnswer systemFileDigest() override
    {
        char path[pathSize];
        return systemFolderPath(path, file()) ? inPlace(path, InPlace::Contents) : DigestAnswer::Differs;
    }

    // It is moved on from here: nothing may hold it open.
    DigestAnswer fetchedSystemFileDigest() override { return inPlace(path_, InPlace::Owner); }

    bool pathIsFolder() override
    {
        const DWORD attributes = GetFileAttributesA(path_);
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

private:
    DigestAnswer inPlace(const char* path, InPlace place)
    {
        return answerOf(checkFileInPlace(walk_.dialog, path, digest_, place, walk_.checkedFiles));
    }

    ListWalk& walk_;
    const ListRecord& record_;
    const ComponentDigest* digest_;
    int pathFits_;   // -1 until asked
    char path_[pathSize];
};

WalkRules rulesOf(const ListWalk& walk)
{
    return WalkRules{ hasVendorKey(), installState.forceAll != 0, installState.noReg != 0, walk.componentFailed,
                      walk.failedSystemFileLine, walk.installedSystemFileLine };
}

WalkStep refuse()
{
    installState.errorFlag = 1;
    return WalkStep::Next;
}

// Starts a component download. One that cannot begin (a URL too long for
// its buffer, a transfer that refuses) is refused like any other record:
// the walk goes on behind it.
WalkStep download(ListWalk& walk, const RecordFiles& files, int lineStart)
{
    char url[pathSize];
    if (!componentUrl(url, files.file()))
        return refuse();
    const DownloadStart start = startDownload(walk, url, files.path(), lineStart, files.file(), files.digest());
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

// A system file is downloaded into its folder first, then the same line is
// read once more to put it in the place of the installed one; only a
// download that is under way comes back to the line.
WalkStep downloadSystemFile(ListWalk& walk, const RecordFiles& files, int lineStart)
{
    const WalkStep step = download(walk, files, lineStart);
    if (step == WalkStep::Suspend)
        installState.listOffset = lineStart;
    return step;
}

WalkStep replaceFetchedSystemFile(ListWalk& walk, const RecordFiles& files)
{
    replaceSystemFile(files.path());
    awaitContinue(walk);
    postEngineCommand(walk.dialog, CMD_CONTINUE);
    return WalkStep::Suspend;
}

// The actions of the records that act on the files of the installation.
WalkStep carryOutFileAction(ListWalk& walk, RecordAction action, RecordFiles& files, int lineStart)
{
    switch (action) {
    case RecordAction::CountCurrent:
        // A current component counts towards the overall progress.
        installState.doneBytes = addSaturating(installState.doneBytes, files.size());
        return WalkStep::Next;
    case RecordAction::AwaitCheck:
        return awaitCheck(walk, lineStart);
    case RecordAction::Download:
        return download(walk, files, lineStart);
    case RecordAction::DownloadSystemFile:
        return downloadSystemFile(walk, files, lineStart);
    case RecordAction::ReplaceSystemFile:
        return replaceFetchedSystemFile(walk, files);
    default:
        return WalkStep::Next;
    }
}

// Carries out what the rules decided for the record.
WalkStep carryOut(ListWalk& walk, const ListRecord& record, RecordAction action, RecordFiles& files,
                  int lineStart)
{
    switch (action) {
    case RecordAction::CountCurrent:
    case RecordAction::AwaitCheck:
    case RecordAction::Download:
    case RecordAction::DownloadSystemFile:
    case RecordAction::ReplaceSystemFile:
        return carryOutFileAction(walk, action, files, lineStart);
    case RecordAction::Refuse:
        return refuse();
    case RecordAction::RefuseComponent:
        walk.componentFailed = true;
        return refuse();
    case RecordAction::SetTotal:
        installState.totalBytes = parseListNumber(record.fields[0]);
        return WalkStep::Next;
    case RecordAction::NoteDigest:
        noteDigestRecord(walk.digests, record);
        return WalkStep::Next;
    case RecordAction::Shortcut: {
        const char* icon = optionalField(record, 4);
        createShortcut(record.fields[0], record.fields[1], record.fields[2], record.fields[3],
                       icon != nullptr ? parseListNumber(icon) : 0);
        return WalkStep::Next;
    }
    case RecordAction::Register:
        selfRegister(record.fields[0], optionalField(record, 1));
        return WalkStep::Next;
    case RecordAction::HoldObject:
        holdObject(record.fields[0]);
        return WalkStep::Next;
    default:
        return WalkStep::Next;
    }
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
    if (!keepsHeldDigest(record.type))
        forgetDigestRecord(walk.digests);
    // The files answer only what the record's rule asks.
    RecordFiles files(walk, record, lineStart);
    return carryOut(walk, record, decideRecord(record, lineStart, rulesOf(walk), files), files, lineStart);
}
