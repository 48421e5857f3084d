#pragma once
#include "win32/noncopyable.h"

#include <windows.h>
#include <unknwn.h>

// One COM interface reference, released on destruction.
template <typename T>
class ComPtr : NonCopyable {
public:
    ComPtr() : pointer_(nullptr) {}
    ~ComPtr() { reset(); }

    T* get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // For creators that hand out a new reference through an out parameter.
    T** put()
    {
        reset();
        return &pointer_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

    void reset()
    {
        if (pointer_ != nullptr)
            pointer_->Release();
        pointer_ = nullptr;
    }

private:
    T* pointer_;
};
