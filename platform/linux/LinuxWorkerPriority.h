#pragma once
// Worker-thread priority on Linux: the seven levels become nice values relative
// to the process's own nice value, much as Windows thread priorities are
// relative to the process's priority class. So tpNormal is the process's nice
// and a program started with `nice` builds its timer without trouble.

#include "engine/ThreadPriority.h"

#include <sys/types.h>

namespace vostrel {

class LinuxWorkerPriority final : public IWorkerPriority {
public:
    LinuxWorkerPriority(); // captures the calling (main) thread's nice value
    void attach() override;
    void set(TThreadPriority level) override;
    TThreadPriority get() override;

    // The nice value a level stands for, given the process's nice value.
    static int niceFor(TThreadPriority level, int processNice);

private:
    int processNice_;
    pid_t tid_ = 0;
    TThreadPriority lastSet_ = TThreadPriority::tpNormal;
};

WorkerPriorityFactory linuxWorkerPriorityFactory();

} // namespace vostrel
