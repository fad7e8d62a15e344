#include "engine/HandOver.h"

#include "engine/Clock.h"

#include <chrono>

namespace vostrel {

// The process-wide objects below are never destroyed: a worker thread may still
// be waiting on them while the process exits (Qt calls exit() when it loses
// its display).
SteadyWaitClock& SteadyWaitClock::instance() {
    static auto* clock = new SteadyWaitClock;
    return *clock;
}

void HandOver::setWakeUp(std::function<void()> wakeUp) {
    std::lock_guard lock(wakeUpMutex_);
    wakeUp_ = std::move(wakeUp);
}

void HandOver::request(Call call) {
    Request request;
    request.call = std::move(call);
    {
        std::lock_guard lock(mutex_);
        *tail_ = &request;
        tail_ = &request.next;
        pending_ = true;
        pendingChanged_.notify_all();
    }
    {
        std::lock_guard lock(wakeUpMutex_);
        if (wakeUp_)
            wakeUp_();
    }
    {
        std::unique_lock lock(finishedMutex_);
        finished_.wait(lock, [&] { return request.done; });
    }
    if (request.error)
        std::rethrow_exception(request.error);
}

bool HandOver::service() {
    Request* batch = nullptr;
    {
        std::lock_guard lock(mutex_);
        pending_ = false;
        batch = head_;
        head_ = nullptr;
        tail_ = &head_;
    }
    const bool ran = batch != nullptr;
    while (Request* r = batch) {
        batch = r->next; // read before `done`: the request may be gone after it
        std::exception_ptr error;
        try {
            r->call();
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard lock(finishedMutex_);
            r->error = std::move(error);
            r->done = true;
        }
        // Outside the lock, so that the woken requester does not block on it
        // straight away; the request itself may be gone by now.
        finished_.notify_all();
    }
    return ran;
}

bool HandOver::pending() const {
    std::lock_guard lock(mutex_);
    return pending_;
}

void HandOver::signalPending() {
    std::lock_guard lock(mutex_);
    pending_ = true;
    pendingChanged_.notify_all();
}

void HandOver::serviceUntil(const std::function<bool()>& done) {
    using namespace std::chrono_literals;
    for (;;) {
        service();
        if (done())
            return;
        std::unique_lock lock(mutex_);
        // The time-out only bounds a missed signal; it is not a poll.
        pendingChanged_.wait_for(lock, 1000ms, [this] { return pending_; });
    }
}

HandOver& HandOver::main() {
    static auto* handOver = new HandOver;
    return *handOver;
}

} // namespace vostrel
