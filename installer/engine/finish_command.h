#pragma once
#include "engine/walk.h"

// The last command of the progress dialog: releases the transfer, hands the
// proxy and the list's configuration files to the installed client, copies
// the sibling program's key files, lets go the files the walk checked, and
// ends the dialog with the result.
void finishCommand(ListWalk& walk);
