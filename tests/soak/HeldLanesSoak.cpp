// Eight lanes held for a minute: the real timer, poll tick and launcher start a
// recording trigger program on every tick. Every launch must be accounted for,
// and the process must not grow: no zombies, descriptors, threads or memory.

#include "engine/HandOver.h"
#include "engine/PollTick.h"
#include "engine/ThdTimer.h"
#include "platform/linux/SpawnLauncher.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace vostrel;
namespace fs = std::filesystem;

namespace {

int countEntries(const char* dir) {
    int n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir))
        ++n;
    return n;
}

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

// Children of this process that have ended but were not reaped.
int zombies() {
    int n = 0;
    const std::string me = std::to_string(getpid());
    for (const auto& e : fs::directory_iterator("/proc")) {
        std::ifstream stat(e.path() / "stat");
        std::string pid, comm, state, ppid;
        if (stat >> pid >> comm >> state >> ppid && ppid == me && state == "Z")
            ++n;
    }
    return n;
}

struct Lamp : ILamp {
    void SetColor(TColor) override {}
};

// Counts launches on their way to the real launcher.
struct CountingLauncher : ILauncher {
    explicit CountingLauncher(ILauncher& real) : real(real) {}
    void Launch(const std::string& path, const std::string& argument) override {
        ++launches;
        real.Launch(path, argument);
    }
    ILauncher& real;
    long launches = 0;
};

} // namespace

TEST(HeldLanes, AMinuteOfEightHeldLanesLosesNoLaunchAndLeaksNothing) {
    const double seconds =
        std::getenv("VOSTREL_SOAK_SECONDS") ? std::atof(std::getenv("VOSTREL_SOAK_SECONDS")) : 60.0;
    const fs::path dir = fs::temp_directory_path() / ("vostrel-held-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path log = dir / "lanes.log";
    const fs::path trigger = dir / "record-lane";
    std::ofstream(trigger) << "#!/bin/sh\necho \"$1\" >>'" << log.string() << "'\n";
    fs::permissions(trigger, fs::perms::owner_all);

    HandOver handOver;
    TimerEnv env;
    env.handOver = &handOver;
    test::ScriptedJoystick joystick;
    joystick.last = {JOYERR_NOERROR, 0xFF};
    test::EventLog events;
    test::RecordingApplication app(events);
    std::array<Lamp, 8> lamps;
    TSpawnLauncher spawner;
    CountingLauncher launcher(spawner);
    PollTickIo io;
    io.joystickNumber = [] { return 1; };
    io.triggerPath = [&] { return trigger.string(); };
    io.joystick = &joystick;
    for (int i = 0; i < 8; ++i)
        io.lamps[i] = &lamps[i];
    io.launcher = &launcher;
    io.application = &app;

    const int fdsAtStart = countEntries("/proc/self/fd"); // no child running yet
    long threadsAtStart = 0, rssAtStart = 0;
    int ticks = 0;
    {
        TThreadedTimer timer(nullptr, env);
        timer.SetOnTimer([&](TComponent*) {
            RunPollTick(io);
            if (++ticks == 200) { // settled: every thread and buffer exists
                threadsAtStart = countEntries("/proc/self/task");
                rssAtStart = residentKb();
            }
        });
        timer.SetInterval(5);
        timer.SetEnabled(true);
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        test::pumpUntil(
            handOver, [&] { return std::chrono::steady_clock::now() >= end; },
            std::chrono::seconds(int(seconds) + 30));
        EXPECT_EQ(countEntries("/proc/self/task"), threadsAtStart);
        timer.SetEnabled(false);
        EXPECT_LT(residentKb(), rssAtStart + 4096) << "resident memory grew by over 4 MB";
    }
    spawner.WaitIdle();
    // Every launch reached the trigger program (its last children may still be
    // finishing their write).
    auto recorded = [&] {
        std::ifstream in(log);
        long n = 0;
        std::string line;
        while (std::getline(in, line))
            ++n;
        return n;
    };
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (recorded() < launcher.launches && std::chrono::steady_clock::now() < until)
        usleep(100000);
    EXPECT_EQ(recorded(), launcher.launches);
    EXPECT_GT(launcher.launches, 8L * 100);
    const auto reaped = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (zombies() > 0 && std::chrono::steady_clock::now() < reaped)
        usleep(100000);
    EXPECT_EQ(zombies(), 0);
    // Once every child is reaped, its descriptor is gone too.
    while (countEntries("/proc/self/fd") != fdsAtStart && std::chrono::steady_clock::now() < reaped)
        usleep(100000);
    EXPECT_EQ(countEntries("/proc/self/fd"), fdsAtStart);
    std::printf("%d ticks, %ld launches in %.0f s\n", ticks, launcher.launches, seconds);
    fs::remove_all(dir);
}
