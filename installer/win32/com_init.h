#pragma once
#include "win32/noncopyable.h"

#include <windows.h>
#include <objbase.h>

// COM for the calling thread, from construction to uninitialize() or destruction.
class ScopedCoInitialize : NonCopyable {
public:
    ScopedCoInitialize() : result_(CoInitialize(nullptr)) {}
    ~ScopedCoInitialize() { uninitialize(); }

    bool succeeded() const { return SUCCEEDED(result_) && !done_; }
    void uninitialize()
    {
        if (SUCCEEDED(result_) && !done_)
            CoUninitialize();
        done_ = true;
    }

private:
    HRESULT result_;
    bool done_ = false;
};
