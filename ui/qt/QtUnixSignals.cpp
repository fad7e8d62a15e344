#include "ui/qt/QtUnixSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace vostrel::qt {

namespace {
int wakeFds[2] = {-1, -1};

void onUnixSignal(int) {
    const char byte = 1;
    // Only async-signal-safe work here: the event loop does the rest.
    [[maybe_unused]] auto n = ::write(wakeFds[1], &byte, 1);
}
} // namespace

void endOnSessionSignals(std::function<void()> onSignal) {
    if (wakeFds[0] < 0 && ::pipe2(wakeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier =
        new QSocketNotifier(wakeFds[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [handler = std::move(onSignal)] {
                         char buffer[16];
                         while (::read(wakeFds[0], buffer, sizeof buffer) > 0) {
                         }
                         handler();
                     });
    struct sigaction sa = {};
    sa.sa_handler = onUnixSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &sa, nullptr);
}

} // namespace vostrel::qt
