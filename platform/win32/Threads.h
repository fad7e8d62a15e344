#pragma once
// The timer's worker priority as Windows thread priorities, and the hand-over
// woken and waited for the Windows way.

#include "engine/HandOver.h"
#include "engine/ThreadPriority.h"

#include <atomic>

namespace vostrel::win32 {

// SetThreadPriority and GetThreadPriority on the worker thread; failures raise
// the thread error.
class Win32WorkerPriority final : public IWorkerPriority {
public:
    Win32WorkerPriority() = default;
    // Adopts a thread handle instead of taking the worker's at attach().
    explicit Win32WorkerPriority(void* thread) : thread_(thread) {}
    ~Win32WorkerPriority() override;
    Win32WorkerPriority(const Win32WorkerPriority&) = delete;
    Win32WorkerPriority& operator=(const Win32WorkerPriority&) = delete;

    void attach() override;
    void set(TThreadPriority level) override;
    TThreadPriority get() override;

private:
    void* thread_ = nullptr;
};

WorkerPriorityFactory win32WorkerPriorityFactory();

// The wake-up is PostMessageA(WM_NULL) to the window that services the queue
// (the application window), and a manual-reset pending event is set with it.
// The wait for a worker thread is a MsgWaitForMultipleObjects loop on that
// event that lets messages sent from other threads through.
class Win32HandOver final : public HandOver {
public:
    Win32HandOver();
    ~Win32HandOver() override;

    // The window whose procedure answers WM_NULL with service(); none at first.
    void setWindow(void* window) { window_ = window; }
    void* window() const { return window_; }

    void signalPending() override;
    // Main thread only. Should the message wait fail, the portable wait takes over.
    void serviceUntil(const std::function<bool()>& done) override;

    // The program's hand-over on Windows, serviced by its main loop.
    static Win32HandOver& main();

private:
    void* pendingEvent_;
    std::atomic<void*> window_{nullptr};
};

} // namespace vostrel::win32
