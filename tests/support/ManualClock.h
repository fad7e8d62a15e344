#pragma once
// A clock that moves only when a test advances it. Waiters register their
// condition variable so that an advance wakes them.

#include "engine/Clock.h"

#include <chrono>
#include <mutex>
#include <vector>

namespace vostrel::test {

class ManualClock final : public IWaitClock {
public:
    time_point now() override;
    void waitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                   time_point deadline) override;

    // Moves time on and wakes every waiter.
    void advance(std::chrono::milliseconds by);
    // Blocks until some thread waits with exactly `deadline`; false after `bound`.
    bool awaitSleeper(time_point deadline,
                      std::chrono::milliseconds bound = std::chrono::seconds(10));
    time_point start() const { return time_point{}; }

private:
    struct Sleeper {
        std::condition_variable* cv;
        std::mutex* mutex;
        time_point deadline;
    };
    std::mutex mutex_;
    std::condition_variable sleepersChanged_;
    std::vector<Sleeper> sleepers_;
    time_point now_{};
};

} // namespace vostrel::test
