#pragma once
// The time base of every wait and elapsed time: local time as a fractional day count.
// Code that waits takes a Clock, so tests run long waits on a FakeClock in no real time.
#include <cstdint>

namespace vek {

constexpr double kMsPerDay = 86400000.0;

class Clock {
public:
    virtual ~Clock() = default;
    // Local date and time as days (with fraction) since an arbitrary fixed origin.
    virtual double NowDays() const = 0;
    // Gives up the processor for about ms milliseconds (never less than 0).
    virtual void SleepMs(double ms) = 0;
};

// The wall clock; sleeping really sleeps.
class SystemClock final : public Clock {
public:
    double NowDays() const override;
    void SleepMs(double ms) override;

private:
    // The local time offset is looked up at most once a minute: the lookup costs far more than
    // reading the clock, and waits read the clock often.
    mutable int64_t m_offsetMs = 0;
    mutable int64_t m_offsetCheckedAtMs = 0;
    mutable bool m_offsetKnown = false;
};

// A clock that only moves when told to. Sleeping advances it by exactly the requested time.
class FakeClock final : public Clock {
public:
    explicit FakeClock(double startDays = 46000.0) : m_now(startDays) {}
    double NowDays() const override { return m_now; }
    void SleepMs(double ms) override;
    void AdvanceMs(double ms) { m_now += ms / kMsPerDay; }
    // Total time spent in SleepMs, for tests that count what a wait cost.
    double SleptMs() const { return m_slept; }

private:
    double m_now;
    double m_slept = 0;
};

// Waits until the clock has advanced by more than span days since entry. Sleeps in short
// steps instead of spinning, so a long wait costs no processor time.
void WaitDays(Clock &clock, double spanDays);
// Waits while ms / 86,400,000 is greater than the days elapsed since entry.
void WaitMs(Clock &clock, int32_t ms);

} // namespace vek
