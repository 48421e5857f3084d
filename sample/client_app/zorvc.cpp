// zorvc.exe, the sample client application: a hidden top-level window that
// keeps the program running until it is asked to go, either by the installer's
// broadcast "ZorvUserWantsExit" or by WM_CLOSE (what the application object's
// Quit posts). With the argument /RegServer it only registers itself.

#include "journal.h"
#include "sample_names.h"

#include "common/ascii.h"
#include "win32/reg_key.h"

#include <windows.h>

#include <string.h>

namespace {

UINT exitMessage = 0;

// Like a real client, the sample takes a moment to wind down after the
// installer's request: it saves its state, then goes.
const UINT_PTR windDownTimer = 1;
const UINT windDownMilliseconds = 1500;

void journal(const char* text)
{
    journalLine(nullptr, text);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (exitMessage != 0 && message == exitMessage) {
        journal("zorvc exit broadcast");
        SetTimer(window, windDownTimer, windDownMilliseconds, nullptr);
        return 0;
    }
    switch (message) {
    case WM_TIMER:
        if (wParam == windDownTimer)
            DestroyWindow(window);
        return 0;
    case WM_CLOSE:
        journal("zorvc quit");
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// True when one blank-separated word of the command line is the option,
// introduced by "/" or "-", letter case ignored.
bool hasOption(const char* commandLine, const char* option)
{
    size_t length = strlen(option);
    for (const char* at = commandLine; *at != '\0'; ++at) {
        bool wordStart = at == commandLine || at[-1] == ' ' || at[-1] == '\t';
        if (wordStart && (*at == '/' || *at == '-') && startsWithIgnoreCase(at + 1, option, length)
            && (at[1 + length] == '\0' || at[1 + length] == ' ' || at[1 + length] == '\t'))
            return true;
    }
    return false;
}

int registerServer()
{
    char path[samplePathCapacity];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    RegKey settings;
    bool registered = length > 0 && length < sizeof path && settings.create(HKEY_CURRENT_USER, SAMPLE_SETTINGS_KEY)
        && settings.writeString("RegServer", path);
    journal(registered ? "zorvc /RegServer" : "zorvc /RegServer failed");
    return registered ? 0 : 1;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    if (hasOption(commandLine, "RegServer"))
        return registerServer();

    exitMessage = RegisterWindowMessageA("ZorvUserWantsExit");
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = SAMPLE_CLIENT_WINDOW_CLASS;
    if (RegisterClassA(&windowClass) == 0)
        return 1;
    // Top-level (not message-only), so FindWindow and the broadcast reach it; never shown.
    HWND window = CreateWindowExA(0, SAMPLE_CLIENT_WINDOW_CLASS, "ZORV Client V3 (sample)", WS_OVERLAPPED, 0, 0, 0,
                                  0, nullptr, nullptr, instance, nullptr);
    if (window == nullptr)
        return 1;
    journal("zorvc started");

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
