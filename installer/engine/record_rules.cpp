#include "engine/record_rules.h"

namespace {

// What a digest's answer leads to: a check that runs is awaited.
RecordAction byDigest(DigestAnswer answer, RecordAction matches, RecordAction differs)
{
    if (answer == DigestAnswer::Pending)
        return RecordAction::AwaitCheck;
    return answer == DigestAnswer::Matches ? matches : differs;
}

// With the vendor's key the list's digest is the truth, whatever a file in
// place says its version is: anyone may add files to the client folder, and
// a planted one is fetched over, not registered or loaded. Without it a file
// counts as current by its version and size; a newer file stays.
RecordAction componentRule(const WalkRules& walk, RecordFacts& facts)
{
    if (!facts.pathFits())
        return RecordAction::Refuse;
    if (!walk.vendorKey)
        return facts.versionOrder() >= 0 ? RecordAction::CountCurrent : RecordAction::Download;
    if (walk.forceAll)
        return RecordAction::Download;
    return byDigest(facts.componentDigest(), RecordAction::CountCurrent, RecordAction::Download);
}

// The system file fetched for this very line goes into the system folder;
// with the vendor's key it is checked once more first, in case its folder is
// one that others may write.
RecordAction fetchedSystemFileRule(const WalkRules& walk, RecordFacts& facts)
{
    if (!facts.pathFits())
        return RecordAction::Refuse;
    if (!walk.vendorKey)
        return RecordAction::ReplaceSystemFile;
    return byDigest(facts.fetchedSystemFileDigest(), RecordAction::ReplaceSystemFile, RecordAction::RefuseComponent);
}

// Only administrators write the system folder, so a newer file there stays;
// with the vendor's key, one of the listed version must also be the
// published one. Anything else is fetched afresh into the installation
// folder first: one that already lies there may have been put there by
// anyone who can write it.
RecordAction systemFileRule(int lineStart, const WalkRules& walk, RecordFacts& facts)
{
    if (lineStart == walk.failedSystemFileLine)
        return RecordAction::Next;   // its download failed already
    if (lineStart == walk.installedSystemFileLine)
        return fetchedSystemFileRule(walk, facts);
    const int order = facts.versionOrder();
    if (order > 0 || (order == 0 && !walk.vendorKey))
        return RecordAction::CountCurrent;
    if (order == 0) {
        const DigestAnswer digest = facts.systemFileDigest();
        if (digest == DigestAnswer::Pending)
            return RecordAction::AwaitCheck;
        if (digest == DigestAnswer::Matches)
            return RecordAction::CountCurrent;
    }
    if (!facts.pathFits() || facts.pathIsFolder())
        return RecordAction::Refuse;   // a folder is no system file
    return RecordAction::DownloadSystemFile;
}

// With the vendor's key nothing registers or starts what lies in the place of
// a component that failed: it may be anybody's.
RecordAction clientRule(const WalkRules& walk, bool enoughFields, RecordAction action)
{
    if (walk.noReg)
        return RecordAction::Next;
    if (action != RecordAction::Shortcut && walk.vendorKey && walk.componentFailed)
        return RecordAction::Refuse;
    return enoughFields ? action : RecordAction::Refuse;
}

} // namespace

RecordAction decideRecord(const ListRecord& record, int lineStart, const WalkRules& walk, RecordFacts& facts)
{
    // A record without the fields its type needs is not acted on.
    switch (record.type) {
    case 'D':
        return RecordAction::NoteDigest;
    case 'T':
        return record.fieldCount >= 1 ? RecordAction::SetTotal : RecordAction::Refuse;
    case 'I':
        return record.fieldCount >= 3 ? componentRule(walk, facts) : RecordAction::Refuse;
    case 'M':
        return record.fieldCount >= 3 ? systemFileRule(lineStart, walk, facts) : RecordAction::Refuse;
    case 'L':
        return clientRule(walk, record.fieldCount >= 4, RecordAction::Shortcut);
    case 'R':
        return clientRule(walk, record.fieldCount >= 1, RecordAction::Register);
    case 'H':
        return clientRule(walk, record.fieldCount >= 1, RecordAction::HoldObject);
    default:
        return RecordAction::Next;   // comments, blank lines, unknown types
    }
}

bool keepsHeldDigest(char recordType)
{
    return recordType == 'D' || recordType == 'I' || recordType == 'M';
}
