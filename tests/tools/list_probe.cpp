// A console program of the tests: runs the key-built installer's check of a
// downloaded component list on its own under Wine, with the same vendor key,
// and prints its outcome.
//
//   list_probe LIST...
//     For each list, checked as a download with no kept list beside it (the
//     serial recorded in the registry still counts), one line
//     "LIST outcome=accepted|not-signed|older|uncheckable". Nothing is
//     recorded: the check ends before the walk would take the list.
//     Exit 0 when every check ended, 1 when one did not within 60 s, 2 on
//     bad usage.

#include <windows.h>

#include <stdio.h>

#include "core/private_messages.h"
#include "engine/list_check.h"

namespace {

const DWORD checkTimeout = 60000;
const char noKeptList[] = "";

const char* outcomeName(ContentCheck outcome)
{
    switch (outcome) {
    case ContentCheck::Accepted:
        return "accepted";
    case ContentCheck::NotSigned:
        return "not-signed";
    case ContentCheck::Older:
        return "older";
    case ContentCheck::Uncheckable:
        return "uncheckable";
    default:
        return "unexpected";
    }
}

// The check's continue command comes to this window, as it comes to the
// progress dialog.
LRESULT CALLBACK probeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == CMD_CONTINUE) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 1);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool waitForContinue(HWND window)
{
    const DWORD deadline = GetTickCount() + checkTimeout;
    while (GetWindowLongPtrA(window, GWLP_USERDATA) == 0) {
        const LONG left = static_cast<LONG>(deadline - GetTickCount());
        if (left <= 0)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: list_probe LIST...\n");
        return 2;
    }
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = probeWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "ZorvListProbe";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("ZorvListProbe", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
    if (window == nullptr)
        return 2;
    for (int i = 1; i < argc; ++i) {
        const char* path = argv[i];
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        ContentCheck outcome = checkListDownload(window, path, noKeptList);
        if (outcome == ContentCheck::Pending) {
            if (!waitForContinue(window)) {
                printf("%s outcome=timeout\n", path);
                return 1;
            }
            outcome = checkListDownload(window, path, noKeptList);
        }
        printf("%s outcome=%s\n", path, outcomeName(outcome));
        fflush(stdout);
        stopListCheck();
    }
    DestroyWindow(window);
    return 0;
}
