#pragma once
#include "common/location_kind.h"
#include "transfer/transfer.h"

#include <memory>

// The transfer for the distribution location's kind; the caller owns it.
std::unique_ptr<Transfer> createTransfer(LocationKind kind, TransferCallback callback, LONG_PTR userValue);
