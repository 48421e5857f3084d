#include "engine/walk_slice.h"

#include "common/tick_span.h"
#include "core/private_messages.h"
#include "engine/download.h"
#include "engine/progress_view.h"

namespace {

DWORD sliceStart = 0;
bool resumeAwaited = false;

} // namespace

void forgetWalkResume()
{
    resumeAwaited = false;
}

void beginWalkSlice()
{
    sliceStart = GetTickCount();
}

bool walkSliceOver()
{
    return tickSpanReached(sliceStart, GetTickCount(), walkSliceMilliseconds);
}

void resumeWalkLater(HWND dialog)
{
    showOverallProgress(dialog);
    resumeAwaited = true;
    awaitContinue();
    postEngineCommandBehindInput(dialog, CMD_CONTINUE);
}

void resumeWalkWhenChecked()
{
    resumeAwaited = true;
    awaitContinue();
}

bool takeWalkResume()
{
    const bool resume = resumeAwaited;
    resumeAwaited = false;
    return resume;
}
