#include "ui/win32/Win32WidgetServices.h"

#include <map>

#include "platform/win32/WinApi.h"

namespace vostrel::win32 {

void Win32Beeper::Beep() {
    MessageBeep(0);
}

namespace {

class Win32Timer;
// Thread timers by id; they all fire on the main thread.
std::map<UINT_PTR, Win32Timer*>& liveTimers() {
    static std::map<UINT_PTR, Win32Timer*> timers;
    return timers;
}

class Win32Timer final : public IRepeatTimer {
public:
    Win32Timer(std::function<void()> onTimer,
               const std::function<void(const std::exception&)>& errorDisplay)
        : onTimer_(std::move(onTimer)), errorDisplay_(errorDisplay) {}
    ~Win32Timer() override { Stop(); }

    bool Start(int periodMs) override {
        const UINT_PTR id = SetTimer(nullptr, id_, static_cast<UINT>(periodMs), &Win32Timer::fired);
        if (!id) {
            Stop();
            return false;
        }
        if (id != id_) {
            Stop();
            id_ = id;
            liveTimers()[id_] = this;
        }
        return true;
    }
    void Stop() override {
        if (!id_)
            return;
        KillTimer(nullptr, id_);
        liveTimers().erase(id_);
        id_ = 0;
    }

private:
    static void CALLBACK fired(HWND, UINT, UINT_PTR id, DWORD) {
        auto it = liveTimers().find(id);
        if (it == liveTimers().end())
            return;
        Win32Timer* timer = it->second;
        try {
            timer->onTimer_();
        } catch (const std::exception& e) {
            if (timer->errorDisplay_)
                timer->errorDisplay_(e);
        }
    }

    std::function<void()> onTimer_;
    std::function<void(const std::exception&)> errorDisplay_;
    UINT_PTR id_ = 0;
};

} // namespace

Win32TimerFactory::Win32TimerFactory(std::function<void(const std::exception&)> errorDisplay)
    : errorDisplay_(std::move(errorDisplay)) {}

std::unique_ptr<IRepeatTimer> Win32TimerFactory::CreateTimer(std::function<void()> onTimer) {
    return std::make_unique<Win32Timer>(std::move(onTimer), errorDisplay_);
}

char32_t localeDecimalSeparator() {
    wchar_t separator[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) < 2)
        return U'.';
    return static_cast<char32_t>(separator[0]);
}

} // namespace vostrel::win32
