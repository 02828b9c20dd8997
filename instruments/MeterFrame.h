#pragma once
// Pure parts of the instrument exchanges: the meter's reply frame, the collection of a reply
// line, and the identity checks of the calibrator and the power supply. No I/O here.
#include <QByteArray>
#include <cstdint>

namespace vek {

// The meter's request: DLE STX, four zero bytes, DLE ETX.
constexpr uint8_t kMeterRequest[8] = {0x10, 0x02, 0x00, 0x00, 0x00, 0x00, 0x10, 0x03};
// A complete meter reply frame is at least this long.
constexpr int kMeterFrameLength = 22;

// One meter reading taken apart.
struct MeterReading {
    double value = 0;
    bool negative = false;     // the reading field starts with '-'
    QByteArray readingText;    // the eight-character field without blanks
    QByteArray digitText;      // its digits, without sign, blanks and point
    int pointPosition = 0;     // position of the point after the sign, 0 when none
    int exponent = 0;
    int exponentSignFlag = 0;  // 0 for a '+' exponent (multiply), 1 otherwise (divide)
    uint8_t statusA = 0, statusB = 0;
    bool error = false;
};

// True when the bytes hold the pair a, b somewhere.
bool ContainsPair(const uint8_t *bytes, int count, uint8_t a, uint8_t b);

// Takes a received frame apart (frame bytes from the start of the frame buffer). Sets the error
// flag for a frame shorter than a full one, a reading that is not a number, or an exponent that
// is not a digit; a reading whose first digit position is not a digit is 0 without an error.
void ParseMeterFrame(const uint8_t *frame, int length, MeterReading &reading);

// Strict decimal number: optional sign, digits with at most one point, at least one digit.
bool ParseDecimalText(const QByteArray &text, double &value);

// Collects the bytes of a reply up to its CR. Bytes after the CR in the same piece are dropped;
// a reply longer than the reply area keeps its first 512 characters.
class ReplyLineCollector {
public:
    static constexpr int kCapacity = 512;
    // Adds the bytes of one read; returns true once the CR has come.
    bool Add(const uint8_t *bytes, int count);
    bool Complete() const { return m_complete; }
    int Count() const { return m_count; }
    const uint8_t *Data() const { return m_area; }

private:
    uint8_t m_area[kCapacity + 1] = {};
    int m_count = 0;
    bool m_complete = false;
};

// The calibrator echoes its commands: a reply line to "*OPT" that starts with "*OPT".
bool IsCalibratorEcho(int count, const uint8_t *reply);
// The power supply's answer to "*IDN?": the query got a reply, longer than 8 characters, whose
// first 15 characters read "HEWLETT-PACKARD".
bool IsPowerSupplyIdentity(bool answered, const QByteArray &reply);

} // namespace vek
