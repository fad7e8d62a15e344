// What the machine itself allows, with no timer thread, joystick service or
// window: the baselines of the launch benchmarks. The scripts run it under the
// same simulated device as the program, so both sets of children start alike.
//
//   bench_pace PROGRAM [SECONDS] [LANES]
//       starts PROGRAM with "1" to LANES (default 1) every 5 ms, children reaped
//       as they end: the bare loop beside a held button (or eight)
//   bench_pace --on-press NODE PROGRAM SECONDS
//       waits on NODE and starts PROGRAM with the lane the moment a button goes
//       down: one process start after the press, the floor of press-to-launch

#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern char** environ;

namespace {

constexpr long kPeriodNs = 5'000'000;

void advance(timespec& t, long ns) {
    t.tv_nsec += ns;
    while (t.tv_nsec >= 1'000'000'000) {
        t.tv_nsec -= 1'000'000'000;
        ++t.tv_sec;
    }
}

bool before(const timespec& a, const timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

bool start(const char* program, int lane) {
    const std::string argument = std::to_string(lane);
    char* args[] = {const_cast<char*>(program), const_cast<char*>(argument.c_str()), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program, nullptr, nullptr, args, environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", program);
        return false;
    }
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
    return true;
}

int onPress(const char* node, const char* program, double seconds) {
    const int fd = open(node, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        std::perror(node);
        return 1;
    }
    timespec end{};
    clock_gettime(CLOCK_MONOTONIC, &end);
    advance(end, static_cast<long>(seconds * 1e9));
    int launches = 0;
    for (;;) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (!before(now, end))
            break;
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, 100) <= 0)
            continue;
        input_event events[64];
        const ssize_t n = read(fd, events, sizeof events);
        for (ssize_t i = 0; i < n / ssize_t(sizeof(input_event)); ++i) {
            const input_event& ev = events[i];
            if (ev.type == EV_KEY && ev.value == 1 && ev.code >= BTN_TRIGGER &&
                ev.code < BTN_TRIGGER + 8) {
                if (!start(program, ev.code - BTN_TRIGGER + 1))
                    return 1;
                ++launches;
            }
        }
    }
    while (waitpid(-1, nullptr, 0) > 0) {
    }
    std::printf("bare reader, %.1f s: %d launches\n", seconds, launches);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--on-press") == 0)
        return onPress(argv[2], argv[3], std::atof(argv[4]));
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_pace PROGRAM [seconds] [lanes]\n"
                             "       bench_pace --on-press NODE PROGRAM SECONDS\n");
        return 2;
    }
    const double seconds = argc > 2 ? std::atof(argv[2]) : 2.0;
    const int lanes = argc > 3 ? std::atoi(argv[3]) : 1;

    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    timespec end = now;
    advance(end, static_cast<long>(seconds * 1e9));
    timespec next = now;
    int rounds = 0;
    while (before(next, end)) {
        for (int lane = 1; lane <= lanes; ++lane)
            if (!start(argv[1], lane))
                return 1;
        ++rounds;
        // Like a timer that waits a full period after a late tick: no bursts to catch up.
        advance(next, kPeriodNs);
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (before(next, now))
            next = now;
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
    while (waitpid(-1, nullptr, 0) > 0) {
    }
    std::printf("bare loop, %.1f s: %d launches of each of %d lanes (%.1f per second)\n", seconds,
                rounds, lanes, rounds / seconds);
    return 0;
}
