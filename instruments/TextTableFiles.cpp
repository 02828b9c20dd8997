#include "instruments/TextTableFiles.h"

#include "app/base/SettingsText.h"

#include <QFile>
#include <QFileInfo>

namespace vek {

FileRead ReadTableFile(const QString &path, QByteArray &bytes)
{
    const QFileInfo info(path);
    if (!info.exists())
        return FileRead::Missing;
    if (!info.isFile())
        return FileRead::Unreadable;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileRead::Unreadable;
    bytes = file.read(kTableFileReadLimit);
    if (file.error() != QFileDevice::NoError)
        return FileRead::Unreadable;
    return FileRead::Ok;
}

QStringList SplitTableLines(const QByteArray &bytes)
{
    QStringList lines;
    TextReader reader(bytes);
    while (!reader.AtEnd())
        lines.append(QString::fromLatin1(reader.ReadLine()));
    return lines;
}

QByteArray JoinTableLines(const QStringList &lines)
{
    QByteArray out;
    for (const QString &line : lines) {
        out += line.toLatin1();
        out += "\r\n";
    }
    return out;
}

QString RightAligned(const QString &text, int width)
{
    return text.rightJustified(width, QLatin1Char(' '), false);
}

bool IsHexCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f');
}

QString HexCharacters(const QString &text)
{
    QString kept;
    for (QChar c : text)
        if (IsHexCharacter(c))
            kept += c;
    return kept;
}

int LeadingDecimal(const QString &text)
{
    int value = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        // Fields are a few characters wide; stop growing long before the type would overflow.
        if (value > 100'000'000)
            break;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

} // namespace vek
