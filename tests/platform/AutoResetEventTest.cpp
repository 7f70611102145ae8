#include "platform/AutoResetEvent.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Long enough for a waiter that was going to be released to have woken.
constexpr auto kSettle = 100ms;

bool eventuallyEquals(const std::atomic<int>& value, int expected) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (value.load() != expected) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(AutoResetEvent, OneSignalReleasesExactlyOneOfTwoWaiters) {
    AutoResetEvent event;
    std::atomic<int> released{0};
    auto waiter = [&] {
        event.wait();
        released.fetch_add(1);
    };
    std::thread first(waiter);
    std::thread second(waiter);
    std::this_thread::sleep_for(kSettle);
    EXPECT_EQ(released.load(), 0);

    event.set();
    EXPECT_TRUE(eventuallyEquals(released, 1));
    std::this_thread::sleep_for(kSettle);
    EXPECT_EQ(released.load(), 1);

    event.set();
    EXPECT_TRUE(eventuallyEquals(released, 2));
    first.join();
    second.join();
}

TEST(AutoResetEvent, SignalBeforeWaitIsKeptAndRepeatedSignalsCountOnce) {
    AutoResetEvent event;
    event.set();
    event.set();
    event.wait();

    std::atomic<int> released{0};
    std::thread waiter([&] {
        event.wait();
        released.fetch_add(1);
    });
    std::this_thread::sleep_for(kSettle);
    EXPECT_EQ(released.load(), 0);
    event.set();
    waiter.join();
    EXPECT_EQ(released.load(), 1);
}

// Plain data handed back and forth: each side must see the other's writes, and
// no wake-up may be lost whether the waiter is already asleep or not.
TEST(AutoResetEvent, PingPongCarriesPlainDataWithoutLosingWakeUps) {
    AutoResetEvent ping;
    AutoResetEvent pong;
    int message = 0;
    constexpr int kRounds = 100000;
    std::thread echo([&] {
        for (int i = 0; i < kRounds; ++i) {
            ping.wait();
            message = message * 2 + 1;
            pong.set();
        }
    });
    for (int i = 0; i < kRounds; ++i) {
        message = i;
        ping.set();
        pong.wait();
        ASSERT_EQ(message, i * 2 + 1);
    }
    echo.join();
}

}  // namespace
