#pragma once
#include "win32/noncopyable.h"

#include <windows.h>
#include <oleauto.h>

// An automation string owned by the caller: made from ANSI text for a call, or
// received from a call through put(); freed on destruction.
class ScopedBstr : NonCopyable {
public:
    ScopedBstr() : text_(nullptr) {}
    explicit ScopedBstr(const char* ansi);
    ~ScopedBstr() { SysFreeString(text_); }

    BSTR get() const { return text_; }
    BSTR* put()
    {
        SysFreeString(text_);
        text_ = nullptr;
        return &text_;
    }

private:
    BSTR text_;
};

// An automation variant cleared on destruction.
class ScopedVariant : NonCopyable {
public:
    ScopedVariant() { VariantInit(&value_); }
    ~ScopedVariant() { VariantClear(&value_); }

    void setString(const char* ansi);
    void setInt32(LONG number);
    const VARIANT& get() const { return value_; }

private:
    VARIANT value_;
};
