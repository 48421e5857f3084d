#pragma once
#include "common/location_kind.h"
#include "transfer/transfer.h"

// The transfer for the distribution location's kind.
Transfer* createTransfer(LocationKind kind, TransferCallback callback, LONG_PTR userValue);
