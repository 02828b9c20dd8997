#include "instruments/serial/PosixSerialPort.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace vek {

namespace {

struct BaudEntry {
    uint32_t baud;
    speed_t speed;
};

constexpr BaudEntry kBauds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

// A longest stall of a write before it gives up, so a port whose flow control never lets data
// out cannot hang the program.
constexpr int kWriteStallMs = 2000;

bool Unsupported(int err)
{
    return err == ENOTTY || err == EINVAL || err == ENOTSUP || err == EOPNOTSUPP;
}

} // namespace

unsigned BaudToSpeed(uint32_t baud)
{
    for (const BaudEntry &e : kBauds)
        if (e.baud == baud)
            return e.speed;
    return 0;
}

uint32_t SpeedToBaud(unsigned speed)
{
    for (const BaudEntry &e : kBauds)
        if (e.speed == speed)
            return e.baud;
    return 0;
}

std::unique_ptr<PosixSerialPort> PosixSerialPort::Open(const QString &devicePath, QString *error)
{
    auto fail = [error](const QString &why) -> std::unique_ptr<PosixSerialPort> {
        if (error)
            *error = why;
        return nullptr;
    };
    if (devicePath.isEmpty())
        return fail(QStringLiteral("no device"));
    const QByteArray path = devicePath.toLocal8Bit();
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    if (!::isatty(fd)) {
        ::close(fd);
        return fail(QStringLiteral("not a serial device"));
    }
    // The lock keeps a second opening (ours or another program's) away; exclusive mode keeps
    // other users' programs from opening the device at all.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return fail(QStringLiteral("in use"));
    }
    ::ioctl(fd, TIOCEXCL);
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        return fail(QStringLiteral("not a serial device"));
    }
    // Raw bytes both ways, no echo, no line editing; reads return at once with what is there.
    const speed_t ispeed = ::cfgetispeed(&t), ospeed = ::cfgetospeed(&t);
    const tcflag_t keepCflag = t.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    ::cfmakeraw(&t);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= keepCflag | CLOCAL | CREAD;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (t.c_cflag & PARENB)
        t.c_iflag |= INPCK;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    ::cfsetispeed(&t, ispeed);
    ::cfsetospeed(&t, ospeed);
    ::tcsetattr(fd, TCSANOW, &t);

    std::unique_ptr<PosixSerialPort> port(new PosixSerialPort(fd));
    serial_icounter_struct c{};
    if (::ioctl(fd, TIOCGICOUNT, &c) == 0) {
        port->m_hasCounters = true;
        port->m_parity = c.parity;
        port->m_frame = c.frame;
        port->m_overrun = c.overrun;
        port->m_bufOverrun = c.buf_overrun;
        port->m_break = c.brk;
    }
    return port;
}

PosixSerialPort::PosixSerialPort(int fd) : m_fd(fd) {}

PosixSerialPort::~PosixSerialPort()
{
    // Exclusive mode belongs to the device, not to our descriptor: clear it, or the device stays
    // closed to everyone else while any other descriptor keeps it alive.
    ::ioctl(m_fd, TIOCNXCL);
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
}

bool PosixSerialPort::GetCommState(CommSettings &s)
{
    termios t{};
    if (::tcgetattr(m_fd, &t) != 0)
        return false;
    s.baudRate = SpeedToBaud(::cfgetospeed(&t));
    switch (t.c_cflag & CSIZE) {
    case CS5: s.byteSize = 5; break;
    case CS6: s.byteSize = 6; break;
    case CS7: s.byteSize = 7; break;
    default: s.byteSize = 8; break;
    }
    if (!(t.c_cflag & PARENB))
        s.parity = kNoParity;
    else if (t.c_cflag & CMSPAR)
        s.parity = (t.c_cflag & PARODD) ? kMarkParity : kSpaceParity;
    else
        s.parity = (t.c_cflag & PARODD) ? kOddParity : kEvenParity;
    s.stopBits = (t.c_cflag & CSTOPB) ? kTwoStopBits : kOneStopBit;
    return true;
}

bool PosixSerialPort::SetCommState(const CommSettings &s)
{
    const speed_t speed = BaudToSpeed(s.baudRate);
    if (speed == 0 || s.byteSize < 5 || s.byteSize > 8 || s.parity > kSpaceParity ||
        s.stopBits > kTwoStopBits)
        return false;
    termios t{};
    if (::tcgetattr(m_fd, &t) != 0)
        return false;
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    t.c_cflag |= sizes[s.byteSize - 5];
    switch (s.parity) {
    case kOddParity: t.c_cflag |= PARENB | PARODD; break;
    case kEvenParity: t.c_cflag |= PARENB; break;
    case kMarkParity: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case kSpaceParity: t.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    // A parity error is counted by the driver (and reported by ClearCommError); the byte is
    // still delivered.
    if (t.c_cflag & PARENB)
        t.c_iflag |= INPCK;
    else
        t.c_iflag &= ~INPCK;
    t.c_iflag &= ~(IGNPAR | PARMRK);
    if (s.stopBits != kOneStopBit)
        t.c_cflag |= CSTOPB;
    return ::tcsetattr(m_fd, TCSANOW, &t) == 0;
}

void PosixSerialPort::GatherErrors()
{
    if (!m_hasCounters)
        return;
    serial_icounter_struct c{};
    if (::ioctl(m_fd, TIOCGICOUNT, &c) != 0)
        return;
    if (c.parity != m_parity)
        m_pendingErrors |= kCommRxParity;
    if (c.frame != m_frame)
        m_pendingErrors |= kCommFrame;
    if (c.overrun != m_overrun)
        m_pendingErrors |= kCommOverrun;
    if (c.buf_overrun != m_bufOverrun)
        m_pendingErrors |= kCommRxOver;
    if (c.brk != m_break)
        m_pendingErrors |= kCommBreak;
    m_parity = c.parity;
    m_frame = c.frame;
    m_overrun = c.overrun;
    m_bufOverrun = c.buf_overrun;
    m_break = c.brk;
}

bool PosixSerialPort::ClearCommError(CommStatus &status)
{
    int queued = 0;
    if (::ioctl(m_fd, FIONREAD, &queued) != 0)
        return false;
    GatherErrors();
    status.inQueue = queued > 0 ? uint32_t(queued) : 0;
    status.errors = m_pendingErrors;
    m_pendingErrors = 0;
    return true;
}

bool PosixSerialPort::SetDtr(bool on)
{
    int bits = TIOCM_DTR;
    if (::ioctl(m_fd, on ? TIOCMBIS : TIOCMBIC, &bits) == 0)
        return true;
    // A pseudo-terminal has no modem lines.
    return Unsupported(errno);
}

bool PosixSerialPort::PurgeInput()
{
    return ::tcflush(m_fd, TCIFLUSH) == 0;
}

int PosixSerialPort::Read(uint8_t *buffer, int max)
{
    if (max <= 0)
        return 0;
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, size_t(max));
        if (n >= 0)
            return int(n);
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        return -1;
    }
}

int PosixSerialPort::Write(const uint8_t *data, int count)
{
    int done = 0;
    while (done < count) {
        const ssize_t n = ::write(m_fd, data + done, size_t(count - done));
        if (n > 0) {
            done += int(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return done > 0 ? done : -1;
        pollfd p{m_fd, POLLOUT, 0};
        const int r = ::poll(&p, 1, kWriteStallMs);
        if (r <= 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL)))
            return done > 0 ? done : (r == 0 ? 0 : -1);
    }
    return done;
}

} // namespace vek
