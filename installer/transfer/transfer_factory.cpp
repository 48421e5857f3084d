#include "transfer/transfer_factory.h"

#include "transfer/file_transfer.h"
#include "transfer/http_transfer.h"

std::unique_ptr<Transfer> createTransfer(LocationKind kind, TransferCallback callback, LONG_PTR userValue)
{
    switch (kind) {
    case LocationKind::Http:
        return std::unique_ptr<Transfer>(new HttpTransfer(callback, userValue));
    case LocationKind::Folder:
        break;
    }
    return std::unique_ptr<Transfer>(new FileTransfer(callback, userValue));
}
