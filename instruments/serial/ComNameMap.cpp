#include "instruments/serial/ComNameMap.h"

#include <QFile>

namespace vek {

namespace {

// Splits one line into name and path; false when it is not an entry.
bool SplitEntry(QByteArray line, QString &name, QString &path)
{
    line = line.trimmed();
    if (line.isEmpty() || line.startsWith('#'))
        return false;
    const int eq = line.indexOf('=');
    if (eq <= 0)
        return false;
    name = ComNameMap::CanonicalName(QString::fromUtf8(line.left(eq).trimmed()));
    path = QString::fromUtf8(line.mid(eq + 1).trimmed());
    return !name.isEmpty() && path.startsWith('/');
}

QList<QByteArray> Lines(const QByteArray &text)
{
    QByteArray t = text;
    if (t.startsWith("\xEF\xBB\xBF"))
        t.remove(0, 3);
    QList<QByteArray> lines = t.split('\n');
    for (QByteArray &l : lines)
        if (l.endsWith('\r'))
            l.chop(1);
    return lines;
}

} // namespace

QString ComNameMap::CanonicalName(const QString &comName)
{
    const QString n = comName.trimmed().toUpper();
    if (!n.startsWith(QLatin1String("COM")) || n.size() < 4 || n.size() > 6)
        return {};
    const QString digits = n.mid(3);
    if (digits.startsWith('0'))
        return {};
    for (QChar c : digits)
        if (c < '0' || c > '9')
            return {};
    const int number = digits.toInt();
    return (number >= 1 && number <= 255) ? n : QString();
}

QString ComNameMap::DefaultDevicePath(const QString &comName)
{
    const QString n = CanonicalName(comName);
    if (n.isEmpty())
        return {};
    const int number = n.mid(3).toInt();
    return number <= 16 ? QStringLiteral("/dev/ttyS%1").arg(number - 1) : QString();
}

void ComNameMap::Parse(const QByteArray &text)
{
    for (const QByteArray &line : Lines(text)) {
        QString name, path;
        if (SplitEntry(line, name, path))
            m_entries.insert(name, path);
    }
}

void ComNameMap::LoadFile(const QString &path)
{
    QFile f(path);
    // A map file is a few lines; anything far bigger is not one.
    if (f.open(QIODevice::ReadOnly) && f.size() <= 1 << 20)
        Parse(f.readAll());
}

bool ComNameMap::Set(const QString &comName, const QString &devicePath)
{
    const QString n = CanonicalName(comName);
    if (n.isEmpty() || !devicePath.startsWith('/') || devicePath.contains('\n') ||
        devicePath.contains('\r'))
        return false;
    m_entries.insert(n, devicePath);
    return true;
}

bool ComNameMap::Contains(const QString &comName) const
{
    return m_entries.contains(CanonicalName(comName));
}

QString ComNameMap::DevicePath(const QString &comName) const
{
    const QString n = CanonicalName(comName);
    if (n.isEmpty())
        return {};
    const auto it = m_entries.find(n);
    return it != m_entries.end() ? it.value() : DefaultDevicePath(n);
}

QByteArray ComNameMap::WithEntries(const QByteArray &oldText,
                                   const QList<QPair<QString, QString>> &entries)
{
    QList<QString> replaced;
    for (const auto &e : entries)
        replaced.append(CanonicalName(e.first));
    QByteArray out;
    const QList<QByteArray> lines = Lines(oldText);
    for (int i = 0; i < lines.size(); ++i) {
        // The split leaves one empty piece after a final line end; it is not a line.
        if (i == lines.size() - 1 && lines[i].isEmpty())
            break;
        QString name, path;
        if (SplitEntry(lines[i], name, path) && replaced.contains(name))
            continue;
        out += lines[i] + "\r\n";
    }
    for (const auto &e : entries) {
        const QString n = CanonicalName(e.first);
        if (!n.isEmpty() && e.second.startsWith('/'))
            out += (n + QStringLiteral(" = ") + e.second).toUtf8() + "\r\n";
    }
    return out;
}

} // namespace vek
