#include "platform/linux/LinuxWorkerPriority.h"

#include "engine/Errors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace vostrel {

namespace {
[[noreturn]] void raiseThreadError(int code) {
    throw EThread(std::strerror(code), code);
}
} // namespace

LinuxWorkerPriority::LinuxWorkerPriority() {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, 0); // the calling thread's nice value
    processNice_ = (nice == -1 && errno != 0) ? 0 : nice;
}

void LinuxWorkerPriority::attach() {
    tid_ = gettid();
    // The default 50 us slack would stretch every 5 ms wait; this is the
    // thread's own setting and leaves the system's timers alone.
    prctl(PR_SET_TIMERSLACK, 1000UL, 0, 0, 0);
}

int LinuxWorkerPriority::niceFor(TThreadPriority level, int processNice) {
    // Higher Windows priority means a lower nice value.
    return std::clamp(processNice - windowsPriorityOf(level), -20, 19);
}

void LinuxWorkerPriority::set(TThreadPriority level) {
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(tid_), niceFor(level, processNice_)) != 0)
        raiseThreadError(errno);
    lastSet_ = level;
}

TThreadPriority LinuxWorkerPriority::get() {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(tid_));
    if (nice == -1 && errno != 0)
        raiseThreadError(errno);
    // Near the ends of the nice range several levels share a value; the one
    // last set wins, then the first in level order.
    if (niceFor(lastSet_, processNice_) == nice)
        return lastSet_;
    for (int i = 0; i < 7; ++i) {
        const auto level = static_cast<TThreadPriority>(i);
        if (niceFor(level, processNice_) == nice)
            return level;
    }
    return TThreadPriority::tpNormal;
}

WorkerPriorityFactory linuxWorkerPriorityFactory() {
    return [] { return std::make_unique<LinuxWorkerPriority>(); };
}

} // namespace vostrel
