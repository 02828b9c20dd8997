#include "app/base/Clock.h"

#include <QDateTime>
#include <algorithm>
#include <chrono>
#include <thread>

namespace vek {

double SystemClock::NowDays() const
{
    // Days since 1899-12-30 in local time, the usual fractional-day origin; only differences
    // matter to the waits.
    static const qint64 originMs = QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    const qint64 utcMs = QDateTime::currentMSecsSinceEpoch();
    if (!m_offsetKnown || utcMs - m_offsetCheckedAtMs >= 60000 || utcMs < m_offsetCheckedAtMs) {
        m_offsetKnown = true;
        m_offsetMs = qint64(QDateTime::fromMSecsSinceEpoch(utcMs).offsetFromUtc()) * 1000;
        m_offsetCheckedAtMs = utcMs;
    }
    return double(utcMs + m_offsetMs - originMs) / kMsPerDay;
}

void SystemClock::SleepMs(double ms)
{
    if (ms <= 0)
        return;
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<int64_t>(ms * 1000.0)));
}

void FakeClock::SleepMs(double ms)
{
    if (ms <= 0)
        return;
    m_now += ms / kMsPerDay;
    m_slept += ms;
}

namespace {
// Longest single sleep inside a wait. Each step reads the wall clock again (which costs some
// microseconds), so steps of 10 ms keep a 50 ms pause near zero processor time; the last step
// sleeps only what remains, so a wait does not overshoot.
constexpr double kWaitStepMs = 10.0;
} // namespace

void WaitDays(Clock &clock, double spanDays)
{
    const double start = clock.NowDays();
    for (;;) {
        const double elapsed = clock.NowDays() - start;
        if (elapsed > spanDays || elapsed < 0) // a clock set back ends the wait too
            return;
        const double remainingMs = (spanDays - elapsed) * kMsPerDay;
        clock.SleepMs(std::clamp(remainingMs, 0.05, kWaitStepMs));
    }
}

void WaitMs(Clock &clock, int32_t ms)
{
    const double span = double(ms) / kMsPerDay;
    const double start = clock.NowDays();
    for (;;) {
        const double elapsed = clock.NowDays() - start;
        if (!(span > elapsed) || elapsed < 0)
            return;
        const double remainingMs = (span - elapsed) * kMsPerDay;
        clock.SleepMs(std::clamp(remainingMs, 0.05, kWaitStepMs));
    }
}

} // namespace vek
