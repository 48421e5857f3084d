#include "transfer/transfer_factory.h"

#include "transfer/file_transfer.h"

Transfer* createTransfer(bool http, TransferCallback callback, LONG_PTR userValue)
{
    if (http)
        return nullptr;   // the HTTP transfer is not part of this build yet
    return new FileTransfer(callback, userValue);
}
