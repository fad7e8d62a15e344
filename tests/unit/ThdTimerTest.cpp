#include "engine/ThdTimer.h"

#include "engine/Errors.h"
#include "support/Fakes.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <system_error>

using namespace vostrel;
using namespace std::chrono_literals;
using test::ManualClock;

namespace {

// A timer on a hand-driven clock, with the test thread as its main thread.
class TimerFixture : public ::testing::Test {
protected:
    TimerEnv env() {
        TimerEnv e;
        e.handOver = &handOver;
        e.clock = &clock;
        return e;
    }
    std::unique_ptr<TThreadedTimer> make() {
        auto t = std::make_unique<TThreadedTimer>(nullptr, env());
        t->SetOnTimer([this](TComponent*) { ++ticks; });
        return t;
    }
    ManualClock::time_point at(std::chrono::milliseconds ms) { return clock.start() + ms; }
    // The worker has begun a wait that runs out at `ms`.
    void expectSleeper(std::chrono::milliseconds ms) { ASSERT_TRUE(clock.awaitSleeper(at(ms))); }
    // Lets time reach the worker's deadline and runs the tick it hands over.
    void tickAt(std::chrono::milliseconds ms) {
        expectSleeper(ms);
        const int before = ticks;
        clock.advance(ms - std::chrono::duration_cast<std::chrono::milliseconds>(clock.now() -
                                                                                 clock.start()));
        ASSERT_TRUE(test::pumpUntil(handOver, [&] { return ticks == before + 1; }));
    }

