#pragma once
#include "engine/walk.h"

#include <windows.h>

// A walk over many records gives the dialog's message loop a turn after
// every slice of walkSliceMilliseconds (and the record under way then): a
// list of thousands of current components must not leave the dialog deaf to
// Cancel, unpainted and with its overall bar standing still.
const DWORD walkSliceMilliseconds = 50;

// A new walk: nothing awaited by an earlier one counts.
void forgetWalkResume(ListWalk& walk);

// The command that walks has begun: its slice starts now.
void beginWalkSlice(ListWalk& walk);

// True once the slice has had its time.
bool walkSliceOver(const ListWalk& walk);

// Ends the slice after the record just handled: shows the overall progress
// and has a continue command resume the walk at listOffset, behind the
// user's input.
void resumeWalkLater(ListWalk& walk);

// Ends the walk's command while a check of the record at listOffset runs: the
// continue command that the check posts when it ends resumes the walk there.
void resumeWalkWhenChecked(ListWalk& walk);

// True, once, when the awaited continue command resumes a walk: no download
// has ended then, and there is nothing to judge.
bool takeWalkResume(ListWalk& walk);
