#pragma once
#include "common/text_sizes.h"
#include "win32/crypt_objects.h"
#include "win32/file_reader.h"
#include "win32/noncopyable.h"
#include "win32/scoped_handle.h"
#include "win32/worker_thread.h"

#include <windows.h>

// Hashes a file on a thread of its own, so that the window thread never
// waits for a large file nor for the file's opening (which another program
// can hold up): either a file this process is still writing (the thread
// reads what has been written so far, and the value is ready soon after the
// last byte) or a complete one. The thread can post a message when the value
// is ready.
class BackgroundFileHash : NonCopyable {
public:
    // A test of the open file before it is hashed; a file that fails it has
    // no value.
    typedef bool (*FileTest)(HANDLE file);

    BackgroundFileHash() = default;
    ~BackgroundFileHash() { stop(); }

    // Starts hashing the file at path, which the caller writes from its
    // start and lets others read, with a new hash of algorithm; complete
    // tells its length once it is written.
    bool startGrowing(const CryptProvider& provider, ALG_ID algorithm, const char* path);
    // Starts hashing the whole file at path, which nobody may write while
    // it is read; a reparse point is read as itself, not followed. test,
    // when given, is asked first.
    bool startWhole(const CryptProvider& provider, ALG_ID algorithm, const char* path, FileTest test = nullptr);
    bool running() const { return worker_.started(); }

    // The whole file at path as startWhole reads it, but hashed on the
    // calling thread when it holds at most limit bytes: a thread of its own
    // costs more than hashing a small file. Hashed: result() has the value.
    // TooLarge: nothing is held; startWhole it. Failed: no value.
    enum HereOutcome { Hashed, TooLarge, Failed };
    HereOutcome hashWholeHere(const CryptProvider& provider, ALG_ID algorithm, const char* path, FileTest test,
                              DWORD limit);

    // The growing file is complete at length bytes.
    void complete(DWORD length);

    // Posts message to window when the value is ready; false when it is
    // ready already (or the thread ended early), and nothing will be posted.
    bool notifyAtEnd(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool ended() const { return worker_.ended(); }

    // Once ended: copies the value (size bytes). False when the file could
    // not be opened or failed its test, when a read or the hash failed, or
    // when the file holds another number of bytes than were hashed. The hash
    // is over afterwards, and the file closed, or handed to file, open as it
    // was read.
    bool result(BYTE* value, DWORD size, ScopedHandle* file = nullptr);

    // Ends the thread without a value.
    void stop();

private:
    bool prepare(const CryptProvider& provider, ALG_ID algorithm, const char* path, bool whole, FileTest test);
    bool start(const CryptProvider& provider, ALG_ID algorithm, const char* path, bool whole, FileTest test);
    static bool run(void* self);
    bool openFile();
    bool hashAll();

    static const DWORD blockSize = 64 * 1024;

    WorkerThread worker_;
    char path_[pathSize];
    bool whole_ = false;
    FileTest test_ = nullptr;
    FileReader file_;
    ScopedHandle wake_;
    CryptHash hash_;
    volatile LONG length_ = -1;   // -1 until the file is complete
    volatile LONG stopping_ = 0;
    DWORD hashed_ = 0;
    // A value hashed on the calling thread waits for result().
    bool hashedHere_ = false;
    BYTE block_[blockSize];
};
