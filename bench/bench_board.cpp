// The simulated joystick of the benchmarks: an emulated evdev node (umockdev,
// /dev/input/event7) that this program drives with exact timing, either for a
// command it starts (the program, or a bare baseline) or for the program's own
// joystick reader, timer, tick and launcher built here without a window.
//
//   bench_board drive SCENARIO [ARGS] -- COMMAND [ARGS]
//       held SECONDS LANES  buttons 1 to LANES down for SECONDS, then up
//       pulses COUNT        COUNT pulses of 1 ms, 20 to 40 ms apart, on buttons 1
//                           to 8 in turn (so a late launch is still told apart)
//       race SECONDS        eight lanes, pulses of 1 to 4 ms, gaps of 15 to 60 ms
//                           on each lane; the command's resident memory every 10 s
//   bench_board chain held SECONDS LAUNCHERS TRIGGER
//       eight lanes held, launches spread over LAUNCHERS launcher threads
//   bench_board chain busy ROUNDS TRIGGER
//       each round a 1 ms pulse on button 1 while the main thread is busy for
//       200 ms, and one on button 2 while it is not
//
// The command starts 3 s before the scenario and is asked to end (SIGTERM)
// 1 s after it. Prints what it did, one line each, with monotonic nanoseconds:
// "press NS LANE FROM", "release NS LANE FROM" (NS once the event is in the
// node, FROM just before it was written), "rss NS KB", and at the end of a
// drive "late MS", the worst delay of an event behind its schedule.

#include "engine/HandOver.h"
#include "engine/PollTick.h"
#include "engine/ThdTimer.h"
#include "evdev/InputTestbed.h"
#include "platform/linux/EvdevJoystick.h"
#include "platform/linux/SpawnLauncher.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

using namespace vostrel;
using Clock = std::chrono::steady_clock;