    // The worker has handed a tick over that nobody has serviced yet.
    void awaitQueuedTick() {
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (!handOver.pending() && std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
        ASSERT_TRUE(handOver.pending());
    }

    HandOver handOver;
    ManualClock clock;
    int ticks = 0;
};

} // namespace

TEST_F(TimerFixture, StartsDisabledWithTheDefaults) {
    auto t = make();
    EXPECT_FALSE(t->Enabled());
    EXPECT_FALSE(t->AllowZero());
    EXPECT_EQ(t->Interval(), 1000u);
    EXPECT_EQ(t->ThreadPriority(), TThreadPriority::tpNormal);
}

TEST_F(TimerFixture, FirstTickComesOneFullIntervalAfterEnablingNeverAtOnce) {
    auto t = make();
    t->SetOnTimer([this](TComponent*) {
        ++ticks;
        clock.advance(30ms); // each tick takes 30 ms to run
    });
    t->SetInterval(100);
    t->SetEnabled(true);
    // The first wait ends on the wake event without a tick; the next runs in full.
    expectSleeper(100ms);
    clock.advance(99ms);
    expectSleeper(100ms);
    EXPECT_FALSE(handOver.service());
    EXPECT_EQ(ticks, 0);
    tickAt(100ms);
    // Fixed delay: each wait begins once the tick has run, at 130, not at 200 as
    // a fixed rate would have it.
    tickAt(230ms);

    // Re-enabling restarts the countdown in full as well.
    t->SetEnabled(false);
    clock.advance(50ms); // t = 310
    t->SetEnabled(true);
    expectSleeper(410ms);
    tickAt(410ms);
}

TEST_F(TimerFixture, SettingTheCurrentValueRestartsNothing) {
    auto t = make();
    t->SetInterval(100);
    t->SetEnabled(true);
    expectSleeper(100ms);
    clock.advance(50ms);
    expectSleeper(100ms);
    t->SetEnabled(true);
    t->SetInterval(100);
    tickAt(100ms); // not 150
    EXPECT_EQ(ticks, 1);
}

TEST_F(TimerFixture, ChangingTheIntervalOfATickingTimerDeliversNoTickOfItsOwn) {
    auto t = make();
    t->SetInterval(100);
    t->SetEnabled(true);
    tickAt(100ms);
    expectSleeper(200ms);
    clock.advance(50ms); // t = 150, mid-wait
    expectSleeper(200ms);
    t->SetInterval(300);
    expectSleeper(450ms); // the countdown restarts with the new interval
    EXPECT_FALSE(handOver.service());
    EXPECT_EQ(ticks, 1);
    EXPECT_TRUE(t->Enabled());
    tickAt(450ms);
}

TEST_F(TimerFixture, NoHandlerCallOnceDisabledEvenForATickAlreadyHandedOver) {
    auto t = make();
    t->SetInterval(100);
    t->SetEnabled(true);
    expectSleeper(100ms);
    clock.advance(100ms);
    awaitQueuedTick();
    t->SetEnabled(false);
    EXPECT_TRUE(handOver.service()); // the queued tick step runs ...
    EXPECT_EQ(ticks, 0);             // ... and does nothing
}

TEST_F(TimerFixture, IntervalZeroWithoutAllowZeroHoldsTheTimerUntilAnIntervalIsSet) {
    auto t = make();
    t->SetInterval(0);
    t->SetEnabled(true);
    EXPECT_TRUE(t->Enabled());
    t->SetAllowZero(true); // counts only at the next enable
    clock.advance(1000ms);
    EXPECT_FALSE(handOver.service());
    EXPECT_EQ(ticks, 0);
    t->SetInterval(5); // t = 1000: park, store, signal, release
    tickAt(1005ms);
}

TEST_F(TimerFixture, UnboundedIntervalNeverTicks) {
    auto t = make();
    t->SetInterval(INFINITE);
    t->SetEnabled(true);
    // A wait with no time-out, not one of 4294967295 ms (49.7 days), and again
    // after a year has passed.
    const auto unbounded = ManualClock::time_point::max();
    ASSERT_TRUE(clock.awaitSleeper(unbounded));
    clock.advance(std::chrono::hours(24 * 365));
    ASSERT_TRUE(clock.awaitSleeper(unbounded));
    EXPECT_FALSE(handOver.service());
    EXPECT_EQ(ticks, 0);
}

TEST_F(TimerFixture, AnEnabledTimerWithoutHandlerKeepsHandingTicksOver) {
    auto t = make();
    t->SetOnTimer(nullptr);
    t->SetInterval(100);
    t->SetEnabled(true);
    expectSleeper(100ms);
    clock.advance(100ms);
    // The worker only starts its next wait once the empty tick has run.
    std::atomic<bool> next{false};
    std::thread watch([&] { next = clock.awaitSleeper(at(200ms)); });
    ASSERT_TRUE(test::pumpUntil(handOver, [&] { return next.load(); }));
    watch.join();
}

TEST_F(TimerFixture, AHandlerThatAlwaysThrowsKeepsTheTimerTicking) {
    auto t = make();
    t->SetOnTimer([this](TComponent* sender) {
        ++ticks;
        throw std::runtime_error("handler fault " + std::to_string(sender != nullptr));
    });
    t->SetInterval(100);
    t->SetEnabled(true);
    tickAt(100ms);
    tickAt(200ms);
    tickAt(300ms);
}

// Destruction must end promptly in every state; the test's own time-out is the bound.
TEST_F(TimerFixture, DestructionEndsInEveryStateWithoutCallingTheHandler) {
    { auto neverEnabled = make(); }
    {
        auto ticking = make();
        ticking->SetInterval(100);
        ticking->SetEnabled(true);
        expectSleeper(100ms);
    }
    {
        auto parkedMidWait = make();
        parkedMidWait->SetInterval(1000);
        parkedMidWait->SetEnabled(true);
        expectSleeper(1000ms);
        parkedMidWait->SetEnabled(false);
    }
    {
        auto held = make();
        held->SetInterval(0);
        held->SetEnabled(true);
    }
    {
        auto heldThenDisabled = make();
        heldThenDisabled->SetInterval(0);
        heldThenDisabled->SetEnabled(true);
        heldThenDisabled->SetEnabled(false);
    }
    EXPECT_EQ(ticks, 0);
}

TEST_F(TimerFixture, DestructionWithAQueuedTickRunsTheTickStepWhichDoesNothing) {
    auto t = make();
    t->SetInterval(100);
    t->SetEnabled(true);
    expectSleeper(100ms);
    clock.advance(100ms);
    awaitQueuedTick();
    t.reset();
    EXPECT_EQ(ticks, 0);
    EXPECT_FALSE(handOver.service()); // nothing was left queued
}

TEST_F(TimerFixture, ABeingDestroyedOwnerSilencesTheTimerAtOnce) {
    TComponent owner(nullptr);
    auto* t = new TThreadedTimer(&owner, env());
    t->SetOnTimer([this](TComponent*) { ++ticks; });
    t->SetInterval(100);
    t->SetEnabled(true);
    expectSleeper(100ms);
    clock.advance(100ms);
    awaitQueuedTick();
    owner.Destroying();
    handOver.service();
    EXPECT_EQ(ticks, 0);
    EXPECT_TRUE(t->Enabled());
}

TEST_F(TimerFixture, DestroyedOffTheMainThreadItWaitsPlainlyForItsWorker) {
    // Servicing there would run the main thread's hand-overs on the wrong thread.
    struct WatchedHandOver : HandOver {
        std::atomic<int> serviceWaits{0};
        void serviceUntil(const std::function<bool()>& done) override {
            ++serviceWaits;
            HandOver::serviceUntil(done);
        }
    } watched;
    TimerEnv e = env();
    e.handOver = &watched;
    auto t = std::make_unique<TThreadedTimer>(nullptr, e);
    std::thread([&] { t.reset(); }).join();
    EXPECT_EQ(watched.serviceWaits.load(), 0);
    { TThreadedTimer onMainThread(nullptr, e); } // which services while it waits
    EXPECT_EQ(watched.serviceWaits.load(), 1);
}

TEST_F(TimerFixture, AFailedThreadCreationLeavesNoComponentBehind) {
    TComponent owner(nullptr);
    TimerEnv e = env();
    e.spawn = [](std::function<void()>) -> std::thread {
        throw std::system_error(EAGAIN, std::generic_category());
    };
    try {
        TThreadedTimer t(&owner, e);
        FAIL() << "constructed";
    } catch (const EThreadCreation& err) {
        EXPECT_EQ(std::string(err.what()),
                  "Thread creation error: " + std::generic_category().message(EAGAIN));
    }
    EXPECT_TRUE(owner.Components().empty());
}

TEST(ThreadErrors, UseTheirFixedTexts) {
    EXPECT_STREQ(EThread("Access is denied", 5).what(), "Thread Error: Access is denied (5)");
    EXPECT_EQ(EThread("x", 13).code(), 13);
    EXPECT_EQ(formatText("Unable to write to %s", "/a b/c.ini"), "Unable to write to /a b/c.ini");
}

TEST(ThreadPriorityLevels, MapToWindowsValuesAndBack) {
    const int expected[] = {-15, -2, -1, 0, 1, 2, 15};
    for (int i = 0; i < 7; ++i) {
        auto level = static_cast<TThreadPriority>(i);
        EXPECT_EQ(windowsPriorityOf(level), expected[i]);
        EXPECT_EQ(levelOfWindowsPriority(expected[i]), level);
    }
    EXPECT_EQ(levelOfWindowsPriority(7), TThreadPriority::tpNormal);
    EXPECT_EQ(levelOfWindowsPriority(-3), TThreadPriority::tpNormal);
}

// These run on the real clock: back-to-back ticks and modal loops inside a tick.
TEST(ThreadedTimerRealClock, IntervalZeroWithAllowZeroTicksBackToBackWithoutOverlap) {
    HandOver handOver;
    TimerEnv e;
    e.handOver = &handOver;
    TThreadedTimer t(nullptr, e);
    int ticks = 0;
    bool inTick = false;
    bool nested = false;
    t.SetOnTimer([&](TComponent*) {
        nested = nested || inTick;
        inTick = true;
        // A modal loop inside the handler services the hand-over; no second
        // tick may arrive while this one runs.
        for (int i = 0; i < 20; ++i)
            handOver.service();
        ++ticks;
        inTick = false;
    });
    t.SetAllowZero(true);
    t.SetInterval(0);
    t.SetEnabled(true);
    ASSERT_TRUE(test::pumpUntil(handOver, [&] { return ticks >= 200; }));
    EXPECT_FALSE(nested);
}

TEST(ThreadedTimerRealClock, ManyDisableEnableCyclesLeaveItTickingNormally) {
    HandOver handOver;
    TimerEnv e;
    e.handOver = &handOver;
    TThreadedTimer t(nullptr, e);
    int ticks = 0;
    t.SetOnTimer([&](TComponent*) { ++ticks; });
    t.SetInterval(1);
    for (int i = 0; i < 2000; ++i) {
        t.SetEnabled(true);
        t.SetEnabled(false);
        handOver.service();
    }
    const int before = ticks;
    t.SetEnabled(true);
    ASSERT_TRUE(test::pumpUntil(handOver, [&] { return ticks >= before + 20; }));
}
