#include "win32/worker_thread.h"

namespace {

const DWORD postRetryPause = 10;

// Windows 10 and later name threads; kernel32 is in every process already.
void nameCurrentThread(const wchar_t* name)
{
    typedef HRESULT(WINAPI * SetThreadDescription)(HANDLE, PCWSTR);
    const SetThreadDescription setDescription = reinterpret_cast<SetThreadDescription>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetThreadDescription")));
    if (setDescription != nullptr)
        setDescription(GetCurrentThread(), name);
}

} // namespace

bool WorkerThread::start(Work work, void* context, const wchar_t* name)
{
    if (thread_.valid() || abandoned_)
        return false;
    work_ = work;
    context_ = context;
    name_ = name;
    succeeded_ = false;
    window_ = nullptr;
    state_ = Running;
    DWORD id = 0;
    thread_.reset(CreateThread(nullptr, 0, run, this, 0, &id));
    return thread_.valid();
}

DWORD WINAPI WorkerThread::run(void* self)
{
    WorkerThread* worker = static_cast<WorkerThread*>(self);
    if (worker->name_ != nullptr)
        nameCurrentThread(worker->name_);
    worker->succeeded_ = worker->work_(worker->context_);
    // Whoever asked for the message before this point gets it; a request
    // after it learns that the work has ended.
    if (InterlockedExchange(&worker->state_, Ended) == NotifyWanted) {
        // A full queue refuses the message; the window waits for it.
        while (!PostMessageA(worker->window_, worker->message_, worker->wParam_, worker->lParam_)
               && IsWindow(worker->window_))
            Sleep(postRetryPause);
    }
    return 0;
}

bool WorkerThread::notifyAtEnd(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!thread_.valid())
        return false;
    window_ = window;
    message_ = message;
    wParam_ = wParam;
    lParam_ = lParam;
    return InterlockedCompareExchange(&state_, NotifyWanted, Running) != Ended;
}

bool WorkerThread::join(DWORD timeout)
{
    if (!thread_.valid())
        return true;
    if (WaitForSingleObject(thread_.get(), timeout) != WAIT_OBJECT_0)
        return false;
    thread_.reset();
    return true;
}

bool WorkerThread::joinOrAbandon(DWORD timeout)
{
    if (join(timeout))
        return true;
    abandoned_ = true;
    thread_.reset();
    return false;
}
