// The floor for an idle Vostrel: a bare worker thread that hands a no-op call
// to the main thread 200 times a second, through the same hand-over, for a
// given number of seconds. Prints the processor time it used.

#include "engine/HandOver.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sys/resource.h>
#include <thread>

int main(int argc, char** argv) {
    using namespace std::chrono;
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    vostrel::HandOver handOver;
    std::mutex m;
    std::condition_variable cv;
    bool woken = false;
    bool done = false;
    handOver.setWakeUp([&] {
        std::lock_guard l(m);
        woken = true;
        cv.notify_one();
    });
    std::thread worker([&] {
        const auto end = steady_clock::now() + duration<double>(seconds);
        std::mutex wm;
        std::condition_variable wcv;
        std::unique_lock wl(wm);
        while (steady_clock::now() < end) {
            wcv.wait_for(wl, milliseconds(5));
            handOver.request([] {});
        }
        std::lock_guard l(m);
        done = true;
        cv.notify_one();
    });
    for (;;) {
        std::unique_lock l(m);
        cv.wait(l, [&] { return woken || done; });
        if (done)
            break;
        woken = false;
        l.unlock();
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
