#pragma once
#include "win32/noncopyable.h"
#include "win32/scoped_library.h"

#include <windows.h>
#include <aclapi.h>

// The access-list functions of advapi32, looked up at run time: the 9x
// family has no access lists, its advapi32 lacks them, and a static import
// would keep the program from loading there.
class AccessListFunctions : NonCopyable {
public:
    // True when the system has every one of them.
    bool load();

    DWORD(WINAPI* getSecurityInfo)(HANDLE, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID*, PSID*, PACL*, PACL*,
                                   PSECURITY_DESCRIPTOR*) = nullptr;
    DWORD(WINAPI* setSecurityInfo)(HANDLE, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID, PSID, PACL, PACL) = nullptr;
    DWORD(WINAPI* setEntriesInAcl)(ULONG, PEXPLICIT_ACCESSA, PACL, PACL*) = nullptr;
    DWORD(WINAPI* setNamedSecurityInfo)(LPSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID, PSID, PACL,
                                        PACL) = nullptr;
    BOOL(WINAPI* getTokenInformation)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD) = nullptr;

private:
    ScopedLibrary library_;
};

// The well-known group Everyone (S-1-1-0), built without a system call.
class EveryoneSid {
public:
    EveryoneSid();
    PSID get() { return &sid_; }

private:
    SID sid_;   // one sub-authority, which SID has room for
};
