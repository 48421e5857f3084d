#pragma once
#include "win32/noncopyable.h"

#include <windows.h>

// A FindFirstFileA search closed with FindClose.
class ScopedFind : NonCopyable {
public:
    ScopedFind(const char* pattern, WIN32_FIND_DATAA& data) : handle_(FindFirstFileA(pattern, &data)) {}
    ~ScopedFind()
    {
        if (valid())
            FindClose(handle_);
    }

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool next(WIN32_FIND_DATAA& data) { return valid() && FindNextFileA(handle_, &data) != 0; }

private:
    HANDLE handle_;
};
