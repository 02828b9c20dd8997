#include "sim/instruments/PtyInstrument.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace vek::sim {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Output that nobody reads is dropped beyond this much, so a stalled reader cannot make the
// simulator grow without end.
constexpr size_t kMaxPendingOutput = 1 << 16;

void CloseFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

std::unique_ptr<PtyInstrument> PtyInstrument::Start(std::unique_ptr<InstrumentProtocol> protocol,
                                                    QString *error)
{
    auto fail = [error](const char *what) -> std::unique_ptr<PtyInstrument> {
        if (error)
            *error = QString::fromLatin1(what) + QStringLiteral(": ") +
                     QString::fromLocal8Bit(std::strerror(errno));
        return nullptr;
    };
    int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0)
        return fail("posix_openpt");
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        CloseFd(master);
        return fail("unlockpt");
    }
    char name[128] = {};
    if (::ptsname_r(master, name, sizeof name) != 0) {
        CloseFd(master);
        return fail("ptsname");
    }
    int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        CloseFd(master);
        return fail("open slave");
    }
    // A fresh terminal echoes and edits lines by itself; everything must pass untouched.
    termios t{};
    ::tcgetattr(slave, &t);
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    ::tcsetattr(slave, TCSANOW, &t);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    std::unique_ptr<PtyInstrument> pty(
        new PtyInstrument(master, slave, QString::fromLocal8Bit(name), std::move(protocol)));
    if (::pipe2(pty->m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        return fail("pipe");
    pty->m_thread = std::thread([p = pty.get()] { p->Run(); });
    return pty;
}

PtyInstrument::PtyInstrument(int master, int slave, QString path,
                             std::unique_ptr<InstrumentProtocol> p)
    : m_master(master), m_slave(slave), m_path(std::move(path)), m_protocol(std::move(p))
{
}

PtyInstrument::~PtyInstrument()
{
    Stop();
    CloseFd(m_master);
    CloseFd(m_slave);
    CloseFd(m_wake[0]);
    CloseFd(m_wake[1]);
}

void PtyInstrument::Stop()
{
    if (!m_thread.joinable())
        return;
    const char c = 1;
    [[maybe_unused]] ssize_t n = ::write(m_wake[1], &c, 1);
    m_thread.join();
}

void PtyInstrument::Vanish()
{
    Stop();
    CloseFd(m_master);
    CloseFd(m_slave);
}

void PtyInstrument::Run()
{
    struct Pending {
        SteadyClock::time_point due;
        QByteArray bytes;
    };
    std::vector<Pending> scheduled;
    QByteArray output;
    for (;;) {
        // Replies whose time has come join the output, in the order they were made.
        const auto now = SteadyClock::now();
        int timeoutMs = -1;
        for (auto it = scheduled.begin(); it != scheduled.end();) {
            if (it->due <= now) {
                if (size_t(output.size() + it->bytes.size()) <= kMaxPendingOutput)
                    output += it->bytes;
                it = scheduled.erase(it);
            } else {
                const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(it->due - now).count();
                timeoutMs = timeoutMs < 0 ? int(left) + 1 : std::min(timeoutMs, int(left) + 1);
                ++it;
            }
        }
        if (!output.isEmpty()) {
            const ssize_t n = ::write(m_master, output.constData(), size_t(output.size()));
            if (n > 0)
                output.remove(0, n);
        }

        pollfd fds[2] = {{m_wake[0], POLLIN, 0},
                         {m_master, short(POLLIN | (output.isEmpty() ? 0 : POLLOUT)), 0}};
        const int r = ::poll(fds, 2, timeoutMs);
        if (r < 0 && errno != EINTR)
            return;
        if (fds[0].revents & POLLIN)
            return;
        if (fds[1].revents & POLLIN) {
            char buffer[4096];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0) {
                Replies replies;
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    replies = m_protocol->Feed(QByteArray(buffer, int(n)));
                }
                const auto t = SteadyClock::now();
                for (TimedReply &reply : replies)
                    scheduled.push_back({t + std::chrono::milliseconds(reply.delayMs),
                                         std::move(reply.bytes)});
            }
        }
        if (fds[1].revents & (POLLERR | POLLNVAL))
            return;
        if ((fds[1].revents & POLLHUP) && !(fds[1].revents & POLLIN)) {
            // No terminal end is open (cannot happen while we hold one); do not spin on it.
            ::poll(fds, 1, 10);
        }
    }
}

} // namespace vek::sim
