#include "win32/reg_key.h"

#include <string.h>

bool RegKey::open(HKEY root, const char* subKey)
{
    close();
    HKEY key = nullptr;
    if (RegOpenKeyA(root, subKey, &key) != ERROR_SUCCESS)
        return false;
    key_ = key;
    return true;
}

bool RegKey::create(HKEY root, const char* subKey)
{
    close();
    HKEY key = nullptr;
    if (RegCreateKeyA(root, subKey, &key) != ERROR_SUCCESS)
        return false;
    key_ = key;
    return true;
}

void RegKey::close()
{
    if (key_ != nullptr)
        RegCloseKey(key_);
    key_ = nullptr;
}

bool RegKey::readRaw(const char* name, char* buffer, DWORD capacity) const
{
    if (key_ == nullptr || capacity == 0)
        return false;
    DWORD size = capacity;
    DWORD type = 0;
    LONG result = RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    if (result != ERROR_SUCCESS) {
        buffer[0] = '\0';
        return false;
    }
    // A value may be stored without its terminator; add one where there is
    // room, and refuse the value where there is none.
    if (size > 0 && buffer[size - 1] == '\0')
        return true;
    if (size < capacity) {
        buffer[size] = '\0';
        return true;
    }
    buffer[0] = '\0';
    return false;
}

bool RegKey::readString(const char* name, char* buffer, DWORD capacity) const
{
    if (key_ == nullptr || capacity == 0)
        return false;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS
        || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        buffer[0] = '\0';
        return false;
    }
    return readRaw(name, buffer, capacity);
}

bool RegKey::readDword(const char* name, DWORD& value) const
{
    if (key_ == nullptr)
        return false;
    DWORD number = 0;
    DWORD size = sizeof number;
    if (RegQueryValueExA(key_, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size) != ERROR_SUCCESS
        || size != sizeof number)
        return false;
    value = number;
    return true;
}

bool RegKey::writeDword(const char* name, DWORD value) const
{
    return key_ != nullptr
        && RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value)
        == ERROR_SUCCESS;
}

bool RegKey::writeString(const char* name, const char* text) const
{
    if (key_ == nullptr)
        return false;
    DWORD length = static_cast<DWORD>(strlen(text)) + 1;
    return RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), length) == ERROR_SUCCESS;
}
