#pragma once
// A real serial port (or pseudo-terminal) on termios.
#include "instruments/serial/SerialPort.h"

#include <memory>

namespace vek {

class PosixSerialPort final : public SerialPort {
public:
    // Opens an existing device for reading and writing, for us alone, in raw mode with
    // non-blocking reads. The rate, size, parity and stop bits stay as the device had them.
    // Returns null (with the reason in error) when it cannot.
    static std::unique_ptr<PosixSerialPort> Open(const QString &devicePath, QString *error = nullptr);
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort &) = delete;
    PosixSerialPort &operator=(const PosixSerialPort &) = delete;

    bool GetCommState(CommSettings &settings) override;
    bool SetCommState(const CommSettings &settings) override;
    bool ClearCommError(CommStatus &status) override;
    bool SetDtr(bool on) override;
    bool PurgeInput() override;
    int Read(uint8_t *buffer, int max) override;
    int Write(const uint8_t *data, int count) override;

    // True when the device keeps line error counters (a pseudo-terminal does not).
    bool HasErrorCounters() const { return m_hasCounters; }

private:
    explicit PosixSerialPort(int fd);
    void GatherErrors();

    int m_fd;
    bool m_hasCounters = false;
    // Last seen counters of parity, framing, overrun, buffer overrun and break events.
    int m_parity = 0, m_frame = 0, m_overrun = 0, m_bufOverrun = 0, m_break = 0;
    uint32_t m_pendingErrors = 0;
};

// The termios speed for a baud rate, or 0 when the rate is not one termios offers.
unsigned BaudToSpeed(uint32_t baud);
// The baud rate of a termios speed, or 0 for an unknown one.
uint32_t SpeedToBaud(unsigned speed);

} // namespace vek
