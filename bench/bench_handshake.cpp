// The floor for an idle Vostrel: a bare worker thread that hands a no-op call
// to the main thread 200 times a second, through the same hand-over, for a
// given number of seconds. The main thread sleeps in poll() on an eventfd that
// the wake-up writes, as a window system's event loop does. Prints the
// processor time it used.

#include "engine/HandOver.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

int main(int argc, char** argv) {
    using namespace std::chrono;
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    vostrel::HandOver handOver;
    const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
        std::perror("eventfd");
        return 1;
    }
    std::atomic<bool> done{false};
    auto post = [wake] {
        const uint64_t one = 1;
        ssize_t ignored = ::write(wake, &one, sizeof one);
        (void)ignored;
    };
    handOver.setWakeUp(post);
    std::thread worker([&] {
        const auto end = steady_clock::now() + duration<double>(seconds);
        std::mutex wm;
        std::condition_variable wcv;
        std::unique_lock wl(wm);
        while (steady_clock::now() < end) {
            wcv.wait_for(wl, milliseconds(5));
            handOver.request([] {});
        }
        done = true;
        post();
    });
    while (!done) {
        pollfd ready{wake, POLLIN, 0};
        if (::poll(&ready, 1, -1) <= 0)
            continue;
        uint64_t count = 0;
        ssize_t ignored = ::read(wake, &count, sizeof count);
        (void)ignored;
        handOver.service();
    }
    handOver.service();
    worker.join();
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    const double cpu = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                       double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    std::printf("%.3f\n", cpu);
    return 0;
}
