#pragma once
#include <windows.h>

// A queue hands out posted messages before keyboard and mouse input and
// before painting, so work that always has its next step posted starves both:
// Esc, a click on Cancel and the repaint of an uncovered window wait until
// the work ends. Such work asks this before it posts its next step.
//
// Windows that wait to be painted are painted at once, inside the call: a
// progress display changes many times a second, and waiting for the queue to
// run empty each time would stall the work for a timer's period. Input cannot
// be taken out of turn; when some waits, the answer is true and the work
// resumes from a timer instead (resumeLater): WM_TIMER is handed out only once
// no input waits.
//
// The system is asked at most once per display frame, so a loop of small
// steps pays for the question only every few milliseconds.
bool inputWaiting();

// Starts the one-shot timer that resumes the work of timerId on window; the
// window's procedure kills it when WM_TIMER comes. False when no timer could
// be made.
inline bool resumeLater(HWND window, UINT_PTR timerId)
{
    return SetTimer(window, timerId, USER_TIMER_MINIMUM, nullptr) != 0;
}
