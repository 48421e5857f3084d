#include "engine/walk_slice.h"

#include "common/tick_span.h"
#include "core/private_messages.h"
#include "engine/download.h"
#include "engine/progress_view.h"

void forgetWalkResume(ListWalk& walk)
{
    walk.resumeAwaited = false;
}

void beginWalkSlice(ListWalk& walk)
{
    walk.sliceStart = GetTickCount();
}

bool walkSliceOver(const ListWalk& walk)
{
    return tickSpanReached(walk.sliceStart, GetTickCount(), walkSliceMilliseconds);
}

void resumeWalkLater(ListWalk& walk)
{
    showOverallProgress(walk.dialog);
    walk.resumeAwaited = true;
    awaitContinue(walk);
    postEngineCommandBehindInput(walk.dialog, CMD_CONTINUE);
}

void resumeWalkWhenChecked(ListWalk& walk)
{
    walk.resumeAwaited = true;
    awaitContinue(walk);
}

bool takeWalkResume(ListWalk& walk)
{
    const bool resume = walk.resumeAwaited;
    walk.resumeAwaited = false;
    return resume;
}
