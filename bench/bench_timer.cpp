// Tick period of TThreadedTimer at 5 ms, beside a baseline thread doing plain
// 5 ms timed waits, and the hand-over latency from request to call start.
// Prints figures and ratios against the baseline measured in the same run.

#include "engine/HandOver.h"
#include "engine/ThdTimer.h"
#if __has_include("platform/linux/LinuxWorkerPriority.h")
#include "platform/linux/LinuxWorkerPriority.h"
#define VOSTREL_HAVE_LINUX_PRIORITY 1
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

using namespace vostrel;
using Clock = std::chrono::steady_clock;

namespace {

struct Stats {
    double median, p99, max;
};

Stats stats(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 99 / 100)], v.back()};
}

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// A minimal main loop: sleeps until woken, then services the hand-over.
class MainLoop {
public:
    explicit MainLoop(HandOver& h) : handOver_(h) {
        handOver_.setWakeUp([this] {
            std::lock_guard l(m_);
            woken_ = true;
            cv_.notify_one();
        });
    }
    void runUntil(const std::function<bool()>& done) {
        while (!done()) {
            {
                std::unique_lock l(m_);
                cv_.wait_for(l, std::chrono::milliseconds(100), [this] { return woken_; });
                woken_ = false;
            }
            handOver_.service();
        }
    }

private:
    HandOver& handOver_;
    std::mutex m_;
    std::condition_variable cv_;
    bool woken_ = false;
};

TimerEnv env(HandOver& h) {
    TimerEnv e;
    e.handOver = &h;
#ifdef VOSTREL_HAVE_LINUX_PRIORITY
    e.priority = linuxWorkerPriorityFactory();
#endif
    return e;
}

std::vector<double> timerPeriods(int ticks) {
    HandOver handOver;
    MainLoop loop(handOver);
    std::vector<Clock::time_point> at;
    at.reserve(ticks + 1);
    TThreadedTimer timer(nullptr, env(handOver));
    timer.SetOnTimer([&](TComponent*) { at.push_back(Clock::now()); });
    timer.SetEnabled(true);
    timer.SetInterval(5);
    loop.runUntil([&] { return at.size() > static_cast<size_t>(ticks); });
    timer.SetEnabled(false);
    std::vector<double> periods;
    for (size_t i = 1; i < at.size(); ++i)
        periods.push_back(ms(at[i] - at[i - 1]));
    return periods;
}

std::vector<double> baselinePeriods(int ticks) {
    std::vector<double> periods;
    std::thread t([&] {
        std::mutex m;
        std::condition_variable cv;
        std::unique_lock l(m);
        auto last = Clock::now();
        for (int i = 0; i < ticks; ++i) {
            cv.wait_for(l, std::chrono::milliseconds(5));
            const auto now = Clock::now();
            periods.push_back(ms(now - last));
            last = now;
        }
    });
    t.join();
    return periods;
}

std::vector<double> handOverLatencies(int samples) {
    HandOver handOver;
    MainLoop loop(handOver);
    std::vector<double> latencies;
    std::atomic<bool> done{false};
    std::thread requester([&] {
        for (int i = 0; i < samples; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            const auto sent = Clock::now();
            handOver.request([&] { latencies.push_back(ms(Clock::now() - sent)); });
        }
        done = true;
        handOver.signalPending();
    });
    loop.runUntil([&] { return done.load(); });
    requester.join();
    return latencies;
}

void row(const char* name, const Stats& s, const Stats& base) {
    std::printf("%-34s median %7.3f ms (x%.3f)  p99 %7.3f ms (x%.3f)  max %7.3f ms\n", name,
                s.median, s.median / base.median, s.p99, s.p99 / base.p99, s.max);
}

} // namespace

int main(int argc, char** argv) {
    const int ticks = argc > 1 ? std::max(100, std::atoi(argv[1])) : 2000;
    std::printf("Tick period at 5 ms over %d ticks (ratios against the baseline)\n", ticks);
    const Stats base = stats(baselinePeriods(ticks));
    const Stats timer = stats(timerPeriods(ticks));
    row("baseline: timed waits on a thread", base, base);
    row("TThreadedTimer + hand-over", timer, base);
    const Stats lat = stats(handOverLatencies(ticks));
    std::printf("Hand-over latency (request to call start): median %.3f ms  p99 %.3f ms  max "
                "%.3f ms\n",
                lat.median, lat.p99, lat.max);
    std::printf("Targets: period median within 3%% of 5 ms (%s), p99 under 6 ms (%s), "
                "hand-over p99 under 0.5 ms (%s)\n",
                std::abs(timer.median - 5.0) <= 0.15 ? "met" : "missed",
                timer.p99 < 6.0 ? "met" : "missed", lat.p99 < 0.5 ? "met" : "missed");
    return 0;
}
