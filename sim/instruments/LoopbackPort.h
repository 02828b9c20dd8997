#pragma once
// An in-memory serial line to a simulated instrument: what the program writes goes straight to
// the protocol, and its replies are queued for reading once their time on the given clock has
// come. Deterministic, so the waits can run on a fake clock.
#include "app/base/Clock.h"
#include "instruments/serial/SerialPorts.h"
#include "sim/instruments/InstrumentProtocol.h"

#include <QStringList>
#include <deque>
#include <map>
#include <memory>

namespace vek::sim {

// The line between a port and an instrument; it outlives the port, so a test can look at what
// happened after the program closed it.
struct LoopbackLine {
    std::shared_ptr<InstrumentProtocol> protocol; // null: nothing on the line
    CommSettings settings;
    bool dtr = true;
    bool open = false;
    bool vanished = false;   // the device is gone: every call fails
    int opens = 0;
    uint32_t pendingErrors = 0; // reported by the next ClearCommError
    QByteArray written;      // everything the program wrote
    QStringList events;      // "open", "state 9600 8 0 2", "dtr 0", "purge", "write 10", "close"
    QByteArray input;        // bytes waiting to be read
    struct Scheduled {
        double dueDays;
        QByteArray bytes;
    };
    std::deque<Scheduled> scheduled;
    // Puts bytes on the line as if the instrument had sent them now.
    void Inject(const QByteArray &bytes) { input += bytes; }
};

class LoopbackPort final : public SerialPort {
public:
    LoopbackPort(Clock &clock, std::shared_ptr<LoopbackLine> line);
    ~LoopbackPort() override;

    bool GetCommState(CommSettings &settings) override;
    bool SetCommState(const CommSettings &settings) override;
    bool ClearCommError(CommStatus &status) override;
    bool SetDtr(bool on) override;
    bool PurgeInput() override;
    int Read(uint8_t *buffer, int max) override;
    int Write(const uint8_t *data, int count) override;

private:
    void Deliver();

    Clock &m_clock;
    std::shared_ptr<LoopbackLine> m_line;
};

// A set of COM names with loopback lines behind them, handing out ports the way the real
// devices do (one opening at a time).
class LoopbackBench {
public:
    explicit LoopbackBench(Clock &clock) : m_clock(clock) {}
    // Puts a line (with an instrument, or none) behind a COM name.
    std::shared_ptr<LoopbackLine> Attach(const QString &comName,
                                         std::shared_ptr<InstrumentProtocol> protocol = nullptr);
    std::shared_ptr<LoopbackLine> Line(const QString &comName) const;
    // For SerialPorts::SetOpener.
    SerialPorts::Opener Opener();

private:
    Clock &m_clock;
    std::map<QString, std::shared_ptr<LoopbackLine>> m_lines;
};

} // namespace vek::sim
