#pragma once
#include "win32/noncopyable.h"
#include "win32/scoped_handle.h"

#include <windows.h>

// One piece of work on a thread of its own, which can tell a window when it
// has ended: the window's thread goes on serving its messages meanwhile, and
// hears of the end as a posted message instead of waiting for it.
class WorkerThread : NonCopyable {
public:
    // The work; its result is what succeeded() reports afterwards. It must
    // watch a stop request of its owner's and return soon after one.
    typedef bool (*Work)(void* context);

    WorkerThread() = default;
    // The owner stops its work first; this waits for whatever is left of it.
    ~WorkerThread() { join(INFINITE); }

    // False while a thread runs, and once one was abandoned. name, when
    // given, is the thread's name for debuggers and the system's tools
    // where the system keeps one.
    bool start(Work work, void* context, const wchar_t* name = nullptr);
    bool started() const { return thread_.valid(); }

    // Posts message to window once the work has ended. False when it has
    // ended already: then nothing is posted, and the result is there now.
    bool notifyAtEnd(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Waits up to timeout ms for the end; true once the thread has ended,
    // after which nothing of the work runs any more and the thread is
    // forgotten. A thread that does not end in time is left to end with the
    // process: its owner must keep what the work uses.
    bool join(DWORD timeout);

    // True once the work has returned; join then waits only for the thread's exit.
    bool ended() const { return !thread_.valid() || state_ == Ended; }

    // Waits up to timeout ms for the end, as join does. A thread that does
    // not end in time (stuck in an open or a read that another program holds
    // up) is forgotten for good: abandoned() from then on, start refuses, and
    // the owner must keep what the work uses until the process ends.
    bool joinOrAbandon(DWORD timeout);
    bool abandoned() const { return abandoned_; }

    // What the work returned; valid after join.
    bool succeeded() const { return succeeded_; }

private:
    static DWORD WINAPI run(void* self);

    enum : LONG { Running, NotifyWanted, Ended };

    Work work_ = nullptr;
    void* context_ = nullptr;
    const wchar_t* name_ = nullptr;
    ScopedHandle thread_;
    volatile LONG state_ = Running;
    bool succeeded_ = false;
    bool abandoned_ = false;
    HWND window_ = nullptr;
    UINT message_ = 0;
    WPARAM wParam_ = 0;
    LPARAM lParam_ = 0;
};
