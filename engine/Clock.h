#pragma once
// The timer's sense of time. The worker waits out its interval through this
// seam, so tests can drive time by hand instead of sleeping.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace vostrel {

class IWaitClock {
public:
    using time_point = std::chrono::steady_clock::time_point;
    virtual ~IWaitClock() = default;
    virtual time_point now() = 0;
    // Blocks on `cv` (with `lock` held on entry and exit) until notified or until
    // `deadline`; may return early, so callers re-check their condition. The
    // deadline time_point::max() is none: the wait has no time-out.
    virtual void waitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                           time_point deadline) = 0;
};

// The steady clock of the machine.
class SteadyWaitClock final : public IWaitClock {
public:
    time_point now() override { return std::chrono::steady_clock::now(); }
    void waitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                   time_point deadline) override {
        if (deadline == time_point::max())
            cv.wait(lock);
        else
            cv.wait_until(lock, deadline);
    }
    static SteadyWaitClock& instance();
};

} // namespace vostrel
