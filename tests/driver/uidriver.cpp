// The tests' hands and eyes: a console program, run under the same Wine as the
// installer, that finds the wizard, its progress dialog and message boxes and
// acts on them the way a user would. Waits take a timeout in seconds and fail
// with a clear message when it runs out.
//
// One command per run: output goes to stdout; exit code 0 on success, 1 on
// failure (message on stderr), 2 on bad usage.
//
// "uidriver serve" stays running and reads one command a line from stdin, its
// arguments separated by tabs. Each answer is the command's output and
// messages on stdout, then a line of the record separator (0x1E) and the
// code; the first such line, with "-", says the driver is ready. A Wine
// process start costs more than most commands, and a test sends hundreds.

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char caption[] = "ZORV Online Installer";
const int tabControlId = 0x3020;   // the property sheet's tab control
const int messageBoxIconId = 1088;
const int messageBoxTextId = 0xFFFF;

enum class WindowKind { Sheet, Progress, MessageBox };

bool hasCaption(HWND window)
{
    char cls[64] = {};
    char title[128] = {};
    GetClassNameA(window, cls, sizeof cls);
    GetWindowTextA(window, title, sizeof title);
    return strcmp(cls, "#32770") == 0 && strcmp(title, caption) == 0;
}

WindowKind kindOf(HWND window)
{
    if (GetDlgItem(window, tabControlId) != nullptr)
        return WindowKind::Sheet;
    if (GetDlgItem(window, 1006) != nullptr && GetDlgItem(window, 1012) != nullptr)
        return WindowKind::Progress;
    return WindowKind::MessageBox;
}

struct Search {
    WindowKind kind;
    HWND found;
};

BOOL CALLBACK visitTopLevel(HWND window, LPARAM parameter)
{
    Search* search = reinterpret_cast<Search*>(parameter);
    if (IsWindowVisible(window) && hasCaption(window) && kindOf(window) == search->kind) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND findWindow(WindowKind kind)
{
    Search search = { kind, nullptr };
    EnumWindows(visitTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitFor(WindowKind kind, double seconds)
{
    DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds * 1000);
    for (;;) {
        HWND window = findWindow(kind);
        if (window != nullptr)
            return window;
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0)
            return nullptr;
        Sleep(50);
    }
}

bool waitGone(WindowKind kind, double seconds)
{
    DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds * 1000);
    while (findWindow(kind) != nullptr) {
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0)
            return false;
        Sleep(50);
    }
    return true;
}

int fail(const char* text)
{
    fprintf(stderr, "uidriver: %s\n", text);
    return 1;
}

HWND requireSheet()
{
    return findWindow(WindowKind::Sheet);
}

