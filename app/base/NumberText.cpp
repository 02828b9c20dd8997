#include "app/base/NumberText.h"

#include <charconv>
#include <clocale>

namespace vek {

namespace {

// Walks the text from its last character to its first, adding digit x place value with
// 32-bit wrap-around. digitOf returns -1 for a character that does not belong.
template <typename DigitOf>
bool SumDigits(const QString &text, uint32_t radix, int firstIndex, DigitOf digitOf, uint32_t &sum)
{
    uint32_t place = 1;
    sum = 0;
    for (int i = text.size() - 1; i >= firstIndex; --i) {
        const int d = digitOf(text[i]);
        if (d < 0)
            return false;
        sum += static_cast<uint32_t>(d) * place;
        place *= radix;
    }
    return true;
}

int DecimalDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') ? u - '0' : -1;
}

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

int BinaryDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u == '0' || u == '1') ? u - '0' : -1;
}

} // namespace

int32_t ParseDecimal(const QString &text)
{
    if (text.isEmpty())
        return 0;
    const char16_t first = text[0].unicode();
    const bool negative = first == '-';
    const int start = (first == '-' || first == '+') ? 1 : 0;
    uint32_t sum = 0;
    if (!SumDigits(text, 10, start, DecimalDigit, sum))
        return 0;
    return static_cast<int32_t>(negative ? 0u - sum : sum);
}

int32_t ParseHex(const QString &text)
{
    uint32_t sum = 0;
    return SumDigits(text, 16, 0, HexDigit, sum) ? static_cast<int32_t>(sum) : 0;
}

int32_t ParseBinary(const QString &text)
{
    uint32_t sum = 0;
    return SumDigits(text, 2, 0, BinaryDigit, sum) ? static_cast<int32_t>(sum) : 0;
}

int CharClass(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return 0;
    if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z'))
        return 1;
    return 2;
}

bool ParseNumber(const QString &text, int32_t &value)
{
    if (text.isEmpty())
        return false;
    bool binary = false, decimal = false, hexa = false, suffix = false;
    const int last = text.size() - 1;
    for (int i = 0; i <= last; ++i) {
        const QChar c = text[i];
        if (CharClass(c) == 0)
            continue;
        const char16_t u = c.unicode();
        if (i == 0) {
            if (u == '-' || u == '+')
                decimal = true;
            else
                return false;
        } else if (i == last) {
            suffix = true;
            if (u == 'B' || u == 'b')
                binary = true;
            else if (u == 'D' || u == 'd')
                decimal = true;
            else if (u == 'H' || u == 'h')
                hexa = true;
            else
                return false;
        } else if ((u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f')) {
            hexa = true;
        } else {
            return false;
        }
    }
    if (int(binary) + int(decimal) + int(hexa) > 1)
        return false;
    const QString digits = suffix ? text.left(last) : text;
    if (binary)
        value = ParseBinary(digits);
    else if (hexa)
        value = ParseHex(digits);
    else
        value = ParseDecimal(digits);
    return true;
}

QString FormatHex(int32_t value, int minDigits)
{
    static const char kDigits[] = "0123456789ABCDEF";
    uint32_t v = static_cast<uint32_t>(value) & 0xFFFFu;
    QString text;
    do {
        text.prepend(QChar(kDigits[v & 0xF]));
        v >>= 4;
    } while (v != 0);
    if (text.size() < minDigits)
        text.prepend(QString(minDigits - text.size(), QChar('0')));
    return text;
}

ScreenRect FitRectToScreen(ScreenRect w, int sw, int sh)
{
    if (sw < w.width)
        w.width = sw;
    if (sh < w.height)
        w.height = sh;
    if (sw < w.left)
        w.left = sw - w.width;
    else if (sw - 20 < w.left)
        w.left = sw - 20;
    if (sh < w.top)
        w.top = sh - w.height;
    else if (sh - 20 < w.top)
        w.top = sh - 20;
    return w;
}

std::string FixedText(double value, int decimals)
{
    if (decimals < 0)
        decimals = 0;
    // Room for the largest double written in full (309 digits) plus sign, point and decimals.
    char text[400];
    const auto r = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc())
        return "nan";
    return std::string(text, r.ptr);
}

QString FixedQText(double value, int decimals)
{
    return QString::fromStdString(FixedText(value, decimals));
}

bool ParsePointNumber(const std::string &text, double &value)
{
    const char *first = text.data();
    const char *last = first + text.size();
    while (first != last && (*first == ' ' || *first == '\t'))
        ++first;
    if (first != last && *first == '+')
        ++first;
    double v = 0;
    const auto r = std::from_chars(first, last, v);
    if (r.ec != std::errc())
        return false;
    value = v;
    return true;
}

void UsePointForNumbers()
{
    std::setlocale(LC_NUMERIC, "C");
}

} // namespace vek
