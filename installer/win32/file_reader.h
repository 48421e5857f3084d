#pragma once
#include "win32/noncopyable.h"
#include "win32/scoped_handle.h"

#include <windows.h>

// Reads of an open file through the calls every Windows has (the 9x family
// reads a disk file at no other offset than its file pointer). Lengths and
// offsets are those of files up to 2 GiB - 1 bytes, which signed 32-bit byte
// counts hold.

// The file's length; false when it cannot be had or is longer.
inline bool fileLength(HANDLE file, DWORD* length)
{
    DWORD high = 0;
    *length = GetFileSize(file, &high);
    if (*length == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return false;
    return high == 0 && *length <= 0x7FFFFFFF;
}

// Up to size bytes where the previous read ended.
inline bool readNext(HANDLE file, void* buffer, DWORD size, DWORD* read)
{
    return ReadFile(file, buffer, size, read, nullptr) != 0;
}

// Up to size bytes from offset on.
inline bool readAt(HANDLE file, DWORD offset, void* buffer, DWORD size, DWORD* read)
{
    *read = 0;
    if (SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER
        && GetLastError() != NO_ERROR)
        return false;
    return readNext(file, buffer, size, read);
}

// One file opened for reading, closed with its owner.
class FileReader : NonCopyable {
public:
    FileReader() = default;

    // Opens path as it exists, for reading only, with the given share mode
    // and attributes and flags; a file open before is closed first.
    bool open(const char* path, DWORD share, DWORD flags)
    {
        file_.reset();
        file_.reset(CreateFileA(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, flags, nullptr));
        return file_.valid();
    }
    void close() { file_.reset(); }
    bool valid() const { return file_.valid(); }
    HANDLE get() const { return file_.get(); }
    // Hands the open file to a new owner.
    HANDLE release() { return file_.release(); }

    bool length(DWORD* length) const { return fileLength(file_.get(), length); }
    bool read(void* buffer, DWORD size, DWORD* read) const { return readNext(file_.get(), buffer, size, read); }

private:
    ScopedHandle file_;
};
