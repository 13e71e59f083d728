#include "word/libreoffice/watchdog.h"

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace tarnfold::word {
namespace {

using namespace std::chrono_literals;

TEST(Watchdog, FiresWhenAWatchedCallOutlivesItsTimeout) {
    std::atomic<int> fired{0};
    Watchdog dog([&] { ++fired; });
    {
        Watchdog::Watch watch(dog, 50ms);
        std::this_thread::sleep_for(300ms);
        EXPECT_TRUE(dog.Fired());
    }
    EXPECT_EQ(fired.load(), 1) << "once per watch";
}

TEST(Watchdog, StaysQuietForCallsInTime) {
    std::atomic<int> fired{0};
    Watchdog dog([&] { ++fired; });
    for (int i = 0; i < 20; ++i) {
        Watchdog::Watch watch(dog, 200ms);
        std::this_thread::sleep_for(15ms);
    }
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(fired.load(), 0) << "a watch that has ended never fires";
    EXPECT_FALSE(dog.Fired());
}

TEST(Watchdog, NestedWatchesKeepTheOutermostDeadline) {
    std::atomic<int> fired{0};
    Watchdog dog([&] { ++fired; });
    {
        Watchdog::Watch outer(dog, 100ms);
        { Watchdog::Watch inner(dog, 10s); }
        std::this_thread::sleep_for(400ms);
    }
    EXPECT_EQ(fired.load(), 1);
}

TEST(Watchdog, NewWatchClearsTheFormerFiring) {
    Watchdog dog([] {});
    {
        Watchdog::Watch watch(dog, 10ms);
        std::this_thread::sleep_for(200ms);
    }
    EXPECT_TRUE(dog.Fired());
    Watchdog::Watch watch(dog, 10s);
    EXPECT_FALSE(dog.Fired());
}

TEST(Watchdog, APeerStillWorkingGetsMoreTimeUpToTheLongestCall) {
    std::atomic<int> fired{0}, asked{0};
    Watchdog dog([&] { ++fired; }, [&] { return ++asked, true; }, 600ms);
    {
        Watchdog::Watch watch(dog, 50ms);
        std::this_thread::sleep_for(350ms);
        EXPECT_EQ(fired.load(), 0) << "working past its timeout";
        EXPECT_GE(asked.load(), 2);
        std::this_thread::sleep_for(500ms);
        EXPECT_EQ(fired.load(), 1) << "but not past the longest call";
    }

    std::atomic<int> hungFired{0};
    Watchdog hung([&] { ++hungFired; }, [] { return false; });
    {
        Watchdog::Watch watch(hung, 50ms);
        std::this_thread::sleep_for(300ms);
    }
    EXPECT_EQ(hungFired.load(), 1) << "a peer that does nothing is ended at the timeout";
}

}  // namespace
}  // namespace tarnfold::word
