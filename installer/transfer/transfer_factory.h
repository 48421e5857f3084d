#pragma once
#include "transfer/transfer.h"

// The transfer for the distribution location's kind: HTTP or a folder.
Transfer* createTransfer(bool http, TransferCallback callback, LONG_PTR userValue);
