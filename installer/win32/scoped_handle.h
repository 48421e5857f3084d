#pragma once
#include "win32/noncopyable.h"

#include <windows.h>

// A kernel handle closed on destruction. Both NULL and INVALID_HANDLE_VALUE
// count as "none", since CreateFile and the other creators disagree on it.
class ScopedHandle : NonCopyable {
public:
    ScopedHandle() : handle_(INVALID_HANDLE_VALUE) {}
    explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
    ~ScopedHandle() { reset(); }

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }

    // Hands the handle to a new owner.
    HANDLE release()
    {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }

    void reset(HANDLE handle = INVALID_HANDLE_VALUE)
    {
        if (valid())
            CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_;
};
