#include "engine/HandOver.h"

#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace vostrel;

TEST(HandOver, RunsCallsOnTheServicingThreadInOrderAndBlocksTheRequester) {
    HandOver handOver;
    std::atomic<int> wakeUps{0};
    handOver.setWakeUp([&] { ++wakeUps; });
    const auto mainId = std::this_thread::get_id();
    std::vector<int> order;
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        handOver.request([&] {
            EXPECT_EQ(std::this_thread::get_id(), mainId);
            order.push_back(1);
        });
        handOver.request([&] { order.push_back(2); });
        returned = true;
    });
    ASSERT_TRUE(test::pumpUntil(handOver, [&] { return returned.load(); }));
    worker.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_EQ(wakeUps.load(), 2);
    EXPECT_FALSE(handOver.pending());

    // Two requests queued before the main thread comes round: one servicing runs
    // both, the older first.
    order.clear();
    auto queued = [&](int count) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (wakeUps < count && std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
        return wakeUps == count;
    };
    std::thread first([&] { handOver.request([&] { order.push_back(3); }); });
    EXPECT_TRUE(queued(3));
    std::thread second([&] { handOver.request([&] { order.push_back(4); }); });
    EXPECT_TRUE(queued(4));
    EXPECT_TRUE(handOver.service());
    first.join();
    second.join();
    EXPECT_EQ(order, (std::vector<int>{3, 4}));
}

TEST(HandOver, AnErrorRaisedByTheCallReachesTheRequester) {
    HandOver handOver;
    std::string caught;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        try {
            handOver.request([] { throw std::runtime_error("boom"); });
        } catch (const std::runtime_error& e) {
            caught = e.what();
        }
        done = true;
    });
    ASSERT_TRUE(test::pumpUntil(handOver, [&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(caught, "boom");
}

TEST(HandOver, ServiceUntilRunsRequestsWhileItWaits) {
    HandOver handOver;
    std::atomic<bool> finished{false};
    int ran = 0;
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            handOver.request([&] { ++ran; });
        finished = true;
        handOver.signalPending();
    });
    handOver.serviceUntil([&] { return finished.load(); });
    worker.join();
    EXPECT_EQ(ran, 3);
}
