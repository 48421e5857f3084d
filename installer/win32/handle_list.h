#pragma once
#include "win32/noncopyable.h"

#include <windows.h>

// Kernel handles held open together and closed together, as many as there
// are (one for each of thousands of files, say).
class HandleList : NonCopyable {
public:
    HandleList() = default;
    ~HandleList() { closeAll(); }

    // Takes handle over; false when it cannot be kept, and it is closed then.
    bool add(HANDLE handle);
    void closeAll();

private:
    HANDLE* handles_ = nullptr;
    int count_ = 0;
    int capacity_ = 0;
};
