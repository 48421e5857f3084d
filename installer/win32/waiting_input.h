#pragma once
#include <windows.h>

// A queue hands out posted messages before keyboard and mouse input and
// before painting, so work that always has its next step posted starves both:
// Esc, a click on Cancel and the repaint of an uncovered window wait until
// the work ends. Such work asks this before it posts its next step and, when
// it answers true, resumes from a timer instead (resumeLater): WM_TIMER is
// handed out only once no input and no painting wait.
//
// The system is asked at most once per display frame, so a loop of small
// steps pays for the question only every few milliseconds.
bool inputOrPaintWaiting();

// Starts the one-shot timer that resumes the work of timerId on window; the
// window's procedure kills it when WM_TIMER comes. False when no timer could
// be made.
inline bool resumeLater(HWND window, UINT_PTR timerId)
{
    return SetTimer(window, timerId, USER_TIMER_MINIMUM, nullptr) != 0;
}
