#include "win32/access_list_functions.h"

bool AccessListFunctions::load()
{
    return (library_.loaded() || library_.loadFromSystemFolder("advapi32.dll"))
        && library_.find("GetSecurityInfo", getSecurityInfo) && library_.find("SetSecurityInfo", setSecurityInfo)
        && library_.find("SetEntriesInAclA", setEntriesInAcl)
        && library_.find("SetNamedSecurityInfoA", setNamedSecurityInfo)
        && library_.find("GetTokenInformation", getTokenInformation);
}

EveryoneSid::EveryoneSid()
{
    const SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    sid_.Revision = SID_REVISION;
    sid_.SubAuthorityCount = 1;
    sid_.IdentifierAuthority = world;
    sid_.SubAuthority[0] = SECURITY_WORLD_RID;
}
