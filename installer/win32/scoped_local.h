#pragma once
#include "win32/noncopyable.h"

#include <windows.h>

// Memory that a system call allocated with LocalAlloc for its caller.
template <typename T>
class ScopedLocal : NonCopyable {
public:
    ScopedLocal() : pointer_(nullptr) {}
    ~ScopedLocal()
    {
        if (pointer_ != nullptr)
            LocalFree(reinterpret_cast<HLOCAL>(pointer_));
    }

    T get() const { return pointer_; }
    T* put() { return &pointer_; }

private:
    T pointer_;
};
