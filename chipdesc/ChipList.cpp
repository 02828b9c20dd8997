#include "chipdesc/ChipList.h"

#include "chipdesc/ChipFiles.h"
#include "chipdesc/LineSplit.h"

namespace vek {

QStringList ChipListTexts(const QString &text)
{
    QStringList out;
    for (const QString &raw : SplitTextLines(text)) {
        const ParsedLine line = SplitLine(raw);
        if (line.Token(1).size() < 3)
            break;
        out.append(line.Token(2) + QStringLiteral("  ") + line.Token(3));
    }
    return out;
}

QStringList FallbackChipList()
{
    QStringList out;
    for (int i = 0; i < 16; ++i)
        out << QStringLiteral("ZS300 (16k)") << QStringLiteral("ZR300  (8k)")
            << QStringLiteral("ZR200  (4k)") << QStringLiteral("ZR100  (2k)");
    return out;
}

QStringList ReadChipList(const QString &programDir)
{
    const QString dir = IncludeDirectory(programDir);
    QByteArray bytes;
    if (!ReadChipFile(ResolveIncludeName(dir, QLatin1String(kChipListFileName)), bytes))
        return FallbackChipList();
    return ChipListTexts(DecodeChipText(bytes));
}

QString ChipListFileName(const QString &text, int index)
{
    if (index < 0)
        return QString();
    // Walk the lines without splitting the whole text: only line `index` matters.
    qsizetype pos = 0;
    for (int i = 0; i < index; ++i) {
        pos = text.indexOf(u'\n', pos);
        if (pos < 0)
            return QString();
        ++pos;
    }
    qsizetype end = text.indexOf(u'\n', pos);
    if (end < 0)
        end = text.size();
    QString raw = text.mid(pos, end - pos);
    if (raw.endsWith(u'\r'))
        raw.chop(1);
    return SplitLine(raw).Token(1);
}

int ChipIndexFromChoice(const QString &programDir, const QString &choice)
{
    bool isNumber = false;
    const int index = choice.toInt(&isNumber);
    const QStringList list = ReadChipList(programDir);
    if (isNumber)
        return index >= 0 && index < list.size() ? index : -1;
    for (int i = 0; i < list.size(); ++i)
        if (list[i].section(QLatin1Char(' '), 0, 0).compare(choice, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace vek
