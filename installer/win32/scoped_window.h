#pragma once
#include "win32/noncopyable.h"

#include <windows.h>

// A window of the program's own, destroyed on destruction.
class ScopedWindow : NonCopyable {
public:
    ScopedWindow() : window_(nullptr) {}
    ~ScopedWindow() { reset(); }

    HWND get() const { return window_; }

    void reset(HWND window = nullptr)
    {
        if (window_ != nullptr)
            DestroyWindow(window_);
        window_ = window;
    }

private:
    HWND window_;
};
