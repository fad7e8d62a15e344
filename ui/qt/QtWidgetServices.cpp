#include "ui/qt/QtWidgetServices.h"

#include <QApplication>
#include <QTimer>

namespace vostrel {

void QtBeeper::Beep() {
    QApplication::beep();
}

namespace {
class QtRepeatTimer : public IRepeatTimer {
public:
    QtRepeatTimer(std::function<void()> onTimer,
                  const std::function<void(const std::exception&)>& errorDisplay) {
        QObject::connect(&timer_, &QTimer::timeout, &timer_,
                         [onTimer = std::move(onTimer), errorDisplay] {
                             try {
                                 onTimer();
                             } catch (const std::exception& e) {
                                 errorDisplay(e);
                             }
                         });
    }
    bool Start(int periodMs) override {
        timer_.start(periodMs);
        return timer_.isActive(); // Qt could not register the timer otherwise
    }
    void Stop() override { timer_.stop(); }

private:
    QTimer timer_;
};
} // namespace

QtTimerFactory::QtTimerFactory(std::function<void(const std::exception&)> errorDisplay)
    : errorDisplay_(std::move(errorDisplay)) {}

std::unique_ptr<IRepeatTimer> QtTimerFactory::CreateTimer(std::function<void()> onTimer) {
    return std::make_unique<QtRepeatTimer>(std::move(onTimer), errorDisplay_);
}

} // namespace vostrel
