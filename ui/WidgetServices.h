#pragma once
// Services that portable controls ask of the widget set: the desktop's default
// sound and repeating main-thread timers. Tests supply fakes of both.

#include "engine/Errors.h"

#include <functional>
#include <memory>

namespace vostrel {

class IBeeper {
public:
    virtual ~IBeeper() = default;
    // The desktop's default sound; it answers refused input.
    virtual void Beep() = 0;
};

class IRepeatTimer {
public:
    virtual ~IRepeatTimer() = default;
    // Arms the timer to fire every `periodMs` from now on, replacing any earlier arming.
    // Returns false, leaving the timer disarmed, when the platform has no timer left.
    virtual bool Start(int periodMs) = 0;
    virtual void Stop() = 0;
};

class ITimerFactory {
public:
    virtual ~ITimerFactory() = default;
    // A disarmed main-thread timer that calls `onTimer` each time it fires. An error
    // escaping `onTimer` goes to the application's error display.
    virtual std::unique_ptr<IRepeatTimer> CreateTimer(std::function<void()> onTimer) = 0;
};

// A platform resource ran out.
class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};

inline constexpr const char* SNoTimers = "Not enough timers available";

} // namespace vostrel
