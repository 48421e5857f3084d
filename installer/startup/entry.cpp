#include "startup/entry.h"

#include "core/install_state.h"
#include "engine/held_object.h"
#include "startup/command_line.h"
#include "startup/language_offset.h"
#include "startup/post_install.h"
#include "transfer/socket_dispatcher.h"
#include "win32/com_init.h"
#include "win32/scoped_library.h"
#include "wizard/wizard_sheet.h"

#include <commctrl.h>
#include <shellapi.h>

namespace {

// IsUserAnAdmin is looked up at run time: the 9x family's shell32 lacks it,
// and that family has no administrators, so there every user counts as one.
bool isAdministrator()
{
    ScopedLibrary shell;
    BOOL(WINAPI * isUserAnAdmin)() = nullptr;
    if (!shell.loadFromSystemFolder("shell32.dll") || !shell.find("IsUserAnAdmin", isUserAnAdmin))
        return true;
    return isUserAnAdmin() != FALSE;
}

// Returns true when this process may go on: it has administrator rights.
// Without them it starts an elevated copy once and ends itself.
bool ensureElevated(const char* argumentText, int showCommand)
{
    if (!isAdministrator()) {
        char ownPath[256];
        DWORD length = GetModuleFileNameA(nullptr, ownPath, sizeof ownPath);
        if (length == 0 || length >= sizeof ownPath)
            return false;
        HINSTANCE started = ShellExecuteA(nullptr, "runas", ownPath, argumentText, "", showCommand);
        if (reinterpret_cast<INT_PTR>(started) > 32)
            return false;
    }
    return isAdministrator();
}

// The mutex handle is never closed: the name stays taken until the process ends.
bool claimSingleInstance()
{
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "zorvInstaller");
    if (mutex == nullptr)
        return false;
    return GetLastError() != ERROR_ALREADY_EXISTS;
}

} // namespace

int runInstaller(HINSTANCE instance, const char* argumentText, int showCommand)
{
    // The library search is restricted already (main.cpp); the dispatcher's
    // window and Windows Sockets may load libraries, so they come only now.
    startSocketDispatcher();
    if (!ensureElevated(argumentText, showCommand))
        return 0;
    if (!claimSingleInstance())
        return 0;

    installState.instanceHandle = instance;
    InitCommonControls();
    installState.languageOffset = languageOffsetFor(GetUserDefaultLangID());

    ScopedCoInitialize com;
    if (!com.succeeded())
        return 0;

    if (parseCommandLine(argumentText) == 0)
        runWizard(installState.afterBoot ? WizardStart::Finish : WizardStart::Welcome);

    if (holdsObject()) {
        writeInstallStamp();
        releaseHeldObject();
    }
    com.uninitialize();

    if (installState.errorFlag)
        return 0;
    finishClientFiles(installState.installFolder);
    return 0;
}
