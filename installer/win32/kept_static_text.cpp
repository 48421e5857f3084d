#include "win32/kept_static_text.h"

#include "common/bounded_copy.h"
#include "win32/scoped_get_dc.h"

#include <string.h>

namespace {

// Lives from keepStaticText to the control's WM_NCDESTROY.
struct KeptText {
    WNDPROC original;
    DWORD paintedAt;          // GetTickCount of the last paint
    bool repaintMarked;       // invalidated for a text not painted yet
    bool windowManagerBehind; // the window manager's copy is an older text
    char text[keptStaticTextCapacity];
};

KeptText* keptTextOf(HWND control)
{
    return reinterpret_cast<KeptText*>(GetWindowLongPtrA(control, GWLP_USERDATA));
}

// The window manager's copy, stored by the default handling alone: the
// static's own would paint once more.
void updateWindowManagerCopy(HWND control, KeptText& kept)
{
    if (!kept.windowManagerBehind)
        return;
    kept.windowManagerBehind = false;
    DefWindowProcA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kept.text));
}

// Paints as a left-aligned static does: the parent's static-control brush and
// colours, the control's font, words wrapped at the right edge, "&" as a
// prefix unless SS_NOPREFIX, and nothing outside the control (its class may
// draw with the parent's clipping).
void paintText(HWND control, HDC dc, const KeptText& kept)
{
    RECT client;
    GetClientRect(control, &client);
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
    HBRUSH brush = reinterpret_cast<HBRUSH>(SendMessageA(GetParent(control), WM_CTLCOLORSTATIC,
                                                         reinterpret_cast<WPARAM>(dc),
                                                         reinterpret_cast<LPARAM>(control)));
    FillRect(dc, &client, brush != nullptr ? brush : GetSysColorBrush(COLOR_BTNFACE));
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    if (font != nullptr)
        SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    if (!IsWindowEnabled(control))
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    UINT format = DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS;
    if (GetWindowLongA(control, GWL_STYLE) & SS_NOPREFIX)
        format |= DT_NOPREFIX;
    DrawTextA(dc, kept.text, -1, &client, format);
    RestoreDC(dc, saved);
}

// Paints at once, outside WM_PAINT; false when no device context was had.
bool paintThroughOwnDC(HWND control, KeptText& kept)
{
    ScopedGetDC dc(control);
    if (dc.get() == nullptr)
        return false;
    paintText(control, dc.get(), kept);
    return true;
}

void paintNow(HWND control, KeptText& kept, DWORD now)
{
    if (!paintThroughOwnDC(control, kept))
        return;
    kept.paintedAt = now;
    updateWindowManagerCopy(control, kept);
    // A marked control keeps its invalid area: the system may have added to
    // it (a box closed over the dialog), and one more paint when the thread
    // is idle costs nothing.
}

LRESULT onSetText(HWND control, KeptText& kept, const char* text)
{
    copyBounded(kept.text, sizeof kept.text, text != nullptr ? text : "");
    kept.windowManagerBehind = true;
    if (!IsWindowVisible(control)) {
        updateWindowManagerCopy(control, kept);
        return TRUE;
    }
    const DWORD now = GetTickCount();
    if (now - kept.paintedAt >= displayFrameMilliseconds) {
        paintNow(control, kept, now);
    } else if (!kept.repaintMarked) {
        InvalidateRect(control, nullptr, FALSE);
        kept.repaintMarked = true;
    }
    return TRUE;
}

LRESULT onGetText(const KeptText& kept, WPARAM capacity, char* buffer)
{
    if (capacity == 0 || buffer == nullptr)
        return 0;
    copyBounded(buffer, capacity, kept.text);
    return static_cast<LRESULT>(strlen(buffer));
}

LRESULT onPaint(HWND control, KeptText& kept)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(control, &paint);
    if (dc != nullptr)
        paintText(control, dc, kept);
    EndPaint(control, &paint);
    kept.paintedAt = GetTickCount();
    kept.repaintMarked = false;
    updateWindowManagerCopy(control, kept);
    return 0;
}

LRESULT CALLBACK keptTextProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    KeptText* kept = keptTextOf(control);
    if (kept == nullptr)
        return DefWindowProcA(control, message, wParam, lParam);
    const WNDPROC original = kept->original;
    switch (message) {
    case WM_SETTEXT:
        return onSetText(control, *kept, reinterpret_cast<const char*>(lParam));
    case WM_GETTEXT:
        return onGetText(*kept, wParam, reinterpret_cast<char*>(lParam));
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(strlen(kept->text));
    case WM_PAINT:
        return onPaint(control, *kept);
    case WM_PRINTCLIENT:
        paintText(control, reinterpret_cast<HDC>(wParam), *kept);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        SetWindowLongPtrA(control, GWLP_USERDATA, 0);
        delete kept;
        break;
    default:
        break;
    }
    return CallWindowProcA(original, control, message, wParam, lParam);
}

} // namespace

bool keepStaticText(HWND control)
{
    if (control == nullptr || keptTextOf(control) != nullptr
        || (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) != SS_LEFT)
        return false;
    KeptText* kept = new KeptText;
    kept->paintedAt = GetTickCount() - displayFrameMilliseconds;
    kept->repaintMarked = false;
    kept->windowManagerBehind = false;
    kept->text[0] = '\0';
    GetWindowTextA(control, kept->text, sizeof kept->text);
    SetWindowLongPtrA(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(kept));
    // Set with the ANSI call, so the messages reach keptTextProc as ANSI text.
    kept->original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(keptTextProc)));
    if (kept->original == nullptr) {
        SetWindowLongPtrA(control, GWLP_USERDATA, 0);
        delete kept;
        return false;
    }
    return true;
}
