#include "sim/instruments/MeterSim.h"

namespace vek::sim {

QByteArray MeterSim::Frame(const MeterDisplay &d)
{
    QByteArray f(22, '\0');
    f[0] = 0x10;
    f[1] = 0x02;
    f[4] = char(d.statusA);
    f[5] = char(d.statusB);
    const QByteArray reading = d.reading.left(8).leftJustified(8, ' ');
    for (int i = 0; i < 8; ++i)
        f[8 + i] = reading[i];
    f[16] = 'E';
    f[17] = d.exponentSign;
    f[18] = d.exponentDigit;
    f[20] = 0x10;
    f[21] = 0x03;
    return f;
}

Replies MeterSim::Feed(const QByteArray &input)
{
    m_input += input;
    Replies replies;
    for (;;) {
        const int start = int(m_input.indexOf("\x10\x02"));
        if (start < 0) {
            // Keep a trailing DLE: it may start the next request.
            m_input = m_input.endsWith('\x10') ? QByteArray("\x10") : QByteArray();
            break;
        }
        const int end = int(m_input.indexOf("\x10\x03", start + 2));
        if (end < 0) {
            m_input.remove(0, start);
            if (m_input.size() > 64) // no request is this long
                m_input.clear();
            break;
        }
        m_input.remove(0, end + 2);
        ++m_requests;
        const QByteArray frame = Frame(source ? source() : m_display);
        switch (m_fault) {
        case MeterFault::None: replies.push_back({0, frame}); break;
        case MeterFault::Silent: break;
        case MeterFault::AnswerRetryOnly:
            if (m_requests > 1)
                replies.push_back({0, frame});
            break;
        case MeterFault::Partial: replies.push_back({0, frame.left(14)}); break;
        case MeterFault::Split:
            replies.push_back({0, frame.left(14)});
            replies.push_back({m_splitDelayMs, frame.mid(14)});
            break;
        case MeterFault::NoStart: {
            QByteArray damaged = frame;
            damaged[1] = 0x7F;
            replies.push_back({0, damaged});
            break;
        }
        case MeterFault::Short:
            replies.push_back({0, frame.left(14) + QByteArray("\x10\x03", 2)});
            break;
        }
    }
    return replies;
}

} // namespace vek::sim