namespace {

constexpr unsigned kNode = 7;

long long nanos(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

// Sends button presses and releases at given moments and logs each.
class Board {
public:
    explicit Board(test::InputTestbed& bed) : bed_(bed) {}
    // Returns how late the event went out.
    Clock::duration set(Clock::time_point at, int lane, bool down) {
        std::this_thread::sleep_until(at);
        const unsigned code = BTN_TRIGGER + unsigned(lane - 1);
        const auto before = Clock::now(); // nothing can have seen the event yet
        down ? bed_.press(kNode, code) : bed_.release(kNode, code);
        const auto now = Clock::now(); // the event is in the node by now
        std::printf("%s %lld %d %lld\n", down ? "press" : "release", nanos(now), lane,
                    nanos(before));
        worstLate_ = std::max(worstLate_, now - at);
        return now - at;
    }
    // How late the most delayed event went out: how long this machine kept a
    // thread that was due off the processor in this run.
    void reportLateness() const {
        std::printf("late %.1f\n", std::chrono::duration<double, std::milli>(worstLate_).count());
    }
    // The release follows the press by `width` even when the press went out late.
    Clock::duration pulse(Clock::time_point at, int lane, std::chrono::microseconds width) {
        const auto late = set(at, lane, true);
        return late + set(at + late + width, lane, false);
    }

private:
    test::InputTestbed& bed_;
    Clock::duration worstLate_{};
};

void held(Board& board, Clock::time_point start, double seconds, int lanes) {
    for (int lane = 1; lane <= lanes; ++lane)
        board.set(start, lane, true);
    const auto end =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    for (int lane = 1; lane <= lanes; ++lane)
        board.set(end, lane, false);
}

void pulses(Board& board, Clock::time_point start, int count) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> gap(20'000, 40'000); // us: every phase of the tick
    auto at = start;
    for (int i = 0; i < count; ++i) {
        // A machine that held us up shifts what follows rather than crowding it.
        at += board.pulse(at, i % 8 + 1, std::chrono::milliseconds(1));
        at += std::chrono::microseconds(gap(random));
    }
}

long residentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

// Eight lanes, each with its own random pulses, merged in time order.
void race(Board& board, Clock::time_point start, double seconds, pid_t watched) {
    std::mt19937 random(13);
    std::uniform_int_distribution<int> width(1'000, 4'000); // us
    std::uniform_int_distribution<int> gap(15'000, 60'000);
    struct Lane {
        Clock::time_point next;
        bool down = false;
    };
    std::vector<Lane> lanes(8);
    const auto end =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    // No press starts at or after the end; a pulse under way still ends.
    auto schedule = [&](Lane& lane, std::chrono::microseconds after) {
        lane.next += after;
        if (!lane.down && lane.next >= end)
            lane.next = Clock::time_point::max();
    };
    for (Lane& lane : lanes) {
        lane.next = start;
        schedule(lane, std::chrono::microseconds(gap(random)));
    }
    auto sample = start;
    for (;;) {
        std::size_t k = 0;
        for (std::size_t i = 1; i < lanes.size(); ++i)
            if (lanes[i].next < lanes[k].next)
                k = i;
        Lane& lane = lanes[k];
        if (lane.next == Clock::time_point::max())
            break;
        if (watched > 0 && lane.next >= sample) {
            std::printf("rss %lld %ld\n", nanos(Clock::now()), residentKb(watched));
            sample += std::chrono::seconds(10);
        }
        // A machine that held us up shifts every lane's schedule rather than
        // crowding two pulses of a lane into one tick.
        const auto late = board.set(lane.next, int(k) + 1, !lane.down);
        for (Lane& other : lanes)
            if (other.next != Clock::time_point::max())
                other.next += late;
        lane.down = !lane.down;
        schedule(lane, std::chrono::microseconds(lane.down ? width(random) : gap(random)));
    }
    if (watched > 0)
        std::printf("rss %lld %ld\n", nanos(Clock::now()), residentKb(watched));
}

int drive(int argc, char** argv) {
    int dashes = 0;
    while (dashes < argc && std::strcmp(argv[dashes], "--") != 0)
        ++dashes;
    if (dashes + 1 >= argc || dashes < 1) {
        std::fprintf(stderr, "usage: bench_board drive SCENARIO [ARGS] -- COMMAND [ARGS]\n");
        return 2;
    }
    const std::string scenario = argv[0];
    const double arg1 = dashes > 1 ? std::atof(argv[1]) : 0;
    const double arg2 = dashes > 2 ? std::atof(argv[2]) : 0;

    test::InputTestbed bed;
    bed.add(kNode, test::joystickBoard());
    pid_t child = 0;
    if (posix_spawnp(&child, argv[dashes + 1], nullptr, nullptr, argv + dashes + 1, environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[dashes + 1]);
        return 1;
    }
    Board board(bed);
    const auto start = Clock::now() + std::chrono::seconds(3);
    if (scenario == "held")
        held(board, start, arg1, int(arg2));
    else if (scenario == "pulses")
        pulses(board, start, int(arg1));
    else if (scenario == "race")
        race(board, start, arg1, child);
    board.reportLateness();
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ::kill(child, SIGTERM);
    int status = 0;
    ::waitpid(child, &status, 0);
    return 0;
}

struct Lamp : ILamp {
    void SetColor(TColor) override {}
};

// Lane N goes to launcher (N - 1) mod count.
struct SpreadLauncher : ILauncher {
    std::vector<std::unique_ptr<TSpawnLauncher>> launchers;
    void Launch(const std::string& path, const std::string& argument) override {
        launchers[std::size_t(std::stoi(argument) - 1) % launchers.size()]->Launch(path, argument);
    }
};

struct NoBoxes : IApplication {
    void MessageBox(const std::string& text, const std::string&, unsigned) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    void Terminate() override {}
};

void spinUntil(Clock::time_point t) {
    while (Clock::now() < t) {
    }
}

int chain(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_board chain held SECONDS LAUNCHERS TRIGGER\n"
                             "       bench_board chain busy ROUNDS TRIGGER\n");
        return 2;
    }
    const std::string scenario = argv[0];
    const bool busy = scenario == "busy";
    const std::string trigger = argv[busy ? 2 : 3];

    test::InputTestbed bed;
    bed.add(kNode, test::joystickBoard());
    TEvdevJoystick joystick;
    SpreadLauncher launcher;
    for (int i = 0; i < (busy ? 1 : std::max(1, std::atoi(argv[2]))); ++i)
        launcher.launchers.push_back(std::make_unique<TSpawnLauncher>());
    HandOver handOver;
    TimerEnv env;
    env.handOver = &handOver;
    std::array<Lamp, 8> lamps;
    NoBoxes app;
    PollTickIo io;
    io.joystickNumber = [] { return 1; };
    io.triggerPath = [&] { return trigger; };
    io.joystick = &joystick;
    for (std::size_t i = 0; i < lamps.size(); ++i)
        io.lamps[i] = &lamps[i];
    io.launcher = &launcher;
    io.application = &app;

    Board board(bed);
    const auto start = Clock::now() + std::chrono::seconds(1);
    constexpr auto kRound = std::chrono::milliseconds(400);
    const int rounds = busy ? std::atoi(argv[1]) : 0;
    const double seconds = busy ? 0 : std::atof(argv[1]);
    const auto end = busy ? start + rounds * kRound
                          : start + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(seconds));
    std::thread generator([&] {
        if (!busy) {
            held(board, start, seconds, 8);
            return;
        }
        for (int r = 0; r < rounds; ++r) {
            const auto round = start + r * kRound;
            // Phases that move across the tick from round to round.
            const auto shift = std::chrono::microseconds(r * 731 % 5000);
            board.pulse(round + std::chrono::milliseconds(150) + shift, 1,
                        std::chrono::milliseconds(1));
            board.pulse(round + std::chrono::milliseconds(320) + shift, 2,
                        std::chrono::milliseconds(1));
        }
    });
    {
        TThreadedTimer timer(nullptr, env);
        timer.SetOnTimer([&](TComponent*) { RunPollTick(io); });
        timer.SetInterval(5);
        timer.SetEnabled(true);
        for (int r = 0; r < rounds; ++r) {
            // The main thread is away (a modal dialog opening, say) for 200 ms.
            const auto round = start + r * kRound;
            handOver.serviceUntil([&] { return Clock::now() >= round + kRound / 8; });
            spinUntil(round + kRound / 8 + std::chrono::milliseconds(200));
        }
        const auto tail = end + std::chrono::milliseconds(500);
        handOver.serviceUntil([&] { return Clock::now() >= tail; });
        timer.SetEnabled(false);
    }
    generator.join();
    for (auto& l : launcher.launchers)
        l->WaitIdle();
    const auto counters = joystick.Counters();
    std::printf("counters %llu %llu\n", static_cast<unsigned long long>(counters.events),
                static_cast<unsigned long long>(counters.drops));
    return 0;
}

constexpr const char* kPreload = "libumockdev-preload.so.0";

} // namespace

int main(int argc, char** argv) {
    // The emulation needs its preload in this process and every child from the start.
    const char* preload = std::getenv("LD_PRELOAD");
    if (!preload || !std::strstr(preload, "libumockdev-preload")) {
        ::setenv("LD_PRELOAD", kPreload, 1);
        ::execv("/proc/self/exe", argv);
        std::perror("re-executing under the umockdev preload");
        return 1;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc > 2 && std::strcmp(argv[1], "drive") == 0)
        return drive(argc - 2, argv + 2);
    if (argc > 2 && std::strcmp(argv[1], "chain") == 0)
        return chain(argc - 2, argv + 2);
    std::fprintf(stderr, "usage: bench_board drive|chain SCENARIO ... (see its source)\n");
    return 2;
}
