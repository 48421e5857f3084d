#include "engine/installed_access.h"

#include "common/bounded_copy.h"
#include "common/text_sizes.h"
#include "win32/access_list_functions.h"
#include "win32/reg_key.h"
#include "win32/scoped_handle.h"
#include "win32/scoped_local.h"
#include "win32/windows_version.h"

#include <stddef.h>

namespace {

// The folder the default installation folder lies in.
bool programFilesFolder(char folder[pathSize])
{
    RegKey key;
    return key.open(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion")
        && key.readString("ProgramFilesDir", folder, pathSize);
}

// Entries the program files folder inherited become the new folder's own:
// it inherits nothing.
void makeEntriesExplicit(PACL list)
{
    if (list == nullptr || list->AclSize < sizeof(ACL))
        return;
    BYTE* entry = reinterpret_cast<BYTE*>(list) + sizeof(ACL);
    BYTE* const end = reinterpret_cast<BYTE*>(list) + list->AclSize;
    for (WORD i = 0; i < list->AceCount; ++i) {
        if (end - entry < static_cast<ptrdiff_t>(sizeof(ACE_HEADER)))
            return;
        ACE_HEADER* header = reinterpret_cast<ACE_HEADER*>(entry);
        if (header->AceSize < sizeof(ACE_HEADER) || header->AceSize > end - entry)
            return;
        header->AceFlags &= static_cast<BYTE>(~INHERITED_ACE);
        entry += header->AceSize;
    }
}

bool inheritanceOnRequest()
{
    // Windows 2000 (5.0) brought the protected and unprotected lists.
    return !isNineXFamily() && LOBYTE(LOWORD(GetVersion())) >= 5;
}

// The list of the program files folder as a descriptor to create a folder
// with: protected, its entries the new folder's own.
bool programFilesDescriptor(AccessListFunctions& functions, ScopedLocal<PSECURITY_DESCRIPTOR>& descriptor)
{
    char programFiles[pathSize];
    if (!programFilesFolder(programFiles))
        return false;
    ScopedHandle source(CreateFileA(programFiles, READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!source.valid())
        return false;
    PACL list = nullptr;
    if (functions.getSecurityInfo(source.get(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &list,
                                  nullptr, descriptor.put())
            != ERROR_SUCCESS
        || descriptor.get() == nullptr)
        return false;
    makeEntriesExplicit(list);
    // The descriptor comes back self-relative: its control word lies in its
    // header. NT 4 knows no such flag; a list given at the creation is all
    // the folder gets there anyway.
    if (inheritanceOnRequest())
        reinterpret_cast<SECURITY_DESCRIPTOR_RELATIVE*>(descriptor.get())->Control |= SE_DACL_PROTECTED;
    return true;
}

} // namespace

bool createTopFolder(const char* folder)
{
    AccessListFunctions functions;
    ScopedLocal<PSECURITY_DESCRIPTOR> descriptor;
    // A program files folder that is not there (the registry names one still
    // to be made, the installation's own top folder then) has no list to give.
    if (isNineXFamily() || !functions.load() || !programFilesDescriptor(functions, descriptor))
        return CreateDirectoryA(folder, nullptr) != 0;
    // Given at the creation, the list is there from the folder's first moment.
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.get(), FALSE};
    return CreateDirectoryA(folder, &attributes) != 0;
}

bool takeSystemFolderAccess(const char* path)
{
    AccessListFunctions functions;
    if (!inheritanceOnRequest() || !functions.load())
        return true;
    // An empty list, unprotected: what remains are the entries the folder hands down.
    ACL empty = {ACL_REVISION, 0, sizeof(ACL), 0, 0};
    char name[pathSize];
    if (!copyBounded(name, sizeof name, path))
        return false;
    return functions.setNamedSecurityInfo(name, SE_FILE_OBJECT,
                                          DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                          nullptr, &empty, nullptr)
        == ERROR_SUCCESS;
}
