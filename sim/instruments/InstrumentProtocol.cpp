#include "sim/instruments/InstrumentProtocol.h"

#include <cmath>

namespace vek::sim {

std::vector<QByteArray> LineSplitter::Add(const QByteArray &input)
{
    std::vector<QByteArray> lines;
    for (char c : input) {
        if (c == '\r' || c == '\n') {
            if (!m_partial.isEmpty() && !m_overflow)
                lines.push_back(m_partial);
            m_partial.clear();
            m_overflow = false;
        } else if (m_overflow) {
            continue;
        } else if (m_partial.size() < m_max) {
            m_partial += c;
        } else {
            m_partial.clear();
            m_overflow = true;
        }
    }
    return lines;
}

bool ParseInstrumentNumber(const QByteArray &text, double &value, QByteArray &rest)
{
    int i = 0;
    const int n = int(text.size());
    while (i < n && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    double mantissa = 0;
    int fractionDigits = 0, digits = 0;
    bool point = false;
    for (; i < n; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            if (digits < 18) {
                mantissa = mantissa * 10 + (c - '0');
                if (point)
                    ++fractionDigits;
            } else if (!point) {
                mantissa *= 10; // digits beyond what a double holds only scale
            }
            ++digits;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0)
        return false;
    int exponent = 0;
    if (i + 1 < n && (text[i] == 'E' || text[i] == 'e')) {
        int j = i + 1;
        bool expNegative = false;
        if (j < n && (text[j] == '+' || text[j] == '-'))
            expNegative = text[j++] == '-';
        int e = 0, expDigits = 0;
        while (j < n && text[j] >= '0' && text[j] <= '9') {
            if (e < 1000)
                e = e * 10 + (text[j] - '0');
            ++j;
            ++expDigits;
        }
        if (expDigits > 0) {
            exponent = expNegative ? -e : e;
            i = j;
        }
    }
    value = mantissa * std::pow(10.0, exponent - fractionDigits);
    if (negative)
        value = -value;
    if (!std::isfinite(value))
        return false;
    rest = text.mid(i);
    return true;
}

} // namespace vek::sim