HWND currentPage(HWND sheet)
{
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

// The template id of the page the sheet shows, as the sheet itself knows it.
long currentTemplateId(HWND sheet)
{
    HWND page = currentPage(sheet);
    if (page == nullptr)
        return -1;
    LRESULT index = SendMessageA(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0);
    if (index < 0)
        return -1;
    return static_cast<long>(SendMessageA(sheet, PSM_INDEXTOID, static_cast<WPARAM>(index), 0));
}

// Control lookup on the current page, then on the sheet, then on the
// progress dialog, so tests name controls by id alone.
HWND findControl(int id)
{
    HWND sheet = requireSheet();
    if (sheet != nullptr) {
        HWND page = currentPage(sheet);
        if (page != nullptr && GetDlgItem(page, id) != nullptr)
            return GetDlgItem(page, id);
    }
    HWND progress = findWindow(WindowKind::Progress);
    if (progress != nullptr && GetDlgItem(progress, id) != nullptr)
        return GetDlgItem(progress, id);
    if (sheet != nullptr && GetDlgItem(sheet, id) != nullptr)
        return GetDlgItem(sheet, id);
    return nullptr;
}

struct TextSearch {
    int id;
    const char* wanted;
    char* text;
    int capacity;
    bool matched;
};

BOOL CALLBACK visitChild(HWND child, LPARAM parameter)
{
    TextSearch* search = reinterpret_cast<TextSearch*>(parameter);
    if (GetDlgCtrlID(child) != search->id)
        return TRUE;
    search->text[0] = '\0';
    SendMessageA(child, WM_GETTEXT, search->capacity, reinterpret_cast<LPARAM>(search->text));
    if (strstr(search->text, search->wanted) != nullptr) {
        search->matched = true;
        return FALSE;
    }
    return TRUE;
}

// Several controls may share an id (every unnamed static is 65535): looks
// at each of them on the current page and in the progress dialog.
bool anyControlText(int id, const char* wanted, char* text, int capacity)
{
    TextSearch search = { id, wanted, text, capacity, false };
    HWND sheet = requireSheet();
    HWND page = sheet ? currentPage(sheet) : nullptr;
    if (page != nullptr)
        EnumChildWindows(page, visitChild, reinterpret_cast<LPARAM>(&search));
    HWND progress = findWindow(WindowKind::Progress);
    if (!search.matched && progress != nullptr)
        EnumChildWindows(progress, visitChild, reinterpret_cast<LPARAM>(&search));
    return search.matched;
}

void printControlText(HWND control)
{
    char text[2048] = {};
    SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    printf("%s\n", text);
}

int pressButton(const char* which)
{
    HWND sheet = requireSheet();
    if (sheet == nullptr)
        return fail("no wizard window");
    int button;
    if (strcmp(which, "next") == 0)
        button = PSBTN_NEXT;
    else if (strcmp(which, "back") == 0)
        button = PSBTN_BACK;
    else if (strcmp(which, "finish") == 0)
        button = PSBTN_FINISH;
    else if (strcmp(which, "cancel") == 0)
        button = PSBTN_CANCEL;
    else
        return fail("press takes next, back, finish or cancel");
    // Posted: a sent press is not noticed by the sheet's modal loop.
    PostMessageA(sheet, PSM_PRESSBUTTON, button, 0);
    return 0;
}

// Waits until the sheet's thread has taken every message posted to it so
// far: a state change of the sheet's hidden Help button, posted behind them,
// shows there once they have run, and is then undone the same way.
bool settle(HWND sheet, double seconds)
{
    HWND help = GetDlgItem(sheet, IDHELP);
    if (help == nullptr || IsWindowVisible(help))
        return false;
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds * 1000);
    const bool pushed = (SendMessageA(help, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
    const bool steps[] = { !pushed, pushed };
    for (bool wanted : steps) {
        PostMessageA(help, BM_SETSTATE, wanted ? TRUE : FALSE, 0);
        while (((SendMessageA(help, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0) != wanted) {
            if (static_cast<LONG>(GetTickCount() - deadline) >= 0)
                return false;
            Sleep(5);
        }
    }
    return true;
}

// Presses a button and prints the page the sheet shows once the press has
// been handled: a vetoed Next is seen at once, not after a guessed pause.
int pressSettled(const char* which, double seconds)
{
    const int pressed = pressButton(which);
    if (pressed != 0)
        return pressed;
    HWND sheet = requireSheet();
    if (sheet == nullptr || !settle(sheet, seconds))
        return fail("the sheet did not handle the press");
    printf("%ld\n", currentTemplateId(sheet));
    return 0;
}

// The buttons once the sheet has handled what was posted to it: a page
// posts its buttons when it becomes active.
int showButtons()
{
    HWND sheet = requireSheet();
    if (sheet == nullptr)
        return fail("no wizard window");
    if (!settle(sheet, 5))
        return fail("the sheet did not handle its messages");
    struct {
        const char* name;
        int id;
    } buttons[] = { { "back", 0x3023 }, { "next", 0x3024 }, { "finish", 0x3025 }, { "cancel", IDCANCEL } };
    for (const auto& b : buttons) {
        HWND button = GetDlgItem(sheet, b.id);
        int state = (button != nullptr && IsWindowVisible(button) && IsWindowEnabled(button)) ? 1 : 0;
        printf("%s=%d ", b.name, state);
    }
    printf("\n");
    return 0;
}

int describeMessageBox(HWND box)
{
    HWND text = GetDlgItem(box, messageBoxTextId);
    HWND icon = GetDlgItem(box, messageBoxIconId);
    HICON iconHandle = icon ? reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0)) : nullptr;
    printf("icon=%d\n", iconHandle != nullptr ? 1 : 0);
    printf("buttons=");
    const int ids[] = { IDOK, IDCANCEL, IDYES, IDNO };
    for (int id : ids) {
        HWND button = GetDlgItem(box, id);
        if (button != nullptr && IsWindowVisible(button))
            printf("%d,", id);
    }
    printf("\n");
    char body[2048] = {};
    if (text != nullptr)
        SendMessageA(text, WM_GETTEXT, sizeof body, reinterpret_cast<LPARAM>(body));
    printf("text=%s\n", body);
    return 0;
}

// -- timing, for the benchmark ---------------------------------------------------
// These watch the other process through the window manager alone (no message
// is sent to it), so the watching does not slow what it measures.

double milliseconds()
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

const int rebootNowId = 1014;   // only the finish page has it

bool finishPageShown(HWND sheet)
{
    for (HWND page = FindWindowExA(sheet, nullptr, "#32770", nullptr); page != nullptr;
         page = FindWindowExA(sheet, page, "#32770", nullptr)) {
        if (IsWindowVisible(page) && GetDlgItem(page, rebootNowId) != nullptr)
            return true;
    }
    return false;
}

// Presses Next on the ready page and prints the milliseconds until the
// finish page shows.
// The installer's progress dialog: a top-level dialog of the caption other
// than the sheet. Asks the window server only; the installer answers nothing.
HWND findProgressDialog(HWND sheet)
{
    for (HWND window = FindWindowExA(nullptr, nullptr, "#32770", caption); window != nullptr;
         window = FindWindowExA(nullptr, window, "#32770", caption)) {
        if (window != sheet && kindOf(window) == WindowKind::Progress)
            return window;
    }
    return nullptr;
}

// Presses Next on the ready page and prints the milliseconds until the
// progress dialog has gone (ms=) and until the finish page shows (finish=).
// The dialog's end is looked for every 2 ms with a question to the window
// server alone, which does not wait for the installer's thread; the finish
// page every 20 ms, since each look there is a message the installer answers.
int timeInstall(double seconds)
{
    HWND sheet = requireSheet();
    if (sheet == nullptr)
        return fail("no wizard window");
    const double started = milliseconds();
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    HWND progress = nullptr;
    double dialogEnded = -1;
    double lastFinishLook = started;
    for (;;) {
        const double now = milliseconds();
        if (now - started > seconds * 1000)
            return fail("timed out waiting for the finish page");
        if (dialogEnded < 0 && progress == nullptr)
            progress = findProgressDialog(sheet);
        else if (dialogEnded < 0 && !IsWindow(progress))
            dialogEnded = now;
        if (now - lastFinishLook >= 20) {
            lastFinishLook = now;
            if (finishPageShown(sheet))
                break;
        }
        Sleep(dialogEnded < 0 ? 2 : 20);
    }
    const double finished = milliseconds() - started;
    if (dialogEnded < 0)
        return fail("the progress dialog was never seen");
    printf("ms=%.1f finish=%.1f\n", dialogEnded - started, finished);
    return 0;
}

struct LaunchSearch {
    DWORD processId;
    const char* title;
    bool found;
};

BOOL CALLBACK visitLaunched(HWND window, LPARAM parameter)
{
    LaunchSearch* search = reinterpret_cast<LaunchSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char title[128] = {};
    if (owner == search->processId && IsWindowVisible(window) && GetWindowTextA(window, title, sizeof title) > 0
        && strcmp(title, search->title) == 0) {
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

// Starts a program and prints the milliseconds until it shows a window with
// the given title; then ends the program.
int timeLaunch(const char* title, double seconds, const char* commandLine)
{
    char line[2048];
    lstrcpynA(line, commandLine, sizeof line);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const double started = milliseconds();
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return fail("cannot start the program");
    LaunchSearch search = { process.dwProcessId, title, false };
    int result = 0;
    for (;;) {
        EnumWindows(visitLaunched, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            printf("ms=%.1f\n", milliseconds() - started);
            break;
        }
        if (milliseconds() - started > seconds * 1000 || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
            result = fail("the program showed no such window");
            break;
        }
        Sleep(10);
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

// -- real input, for the Cancel tests -------------------------------------------

// Milliseconds since 1970 from the system clock, which Wine shares with the
// Unix side: the test compares it with the moment it sent a key or a click.
double unixMilliseconds()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const unsigned long long ticks = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<double>(ticks - 116444736000000000ull) / 10000.0;
}

// Prints "ready", then, once a message box shows, the Unix time at which it
// was first seen. Looks every 2 ms; used to time how soon input is handled.
// With a button id, answers the box with it at once and prints its text
// first ("text=..."), for work that goes on under the box.
int watchMessageBox(double seconds, int answer)
{
    printf("ready\n");
    fflush(stdout);
    const double deadline = milliseconds() + seconds * 1000;
    HWND box = nullptr;
    while ((box = findWindow(WindowKind::MessageBox)) == nullptr) {
        if (milliseconds() > deadline)
            return fail("timed out waiting for a message box");
        Sleep(2);
    }
    const double shown = unixMilliseconds();
    if (answer != 0) {
        char text[2048] = {};
        HWND body = GetDlgItem(box, messageBoxTextId);
        if (body != nullptr)
            SendMessageA(body, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        HWND button = GetDlgItem(box, answer);
        if (button == nullptr)
            return fail("the message box has no such button");
        PostMessageA(button, BM_CLICK, 0, 0);
        printf("text=%s\n", text);
    }
    printf("shown=%.1f\n", shown);
    return 0;
}

// Prints "ready", then waits until the progress bar barId stands at least at
// percent; prints its position. Looks every 2 ms.
int waitBar(int barId, int percent, double seconds)
{
    printf("ready\n");
    fflush(stdout);
    const double deadline = milliseconds() + seconds * 1000;
    for (;;) {
        HWND progress = findWindow(WindowKind::Progress);
        HWND bar = progress != nullptr ? GetDlgItem(progress, barId) : nullptr;
        DWORD_PTR position = 0;
        if (bar != nullptr && SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 1000, &position) != 0
            && static_cast<int>(position) >= percent) {
            printf("pos=%d\n", static_cast<int>(position));
            return 0;
        }
        if (milliseconds() > deadline)
            return fail("timed out waiting for the bar to move");
        Sleep(2);
    }
}

// A command that watches beside the test: prints "ready" before it waits for
// the progress dialog, which it returns (nullptr when seconds have passed).
HWND readyForProgressDialog(double seconds)
{
    printf("ready\n");
    fflush(stdout);
    return waitFor(WindowKind::Progress, seconds);
}

// Prints "ready", waits for the progress dialog, then reads its progress bar
// barId every millisecond until the dialog is gone or seconds have passed.
// Prints "moves=N" (the changes seen), "open=MS" (from the dialog's first
// look to its end) and "last=P". A look waits while the dialog is busy, so
// the count is what tells the pace: the time between two changes seen is
// not that between the moves.
int watchBar(int barId, double seconds)
{
    HWND dialog = readyForProgressDialog(seconds);
    if (dialog == nullptr)
        return fail("timed out waiting for the progress dialog");
    HWND bar = GetDlgItem(dialog, barId);
    const double first = milliseconds();
    const double deadline = first + seconds * 1000;
    long last = -1;
    int moves = 0;
    DWORD_PTR position = 0;
    while (IsWindow(dialog) && milliseconds() < deadline
           && SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 1000, &position) != 0) {
        if (static_cast<long>(position) != last) {
            last = static_cast<long>(position);
            ++moves;
        }
        Sleep(1);
    }
    printf("moves=%d\nopen=%.1f\nlast=%ld\n", moves, milliseconds() - first, last);
    return 0;
}

// Prints "ready", waits for the progress dialog, then asks it for an answer
// (a sent WM_NULL, up to 1 s) every intervalMs until it is gone, and reads
// the bar barId after each answer. Prints, one a line, "pings=N",
// "longest=MS" (the slowest answer; a dialog that did not answer within the
// second counts that long), "open=MS" (from the first question to the
// dialog's end) and "bar=P,P,..." (each position seen, once per change).
int pingDialog(int intervalMs, double seconds, int barId)
{
    HWND dialog = readyForProgressDialog(seconds);
    if (dialog == nullptr)
        return fail("timed out waiting for the progress dialog");
    HWND bar = GetDlgItem(dialog, barId);
    const double deadline = milliseconds() + seconds * 1000;
    const double first = milliseconds();
    double next = first;
    double longest = 0;
    int pings = 0;
    const int maxPositions = 512;
    static long positions[maxPositions];
    int seen = 0;
    for (;;) {
        DWORD_PTR answer = 0;
        const double asked = milliseconds();
        const LRESULT answered = SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &answer);
        const double took = milliseconds() - asked;
        const DWORD error = answered != 0 ? 0 : GetLastError();
        if (!IsWindow(dialog))
            break;
        ++pings;
        if (took > longest)
            longest = took;
        if (error != 0 && error != ERROR_TIMEOUT)
            return fail("the progress dialog could not be asked");
        DWORD_PTR position = 0;
        if (bar != nullptr && SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 1000, &position) != 0
            && (seen == 0 || positions[seen - 1] != static_cast<long>(position)) && seen < maxPositions)
            positions[seen++] = static_cast<long>(position);
        if (milliseconds() > deadline)
            return fail("the progress dialog stayed open");
        next += intervalMs;
        const double wait = next - milliseconds();
        if (wait > 0)
            Sleep(static_cast<DWORD>(wait));
    }
    printf("pings=%d\nlongest=%.1f\nopen=%.1f\nbar=", pings, longest, milliseconds() - first);
    for (int i = 0; i < seen; ++i)
        printf(i == 0 ? "%ld" : ",%ld", positions[i]);
    printf("\n");
    return 0;
}

// Prints "ready", waits for the progress dialog and prints "watching", then
// reads the texts of its controls idA and idB (sent WM_GETTEXT: the dialog
// answers between two of its messages, never inside a report) every
// millisecond until it is gone or seconds have passed. Prints each pair that
// differs from the one before as "MS<TAB>TEXT_A<TAB>TEXT_B", MS counted from
// the first.
int watchTexts(int idA, int idB, double seconds)
{
    HWND dialog = readyForProgressDialog(seconds);
    if (dialog == nullptr)
        return fail("timed out waiting for the progress dialog");
    printf("watching\n");
    fflush(stdout);
    struct Pair {
        double at;
        char a[128];
        char b[128];
    };
    const int maxPairs = 2048;
    static Pair pairs[maxPairs];
    int seen = 0;
    const double start = milliseconds();
    while (IsWindow(dialog) && milliseconds() - start < seconds * 1000 && seen < maxPairs) {
        Pair& pair = pairs[seen];
        DWORD_PTR length = 0;
        pair.a[0] = pair.b[0] = '\0';
        if (!SendMessageTimeoutA(GetDlgItem(dialog, idA), WM_GETTEXT, sizeof pair.a,
                                 reinterpret_cast<LPARAM>(pair.a), SMTO_NORMAL, 1000, &length)
            || !SendMessageTimeoutA(GetDlgItem(dialog, idB), WM_GETTEXT, sizeof pair.b,
                                    reinterpret_cast<LPARAM>(pair.b), SMTO_NORMAL, 1000, &length))
            break;   // gone while asked
        pair.at = milliseconds() - start;
        if (seen == 0 || strcmp(pair.a, pairs[seen - 1].a) != 0 || strcmp(pair.b, pairs[seen - 1].b) != 0)
            ++seen;
        Sleep(1);
    }
    for (int i = 0; i < seen; ++i)
        printf("%.1f\t%s\t%s\n", pairs[i].at, pairs[i].a, pairs[i].b);
    return 0;
}

// A top-level window of any program by its exact title.
HWND findTitled(const char* title)
{
    HWND window = FindWindowA(nullptr, title);
    return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

int usage()
{
    fprintf(stderr,
            "usage: uidriver COMMAND [ARGS]\n"
            "  wait-sheet SEC | wait-gone SEC | page | wait-page ID SEC | buttons\n"
            "  press next|back|finish|cancel | press-settled next|back|finish|cancel SEC\n"
            "  text ID | wait-text ID SUBSTRING SEC\n"
            "  visible ID | enabled ID | checked ID | set-text ID TEXT | click ID | escape ID\n"
            "  rect ID (screen x y width height) | redraw ID\n"
            "  window-rect (the window in front with its owners, as rect)\n"
            "  wait-progress SEC | wait-progress-gone SEC\n"
            "  wait-msgbox SEC | msgbox-answer BUTTON_ID | no-msgbox\n"
            "  time-install SEC | time-launch TITLE SEC COMMAND_LINE\n"
            "  watch-msgbox SEC [ANSWER_ID] | bar-pos ID | repaint ID SEC\n"
            "  wait-bar ID PERCENT SEC | watch-bar ID SEC\n"
            "  ping-dialog INTERVAL_MS SEC BAR_ID\n"
            "  watch-texts ID ID SEC\n"
            "  wait-title TITLE SEC | answer-title TITLE BUTTON_ID\n");
    return 2;
}

} // namespace

int runCommand(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const char* command = argv[1];
    auto arg = [&](int i) -> const char* { return i < argc ? argv[i] : nullptr; };
    auto seconds = [&](int i) -> double { return arg(i) ? atof(arg(i)) : 10.0; };

    if (strcmp(command, "wait-sheet") == 0)
        return waitFor(WindowKind::Sheet, seconds(2)) ? 0 : fail("timed out waiting for the wizard window");
    if (strcmp(command, "wait-gone") == 0)
        return waitGone(WindowKind::Sheet, seconds(2)) ? 0 : fail("timed out waiting for the wizard to close");
    if (strcmp(command, "wait-progress") == 0)
        return waitFor(WindowKind::Progress, seconds(2)) ? 0 : fail("timed out waiting for the progress dialog");
    if (strcmp(command, "wait-progress-gone") == 0)
        return waitGone(WindowKind::Progress, seconds(2)) ? 0
                                                          : fail("timed out waiting for the progress dialog to close");
    if (strcmp(command, "page") == 0) {
        HWND sheet = requireSheet();
        if (sheet == nullptr)
            return fail("no wizard window");
        printf("%ld\n", currentTemplateId(sheet));
        return 0;
    }
    if (strcmp(command, "wait-page") == 0) {
        if (!arg(2))
            return usage();
        long wanted = atol(arg(2));
        DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds(3) * 1000);
        long seen = -1;
        for (;;) {
            HWND sheet = requireSheet();
            seen = sheet ? currentTemplateId(sheet) : -1;
            if (seen == wanted)
                return 0;
            if (static_cast<LONG>(GetTickCount() - deadline) >= 0)
                break;
            Sleep(50);
        }
        fprintf(stderr, "uidriver: timed out waiting for page %ld (showing %ld)\n", wanted, seen);
        return 1;
    }
    if (strcmp(command, "time-install") == 0)
        return timeInstall(seconds(2));
    if (strcmp(command, "time-launch") == 0)
        return arg(2) && arg(4) ? timeLaunch(arg(2), seconds(3), arg(4)) : usage();
    if (strcmp(command, "buttons") == 0)
        return showButtons();
    if (strcmp(command, "press") == 0)
        return arg(2) ? pressButton(arg(2)) : usage();
    if (strcmp(command, "press-settled") == 0)
        return arg(2) ? pressSettled(arg(2), seconds(3)) : usage();

    if (strcmp(command, "watch-msgbox") == 0)
        return watchMessageBox(seconds(2), arg(3) ? atoi(arg(3)) : 0);
    if (strcmp(command, "watch-bar") == 0)
        return arg(2) ? watchBar(atoi(arg(2)), seconds(3)) : usage();
    if (strcmp(command, "wait-bar") == 0)
        return arg(3) ? waitBar(atoi(arg(2)), atoi(arg(3)), seconds(4)) : usage();
    if (strcmp(command, "watch-texts") == 0)
        return arg(4) ? watchTexts(atoi(arg(2)), atoi(arg(3)), seconds(4)) : usage();
    if (strcmp(command, "ping-dialog") == 0)
        return arg(4) ? pingDialog(atoi(arg(2)), seconds(3), atoi(arg(4))) : usage();
    if (strcmp(command, "wait-title") == 0) {
        if (!arg(2))
            return usage();
        DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds(3) * 1000);
        while (findTitled(arg(2)) == nullptr) {
            if (static_cast<LONG>(GetTickCount() - deadline) >= 0)
                return fail("timed out waiting for the window");
            Sleep(50);
        }
        return 0;
    }
    if (strcmp(command, "answer-title") == 0) {
        HWND window = arg(2) ? findTitled(arg(2)) : nullptr;
        HWND button = window && arg(3) ? GetDlgItem(window, atoi(arg(3))) : nullptr;
        if (button == nullptr)
            return fail("no such window or button");
        PostMessageA(button, BM_CLICK, 0, 0);
        return 0;
    }
    if (strcmp(command, "wait-msgbox") == 0) {
        HWND box = waitFor(WindowKind::MessageBox, seconds(2));
        return box ? describeMessageBox(box) : fail("timed out waiting for a message box");
    }
    if (strcmp(command, "wait-msgbox-gone") == 0)
        return waitGone(WindowKind::MessageBox, seconds(2)) ? 0 : fail("timed out waiting for the message box to close");
    if (strcmp(command, "window-rect") == 0) {
        // The window in front and the windows that own it (a box over the
        // progress dialog over the sheet): what a screenshot of it shows.
        HWND window = GetForegroundWindow();
        if (window == nullptr)
            return fail("no window is in front");
        RECT all;
        GetWindowRect(window, &all);
        for (HWND owner = GetWindow(window, GW_OWNER); owner != nullptr; owner = GetWindow(owner, GW_OWNER)) {
            RECT rect;
            GetWindowRect(owner, &rect);
            UnionRect(&all, &all, &rect);
        }
        printf("%ld %ld %ld %ld\n", all.left, all.top, all.right - all.left, all.bottom - all.top);
        return 0;
    }
    if (strcmp(command, "no-msgbox") == 0)
        return findWindow(WindowKind::MessageBox) ? fail("a message box is showing") : 0;
    if (strcmp(command, "msgbox-answer") == 0) {
        HWND box = findWindow(WindowKind::MessageBox);
        if (box == nullptr || !arg(2))
            return fail("no message box to answer");
        HWND button = GetDlgItem(box, atoi(arg(2)));
        if (button == nullptr)
            return fail("the message box has no such button");
        // Posted: a sent click would block until the box is gone.
        PostMessageA(button, BM_CLICK, 0, 0);
        for (int i = 0; i < 100 && IsWindow(box); ++i)
            Sleep(50);
        return IsWindow(box) ? fail("the message box stayed after the answer") : 0;
    }

    if (!arg(2))
        return usage();
    const int id = atoi(arg(2));
    if (strcmp(command, "wait-text") == 0) {
        const char* wanted = arg(3) ? arg(3) : "";
        DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds(4) * 1000);
        char text[2048] = {};
        for (;;) {
            if (anyControlText(id, wanted, text, sizeof text)) {
                printf("%s\n", text);
                return 0;
            }
            if (static_cast<LONG>(GetTickCount() - deadline) >= 0)
                break;
            Sleep(50);
        }
        fprintf(stderr, "uidriver: timed out waiting for \"%s\" in control %d (it shows \"%s\")\n", wanted, id, text);
        return 1;
    }
    HWND control = findControl(id);
    if (control == nullptr) {
        fprintf(stderr, "uidriver: no control %d\n", id);
        return 1;
    }
    if (strcmp(command, "text") == 0) {
        printControlText(control);
        return 0;
    }
    if (strcmp(command, "visible") == 0) {
        printf("%d\n", IsWindowVisible(control) ? 1 : 0);
        return 0;
    }
    if (strcmp(command, "enabled") == 0) {
        printf("%d\n", IsWindowEnabled(control) ? 1 : 0);
        return 0;
    }
    if (strcmp(command, "checked") == 0) {
        printf("%d\n", SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
        return 0;
    }
    if (strcmp(command, "set-text") == 0) {
        const char* text = arg(3) ? arg(3) : "";
        SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
        return 0;
    }
    if (strcmp(command, "click") == 0) {
        PostMessageA(control, BM_CLICK, 0, 0);
        return 0;
    }
    if (strcmp(command, "repaint") == 0) {
        // Marks the control for painting, as an uncovered area is, and waits
        // until its own thread has painted it; prints the milliseconds.
        InvalidateRect(control, nullptr, TRUE);
        const double started = milliseconds();
        while (GetUpdateRect(control, nullptr, FALSE)) {
            if (milliseconds() - started > seconds(3) * 1000)
                return fail("the control was not painted again");
            Sleep(2);
        }
        printf("ms=%.1f\n", milliseconds() - started);
        return 0;
    }
    if (strcmp(command, "bar-pos") == 0) {
        printf("%ld\n", static_cast<long>(SendMessageA(control, PBM_GETPOS, 0, 0)));
        return 0;
    }
    if (strcmp(command, "rect") == 0) {
        RECT rect;
        GetWindowRect(control, &rect);
        printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
        return 0;
    }
    if (strcmp(command, "redraw") == 0) {
        // The control's thread paints it afresh, from whatever text it holds.
        RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        return 0;
    }
    if (strcmp(command, "escape") == 0) {
        // The dialog manager turns Esc on a control into the Cancel command.
        PostMessageA(control, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageA(control, WM_KEYUP, VK_ESCAPE, 0xC0010001);
        return 0;
    }
    return usage();
}

namespace {

const int serveLineSize = 4096;
const int serveArgumentCount = 16;
const char answerEnd = 0x1E;

// Splits line in place at tabs (the line feed ends it) into argv[1...].
int splitCommand(char* line, char* argv[serveArgumentCount])
{
    line[strcspn(line, "\r\n")] = '\0';
    int argc = 1;
    for (char* at = line; argc < serveArgumentCount;) {
        argv[argc++] = at;
        char* tab = strchr(at, '\t');
        if (tab == nullptr)
            break;
        *tab = '\0';
        at = tab + 1;
    }
    return argc;
}

int serve(char* self)
{
    // Messages join the output, in the order written; the Unix stderr keeps
    // what Wine itself prints.
    _dup2(_fileno(stdout), _fileno(stderr));
    setvbuf(stderr, nullptr, _IONBF, 0);
    printf("%c-\n", answerEnd);
    fflush(stdout);
    static char line[serveLineSize];
    while (fgets(line, sizeof line, stdin) != nullptr) {
        char* argv[serveArgumentCount] = { self };
        const int argc = splitCommand(line, argv);
        const int code = runCommand(argc, argv);
        fflush(stdout);
        printf("%c%d\n", answerEnd, code);
        fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && strcmp(argv[1], "serve") == 0)
        return serve(argv[0]);
    return runCommand(argc, argv);
}
