#pragma once
// Helpers of the instrument tests: a clock that runs faster than real time (for simulated
// instruments that answer from their own thread), a bare pseudo-terminal, and a wait on real
// time for the kernel to pass bytes along.
#include "app/base/Clock.h"

#include <QString>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <stdlib.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace vek::test {

// Time runs `speed` times faster than real time; sleeping sleeps the matching real time.
class ScaledClock final : public Clock {
public:
    explicit ScaledClock(double speed) : m_speed(speed), m_start(std::chrono::steady_clock::now()) {}
    double NowDays() const override
    {
        const double realMs = std::chrono::duration<double, std::milli>(
                                  std::chrono::steady_clock::now() - m_start)
                                  .count();
        return 46000.0 + realMs * m_speed / kMsPerDay;
    }
    void SleepMs(double ms) override
    {
        if (ms > 0)
            std::this_thread::sleep_for(std::chrono::microseconds(int64_t(ms * 1000 / m_speed)));
    }

private:
    double m_speed;
    std::chrono::steady_clock::time_point m_start;
};

// A pseudo-terminal in raw mode whose master end the test drives.
struct RawPty {
    int master = -1, slave = -1;
    QString path;
    RawPty()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ::grantpt(master);
        ::unlockpt(master);
        char name[128] = {};
        ::ptsname_r(master, name, sizeof name);
        path = QString::fromLatin1(name);
        slave = ::open(name, O_RDWR | O_NOCTTY);
        termios t{};
        ::tcgetattr(slave, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(slave, TCSANOW, &t);
    }
    ~RawPty() { CloseAll(); }
    void CloseAll()
    {
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
        master = slave = -1;
    }
    void Send(const QByteArray &b) { [[maybe_unused]] ssize_t n = ::write(master, b.constData(), size_t(b.size())); }
};

// Polls a condition on real time (for bytes on their way through the kernel).
inline bool Eventually(const std::function<bool()> &condition, int ms = 2000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}

} // namespace vek::test
