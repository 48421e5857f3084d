#include "win32/waiting_input.h"

#include "win32/display_frame.h"

namespace {

// QS_INPUT without the raw-input bit, which older systems refuse.
const UINT inputKinds = QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON;
const UINT waitingKinds = inputKinds | QS_PAINT;
// A window that does not validate what it paints would be handed WM_PAINT
// for ever; a frame's painting is cut off after this many.
const int paintsPerFrame = 32;

DWORD lastAsked = 0;

void paintWaitingWindows()
{
    MSG message;
    for (int i = 0; i < paintsPerFrame && PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++i)
        DispatchMessageA(&message);
}

} // namespace

bool inputWaiting()
{
    const DWORD now = GetTickCount();
    if (now - lastAsked < displayFrameMilliseconds)
        return false;
    lastAsked = now;
    // A wait of no time lets the system take in input that has not reached
    // the queue yet (Wine reads its display's events there); the answer is
    // read from the queue itself: the high word tells what lies in it now,
    // not what came since the last look.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, waitingKinds);
    const UINT waiting = HIWORD(GetQueueStatus(waitingKinds));
    if ((waiting & QS_PAINT) != 0)
        paintWaitingWindows();
    return (waiting & inputKinds) != 0;
}
