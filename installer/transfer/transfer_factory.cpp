#include "transfer/transfer_factory.h"

#include "transfer/file_transfer.h"
#include "transfer/http_transfer.h"

Transfer* createTransfer(LocationKind kind, TransferCallback callback, LONG_PTR userValue)
{
    switch (kind) {
    case LocationKind::Http:
        return new HttpTransfer(callback, userValue);
    case LocationKind::Folder:
        break;
    }
    return new FileTransfer(callback, userValue);
}
