#include "startup/post_install.h"

#include "client/client_objects.h"
#include "common/bounded_copy.h"
#include "common/bounded_format.h"
#include "common/text_sizes.h"
#include "core/install_state.h"
#include "win32/access_list_functions.h"
#include "win32/com_ptr.h"
#include "win32/scoped_bstr.h"
#include "win32/scoped_handle.h"
#include "win32/scoped_local.h"

#include <time.h>

namespace {

// The folder's add-file right: everyone may create files in it.
const DWORD folderAddFileRight = 2;

void setStampValue(IZorvClientConf* configuration, const char* key, ScopedVariant& value)
{
    ScopedBstr section("installer");
    ScopedBstr name(key);
    configuration->SetValue(section.get(), name.get(), value.get());
}

void createIfMissing(const char* path)
{
    ScopedHandle file(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The three texts the finishing shows, one per step of a grant: reading the
// path's access, combining it with the new entry, writing it back. Whatever
// goes wrong is told as the step it stops.
const char readFailedText[] = "GetNamedSecurityInfo(%s): Error %ld";
const char combineFailedText[] = "SetEntriesInAcl(%s): Error %ld";
const char writeFailedText[] = "SetNamedSecurityInfo(%s): Error %ld";

void showAccessError(const char* format, const char* path, DWORD error)
{
    // A cut message still tells what failed.
    char text[pathSize];
    formatBounded(text, sizeof text, format, path, static_cast<long>(error));
    MessageBoxA(nullptr, text, ZORV_CAPTION, MB_OK);
}

// Opens the file or folder itself, not followed when it is a junction or
// symbolic link, with the given rights.
HANDLE openObject(const char* path, bool isFile, DWORD rights)
{
    const DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT | (isFile ? 0 : FILE_FLAG_BACKUP_SEMANTICS);
    return CreateFileA(path, rights, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, flags, nullptr);
}

// The handle a grant works through. An object whose access may be read but
// not changed is still read and combined, and its write then fails with the
// reason the open for changing gave.
struct GrantObject {
    ScopedHandle handle;
    DWORD writeError;   // ERROR_SUCCESS when the handle may change the access
};

// False, with the reason in error, when the path's access cannot be read.
bool openForGrant(const char* path, bool isFile, GrantObject& object, DWORD& error)
{
    object.handle.reset(openObject(path, isFile, READ_CONTROL | WRITE_DAC));
    object.writeError = ERROR_SUCCESS;
    if (object.handle.valid())
        return true;
    object.writeError = GetLastError();
    object.handle.reset(openObject(path, isFile, READ_CONTROL));
    if (object.handle.valid())
        return true;
    error = GetLastError();
    return false;
}

// Everyone may add files to the folder, so a name there may be a link that
// an ordinary user made to a file of the system: a grant through it would
// reach that file. Links and files with further names are refused, as
// access that may not be read; error tells why.
bool isPlainObject(HANDLE object, bool isFile, DWORD& error)
{
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(object, &information)) {
        error = GetLastError();
        return false;
    }
    if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        error = ERROR_CANT_ACCESS_FILE;
        return false;
    }
    // A folder's count of links says nothing about other names.
    if (isFile && information.nNumberOfLinks > 1) {
        error = ERROR_TOO_MANY_LINKS;
        return false;
    }
    return true;
}

void grantEveryoneAccess(AccessListFunctions& access, const char* path, bool isFile)
{
    GrantObject object;
    DWORD error = ERROR_SUCCESS;
    if (!openForGrant(path, isFile, object, error) || !isPlainObject(object.handle.get(), isFile, error)) {
        showAccessError(readFailedText, path, error);
        return;
    }
    PACL oldList = nullptr;
    ScopedLocal<PSECURITY_DESCRIPTOR> descriptor;
    error = access.getSecurityInfo(object.handle.get(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                   nullptr, &oldList, nullptr, descriptor.put());
    if (error != ERROR_SUCCESS) {
        showAccessError(readFailedText, path, error);
        return;
    }
    EveryoneSid everyone;
    EXPLICIT_ACCESSA entry = {};
    entry.grfAccessPermissions = isFile ? FILE_GENERIC_WRITE : folderAddFileRight;
    entry.grfAccessMode = GRANT_ACCESS;
    entry.grfInheritance = NO_INHERITANCE;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    entry.Trustee.ptstrName = static_cast<LPSTR>(everyone.get());

    ScopedLocal<PACL> newList;
    error = access.setEntriesInAcl(1, &entry, oldList, newList.put());
    if (error != ERROR_SUCCESS) {
        showAccessError(combineFailedText, path, error);
        return;
    }
    error = object.writeError;
    if (error == ERROR_SUCCESS)
        error = access.setSecurityInfo(object.handle.get(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                       nullptr, newList.get(), nullptr);
    if (error != ERROR_SUCCESS)
        showAccessError(writeFailedText, path, error);
}

} // namespace

void writeInstallStamp()
{
    useClientConfiguration([](IZorvClientConf* configuration) {
        if (distributionKind() == LocationKind::Http) {
            ScopedVariant origin;
            origin.setString(installState.baseUrl);
            setStampValue(configuration, "origin", origin);
        }
        ScopedVariant stamp;
        stamp.setInt32(static_cast<LONG>(time(nullptr)));
        setStampValue(configuration, "tstamp", stamp);
    });
}

void finishClientFiles(const char* installFolder)
{
    // Order matters: the files are made first, then everyone may write them;
    // the configuration file itself is never created here.
    static const char* const created[] = { "\\client\\zorvc.log", "\\client\\zorvc.ini.bak",
                                           "\\client\\trusted.cas" };
    struct Grant {
        const char* suffix;
        bool isFile;
    };
    static const Grant granted[] = {
        { "\\client", false },
        { "\\client\\zorvc.log", true },
        { "\\client\\zorvc.ini", true },
        { "\\client\\zorvc.ini.bak", true },
        { "\\client\\trusted.cas", true },
    };
    char path[pathSize];
    for (const char* suffix : created) {
        if (copyBounded(path, sizeof path, installFolder) && appendBounded(path, sizeof path, suffix))
            createIfMissing(path);
    }
    // The 9x family keeps no access lists: there is nothing to grant.
    AccessListFunctions access;
    if (!access.load())
        return;
    for (const Grant& grant : granted) {
        if (copyBounded(path, sizeof path, installFolder) && appendBounded(path, sizeof path, grant.suffix))
            grantEveryoneAccess(access, path, grant.isFile);
    }
}
