#include "instruments/InstrumentLink.h"

#include <algorithm>
#include <cstring>

namespace vek {

namespace {
// How often the input queue is looked at while waiting for bytes.
constexpr double kPollStepMs = 1.0;
constexpr int kReplyLineMs = 5000;
constexpr int kQueryMs = 500;
constexpr int kReplyAreaClear = 513;
} // namespace

uint32_t InstrumentLink::Queued(SerialPort *port) const
{
    CommStatus s;
    if (!port || !port->ClearCommError(s))
        return 0;
    return s.inQueue;
}

bool InstrumentLink::WaitForQueued(SerialPort *port, uint32_t threshold, int ms)
{
    const double start = m_clock.NowDays();
    for (;;) {
        if (Queued(port) > threshold)
            return true;
        const double elapsedMs = (m_clock.NowDays() - start) * kMsPerDay;
        if (elapsedMs > ms || elapsedMs < 0)
            return false;
        m_clock.SleepMs(kPollStepMs);
    }
}

int InstrumentLink::ReadQueued(SerialPort *port, uint8_t *buffer, int capacity)
{
    uint32_t queued = Queued(port);
    int kept = 0;
    while (queued > 0) {
        uint8_t scratch[256];
        const int room = capacity - kept;
        uint8_t *into = room > 0 ? buffer + kept : scratch;
        const int want = int(std::min<uint32_t>(queued, room > 0 ? uint32_t(room) : sizeof scratch));
        const int n = port->Read(into, want);
        if (n <= 0)
            break;
        if (room > 0)
            kept += n;
        queued -= std::min<uint32_t>(queued, uint32_t(n));
    }
    return kept;
}

void InstrumentLink::Write(SerialPort *port, const uint8_t *data, int count)
{
    if (port && count > 0)
        port->Write(data, count);
}

void InstrumentLink::SendText(const InstrumentPort &port, const QByteArray &text)
{
    Write(PortOf(port), reinterpret_cast<const uint8_t *>(text.constData()), int(text.size()));
    WaitMs(m_clock, 20);
}

void InstrumentLink::WaitSpan(double spanDays)
{
    WaitDays(m_clock, spanDays);
}

void InstrumentLink::ClearReply()
{
    std::fill_n(m_buf.transmit.begin(), kReplyAreaClear, uint8_t(0));
}

int InstrumentLink::ReadReplyLine(const InstrumentPort &port)
{
    SerialPort *p = PortOf(port);
    ReplyLineCollector line;
    const double start = m_clock.NowDays();
    for (;;) {
        const uint32_t queued = Queued(p);
        if (queued > 0) {
            const int n = p->Read(m_buf.transmit.data(),
                                  int(std::min<size_t>(queued, m_buf.transmit.size())));
            if (n > 0 && line.Add(m_buf.transmit.data(), n))
                break;
        }
        const double elapsedMs = (m_clock.NowDays() - start) * kMsPerDay;
        if (elapsedMs > kReplyLineMs || elapsedMs < 0)
            break;
        m_clock.SleepMs(kPollStepMs);
    }
    if (!line.Complete())
        return 0;
    std::memcpy(m_buf.transmit.data(), line.Data(), size_t(line.Count()));
    m_buf.transmit[size_t(line.Count())] = 0;
    return line.Count();
}

QByteArray InstrumentLink::ReplyText(int count) const
{
    count = std::clamp(count, 0, int(m_buf.transmit.size()));
    return QByteArray(reinterpret_cast<const char *>(m_buf.transmit.data()), count);
}

bool InstrumentLink::QueryText(const InstrumentPort &port, const QByteArray &text,
                               QByteArray &reply)
{
    SerialPort *p = PortOf(port);
    ReadQueued(p, m_buf.flush.data(), int(m_buf.flush.size()));
    const QByteArray command = text + "\r\n";
    // The command is built in the transmit buffer as far as it fits; a longer one is still sent
    // whole.
    std::memcpy(m_buf.transmit.data(), command.constData(),
                std::min<size_t>(size_t(command.size()), m_buf.transmit.size()));
    Write(p, reinterpret_cast<const uint8_t *>(command.constData()), int(command.size()));
    WaitMs(m_clock, kQueryMs);
    if (Queued(p) == 0)
        return false;
    const int n = ReadQueued(p, m_buf.flush.data(), int(m_buf.flush.size()));
    if (n <= 0)
        return false;
    reply = QByteArray(reinterpret_cast<const char *>(m_buf.flush.data()), n);
    return true;
}

InstrumentLink::MeterResult InstrumentLink::MeterRequest(int index)
{
    MeterResult result;
    if (index < 0 || index >= kInstrumentPortCount)
        return result;
    SerialPort *p = PortOf(m_records[size_t(index)]);
    uint8_t *received = m_buf.flush.data();
    const int capacity = int(m_buf.flush.size());

    // 1. Stale input goes first, including what is still trickling in.
    if (Queued(p) > 0) {
        ReadQueued(p, received, capacity);
        WaitMs(m_clock, 100);
        ReadQueued(p, received, capacity);
    }
    // 2, 3. Request, then up to a second for the reply.
    Write(p, kMeterRequest, sizeof kMeterRequest);
    bool came = WaitForQueued(p, 13, 1000);
    int count = ReadQueued(p, received, capacity);
    // 4. One more try after a silent second.
    if (!came) {
        WaitMs(m_clock, 1000);
        Write(p, kMeterRequest, sizeof kMeterRequest);
        came = WaitForQueued(p, 13, 500);
        count = ReadQueued(p, received, capacity);
        if (!came)
            return result;
    }
    // 5. The frame as received, and its markers.
    uint8_t *frame = m_buf.meterFrame.data();
    const int frameCapacity = int(m_buf.meterFrame.size());
    count = std::min(count, frameCapacity);
    std::memcpy(frame, received, size_t(count));
    m_buf.meterFrameLength = count;
    const bool hasStart = ContainsPair(frame, count, 0x10, 0x02);
    const bool hasEnd = ContainsPair(frame, count, 0x10, 0x03);
    result.frameLength = count;
    if (hasStart && hasEnd) {
        result.ok = true;
        return result;
    }
    // 6. Start without end: the rest of a full frame may still be on its way.
    if (hasStart) {
        const int missing = kMeterFrameLength - count;
        if (missing > 0 && !WaitForQueued(p, uint32_t(missing - 1), 500))
            return result;
        const int more = ReadQueued(p, frame + count, frameCapacity - count);
        // The end pair may straddle the two pieces, so the last byte of the first one counts.
        const int from = count > 0 ? count - 1 : 0;
        count += more;
        m_buf.meterFrameLength = count;
        result.frameLength = count;
        result.ok = ContainsPair(frame + from, count - from, 0x10, 0x03);
        return result;
    }
    // 7. No frame at all.
    WaitMs(m_clock, 50);
    ReadQueued(p, received, capacity);
    return result;
}

double InstrumentLink::ReadMeterValue(int index, MeterReading &reading)
{
    reading.error = false;
    const MeterResult r = MeterRequest(index);
    if (!r.ok) {
        reading.value = 0;
        return 0;
    }
    ParseMeterFrame(m_buf.meterFrame.data(), r.frameLength, reading);
    return reading.value;
}

} // namespace vek
