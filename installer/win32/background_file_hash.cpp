#include "win32/background_file_hash.h"

namespace {

// How long the thread sleeps when it has caught up with the writer, and how
// long a stop waits for it: a thread stuck in a read of a stalled disk must
// not hold the caller for ever.
const DWORD catchUpPause = 5;
const DWORD stopTimeout = 60 * 1000;

} // namespace

bool BackgroundFileHash::begin(const CryptProvider& provider, ALG_ID algorithm, const char* path, DWORD share)
{
    stop();
    if (abandoned_)
        return false;
    hash_.reset();
    hashed_ = 0;
    length_ = -1;
    stopping_ = 0;
    file_.reset(CreateFileA(path, GENERIC_READ, share, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    wake_.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!file_.valid() || !wake_.valid() || !hash_.create(provider, algorithm)) {
        file_.reset();
        return false;
    }
    return true;
}

bool BackgroundFileHash::startGrowing(const CryptProvider& provider, ALG_ID algorithm, const char* path)
{
    // The writer has it open and lets others read it, not write it.
    if (!begin(provider, algorithm, path, FILE_SHARE_READ | FILE_SHARE_WRITE))
        return false;
    if (!worker_.start(run, this))
        file_.reset();
    return worker_.started();
}

bool BackgroundFileHash::startWhole(const CryptProvider& provider, ALG_ID algorithm, const char* path)
{
    if (!begin(provider, algorithm, path, FILE_SHARE_READ))
        return false;
    DWORD high = 0;
    const DWORD length = GetFileSize(file_.get(), &high);
    if ((length == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high != 0 || length > 0x7FFFFFFF
        || !worker_.start(run, this)) {
        file_.reset();
        return false;
    }
    complete(length);
    return true;
}

bool BackgroundFileHash::run(void* self)
{
    return static_cast<BackgroundFileHash*>(self)->hashAll();
}

bool BackgroundFileHash::hashAll()
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
            return false;   // the file ends before its length
        WaitForSingleObject(wake_.get(), catchUpPause);
    }
}

void BackgroundFileHash::complete(DWORD length)
{
    if (!running())
        return;
    InterlockedExchange(&length_, static_cast<LONG>(length));
    SetEvent(wake_.get());
}

bool BackgroundFileHash::notifyAtEnd(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return worker_.notifyAtEnd(window, message, wParam, lParam);
}

bool BackgroundFileHash::result(BYTE* value, DWORD size, ScopedHandle* file)
{
    if (!running() || !worker_.join(INFINITE))
        return false;
    // The thread hashed length bytes; the file must hold no more.
    DWORD high = 0;
    const LONG length = length_;
    const bool sameSize = length >= 0 && GetFileSize(file_.get(), &high) == static_cast<DWORD>(length) && high == 0;
    if (file != nullptr)
        file->reset(file_.release());
    file_.reset();
    return worker_.succeeded() && sameSize && hash_.value(value, size);
}

void BackgroundFileHash::stop()
{
    if (!running())
        return;
    InterlockedExchange(&stopping_, 1);
    SetEvent(wake_.get());
    // The thread ends after its current block. One stuck in a read of a
    // stalled disk is left to end with the process, with what it uses.
    if (!worker_.join(stopTimeout)) {
        abandoned_ = true;
        worker_.abandon();
        return;
    }
    file_.reset();
}
