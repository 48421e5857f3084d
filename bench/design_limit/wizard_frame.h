#pragma once
#include "bench/design_limit/reference_transfer.h"

// Runs the transfer where the installer runs its own: a wizard
// (PropertySheetA, PSH_WIZARD) whose page answers Next by opening a modal
// dialog (DialogBoxParamA) owned by the page; the transfer's window gets its
// messages from that dialog's loop. The pages press their own buttons: Next
// on the first, Finish on the second once the dialog has ended, so the
// wizard closes by itself. False when the sheet or the dialog could not be
// made or the transfer could not start.
bool runInWizard(const TransferRequest& request);
