#include "win32/waiting_input.h"

namespace {

const DWORD frameMilliseconds = 15;
// QS_INPUT without the raw-input bit, which older systems refuse.
const UINT waitingKinds = QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_PAINT;

DWORD lastAsked = 0;

} // namespace

bool inputOrPaintWaiting()
{
    const DWORD now = GetTickCount();
    if (now - lastAsked < frameMilliseconds)
        return false;
    lastAsked = now;
    // A wait of no time lets the system take in input that has not reached
    // the queue yet (Wine reads its display's events there); the answer is
    // read from the queue itself: the high word tells what lies in it now,
    // not what came since the last look.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, waitingKinds);
    return (HIWORD(GetQueueStatus(waitingKinds)) & waitingKinds) != 0;
}
