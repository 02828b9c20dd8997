#include "link/LinuxParallelPort.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define VEK_HAVE_PORT_IO 1
#endif

namespace vek {

namespace {

QString ErrnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

ParallelOpenError ErrorKind(int err)
{
    switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return ParallelOpenError::Missing;
    case EACCES:
    case EPERM:
        return ParallelOpenError::Permission;
    case EBUSY:
    case EINTR: // the claim waited longer than allowed for another program
        return ParallelOpenError::Busy;
    default:
        return ParallelOpenError::Failed;
    }
}

// Retries an ioctl that a stray signal interrupted.
int Ioctl(int fd, unsigned long request, void *arg)
{
    int r;
    do
        r = ::ioctl(fd, request, arg);
    while (r < 0 && errno == EINTR);
    return r;
}

class PpdevPort final : public ParallelPort {
public:
    PpdevPort(int fd, bool hasEcr) : m_fd(fd), m_hasEcr(hasEcr) {}
    ~PpdevPort() override
    {
        ::ioctl(m_fd, PPRELEASE);
        ::close(m_fd);
    }
    PpdevPort(const PpdevPort &) = delete;
    PpdevPort &operator=(const PpdevPort &) = delete;

    bool Read(ParallelRegister reg, uint8_t &value) override
    {
        unsigned char v = 0;
        const unsigned long request = reg == ParallelRegister::Data     ? PPRDATA
                                      : reg == ParallelRegister::Status ? PPRSTATUS
                                                                        : PPRCONTROL;
        if (Ioctl(m_fd, request, &v) < 0)
            return false;
        value = v;
        return true;
    }
    bool Write(ParallelRegister reg, uint8_t value) override
    {
        unsigned char v = value;
        if (reg == ParallelRegister::Status)
            return false;
        return Ioctl(m_fd, reg == ParallelRegister::Data ? PPWDATA : PPWCONTROL, &v) == 0;
    }
    bool SetByteMode() override
    {
        if (!m_hasEcr)
            return true;
        int mode = IEEE1284_MODE_BYTE;
        int forward = 0;
        return Ioctl(m_fd, PPSETMODE, &mode) == 0 && Ioctl(m_fd, PPDATADIR, &forward) == 0;
    }

private:
    int m_fd;
    bool m_hasEcr;
};

#ifdef VEK_HAVE_PORT_IO
class DirectPort final : public ParallelPort {
public:
    DirectPort(uint16_t base, bool ecr) : m_base(base), m_ecr(ecr) {}
    ~DirectPort() override
    {
        ::ioperm(m_base, 3, 0);
        if (m_ecr)
            ::ioperm(m_base + 0x402u, 1, 0);
    }
    DirectPort(const DirectPort &) = delete;
    DirectPort &operator=(const DirectPort &) = delete;

    bool Read(ParallelRegister reg, uint8_t &value) override
    {
        value = ::inb(uint16_t(m_base + uint16_t(reg)));
        return true;
    }
    bool Write(ParallelRegister reg, uint8_t value) override
    {
        if (reg == ParallelRegister::Status)
            return false;
        ::outb(value, uint16_t(m_base + uint16_t(reg)));
        return true;
    }
    bool SetByteMode() override
    {
        if (!m_ecr)
            return true;
        const uint16_t ecr = uint16_t(m_base + 0x402);
        ::outb(uint8_t((::inb(ecr) & 0x1F) | 0x20), ecr);
        return true;
    }

private:
    uint16_t m_base;
    bool m_ecr;
};
#endif

void NoOp(int) {}

// PPCLAIM sleeps while another program holds the port. A one-shot timer signal to this thread,
// caught without SA_RESTART, cuts that sleep short after limitMs; the claim then fails with EINTR.
bool ClaimWithin(int fd, int limitMs)
{
    const int sig = SIGRTMIN + 3;
    struct sigaction sa = {}, old = {};
    sa.sa_handler = NoOp;
    sigemptyset(&sa.sa_mask);
    ::sigaction(sig, &sa, &old);
    sigevent ev = {};
    ev.sigev_notify = SIGEV_THREAD_ID;
    ev.sigev_signo = sig;
    ev._sigev_un._tid = ::gettid();
    timer_t timer{};
    const bool timed = ::timer_create(CLOCK_MONOTONIC, &ev, &timer) == 0;
    if (timed) {
        itimerspec due = {};
        due.it_value.tv_sec = limitMs / 1000;
        due.it_value.tv_nsec = long(limitMs % 1000) * 1000000L;
        ::timer_settime(timer, 0, &due, nullptr);
    }
    const int r = ::ioctl(fd, PPCLAIM);
    const int err = errno;
    if (timed)
        ::timer_delete(timer);
    ::sigaction(sig, &old, nullptr);
    errno = err;
    return r == 0;
}

bool ListsEcp(const QString &modesFile)
{
    QFile f(modesFile);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    return ModesListEcp(f.readAll());
}

} // namespace

