#include "views/HexEntry.h"

#include "app/base/NumberText.h"

namespace vek {

QChar HexDigitOf(QChar c)
{
    const char16_t u = c.unicode();
    if ((u >= '0' && u <= '9') || (u >= 'A' && u <= 'F'))
        return c;
    if (u >= 'a' && u <= 'f')
        return QChar(char16_t(u - 'a' + 'A'));
    return QChar();
}

void HexEntry::Start(const QString &maxText)
{
    m_max = maxText.isEmpty() ? QStringLiteral("FF") : maxText.toUpper();
    m_text.clear();
}

bool HexEntry::DigitAllowed(const QString &maxText, int position, QChar digit)
{
    if (position < 0 || position >= maxText.size())
        return false;
    return digit.unicode() <= maxText.at(position).unicode();
}

HexEntry::Result HexEntry::Digit(QChar c)
{
    const QChar d = HexDigitOf(c);
    if (d.isNull() || !DigitAllowed(m_max, int(m_text.size()), d))
        return Result::Ignored;
    m_text.append(d);
    return m_text.size() >= m_max.size() ? Result::Complete : Result::Appended;
}

void HexEntry::Backspace()
{
    if (!m_text.isEmpty())
        m_text.chop(1);
}

std::optional<uint16_t> HexEntry::Value() const
{
    if (m_text.isEmpty())
        return std::nullopt;
    return uint16_t(ParseHex(m_text));
}

} // namespace vek
