// What one launch of the trigger program costs with our launcher, side by side
// with QProcess::startDetached and with fork + exec, and what the tick pays to
// hand eight launches to the launcher thread.
//
// Usage: bench_launch [program] [launches per method and round]

#include "platform/linux/SpawnLauncher.h"

#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double microsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * (v.size() - 1) + 0.5))];
}

void reapAll() {
    while (::waitpid(-1, nullptr, 0) > 0) {
    }
}

// fork + exec, returning once the child has exec'd (the close-on-exec pipe
// closes), which is what posix_spawn and startDetached wait for too.
bool forkExec(const std::string& program) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    const pid_t pid = ::fork();
    if (pid == 0) {
        char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("1"), nullptr};
        ::execv(program.c_str(), argv);
        ::_exit(127);
    }
    ::close(fds[1]);
    char c;
    while (::read(fds[0], &c, 1) > 0) {
    }
    ::close(fds[0]);
    return pid > 0;
}

struct Costs {
    double spawn, launcher, qt, fork; // median microseconds a launch
};

Costs measure(const std::string& program, int perRound) {
    constexpr int kRounds = 5;
    std::vector<double> ours, qt, fork, throughput;
    const QString qProgram = QString::fromStdString(program);
    const QStringList qArgs{QStringLiteral("1")};
    for (int round = 0; round < kRounds; ++round) {
        for (int i = 0; i < perRound; ++i) {
            pid_t pid = 0;
            auto t = Clock::now();
            if (vostrel::TSpawnLauncher::Spawn(program, "1", pid) != 0) {
                std::fprintf(stderr, "cannot start %s\n", program.c_str());
                std::exit(1);
            }
            ours.push_back(microsSince(t));
        }
        reapAll();
        for (int i = 0; i < perRound; ++i) {
            auto t = Clock::now();
            QProcess::startDetached(qProgram, qArgs);
            qt.push_back(microsSince(t));
        }
        reapAll();
        for (int i = 0; i < perRound; ++i) {
            auto t = Clock::now();
            forkExec(program);
            fork.push_back(microsSince(t));
        }
        reapAll();
        {
            // The same spawns through the launcher thread, reaping included.
            vostrel::TSpawnLauncher launcher;
            auto t = Clock::now();
            for (int i = 0; i < perRound; ++i)
                launcher.Launch(program, "1");
            launcher.WaitIdle();
            throughput.push_back(microsSince(t) / perRound);
        }
    }
    return {percentile(ours, 0.5), percentile(throughput, 0.5), percentile(qt, 0.5),
            percentile(fork, 0.5)};
}

void print(const char* title, const Costs& c) {
    std::printf("%s (median us, ratio to posix_spawn):\n", title);
    std::printf("  posix_spawn (TSpawnLauncher::Spawn) %8.1f  1.00\n", c.spawn);
    std::printf("  through the launcher thread         %8.1f  %.2f\n", c.launcher,
                c.launcher / c.spawn);
    std::printf("  QProcess::startDetached             %8.1f  %.2f\n", c.qt, c.qt / c.spawn);
    std::printf("  fork + exec                         %8.1f  %.2f\n", c.fork, c.fork / c.spawn);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::string program = argc > 1 ? argv[1] : "/bin/true";
    const int perRound = argc > 2 ? std::atoi(argv[2]) : 100;

    const Costs small = measure(program, perRound);
    // The running program holds about 40 MB; fork copies the page tables of all of it.
    std::vector<char> resident(40u << 20, 1);
    const Costs large = measure(program, perRound);
    resident.clear();
    resident.shrink_to_fit();

    // The tick's share: eight launches handed over while the queue has room.
    std::vector<double> handOver;
    {
        vostrel::TSpawnLauncher launcher;
        const std::string lanes[8] = {"1", "2", "3", "4", "5", "6", "7", "8"};
        for (int tick = 0; tick < 300; ++tick) {
            launcher.WaitIdle();
            auto t = Clock::now();
            for (const std::string& lane : lanes)
                launcher.Launch(program, lane);
            handOver.push_back(microsSince(t));
        }
        launcher.WaitIdle();
    }

    std::printf("one launch of %s, %d of each kind\n", program.c_str(), 5 * perRound);
    print("bare process", small);
    print("process holding 40 MB", large);
    std::printf("tick handing over 8 launches with room in the queue (300 ticks):\n");
    std::printf("  median %.1f us (%.2f us a launch), p99 %.1f us\n", percentile(handOver, 0.5),
                percentile(handOver, 0.5) / 8, percentile(handOver, 0.99));
    return 0;
}
