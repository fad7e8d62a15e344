#pragma once
// Fakes of the widget set's services: a beeper that counts and timers driven by
// a manual clock, so auto-repeat can be tested without waiting.

#include "ui/WidgetServices.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace vostrel::test {

class CountingBeeper : public IBeeper {
public:
    void Beep() override { ++beeps; }
    int beeps = 0;
};

class ManualTimers : public ITimerFactory {
public:
    class Timer : public IRepeatTimer {
    public:
        Timer(ManualTimers& owner, std::function<void()> onTimer)
            : owner_(owner), onTimer_(std::move(onTimer)) {
            owner_.timers_.push_back(this);
        }
        ~Timer() override { std::erase(owner_.timers_, this); }
        bool Start(int periodMs) override {
            armed_ = !owner_.exhausted;
            period_ = periodMs;
            due_ = owner_.now_ + periodMs;
            return armed_;
        }
        void Stop() override { armed_ = false; }
        bool Armed() const { return armed_; }
        int Period() const { return period_; }

    private:
        friend class ManualTimers;
        ManualTimers& owner_;
        std::function<void()> onTimer_;
        bool armed_ = false;
        int period_ = 0;
        long due_ = 0;
    };

    std::unique_ptr<IRepeatTimer> CreateTimer(std::function<void()> onTimer) override {
        ++created;
        return std::make_unique<Timer>(*this, std::move(onTimer));
    }

    // Moves the clock on by `ms`, firing each armed timer whenever its time comes.
    void Advance(long ms) {
        const long end = now_ + ms;
        for (;;) {
            Timer* next = nullptr;
            for (Timer* t : timers_)
                if (t->armed_ && t->due_ <= end && (!next || t->due_ < next->due_))
                    next = t;
            if (!next)
                break;
            now_ = next->due_;
            next->due_ += next->period_;
            next->onTimer_();
        }
        now_ = end;
    }

    long Now() const { return now_; }
    bool AnyArmed() const {
        return std::any_of(timers_.begin(), timers_.end(), [](Timer* t) { return t->armed_; });
    }

    bool exhausted = false; // the platform has no timer left
    int created = 0;

private:
    long now_ = 0;
    std::vector<Timer*> timers_;
};

} // namespace vostrel::test
