#pragma once
// The widget services on Qt: the desktop's beep and QTimer-based repeat timers.

#include "ui/WidgetServices.h"

#include <exception>
#include <functional>

namespace vostrel {

class QtBeeper : public IBeeper {
public:
    void Beep() override;
};

class QtTimerFactory : public ITimerFactory {
public:
    // Errors escaping a timer's handler go to `errorDisplay`; Qt's event loop must not
    // see them.
    explicit QtTimerFactory(std::function<void(const std::exception&)> errorDisplay);
    std::unique_ptr<IRepeatTimer> CreateTimer(std::function<void()> onTimer) override;

private:
    std::function<void(const std::exception&)> errorDisplay_;
};

} // namespace vostrel
