#include "platform/win32/Threads.h"

#include "platform/win32/SystemError.h"

#include "platform/win32/WinApi.h"

namespace vostrel::win32 {

// ---------------------------------------------------------------- priority

Win32WorkerPriority::~Win32WorkerPriority() {
    if (thread_)
        CloseHandle(thread_);
}

void Win32WorkerPriority::attach() {
    if (thread_)
        return;
    // GetCurrentThread is a pseudo handle that means "the caller": make a real one.
    HANDLE real = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &real, 0,
                         FALSE, DUPLICATE_SAME_ACCESS))
        raiseThreadError(GetLastError());
    thread_ = real;
}

void Win32WorkerPriority::set(TThreadPriority level) {
    if (!SetThreadPriority(thread_, windowsPriorityOf(level)))
        raiseThreadError(GetLastError());
}

TThreadPriority Win32WorkerPriority::get() {
    const int value = GetThreadPriority(thread_);
    if (value == THREAD_PRIORITY_ERROR_RETURN)
        raiseThreadError(GetLastError());
    return levelOfWindowsPriority(value);
}

WorkerPriorityFactory win32WorkerPriorityFactory() {
    return [] { return std::make_unique<Win32WorkerPriority>(); };
}

// ---------------------------------------------------------------- hand-over

Win32HandOver::Win32HandOver() : pendingEvent_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    setWakeUp([this] {
        SetEvent(pendingEvent_);
        if (HWND window = static_cast<HWND>(window_.load()))
            PostMessageA(window, WM_NULL, 0, 0);
    });
}

Win32HandOver::~Win32HandOver() {
    setWakeUp(nullptr);
    CloseHandle(pendingEvent_);
}

void Win32HandOver::signalPending() {
    HandOver::signalPending();
    SetEvent(pendingEvent_);
}

void Win32HandOver::serviceUntil(const std::function<bool()>& done) {
    bool peek = false;
    for (;;) {
        if (peek) {
            // Lets messages sent from other threads through, so that a thread
            // waiting on a SendMessage to us cannot hold up the one we wait for.
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
            peek = false;
        }
        ResetEvent(pendingEvent_);
        service();
        if (done())
            return;
        HANDLE handles[] = {pendingEvent_};
        switch (MsgWaitForMultipleObjects(1, handles, FALSE, 1000, QS_SENDMESSAGE)) {
        case WAIT_OBJECT_0:
        case WAIT_TIMEOUT:
            break;
        case WAIT_OBJECT_0 + 1:
            peek = true;
            break;
        default:
            // Raising here would end the program, since the wait runs in a destructor;
            // the portable wait keeps the deadlock rule without the message wait.
            HandOver::serviceUntil(done);
            return;
        }
    }
}

Win32HandOver& Win32HandOver::main() {
    static auto* handOver = new Win32HandOver; // outlives workers at process exit
    return *handOver;
}

} // namespace vostrel::win32
