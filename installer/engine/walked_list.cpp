#include "engine/walked_list.h"

#include "win32/scoped_handle.h"

namespace {

ScopedHandle list;

} // namespace

bool holdWalkedList(const char* path)
{
    list.reset(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr));
    return list.valid();
}

bool adoptWalkedList(HANDLE handle)
{
    list.reset(handle);
    return list.valid();
}

HANDLE walkedList()
{
    return list.valid() ? list.get() : INVALID_HANDLE_VALUE;
}

void releaseWalkedList()
{
    list.reset();
}
