#pragma once
// The widget services on Windows: the default sound and window timers.

#include "ui/WidgetServices.h"

#include <exception>
#include <functional>

namespace vostrel::win32 {

// MessageBeep(0).
class Win32Beeper final : public IBeeper {
public:
    void Beep() override;
};

// Thread timers (SetTimer / KillTimer) that run in every message loop of the main
// thread. Errors escaping a timer's handler go to `errorDisplay`.
class Win32TimerFactory final : public ITimerFactory {
public:
    explicit Win32TimerFactory(std::function<void(const std::exception&)> errorDisplay);
    std::unique_ptr<IRepeatTimer> CreateTimer(std::function<void()> onTimer) override;

private:
    std::function<void(const std::exception&)> errorDisplay_;
};

// The user's decimal separator; '.' where the locale gives none.
char32_t localeDecimalSeparator();

} // namespace vostrel::win32
