#include "win32/growing_file_hash.h"

namespace {

// How long the thread sleeps when it has caught up with the writer, and how
// long finish waits for the rest: reading back a file just written is quick,
// but a stalled disk must not hold the caller for ever.
const DWORD catchUpPause = 5;
const DWORD finishTimeout = 60 * 1000;

} // namespace

bool GrowingFileHash::start(const CryptProvider& provider, ALG_ID algorithm, const char* path)
{
    stop();
    if (abandoned_)
        return false;
    hash_.reset();
    hashed_ = 0;
    succeeded_ = false;
    length_ = -1;
    stopping_ = 0;
    // The writer has it open and lets others read it, not write it.
    file_.reset(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    wake_.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!file_.valid() || !wake_.valid() || !hash_.create(provider, algorithm)) {
        file_.reset();
        return false;
    }
    DWORD id = 0;
    thread_.reset(CreateThread(nullptr, 0, run, this, 0, &id));
    if (!thread_.valid())
        file_.reset();
    return thread_.valid();
}

DWORD WINAPI GrowingFileHash::run(void* self)
{
    GrowingFileHash* hasher = static_cast<GrowingFileHash*>(self);
    hasher->succeeded_ = hasher->hashAll();
    return 0;
}

bool GrowingFileHash::hashAll()
{
    for (;;) {
        if (InterlockedCompareExchange(&stopping_, 0, 0) != 0)
            return false;
        const LONG length = InterlockedCompareExchange(&length_, -1, -1);
        DWORD wanted = blockSize;
        if (length >= 0) {
            if (hashed_ == static_cast<DWORD>(length))
                return true;
            if (hashed_ > static_cast<DWORD>(length))
                return false;   // more bytes than the writer wrote
            if (static_cast<DWORD>(length) - hashed_ < wanted)
                wanted = static_cast<DWORD>(length) - hashed_;
        }
        DWORD read = 0;
        if (!ReadFile(file_.get(), block_, wanted, &read, nullptr))
            return false;
        if (read > 0) {
            if (!hash_.add(block_, read))
                return false;
            hashed_ += read;
            continue;
        }
        if (length >= 0)
            return false;   // the file ends before the length the writer gave
        WaitForSingleObject(wake_.get(), catchUpPause);
    }
}

bool GrowingFileHash::finish(DWORD length, BYTE* value, DWORD size)
{
    if (!running())
        return false;
    InterlockedExchange(&length_, static_cast<LONG>(length));
    SetEvent(wake_.get());
    if (WaitForSingleObject(thread_.get(), finishTimeout) != WAIT_OBJECT_0) {
        // Stuck in a read: left to end with the process, with what it uses.
        abandoned_ = true;
        thread_.reset();
        return false;
    }
    thread_.reset();
    // The thread hashed length bytes; the file must hold no more.
    DWORD high = 0;
    const bool sameSize = GetFileSize(file_.get(), &high) == length && high == 0;
    file_.reset();
    return succeeded_ && sameSize && hash_.value(value, size);
}

void GrowingFileHash::stop()
{
    if (!running())
        return;
    InterlockedExchange(&stopping_, 1);
    SetEvent(wake_.get());
    // The thread ends after its current block. One stuck in a read of a
    // stalled disk is left to end with the process, with what it uses.
    if (WaitForSingleObject(thread_.get(), finishTimeout) != WAIT_OBJECT_0) {
        abandoned_ = true;
        thread_.reset();
        return;
    }
    thread_.reset();
    file_.reset();
}
