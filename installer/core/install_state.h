#pragma once
#include "common/location_kind.h"
#include "common/text_sizes.h"

#include <windows.h>

class Transfer;

// The one process-wide state that the pages, the progress dialog, the engine
// and the start-up share. It lives for the whole run; every flag starts at 0
// except urlIsHttp and wipeMenuFolder.
struct InstallState {
    HINSTANCE instanceHandle;
    char installFolder[pathSize];
    char baseUrl[pathSize];
    int urlIsHttp;
    int forceAll;
    int noReg;
    int afterBoot;
    int restartPending;
    int existingInstall;
    int useProxy;
    char proxyAddress[pathSize];
    int errorFlag;
    int totalBytes;
    int doneBytes;
    int listOffset;
    int languageOffset;   // the language's id offset in res/languages.def (0 English)
    Transfer* currentTransfer;
    UINT exitMessage;
    int wipeMenuFolder;
};

extern InstallState installState;

// The kind of the distribution location that urlIsHttp records.
inline LocationKind distributionKind()
{
    return installState.urlIsHttp ? LocationKind::Http : LocationKind::Folder;
}

// The maker's distribution server; installations normally come from here.
#define ZORV_DEFAULT_BASE_URL "http://download.zorv.example/zorv/distribution/win32"
#define ZORV_DEFAULT_INSTALL_FOLDER "C:\\Program Files\\Brenix\\ZORV3"
#define ZORV_CAPTION "ZORV Online Installer"
