#pragma once
#include "win32/display_frame.h"
#include <windows.h>

// Makes a left-aligned static text control (SS_LEFT) keep its text in the
// program and paint it at most once per display frame, for a text that
// changes with every chunk of a transfer (thousands of times a second):
// - WM_SETTEXT copies the text into a buffer of the control's own
//   (keptStaticTextCapacity characters with the terminator; longer texts are
//   cut) and paints it at once, as the static control itself does, unless the
//   last paint was less than a frame ago. Then the control is marked for
//   repainting: the next text after the frame is painted at once, and if none
//   follows, the marked control is painted as soon as the thread is idle.
//   A text replaced within one frame would not reach the screen anyway.
// - WM_GETTEXT, WM_GETTEXTLENGTH, WM_PAINT and WM_PRINTCLIENT answer from
//   that buffer, so the text read back is always the last one set.
// - The window manager's own copy (what other processes read) is brought up
//   to date with each paint, not with each text: where the window manager is
//   a separate server (Wine), every update of it is a round trip.
// The control's GWLP_USERDATA holds the kept text. Returns false, and leaves
// the control as it was, when the control is not a plain SS_LEFT static or
// is kept already.
const int keptStaticTextCapacity = 256;
bool keepStaticText(HWND control);
