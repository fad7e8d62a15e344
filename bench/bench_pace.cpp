// What the machine itself allows for a held button: the trigger program started
// every 5 ms by a bare loop (posix_spawn, children reaped as they end) with no
// timer thread, joystick or window. held.sh runs it under the same simulated
// device as the program, so both sets of children start alike.
//
// Usage: bench_pace PROGRAM [seconds]

#include <spawn.h>
#include <sys/wait.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
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

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_pace PROGRAM [seconds]\n");
        return 2;
    }
    const std::string program = argv[1];
    const double seconds = argc > 2 ? std::atof(argv[2]) : 2.0;
    char* args[] = {argv[1], const_cast<char*>("1"), nullptr};

    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    timespec end = now;
    advance(end, static_cast<long>(seconds * 1e9));
    timespec next = now;
    int launches = 0;
    while (before(next, end)) {
        pid_t pid = 0;
        if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, args, environ) != 0) {
            std::fprintf(stderr, "cannot start %s\n", program.c_str());
            return 1;
        }
        ++launches;
        while (waitpid(-1, nullptr, WNOHANG) > 0) {
        }
        // Like a timer that waits a full period after a late tick: no bursts to catch up.
        advance(next, kPeriodNs);
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (before(next, now))
            next = now;
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
    while (waitpid(-1, nullptr, 0) > 0) {
    }
    std::printf("bare loop, %.1f s: %d launches (%.1f per second)\n", seconds, launches,
                launches / seconds);
    return 0;
}
