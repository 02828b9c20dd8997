#include "link/SerialChipLink.h"

#include <algorithm>
#include <array>

namespace vek {

namespace {

void Show(const std::function<void(const QString &)> &status, const QString &text)
{
    if (status)
        status(text);
}

bool SendAll(SerialPort &port, const uint8_t *data, int count)
{
    return port.Write(data, count) == count;
}

// Reads what is waiting, at most max bytes, into out. Returns the count (0 on failure).
int ReadWaiting(SerialPort &port, uint8_t *out, int max)
{
    const int n = port.Read(out, max);
    return n > 0 ? n : 0;
}

} // namespace

bool WaitForSerialInput(SerialPort &port, Clock &clock, uint32_t count, int ms, CommStatus &status)
{
    status = CommStatus{};
    const double start = clock.NowDays();
    uint32_t errors = 0;
    for (;;) {
        CommStatus now;
        if (!port.ClearCommError(now)) {
            status.errors = errors;
            return false;
        }
        errors |= now.errors;
        status.inQueue = now.inQueue;
        status.errors = errors;
        if (now.inQueue >= count)
            return true;
        const double elapsedMs = (clock.NowDays() - start) * kMsPerDay;
        if (elapsedMs >= ms || elapsedMs < 0)
            return true;
        WaitMs(clock, 1);
    }
}

QString SerialErrorText(uint32_t errors)
{
    if (errors == 0)
        return {};
    return errors == kCommRxParity ? QStringLiteral("Parity Fail") : QStringLiteral("Other Err");
}

bool SerialHandshake(SerialPort &port, Clock &clock, const std::function<void(const QString &)> &status,
                     int waitMs)
{
    if (!port.PurgeInput())
        return false;
    const uint8_t hello = 0x55;
    if (!SendAll(port, &hello, 1))
        return false;
    CommStatus st;
    if (!WaitForSerialInput(port, clock, 1, waitMs, st))
        return false;
    if (st.errors == kCommRxParity)
        Show(status, QStringLiteral("Parity Fail"));
    if (st.inQueue == 0)
        return false;
    std::array<uint8_t, 256> reply{};
    const int n = ReadWaiting(port, reply.data(), int(reply.size()));
    return n > 0 && reply[0] == 0xAA;
}

bool SerialChipRead(SerialPort *port, TransferBuffer &buffer, Clock &clock,
                    const std::function<void(const QString &)> &status, uint16_t address, int count)
{
    if (!port || count < 1 || count > kMaxSerialReadBytes)
        return false;
    bool shaken = false;
    for (int attempt = 0; attempt < 3 && !shaken; ++attempt) {
        shaken = SerialHandshake(*port, clock, status);
        if (!shaken)
            WaitMs(clock, kRetryPauseMs);
    }
    if (!shaken)
        return false;
    const uint8_t command[4] = {0xC0, uint8_t(address), uint8_t(address >> 8), uint8_t(count)};
    if (!SendAll(*port, command, 4))
        return false;
    CommStatus st;
    if (!WaitForSerialInput(*port, clock, uint32_t(count), kReadDataMs, st))
        return false;
    Show(status, SerialErrorText(st.errors));
    if (st.inQueue > 0) {
        // Everything waiting goes to the buffer, as far as it reaches; a chip that sends more
        // than was asked for cannot write past it.
        const int n = ReadWaiting(*port, buffer.data(), int(buffer.size()));
        WaitMs(clock, kExchangePauseMs);
        return n > 0;
    }
    Show(status, QStringLiteral("Data Empty"));
    WaitMs(clock, kRetryPauseMs);
    return false;
}

bool SerialChipWrite(SerialPort *port, TransferBuffer &buffer, Clock &clock,
                     const std::function<void(const QString &)> &status, uint16_t address, int count)
{
    if (!port || count < 1 || count + 5 > int(buffer.size()))
        return false;
    if (!SerialHandshake(*port, clock, status)) {
        WaitMs(clock, kRetryPauseMs);
        return false;
    }
    // The data moves down one byte to follow the four-byte command.
    std::copy(buffer.begin() + 5, buffer.begin() + 5 + count, buffer.begin() + 4);
    buffer[0] = 0x40;
    buffer[1] = uint8_t(address);
    buffer[2] = uint8_t(address >> 8);
    buffer[3] = uint8_t(count);
    if (!SendAll(*port, buffer.data(), count + 4))
        return false;
    CommStatus st;
    if (!WaitForSerialInput(*port, clock, 1, kWriteReplyMs, st))
        return false;
    if (st.errors == kCommRxParity)
        Show(status, QStringLiteral("Parity Fail"));
    bool ok = false;
    if (st.inQueue > 0) {
        const int n = ReadWaiting(*port, buffer.data(), int(buffer.size()));
        if (n < 1 || buffer[0] != 0xAA) {
            WaitMs(clock, kRetryPauseMs);
            return false;
        }
        ok = true;
    }
    WaitMs(clock, kExchangePauseMs);
    return ok;
}

} // namespace vek
