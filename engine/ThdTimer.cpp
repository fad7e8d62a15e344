#include "engine/ThdTimer.h"

#include "engine/Errors.h"

#include <system_error>

namespace vostrel {

TimerEnv& TimerEnv::standard() {
    static auto* env = new TimerEnv; // never destroyed, like the hand-over it names
    return *env;
}

// ---------------------------------------------------------------- worker

TTimerThread::TTimerThread(const TimerEnv& env, std::function<void()> tick)
    : env_(env), tick_(std::move(tick)),
      priority_(env.priority ? env.priority() : std::make_unique<RememberedPriority>()) {
    auto body = [this] { Execute(); };
    try {
        thread_ = env_.spawn ? env_.spawn(body) : std::thread(body);
    } catch (const std::system_error& e) {
        throw EThreadCreation(e.code().message());
    }
    // The priority seam needs to know the thread before anyone sets a level.
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return started_; });
}

TTimerThread::~TTimerThread() {
    if (!thread_.joinable())
        return;
    // Normally the timer has already seen the body finish; this covers a worker
    // that never got past its first release (a constructor that failed later).
    Terminate();
    SetEvent();
    Release();
    thread_.join();
}

uint32_t TTimerThread::Interval() const {
    std::lock_guard lock(mutex_);
    return interval_;
}

void TTimerThread::SetInterval(uint32_t ms) {
    std::lock_guard lock(mutex_);
    interval_ = ms;
}

void TTimerThread::SetEvent() {
    std::lock_guard lock(mutex_);
    signalled_ = true;
    changed_.notify_all();
}

void TTimerThread::Park() {
    std::lock_guard lock(mutex_);
    parked_ = true;
}

void TTimerThread::Release() {
    std::lock_guard lock(mutex_);
    parked_ = false;
    changed_.notify_all();
}

bool TTimerThread::Parked() const {
    std::lock_guard lock(mutex_);
    return parked_;
}

void TTimerThread::Terminate() {
    terminated_.store(true);
}

bool TTimerThread::Finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

std::exception_ptr TTimerThread::FatalError() const {
    std::lock_guard lock(mutex_);
    return fatal_;
}

void TTimerThread::Execute() {
    std::exception_ptr fatal;
    try {
        priority_->attach();
        {
            std::unique_lock lock(mutex_);
            started_ = true;
            changed_.notify_all();
            changed_.wait(lock, [this] { return !parked_; });
        }
        while (!terminated_.load()) {
            if (waitForWake() == WaitResult::TimedOut)
                env_.handOver->request(tick_);
        }
    } catch (...) {
        fatal = std::current_exception();
    }
    {
        std::lock_guard lock(mutex_);
        fatal_ = fatal;
        started_ = true; // a failed attach must not leave the constructor waiting
        finished_ = true;
        changed_.notify_all();
    }
    // A main thread waiting for us looks again at once.
    env_.handOver->signalPending();
}

TTimerThread::WaitResult TTimerThread::waitForWake() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !parked_; });
    const uint32_t ms = interval_; // read afresh each pass, never while it may change
    const auto deadline = ms == INFINITE ? IWaitClock::time_point::max()
                                         : env_.clock->now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (parked_) { // held mid-wait: no time runs out while parked
            changed_.wait(lock);
            continue;
        }
        if (signalled_) {
            signalled_ = false;
            return WaitResult::Signalled;
        }
        if (deadline != IWaitClock::time_point::max() && env_.clock->now() >= deadline)
            return WaitResult::TimedOut;
        env_.clock->waitUntil(changed_, lock, deadline);
    }
}

// ---------------------------------------------------------------- component

TThreadedTimer::TThreadedTimer(TComponent* owner, const TimerEnv& env)
    : TComponent(owner), handOver_(env.handOver) {
    worker_ = std::make_unique<TTimerThread>(env, [this] { tickStep(); });
    worker_->Owner = this;
    worker_->Priority().set(TThreadPriority::tpNormal);
}

TThreadedTimer::~TThreadedTimer() {
    Destroying();
    enabled_ = false; // a plain store: the worker is not parked by it
    worker_->Terminate();
    worker_->SetEvent();
    if (worker_->Parked())
        worker_->Release();
    // On the main thread a worker blocked in a hand-over can only finish if we
    // keep servicing. Off it, the main thread services as usual and the wait is a
    // plain one: the join of the worker's destruction.
    if (handOver_->onMainThread())
        handOver_->serviceUntil([this] { return worker_->Finished(); });
    worker_.reset();
}

void TThreadedTimer::SetEnabled(bool value) {
    if (value == enabled_)
        return;
    enabled_ = value;
    if (!value) {
        worker_->Park();
    } else if (worker_->Interval() > 0 || allowZero_) {
        worker_->SetEvent();
        worker_->Release();
    }
}

void TThreadedTimer::SetInterval(uint32_t value) {
    if (value == worker_->Interval())
        return;
    const bool wasEnabled = enabled_;
    SetEnabled(false);
    worker_->SetInterval(value);
    SetEnabled(wasEnabled);
}

void TThreadedTimer::tickStep() {
    if (!enabled_ || !onTimer_ || IsDestroying())
        return;
    try {
        onTimer_(this);
    } catch (...) {
        // A failing handler must never stop the timer; nothing is shown.
    }
}

} // namespace vostrel
