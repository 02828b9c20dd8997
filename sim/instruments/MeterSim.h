#pragma once
// A digital meter with a framed binary protocol: the 8-byte request (DLE STX, four zeros,
// DLE ETX) is answered with a 22-byte frame: DLE STX, status bytes A and B at 4 and 5, an
// eight-character reading at 8..15, exponent sign and digit at 17 and 18, DLE ETX at the end.
#include "sim/instruments/InstrumentProtocol.h"

#include <cstdint>
#include <functional>

namespace vek::sim {

enum class MeterFault {
    None,
    Silent,         // never answers
    AnswerRetryOnly, // ignores the first request, answers the next ones
    Partial,        // sends the first 14 bytes of the frame and never the rest
    Split,          // sends the first 14 bytes, the rest a little later (100 ms)
    NoStart,        // the frame's DLE STX is damaged
    Short,          // a frame with both markers but only 16 bytes long
};

struct MeterDisplay {
    QByteArray reading = "  1.2345"; // eight characters, blank padded
    uint8_t statusA = 0x06;          // DC V
    uint8_t statusB = 0x00;
    char exponentSign = '+';
    char exponentDigit = '0';
};

class MeterSim final : public InstrumentProtocol {
public:
    static constexpr int kSplitDelayMs = 100;

    Replies Feed(const QByteArray &input) override;

    void SetFault(MeterFault fault) { m_fault = fault; }
    void SetDisplay(const MeterDisplay &display) { m_display = display; }
    // What the meter shows when it answers, when it measures something live (what its channel is
    // wired to); empty: the display set last.
    std::function<MeterDisplay()> source;
    // How long the second piece of a split frame comes after the first.
    void SetSplitDelayMs(int ms) { m_splitDelayMs = ms; }
    int Requests() const { return m_requests; }

    // The reply frame for a display.
    static QByteArray Frame(const MeterDisplay &display);

private:
    QByteArray m_input;
    MeterDisplay m_display;
    MeterFault m_fault = MeterFault::None;
    int m_requests = 0;
    int m_splitDelayMs = kSplitDelayMs;
};

} // namespace vek::sim
