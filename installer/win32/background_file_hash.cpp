#include "win32/background_file_hash.h"

#include "common/bounded_copy.h"

namespace {

// How long the thread sleeps when it has caught up with the writer, and how
// long a stop waits for it: a thread stuck in an open or a read (a stalled
// disk, a file another program holds up) is left behind after that.
const DWORD catchUpPause = 5;
const DWORD stopTimeout = 2000;
// At most 15 characters: Linux, under Wine, keeps no more of it.
const wchar_t threadName[] = L"ZORV file hash";

} // namespace

bool BackgroundFileHash::prepare(const CryptProvider& provider, ALG_ID algorithm, const char* path, bool whole,
                                 FileTest test)
{
    stop();
    if (worker_.abandoned())
        return false;
    hashedHere_ = false;
    file_.close();
    hash_.reset();
    hashed_ = 0;
    length_ = -1;
    stopping_ = 0;
    whole_ = whole;
    test_ = test;
    return copyBounded(path_, sizeof path_, path) && hash_.create(provider, algorithm);
}

bool BackgroundFileHash::start(const CryptProvider& provider, ALG_ID algorithm, const char* path, bool whole,
                               FileTest test)
{
    if (!prepare(provider, algorithm, path, whole, test))
        return false;
    // Only the thread waits for the writer: a hash on the calling thread needs no event.
    wake_.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    return wake_.valid() && worker_.start(run, this, threadName);
}

BackgroundFileHash::HereOutcome BackgroundFileHash::hashWholeHere(const CryptProvider& provider, ALG_ID algorithm,
                                                                  const char* path, FileTest test, DWORD limit)
{
    if (!prepare(provider, algorithm, path, true, test) || !openFile()) {
        file_.close();
        return Failed;
    }
    if (static_cast<DWORD>(length_) > limit) {
        file_.close();
        hash_.reset();
        return TooLarge;
    }
    if (!hashAll()) {
        file_.close();
        return Failed;
    }
    hashedHere_ = true;
    return Hashed;
}

bool BackgroundFileHash::startGrowing(const CryptProvider& provider, ALG_ID algorithm, const char* path)
{
    return start(provider, algorithm, path, false, nullptr);
}

bool BackgroundFileHash::startWhole(const CryptProvider& provider, ALG_ID algorithm, const char* path,
                                    FileTest test)
{
    return start(provider, algorithm, path, true, test);
}

bool BackgroundFileHash::run(void* self)
{
    BackgroundFileHash* hasher = static_cast<BackgroundFileHash*>(self);
    return hasher->openFile() && hasher->hashAll();
}

bool BackgroundFileHash::openFile()
{
    // A growing file: the writer has it open and lets others read it, not
    // write it. A whole one: nobody may write it while it is read.
    const DWORD share = whole_ ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN | (whole_ ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    if (!file_.open(path_, share, flags) || !whole_)
        return file_.valid();
    DWORD length = 0;
    if (!file_.length(&length))
        return false;
    InterlockedExchange(&length_, static_cast<LONG>(length));
    return test_ == nullptr || test_(file_.get());
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
        if (!file_.read(block_, wanted, &read))
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
    if (!running() || whole_)
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
    const bool here = hashedHere_;
    hashedHere_ = false;
    if (!here && (!running() || !worker_.join(INFINITE)))
        return false;
    // The thread hashed length bytes; the file must hold no more.
    const LONG length = length_;
    DWORD held = 0;
    const bool hashed = (here || worker_.succeeded()) && length >= 0 && file_.length(&held)
        && held == static_cast<DWORD>(length);
    if (file != nullptr && hashed)
        file->reset(file_.release());
    file_.close();
    return hashed && hash_.value(value, size);
}

void BackgroundFileHash::stop()
{
    if (hashedHere_) {
        hashedHere_ = false;
        file_.close();
    }
    if (!running())
        return;
    InterlockedExchange(&stopping_, 1);
    SetEvent(wake_.get());
    // The thread ends after its current block. One stuck in an open or a
    // read is left to end with the process, with what it uses.
    if (worker_.joinOrAbandon(stopTimeout))
        file_.close();
}
