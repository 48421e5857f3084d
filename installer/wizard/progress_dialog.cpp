#include "wizard/progress_dialog.h"

#include "core/install_state.h"
#include "core/language_string.h"
#include "core/private_messages.h"
#include "wizard/shown_progress.h"
#include "engine/configuration_handover.h"
#include "engine/list_walk.h"
#include "engine/progress_view.h"
#include "res/resource_ids.h"
#include "win32/kept_static_text.h"
#include "win32/waiting_input.h"

namespace {

bool ended = false;

INT_PTR onInitDialog(HWND dialog)
{
    ended = false;
    // The byte counts change with nearly every chunk.
    keepStaticText(GetDlgItem(dialog, IDC_BYTES));
    installState.doneBytes = 0;
    installState.totalBytes = 0;
    postEngineCommand(dialog, CMD_START);
    installState.exitMessage = RegisterWindowMessageA("ZorvUserWantsExit");
    return TRUE;
}

// Asks before giving up an installation that is still going well; one that
// has failed already ends at once.
void onCancel(HWND dialog)
{
    if (!installState.errorFlag) {
        char question[128];
        loadLanguageString(IDS_CANCEL_QUESTION, question, sizeof question);
        // The installation goes on while the question is open, and may end.
        if (MessageBoxA(dialog, question, ZORV_CAPTION, MB_ICONQUESTION | MB_YESNO) != IDYES)
            return;
    }
    endProgressDialog(dialog, 2);
}

bool isEngineCommand(WORD id)
{
    return id == CMD_START || id == CMD_CONTINUE || id == CMD_FINISH;
}

INT_PTR onCommand(HWND dialog, WORD id)
{
    // Every step first asks running client processes to exit.
    PostMessageA(HWND_BROADCAST, installState.exitMessage, 0, 0);
    if (ended) {
        // A nested loop may still hand out commands posted before the end.
        return id == IDCANCEL || isEngineCommand(id);
    }
    switch (id) {
    case IDCANCEL:
        onCancel(dialog);
        return TRUE;
    case CMD_START:
        startCommand(dialog);
        return TRUE;
    case CMD_CONTINUE:
        continueCommand(dialog);
        return TRUE;
    case CMD_FINISH:
        finishCommand(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

// A command held back behind input: its timer's id is the command.
INT_PTR onTimer(HWND dialog, WPARAM timerId)
{
    if (timerId == TIMER_BYTE_COUNTS) {
        showHeldByteCounts(dialog);
        return TRUE;
    }
    if (timerId > 0xFFFF || !isEngineCommand(static_cast<WORD>(timerId)))
        return FALSE;
    KillTimer(dialog, timerId);
    return onCommand(dialog, static_cast<WORD>(timerId));
}

} // namespace

void postEngineCommand(HWND dialog, WORD command)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void postEngineCommandBehindInput(HWND dialog, WORD command)
{
    // WM_TIMER is handed out only once no input waits.
    if (inputWaiting() && resumeLater(dialog, command))
        return;
    postEngineCommand(dialog, command);
}

void endProgressDialog(HWND dialog, INT_PTR result)
{
    if (ended)
        return;
    ended = true;
    EndDialog(dialog, result);
}

bool progressDialogEnded()
{
    return ended;
}

INT_PTR CALLBACK progressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog);
    case WM_COMMAND:
        return onCommand(dialog, LOWORD(wParam));
    case WM_TIMER:
        return onTimer(dialog, wParam);
    default:
        return FALSE;
    }
}

INT_PTR runProgressDialog(HWND owner)
{
    return DialogBoxParamA(installState.instanceHandle,
                           MAKEINTRESOURCEA(IDD_PROGRESS + installState.languageOffset), owner,
                           progressDialogProc, 0);
}
