#pragma once
#include "win32/noncopyable.h"

#include <objbase.h>

// Memory that a system call allocated with CoTaskMemAlloc for its caller.
template <typename T>
class ScopedCoTaskMem : NonCopyable {
public:
    ScopedCoTaskMem() : pointer_(nullptr) {}
    ~ScopedCoTaskMem() { CoTaskMemFree(pointer_); }

    T get() const { return pointer_; }
    T* put() { return &pointer_; }

private:
    T pointer_;
};
