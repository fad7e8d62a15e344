#include "platform/linux/LinuxWorkerPriority.h"

#include "engine/Errors.h"
#include "engine/ThdTimer.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vostrel;

namespace {
TimerEnv linuxEnv(HandOver& handOver) {
    TimerEnv env;
    env.handOver = &handOver;
    env.priority = linuxWorkerPriorityFactory();
    return env;
}
} // namespace

TEST(LinuxWorkerPriority, LevelsKeepTheirOrderAroundTheProcessNice) {
    for (int base : {-20, 0, 5, 19}) {
        int previous = 100;
        for (int i = 0; i < 7; ++i) {
            const int nice = LinuxWorkerPriority::niceFor(static_cast<TThreadPriority>(i), base);
            EXPECT_LE(nice, previous);
            EXPECT_GE(nice, -20);
            EXPECT_LE(nice, 19);
            previous = nice;
        }
        EXPECT_EQ(LinuxWorkerPriority::niceFor(TThreadPriority::tpNormal, base), base);
    }
}

TEST(LinuxWorkerPriority, ReadsBackWhatWasWrittenAndStartsNormal) {
    HandOver handOver;
    TThreadedTimer timer(nullptr, linuxEnv(handOver));
    EXPECT_EQ(timer.ThreadPriority(), TThreadPriority::tpNormal);
    // Lowering is always allowed; raising needs privilege.
    for (auto level :
         {TThreadPriority::tpLower, TThreadPriority::tpLowest, TThreadPriority::tpIdle}) {
        timer.SetThreadPriority(level);
        EXPECT_EQ(timer.ThreadPriority(), level);
    }
}

TEST(LinuxWorkerPriority, RaisingWithoutPrivilegeIsAThreadError) {
    // A child drops the privilege first (as root, raising would succeed).
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit noRaise{0, 0};
        setrlimit(RLIMIT_NICE, &noRaise);
        if (geteuid() == 0 && setuid(65534) != 0)
            _exit(3);
        HandOver handOver;
        try {
            TThreadedTimer timer(nullptr, linuxEnv(handOver));
            timer.SetThreadPriority(TThreadPriority::tpTimeCritical);
        } catch (const EThread& e) {
            _exit(std::string(e.what()).rfind("Thread Error: ", 0) == 0 && e.code() == EACCES ? 0
                                                                                              : 1);
        }
        _exit(2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(LinuxWorkerPriority, ATimerBuildsInAProcessStartedWithNice) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (nice(7) == -1)
            _exit(3);
        HandOver handOver;
        try {
            TThreadedTimer timer(nullptr, linuxEnv(handOver));
            _exit(timer.ThreadPriority() == TThreadPriority::tpNormal ? 0 : 1);
        } catch (...) {
            _exit(2);
        }
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
