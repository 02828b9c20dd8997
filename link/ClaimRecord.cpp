#include "link/ClaimRecord.h"

#include "app/base/SafeFile.h"

#include <QFile>
#include <QList>
#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace vek {

QByteArray ClaimRecordText(const UsbBus &bus, int64_t pid)
{
    QByteArray text;
    if (bus.ownHidClaim >= 0)
        text += "hid " + QByteArray::number(bus.ownHidClaim) + " pid " + QByteArray::number(pid) + "\n";
    if (bus.ownDriverClaim >= 0)
        text += "driver " + QByteArray::number(bus.ownDriverClaim) + " pid " + QByteArray::number(pid) + "\n";
    return text;
}

void TakeClaimRecord(const QByteArray &text, UsbBus &bus, const std::function<bool(int64_t pid)> &processRuns)
{
    for (const QByteArray &line : text.split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() != 4 || parts[2] != "pid")
            continue;
        bool okNumber = false, okPid = false;
        const int number = parts[1].toInt(&okNumber);
        const int64_t pid = parts[3].toLongLong(&okPid);
        if (!okNumber || !okPid || number < 0 || (processRuns && processRuns(pid)))
            continue;
        if (parts[0] == "hid" && number < kHidDeviceCount)
            bus.ownHidClaim = number;
        else if (parts[0] == "driver" && number < kDriverDeviceCount)
            bus.ownDriverClaim = number;
    }
}

void SaveClaimRecord(const QString &path, const UsbBus &bus)
{
    const QByteArray text = ClaimRecordText(bus, int64_t(::getpid()));
    if (text.isEmpty())
        QFile::remove(path);
    else
        WriteFileAtomically(path, text);
}

void LoadClaimRecord(const QString &path, UsbBus &bus)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return;
    const int64_t self = int64_t(::getpid());
    TakeClaimRecord(f.read(4096), bus, [self](int64_t pid) {
        // This very process, or one that still runs (a signal it could receive, or one we may not send).
        return pid == self || ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
    });
}

} // namespace vek
