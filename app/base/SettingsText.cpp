#include "app/base/SettingsText.h"

#include <QFile>
#include <QFileInfo>

namespace vek {

bool ReadSettingsFile(const QString &path, QByteArray &bytes)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.read(kSettingsFileReadLimit);
    return true;
}

void AppendNumberField(QByteArray &line, int32_t value, int width)
{
    const QByteArray digits = QByteArray::number(value);
    if (!line.isEmpty() && digits.size() >= width)
        line += ' ';
    line += digits.rightJustified(width, ' ');
}

QByteArray TextReader::ReadLine()
{
    const char *b = m_bytes.constData();
    const qsizetype n = m_bytes.size();
    const qsizetype start = m_pos;
    while (m_pos < n && b[m_pos] != '\r' && b[m_pos] != '\n')
        ++m_pos;
    QByteArray line = m_bytes.mid(start, m_pos - start);
    if (m_pos < n) {
        const bool cr = b[m_pos] == '\r';
        ++m_pos;
        if (cr && m_pos < n && b[m_pos] == '\n')
            ++m_pos;
    }
    return line;
}

TextReader::Number TextReader::ReadInt(int32_t &value)
{
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    const char *b = m_bytes.constData();
    const qsizetype n = m_bytes.size();
    while (m_pos < n && blank(b[m_pos]))
        ++m_pos;
    if (m_pos >= n)
        return Number::End;
    bool negative = false;
    if (b[m_pos] == '+' || b[m_pos] == '-') {
        negative = b[m_pos] == '-';
        ++m_pos;
    }
    int64_t sum = 0;
    int digits = 0;
    while (m_pos < n && !blank(b[m_pos])) {
        const char c = b[m_pos++];
        if (c < '0' || c > '9')
            return Number::Bad;
        sum = sum * 10 + (c - '0');
        if (sum > int64_t(INT32_MAX) + 1)
            return Number::Bad;
        ++digits;
    }
    if (digits == 0 || (!negative && sum > INT32_MAX))
        return Number::Bad;
    value = static_cast<int32_t>(negative ? -sum : sum);
    return Number::Ok;
}

} // namespace vek
