#pragma once
// A simulated instrument's protocol: bytes in, timed replies out. No I/O and no clock: an adapter
// (a pseudo-terminal or an in-memory port) carries the bytes and keeps the time.
#include <QByteArray>
#include <QList>
#include <vector>

namespace vek::sim {

struct TimedReply {
    int delayMs = 0; // after the input that caused it
    QByteArray bytes;
};
using Replies = std::vector<TimedReply>;

class InstrumentProtocol {
public:
    virtual ~InstrumentProtocol() = default;
    // Takes bytes as they come off the line (any split) and returns what the instrument sends.
    virtual Replies Feed(const QByteArray &input) = 0;
};

// Splits input into command lines ended by CR or LF (empty lines are skipped). A line longer
// than maxLength is thrown away up to its end, as an instrument with a full input buffer would.
class LineSplitter {
public:
    explicit LineSplitter(int maxLength = 256) : m_max(maxLength) {}
    std::vector<QByteArray> Add(const QByteArray &input);

private:
    QByteArray m_partial;
    int m_max;
    bool m_overflow = false;
};

// A number as instruments read it: optional sign, digits with an optional point, an optional
// exponent ("1.5", "-2", "6.0E-01"). On success value is set and rest holds what followed.
bool ParseInstrumentNumber(const QByteArray &text, double &value, QByteArray &rest);

} // namespace vek::sim
