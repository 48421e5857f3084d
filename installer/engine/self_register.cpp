#include "engine/self_register.h"

#include "common/bounded_copy.h"
#include "common/text_sizes.h"
#include "core/install_state.h"
#include "engine/component_files.h"
#include "win32/scoped_library.h"

#include <string.h>
#include <windows.h>

namespace {

typedef HRESULT(STDAPICALLTYPE* RegisterServerFunction)();

// The path is quoted: under "Program Files" an unquoted one would let the
// system start "C:\Program.exe" first.
void registerProgram(const char* path)
{
    char command[pathSize];
    if (!copyBounded(command, sizeof command, "\"") || !appendBounded(command, sizeof command, path)
        || !appendBounded(command, sizeof command, "\" /RegServer")
        || WinExec(command, SW_HIDE) < 32)
        installState.errorFlag = 1;
}

// The component's own folder is searched for the libraries it needs. Where
// the library search is restricted to the system folder, the platform takes
// this flag as that folder and the system folder (COM loads its servers the
// same way).
void registerLibrary(const char* path)
{
    ScopedLibrary library;
    if (!library.load(path, LOAD_WITH_ALTERED_SEARCH_PATH))
        return;
    RegisterServerFunction registerServer = nullptr;
    if (library.find("DllRegisterServer", registerServer) && FAILED(registerServer()))
        installState.errorFlag = 1;
}

} // namespace

void selfRegister(const char* file, const char* folder)
{
    char path[pathSize];
    if (!componentPath(path, file, folder)) {
        installState.errorFlag = 1;
        return;
    }
    if (strstr(path, ".exe") != nullptr || strstr(path, ".EXE") != nullptr)
        registerProgram(path);
    if (strstr(path, ".dll") != nullptr || strstr(path, ".DLL") != nullptr)
        registerLibrary(path);
}
