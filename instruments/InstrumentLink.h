#pragma once
// The exchanges with the bench instruments over their serial ports: send a text, wait, read a
// reply line, ask a question, and read the meter. Every wait is on the given clock; the input
// queue is polled, never waited on, and a port that fails counts as one with nothing to read.
#include "app/base/Clock.h"
#include "instruments/InstrumentPorts.h"
#include "instruments/MeterFrame.h"
#include "instruments/serial/SerialPorts.h"

#include <QByteArray>

namespace vek {

class InstrumentLink {
public:
    InstrumentLink(SerialPorts &ports, Clock &clock, InstrumentBuffers &buffers,
                   InstrumentPorts &records)
        : m_ports(ports), m_clock(clock), m_buf(buffers), m_records(records)
    {
    }

    // Writes exactly the characters of the text (no terminator), then waits 20 ms.
    void SendText(const InstrumentPort &port, const QByteArray &text);
    // Returns when more than spanDays have passed since the call.
    void WaitSpan(double spanDays);
    // Collects input until a CR, for at most 5000 ms. Returns the number of characters before
    // the CR (0 when no CR came); the reply then starts at the transmit buffer, followed by a
    // zero byte. Callers clear the first 513 bytes of the transmit buffer first.
    int ReadReplyLine(const InstrumentPort &port);
    // The text of the last reply line (count characters from the transmit buffer).
    QByteArray ReplyText(int count) const;
    // Clears the first 513 bytes of the transmit buffer, as callers do before a reply line.
    void ClearReply();
    // Sends the text with CR LF, waits 500 ms and returns what arrived (terminators included).
    // False when nothing came; the reply is then left as it was.
    bool QueryText(const InstrumentPort &port, const QByteArray &text, QByteArray &reply);

    struct MeterResult {
        bool ok = false;
        int frameLength = 0;
    };
    // Sends the meter request to instrument record index and collects one reply frame into the
    // meter frame buffer; retries once after a silent first second.
    MeterResult MeterRequest(int index);
    // One complete meter reading. When the exchange fails the value is 0, the error flag is
    // cleared and nothing else in reading changes.
    double ReadMeterValue(int index, MeterReading &reading);

private:
    SerialPort *PortOf(const InstrumentPort &port) const { return m_ports.Port(port.handle); }
    // Bytes waiting on the port (0 when it cannot be asked).
    uint32_t Queued(SerialPort *port) const;
    // Waits until more than threshold bytes are queued, or until more than ms have passed.
    // Returns true when the bytes came.
    bool WaitForQueued(SerialPort *port, uint32_t threshold, int ms);
    // Reads everything queued into buffer (at most capacity bytes, the rest is read and
    // dropped); returns how many were kept.
    int ReadQueued(SerialPort *port, uint8_t *buffer, int capacity);
    void Write(SerialPort *port, const uint8_t *data, int count);

    SerialPorts &m_ports;
    Clock &m_clock;
    InstrumentBuffers &m_buf;
    InstrumentPorts &m_records;
};

} // namespace vek
