#pragma once
#include "engine/list_record.h"

// What the walk does with one record of the list: decided here from what the
// walk knows and what the files answer, carried out by engine/records.cpp.
// No platform call is made here, so the rules are tested on their own.

// What the walk knows when it reads a record.
struct WalkRules {
    bool vendorKey;            // a key-built installer: a list digest is the truth for files in place
    bool forceAll;             // /all: every component is fetched
    bool noReg;                // /no-reg: no shortcuts, registrations or held object
    bool componentFailed;      // a component of this walk was not put in place
    int failedSystemFileLine;  // the system file whose download failed: passed over
    int installedSystemFileLine;   // the system file this walk fetched last: read again, it is replaced
};

// A check of a file against its record's digest.
enum class DigestAnswer {
    Matches,
    Differs,   // or cannot be read, has no digest, or fails what its place asks
    Pending,   // it runs; the record is read again when it has ended
};

// The questions a record's rule asks, answered on demand: a rule asks only
// what it needs (a forced fetch hashes nothing).
class RecordFacts {
public:
    // The component's path in the installation folder (from its file and
    // folder fields) is safe and fits its buffer.
    virtual bool pathFits() = 0;
    // The component in place against the record's version and size:
    // negative outdated (or missing), 0 the same, positive newer.
    virtual int versionOrder() = 0;
    // The component in place against the record's digest, as a file that
    // stays held from others once accepted.
    virtual DigestAnswer componentDigest() = 0;
    // The system folder's file against the record's digest.
    virtual DigestAnswer systemFileDigest() = 0;
    // The system file this walk fetched, against the digest, before it is moved.
    virtual DigestAnswer fetchedSystemFileDigest() = 0;
    // Something in the component's place is a folder.
    virtual bool pathIsFolder() = 0;

protected:
    ~RecordFacts() = default;
};

enum class RecordAction {
    Next,              // nothing to do: a comment, an unknown type, a line passed over
    Refuse,            // not acted on: the installation ends with errors, the walk goes on
    RefuseComponent,   // as Refuse, and what lies in the component's place is not the published file
    SetTotal,          // T: the total of the overall progress
    NoteDigest,        // D: held for the I or M record behind it
    CountCurrent,      // the file in place is current: its size counts towards the progress
    AwaitCheck,        // a check of the file in place runs: the line is read again when it ends
    Download,          // fetch the component, then go on behind the line
    DownloadSystemFile,   // fetch the system file, then read the line again to replace it
    ReplaceSystemFile, // put the system file this walk fetched into the system folder
    Shortcut,          // L
    Register,          // R
    HoldObject,        // H
};

// The rule for a record of the given type and fields, read from lineStart.
RecordAction decideRecord(const ListRecord& record, int lineStart, const WalkRules& walk, RecordFacts& facts);

// Whether a D record read before this one still holds: a digest serves the I
// or M record right behind it only.
bool keepsHeldDigest(char recordType);
