#pragma once
#include "engine/walk.h"

// The engine's commands, run by the progress dialog on the walk of its
// installation (walk.dialog is the dialog).
// Creates the transfer and fetches the component list.
void startCommand(ListWalk& walk);
// The last transfer has ended: judges it, then walks the list on.
void continueCommand(ListWalk& walk);
