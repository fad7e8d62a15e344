#pragma once
// TThreadedTimer: a timer whose interval is waited out on a worker thread and
// whose ticks run on the main thread, one at a time, through the hand-over.
//
// The worker waits on its wake event with the interval as time-out; each time
// the wait runs out it hands one tick to the main thread and blocks until the
// tick has run, so pacing is a fixed delay and ticks never overlap. Parking
// holds the worker at its wait (never at an arbitrary point), so it can never
// be frozen while holding a lock the main thread needs.

#include "engine/Clock.h"
#include "engine/Component.h"
#include "engine/HandOver.h"
#include "engine/ThreadPriority.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace vostrel {

// An interval that never runs out.
inline constexpr uint32_t INFINITE = 0xFFFFFFFFu;

// What a timer needs from the world; tests replace any of it.
struct TimerEnv {
    HandOver* handOver = &HandOver::main();
    IWaitClock* clock = &SteadyWaitClock::instance();
    WorkerPriorityFactory priority;                          // empty: RememberedPriority
    std::function<std::thread(std::function<void()>)> spawn; // empty: std::thread

    // The environment that TThreadedTimer(owner) uses; a program sets the
    // platform's priority factory here before it builds its windows.
    static TimerEnv& standard();
};

class TThreadedTimer;

class TTimerThread {
public:
    // Creates the thread parked: none of the body runs before the first release.
    TTimerThread(const TimerEnv& env, std::function<void()> tick);
    ~TTimerThread();
    TTimerThread(const TTimerThread&) = delete;
    TTimerThread& operator=(const TTimerThread&) = delete;

    TThreadedTimer* Owner = nullptr;

    uint32_t Interval() const;
    // Only while parked or not started.
    void SetInterval(uint32_t ms);

    void SetEvent();
    void Park();
    void Release();
    bool Parked() const;
    void Terminate();
    bool Finished() const;
    // The error that ended the body early, if any; never shown.
    std::exception_ptr FatalError() const;
    IWorkerPriority& Priority() { return *priority_; }

private:
    enum class WaitResult { Signalled, TimedOut };
    void Execute();
    WaitResult waitForWake();

    TimerEnv env_;
    std::function<void()> tick_;
    std::unique_ptr<IWorkerPriority> priority_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    uint32_t interval_ = 1000;
    bool signalled_ = false; // the auto-reset wake event
    bool parked_ = true;
    bool started_ = false;
    bool finished_ = false;
    std::atomic<bool> terminated_{false};
    std::exception_ptr fatal_;
    std::thread thread_;
};

class TThreadedTimer : public TComponent {
public:
    using TNotifyEvent = std::function<void(TComponent* Sender)>;

    explicit TThreadedTimer(TComponent* owner, const TimerEnv& env = TimerEnv::standard());
    // Must not run inside this timer's own OnTimer handler.
    ~TThreadedTimer() override;

    bool AllowZero() const { return allowZero_; }
    void SetAllowZero(bool value) { allowZero_ = value; }

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);

    uint32_t Interval() const { return worker_->Interval(); }
    void SetInterval(uint32_t value);

    const TNotifyEvent& OnTimer() const { return onTimer_; }
    void SetOnTimer(TNotifyEvent handler) { onTimer_ = std::move(handler); }

    TThreadPriority ThreadPriority() const { return worker_->Priority().get(); }
    void SetThreadPriority(TThreadPriority level) { worker_->Priority().set(level); }

private:
    void tickStep();

    TNotifyEvent onTimer_;
    std::unique_ptr<TTimerThread> worker_;
    bool enabled_ = false;
    bool allowZero_ = false;
    HandOver* handOver_;
};

} // namespace vostrel
