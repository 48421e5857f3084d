#include "wizard/progress_dialog.h"

#include "core/install_state.h"
#include "core/language_string.h"
#include "core/private_messages.h"
#include "engine/finish_command.h"
#include "engine/list_walk.h"
#include "engine/progress_view.h"
#include "res/resource_ids.h"
#include "win32/waiting_input.h"
#include "wizard/progress_display.h"

namespace {

// What runProgressDialog hands the dialog: its display, which the dialog's
// DWLP_USER holds, and the walk of its installation, which its GWLP_USERDATA
// holds.
struct ProgressRun {
    ProgressDisplay display;
    ListWalk& walk;
};

ListWalk& walkOf(HWND dialog)
{
    return *reinterpret_cast<ListWalk*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
}

INT_PTR onInitDialog(HWND dialog, LPARAM parameter)
{
    ProgressRun& run = *reinterpret_cast<ProgressRun*>(parameter);
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&run.display));
    SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&run.walk));
    run.walk.dialog = dialog;
    run.display.attach(dialog);
    installState.doneBytes = 0;
    installState.totalBytes = 0;
    postEngineCommand(dialog, CMD_START);
    installState.exitMessage = RegisterWindowMessageA(USER_WANTS_EXIT_MESSAGE);
    return TRUE;
}

// Asks before giving up an installation that is still going well; one that
// has failed already ends at once.
void onCancel(ProgressDisplay& display, HWND dialog)
{
    if (!installState.errorFlag) {
        char question[128];
        loadLanguageString(IDS_CANCEL_QUESTION, question, sizeof question);
        // The installation goes on while the question is open, and may end.
        if (MessageBoxA(dialog, question, ZORV_CAPTION, MB_ICONQUESTION | MB_YESNO) != IDYES)
            return;
    }
    display.end(PROGRESS_FAILED);
}

bool isEngineCommand(WORD id)
{
    return id == CMD_START || id == CMD_CONTINUE || id == CMD_FINISH;
}

INT_PTR onCommand(ProgressDisplay& display, HWND dialog, WORD id)
{
    // Every step first asks running client processes to exit.
    PostMessageA(HWND_BROADCAST, installState.exitMessage, 0, 0);
    if (display.ended()) {
        // A nested loop may still hand out commands posted before the end.
        return id == IDCANCEL || isEngineCommand(id);
    }
    switch (id) {
    case IDCANCEL:
        onCancel(display, dialog);
        return TRUE;
    case CMD_START:
        startCommand(walkOf(dialog));
        return TRUE;
    case CMD_CONTINUE:
        continueCommand(walkOf(dialog));
        return TRUE;
    case CMD_FINISH:
        finishCommand(walkOf(dialog));
        return TRUE;
    default:
        return FALSE;
    }
}

// A command held back behind input: its timer's id is the command.
INT_PTR onTimer(ProgressDisplay& display, HWND dialog, WPARAM timerId)
{
    if (timerId == TIMER_BYTE_COUNTS) {
        display.showHeldByteCounts();
        return TRUE;
    }
    if (timerId == TIMER_BARS) {
        display.showHeldBars();
        return TRUE;
    }
    if (timerId > 0xFFFF || !isEngineCommand(static_cast<WORD>(timerId)))
        return FALSE;
    KillTimer(dialog, timerId);
    return onCommand(display, dialog, static_cast<WORD>(timerId));
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

bool progressDialogEnded(HWND dialog)
{
    const ProgressDisplay* display = ProgressDisplay::of(dialog);
    return display == nullptr || display->ended();
}

INT_PTR CALLBACK progressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        return onInitDialog(dialog, lParam);
    if (message != WM_COMMAND && message != WM_TIMER)
        return FALSE;
    ProgressDisplay* display = ProgressDisplay::of(dialog);
    if (display == nullptr)
        return FALSE;   // before WM_INITDIALOG
    if (message == WM_COMMAND)
        return onCommand(*display, dialog, LOWORD(wParam));
    return onTimer(*display, dialog, wParam);
}

INT_PTR runProgressDialog(HWND owner, ListWalk& walk)
{
    ProgressRun run = { ProgressDisplay(), walk };
    return DialogBoxParamA(installState.instanceHandle, MAKEINTRESOURCEA(IDD_PROGRESS + installState.languageOffset),
                           owner, progressDialogProc, reinterpret_cast<LPARAM>(&run));
}
