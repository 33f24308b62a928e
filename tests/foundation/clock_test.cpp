// The fake clock that tests wait through, and the real clock's wake-up on stop.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "foundation/clock.h"

namespace qm {
namespace {

using namespace std::chrono_literals;

TEST(FakeClockTest, WaitsAdvanceTimeAndAreCounted) {
    FakeClock clock;
    std::stop_source stop;
    EXPECT_EQ(clock.now_ms(), 0);
    EXPECT_EQ(clock.wait_for(1000ms, stop.get_token()), WaitResult::Elapsed);
    EXPECT_EQ(clock.wait_for(60000ms, stop.get_token()), WaitResult::Elapsed);
    EXPECT_EQ(clock.wait_for(-5ms, stop.get_token()), WaitResult::Elapsed);  // no time
    EXPECT_EQ(clock.now_ms(), 61000);
    EXPECT_EQ(clock.total_waited(), 61000ms);
    EXPECT_EQ(clock.wait_count(), 3);
    clock.advance(500ms);  // moves time without counting a wait
    EXPECT_EQ(clock.now_ms(), 61500);
    EXPECT_EQ(clock.total_waited(), 61000ms);
}

TEST(FakeClockTest, StopEndsWaits) {
    FakeClock clock;
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(clock.wait_for(1000ms, stop.get_token()), WaitResult::Stopped);
    EXPECT_EQ(clock.now_ms(), 0);  // a stopped wait takes no time
    EXPECT_EQ(clock.wait_count(), 0);
}

TEST(FakeClockTest, HookRunsInsideEachWaitAndCanStop) {
    FakeClock clock;
    std::stop_source stop;
    std::vector<std::int64_t> seen;
    clock.set_on_wait([&](std::chrono::milliseconds d) {
        seen.push_back(clock.now_ms());
        if (d == 60000ms && seen.size() == 3) stop.request_stop();
    });
    int minutes = 0;
    while (clock.wait_for(60000ms, stop.get_token()) == WaitResult::Elapsed) ++minutes;
    EXPECT_EQ(minutes, 2);
    EXPECT_EQ(seen, (std::vector<std::int64_t>{60000, 120000, 180000}));
}

TEST(SystemClockTest, WaitElapsesAndWakesOnStop) {
    Clock& clock = system_clock();
    std::stop_source stop;
    const std::int64_t t0 = clock.now_ms();
    EXPECT_EQ(clock.wait_for(5ms, stop.get_token()), WaitResult::Elapsed);
    EXPECT_GE(clock.now_ms() - t0, 5);

    std::stop_source stopper;
    std::jthread requester([&] {
        std::this_thread::sleep_for(50ms);
        stopper.request_stop();
    });
    const auto start = std::chrono::steady_clock::now();
    // An hour-long wait must end when the stop arrives, long before the hour.
    EXPECT_EQ(clock.wait_for(std::chrono::hours(1), stopper.get_token()), WaitResult::Stopped);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);

    EXPECT_EQ(clock.wait_for(std::chrono::hours(1), stopper.get_token()), WaitResult::Stopped);
}

}  // namespace
}  // namespace qm
