#pragma once
#include "win32/noncopyable.h"

#include <windows.h>

// An open registry key, closed on destruction. Reads check the value's type
// and size and always leave a terminated text in the caller's buffer.
class RegKey : NonCopyable {
public:
    RegKey() : key_(nullptr) {}
    ~RegKey() { close(); }

    bool open(HKEY root, const char* subKey);
    bool create(HKEY root, const char* subKey);
    void close();
    HKEY get() const { return key_; }

    // Reads a REG_SZ or REG_EXPAND_SZ value (name nullptr: the default value).
    // Fails when the value is missing, of another type or does not fit.
    bool readString(const char* name, char* buffer, DWORD capacity) const;
    // Reads the value's bytes whatever its type; terminates what was read.
    bool readRaw(const char* name, char* buffer, DWORD capacity) const;
    // Reads a value of exactly 4 bytes.
    bool readDword(const char* name, DWORD& value) const;
    bool writeString(const char* name, const char* text) const;
    bool writeDword(const char* name, DWORD value) const;

private:
    HKEY key_;
};
