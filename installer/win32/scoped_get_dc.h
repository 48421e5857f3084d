#pragma once
#include "win32/noncopyable.h"

#include <windows.h>

// A window's device context from GetDC, released on destruction.
class ScopedGetDC : NonCopyable {
public:
    explicit ScopedGetDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~ScopedGetDC()
    {
        if (dc_ != nullptr)
            ReleaseDC(window_, dc_);
    }

    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};
