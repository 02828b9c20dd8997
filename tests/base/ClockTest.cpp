#include "app/base/Clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

using namespace vek;

TEST(Waits, RunOnFakeClockInNoRealTime)
{
    FakeClock clock;
    const auto t0 = std::chrono::steady_clock::now();
    const double start = clock.NowDays();
    WaitMs(clock, 4000);
    const double waitedMs = (clock.NowDays() - start) * kMsPerDay;
    EXPECT_GE(waitedMs, 4000.0 - 1e-3);
    EXPECT_LT(waitedMs, 4002.0);
    WaitDays(clock, 50.0 / kMsPerDay);
    EXPECT_GT((clock.NowDays() - start) * kMsPerDay, 4050.0 - 1e-3);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
}

TEST(Waits, ZeroAndNegativeSpansReturnAtOnce)
{
    FakeClock clock;
    WaitMs(clock, 0);
    WaitMs(clock, -5);
    EXPECT_EQ(clock.SleptMs(), 0.0);
}

TEST(Waits, RealClockSleepsInsteadOfSpinning)
{
    SystemClock clock;
    const std::clock_t cpu0 = std::clock();
    const auto t0 = std::chrono::steady_clock::now();
    WaitMs(clock, 50);
    const auto wall = std::chrono::steady_clock::now() - t0;
    const double cpuMs = 1000.0 * double(std::clock() - cpu0) / CLOCKS_PER_SEC;
    EXPECT_GE(wall, std::chrono::milliseconds(49));
    // A spinning wait would burn about 50 ms of processor time.
    EXPECT_LT(cpuMs, 25.0);
}
