#include "engine/self_register.h"

#include "common/bounded_copy.h"
#include "core/install_state.h"
#include "engine/component_files.h"

#include <string.h>
#include <windows.h>

namespace {

typedef HRESULT(STDAPICALLTYPE* RegisterServerFunction)();

// The path is quoted: under "Program Files" an unquoted one would let the
// system start "C:\Program.exe" first.
void registerProgram(const char* path)
{
    char command[512];
    if (!copyBounded(command, sizeof command, "\"") || !appendBounded(command, sizeof command, path)
        || !appendBounded(command, sizeof command, "\" /RegServer")
        || WinExec(command, SW_HIDE) < 32)
        installState.errorFlag = 1;
}

void registerLibrary(const char* path)
{
    HMODULE library = LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (library == nullptr)
        return;
    RegisterServerFunction registerServer =
        reinterpret_cast<RegisterServerFunction>(reinterpret_cast<void*>(GetProcAddress(library, "DllRegisterServer")));
    if (registerServer != nullptr && FAILED(registerServer()))
        installState.errorFlag = 1;
    FreeLibrary(library);
}

} // namespace

void selfRegister(const char* file, const char* folder)
{
    char path[512];
    if (!componentPath(path, file, folder)) {
        installState.errorFlag = 1;
        return;
    }
    if (strstr(path, ".exe") != nullptr || strstr(path, ".EXE") != nullptr)
        registerProgram(path);
    if (strstr(path, ".dll") != nullptr || strstr(path, ".DLL") != nullptr)
        registerLibrary(path);
}
