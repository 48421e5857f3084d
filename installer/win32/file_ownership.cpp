#include "win32/file_ownership.h"

#include "win32/access_list_functions.h"
#include "win32/scoped_handle.h"
#include "win32/scoped_local.h"

#include <string.h>

namespace {

// SIDs are plain structures: compared byte by byte, without system calls
// that the 9x family lacks.
DWORD sidLength(const SID* sid)
{
    return static_cast<DWORD>(8 + 4 * sid->SubAuthorityCount);
}

bool sameSid(const SID* a, const SID* b)
{
    return a != nullptr && b != nullptr && a->SubAuthorityCount == b->SubAuthorityCount
        && memcmp(a, b, sidLength(a)) == 0;
}

// An NT-authority SID of up to two sub-authorities.
struct NtSid {
    BYTE revision;
    BYTE count;
    BYTE authority[6];
    DWORD rids[2];
};

bool isWellKnownOwner(const SID* owner)
{
    static const NtSid wellKnown[] = {
        { SID_REVISION, 1, { 0, 0, 0, 0, 0, 5 }, { 18 } },              // LocalSystem
        { SID_REVISION, 2, { 0, 0, 0, 0, 0, 5 }, { 32, 544 } },         // Administrators
    };
    for (const NtSid& sid : wellKnown) {
        if (sameSid(owner, reinterpret_cast<const SID*>(&sid)))
            return true;
    }
    return false;
}

// The TrustedInstaller service's SID has six sub-authorities.
bool isTrustedInstaller(const SID* owner)
{
    static const DWORD rids[] = { 80, 956008885, 3418522649u, 1831038044, 1853292631, 2271478464u };
    const BYTE nt[6] = { 0, 0, 0, 0, 0, 5 };
    return owner->SubAuthorityCount == 6 && memcmp(owner->IdentifierAuthority.Value, nt, 6) == 0
        && memcmp(owner->SubAuthority, rids, sizeof rids) == 0;
}

// The process token's user and default owner.
bool isOwnToken(AccessListFunctions& access, const SID* owner)
{
    ScopedHandle token;
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened))
        return false;
    token.reset(opened);
    union {
        TOKEN_USER user;
        TOKEN_OWNER owner;
        BYTE bytes[256];
    } information;
    DWORD size = 0;
    if (access.getTokenInformation(token.get(), TokenUser, &information, sizeof information, &size)
        && sameSid(owner, static_cast<const SID*>(information.user.User.Sid)))
        return true;
    return access.getTokenInformation(token.get(), TokenOwner, &information, sizeof information, &size)
        && sameSid(owner, static_cast<const SID*>(information.owner.Owner));
}

} // namespace

bool isAdministratorsFile(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file, &information)
        || (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))
        || information.nNumberOfLinks != 1)
        return false;
    // Looked up once: a walk asks this for every file in place. Only one
    // thread at a time asks.
    static AccessListFunctions access;
    if (!access.load())
        return true;   // no owners on this system
    PSID owner = nullptr;
    ScopedLocal<PSECURITY_DESCRIPTOR> descriptor;
    if (access.getSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                               descriptor.put())
        != ERROR_SUCCESS || owner == nullptr)
        return false;
    const SID* sid = static_cast<const SID*>(owner);
    return isWellKnownOwner(sid) || isTrustedInstaller(sid) || isOwnToken(access, sid);
}
