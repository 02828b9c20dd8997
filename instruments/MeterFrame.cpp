#include "instruments/MeterFrame.h"

#include <cstring>

namespace vek {

bool ContainsPair(const uint8_t *bytes, int count, uint8_t a, uint8_t b)
{
    for (int i = 0; i + 1 < count; ++i)
        if (bytes[i] == a && bytes[i + 1] == b)
            return true;
    return false;
}

bool ParseDecimalText(const QByteArray &text, double &value)
{
    int i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    double whole = 0, scale = 1;
    bool digits = false, point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits = true;
            whole = whole * 10 + (c - '0');
            if (point)
                scale *= 10;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (!digits)
        return false;
    value = (negative ? -whole : whole) / scale;
    return true;
}

void ParseMeterFrame(const uint8_t *f, int length, MeterReading &r)
{
    if (length < kMeterFrameLength) {
        r.error = true;
        r.value = 0;
        return;
    }
    r.negative = f[8] == '-';
    r.readingText.clear();
    for (int i = 8; i <= 15; ++i)
        if (f[i] != ' ')
            r.readingText += char(f[i]);
    r.digitText.clear();
    r.pointPosition = 0;
    for (int i = 9; i <= 15; ++i) {
        if (f[i] == '.') {
            if (r.pointPosition == 0)
                r.pointPosition = i - 9;
        } else if (f[i] != ' ') {
            r.digitText += char(f[i]);
        }
    }
    const bool firstIsDigit = f[9] >= '0' && f[9] <= '9';
    r.value = 0;
    if (firstIsDigit) {
        double v = 0;
        if (ParseDecimalText(r.readingText, v))
            r.value = v;
        else
            r.error = true;
    }
    r.statusA = f[4];
    r.statusB = f[5];
    // A corrupted exponent would scale the reading by any power of ten; it counts as an error.
    if (f[18] >= '0' && f[18] <= '9') {
        r.exponent = f[18] - '0';
    } else {
        r.exponent = 0;
        r.error = true;
    }
    r.exponentSignFlag = f[17] == '+' ? 0 : 1;
    for (int i = 0; i < r.exponent; ++i)
        r.value = r.exponentSignFlag == 0 ? r.value * 10 : r.value / 10;
}

bool ReplyLineCollector::Add(const uint8_t *bytes, int count)
{
    for (int i = 0; i < count && !m_complete; ++i) {
        if (bytes[i] == 13) {
            m_area[m_count] = 13;
            m_complete = true;
        } else if (m_count < kCapacity) {
            m_area[m_count++] = bytes[i];
        }
    }
    return m_complete;
}

bool IsCalibratorEcho(int count, const uint8_t *reply)
{
    return count >= 4 && std::memcmp(reply, "*OPT", 4) == 0;
}

bool IsPowerSupplyIdentity(bool answered, const QByteArray &reply)
{
    return answered && reply.size() > 8 && reply.startsWith("HEWLETT-PACKARD");
}

} // namespace vek
