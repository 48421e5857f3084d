#include "core/install_state.h"

InstallState installState = {
    nullptr,                      // instanceHandle
    ZORV_DEFAULT_INSTALL_FOLDER,  // installFolder
    ZORV_DEFAULT_BASE_URL,        // baseUrl
    1,                            // urlIsHttp
    0, 0, 0, 0, 0, 0,             // forceAll, noReg, afterBoot, restartPending, existingInstall, useProxy
    "",                           // proxyAddress
    0, 0, 0, 0, 0,                // errorFlag, totalBytes, doneBytes, listOffset, languageOffset
    nullptr,                      // currentTransfer
    0,                            // exitMessage
    1,                            // wipeMenuFolder
};
