#include "win32/handle_list.h"

bool HandleList::add(HANDLE handle)
{
    if (count_ == capacity_) {
        const int capacity = capacity_ == 0 ? 64 : capacity_ * 2;
        const SIZE_T bytes = static_cast<SIZE_T>(capacity) * sizeof(HANDLE);
        void* grown = handles_ == nullptr ? HeapAlloc(GetProcessHeap(), 0, bytes)
                                          : HeapReAlloc(GetProcessHeap(), 0, handles_, bytes);
        if (grown == nullptr) {
            CloseHandle(handle);
            return false;
        }
        handles_ = static_cast<HANDLE*>(grown);
        capacity_ = capacity;
    }
    handles_[count_++] = handle;
    return true;
}

void HandleList::closeAll()
{
    for (int i = 0; i < count_; ++i)
        CloseHandle(handles_[i]);
    if (handles_ != nullptr)
        HeapFree(GetProcessHeap(), 0, handles_);
    handles_ = nullptr;
    count_ = 0;
    capacity_ = 0;
}
