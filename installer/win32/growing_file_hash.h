#pragma once
#include "win32/crypt_objects.h"
#include "win32/noncopyable.h"
#include "win32/scoped_handle.h"

#include <windows.h>

// Hashes a file on a thread of its own while this process writes it: the
// thread reads what has been written so far, so that the value is ready soon
// after the last byte instead of taking a pass of its own afterwards, and the
// thread that writes never waits for it.
class GrowingFileHash : NonCopyable {
public:
    GrowingFileHash() = default;
    ~GrowingFileHash() { stop(); }

    // Starts hashing the file at path, which the caller writes from its
    // start, with a new hash of algorithm. The writer must let others read.
    bool start(const CryptProvider& provider, ALG_ID algorithm, const char* path);
    bool running() const { return thread_.valid(); }

    // The file is complete at length bytes: waits for the thread to hash up
    // to there and copies the value (size bytes). False when a read or the
    // hash failed, when the file holds another number of bytes, or when the
    // thread did not finish in time.
    bool finish(DWORD length, BYTE* value, DWORD size);

    // Ends the thread without a value.
    void stop();

private:
    static DWORD WINAPI run(void* self);
    bool hashAll();

    static const DWORD blockSize = 64 * 1024;

    ScopedHandle file_;
    ScopedHandle wake_;
    ScopedHandle thread_;
    CryptHash hash_;
    volatile LONG length_ = -1;   // -1 until the file is complete
    volatile LONG stopping_ = 0;
    bool succeeded_ = false;      // written by the thread before it ends
    bool abandoned_ = false;      // a thread did not end in time and may still use the members
    DWORD hashed_ = 0;
    BYTE block_[blockSize];
};
