#include "support/ManualClock.h"

#include <algorithm>

namespace vostrel::test {

IWaitClock::time_point ManualClock::now() {
    std::lock_guard lock(mutex_);
    return now_;
}

void ManualClock::waitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                            time_point deadline) {
    {
        std::lock_guard own(mutex_);
        if (now_ >= deadline)
            return;
        sleepers_.push_back({&cv, lock.mutex(), deadline});
        sleepersChanged_.notify_all();
    }
    cv.wait(lock); // the caller's lock is held from its check to here
    std::lock_guard own(mutex_);
    auto it = std::find_if(sleepers_.begin(), sleepers_.end(),
                           [&](const Sleeper& s) { return s.cv == &cv; });
    if (it != sleepers_.end())
        sleepers_.erase(it);
    sleepersChanged_.notify_all();
}

void ManualClock::advance(std::chrono::milliseconds by) {
    std::vector<Sleeper> toWake;
    {
        std::lock_guard own(mutex_);
        now_ += by;
        // Woken sleepers leave the list now, so a later awaitSleeper only sees
        // waits begun after this advance.
        toWake.swap(sleepers_);
        sleepersChanged_.notify_all();
    }
    for (const Sleeper& s : toWake) {
        // Taking the waiter's lock orders the notify after its wait began.
        std::lock_guard theirs(*s.mutex);
        s.cv->notify_all();
    }
}

bool ManualClock::awaitSleeper(time_point deadline, std::chrono::milliseconds bound) {
    std::unique_lock own(mutex_);
    return sleepersChanged_.wait_for(own, bound, [&] {
        return std::any_of(sleepers_.begin(), sleepers_.end(),
                           [&](const Sleeper& s) { return s.deadline == deadline; });
    });
}

} // namespace vostrel::test
