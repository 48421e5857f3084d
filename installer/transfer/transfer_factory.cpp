#include "transfer/transfer_factory.h"

#include "transfer/file_transfer.h"
#include "transfer/http_transfer.h"

Transfer* createTransfer(bool http, TransferCallback callback, LONG_PTR userValue)
{
    if (http)
        return new HttpTransfer(callback, userValue);
    return new FileTransfer(callback, userValue);
}