bool ParseParportBaseAddress(const QByteArray &text, uint16_t &base)
{
    const QList<QByteArray> fields = text.simplified().split(' ');
    bool ok = false;
    const uint value = fields.value(0).toUInt(&ok);
    if (!ok || value > 0xFFFF)
        return false;
    base = uint16_t(value);
    return true;
}

bool ModesListEcp(const QByteArray &text)
{
    return text.trimmed().split(',').contains(QByteArray("ECP"));
}

int FindParallelPortNumber(const LinuxParallelPaths &paths, uint16_t base, bool *hasEcr)
{
    static const QRegularExpression kName(QStringLiteral("^parport(\\d+)$"));
    QSet<int> numbers;
    for (const QString &dir : {paths.sysClass, paths.procParport})
        for (const QString &name : QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
            const QRegularExpressionMatch m = kName.match(name);
            if (m.hasMatch())
                numbers.insert(m.captured(1).toInt());
        }
    QList<int> sorted = numbers.values();
    std::sort(sorted.begin(), sorted.end());
    for (int n : sorted) {
        const QString dir = paths.procParport + QStringLiteral("/parport%1/").arg(n);
        QFile f(dir + QStringLiteral("base-addr"));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        uint16_t found = 0;
        if (ParseParportBaseAddress(f.readAll(), found) && found == base) {
            if (hasEcr)
                *hasEcr = ListsEcp(dir + QStringLiteral("modes"));
            return n;
        }
    }
    return -1;
}

ParallelOpening LinuxParallelPlatform::Open(uint16_t base)
{
    ParallelOpening o;
    bool hasEcr = false;
    int n = FindParallelPortNumber(paths, base, &hasEcr);
    if (n < 0) {
        o.fallback = true;
        n = 0;
        hasEcr = ListsEcp(paths.procParport + QStringLiteral("/parport0/modes"));
    }
    o.device = paths.devDir + QStringLiteral("/parport%1").arg(n);
    const QByteArray path = QFile::encodeName(o.device);
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
#ifdef VEK_HAVE_PORT_IO
        // No ppdev at all: as root the registers can still be reached directly.
        if (err == ENOENT && allowDirectIo && ::geteuid() == 0 && ::ioperm(base, 3, 1) == 0) {
            const bool ecr = ::ioperm(base + 0x402u, 1, 1) == 0;
            o.port = std::make_unique<DirectPort>(base, ecr);
            o.device = QStringLiteral("I/O 0x%1").arg(QString::number(base, 16).toUpper());
            o.fallback = false;
            return o;
        }
#endif
        o.error = ErrorKind(err);
        o.reason = ErrnoText(err);
        return o;
    }
    if (!ClaimWithin(fd, claimLimitMs)) {
        const int err = errno;
        ::close(fd);
        o.error = ErrorKind(err);
        o.reason = err == EINTR ? QStringLiteral("held by another program") : ErrnoText(err);
        return o;
    }
    o.port = std::make_unique<PpdevPort>(fd, hasEcr);
    return o;
}

} // namespace vek
