#pragma once
// The RS232 interface: the PC talks to the chip's own serial monitor over a COM port, without
// the evaluation board. Every exchange starts with a handshake (0x55, answered by 0xAA), then a
// four-byte command (0xC0 read / 0x40 write, address low, address high, count) and the data.
// Line errors are reported in the first field of the status line.
#include "app/base/Clock.h"
#include "instruments/serial/SerialPort.h"
#include "link/LinkState.h"

#include <QString>
#include <functional>

namespace vek {

// How the chip access reaches the serial ports: the open port behind a slot's COM handle, and
// the status field that shows "Parity Fail", "Other Err" and "Data Empty".
struct SerialChipIo {
    std::function<SerialPort *(int64_t handle)> port;
    std::function<void(const QString &text)> status;
};

// Time limits of the monitor.
constexpr int kHandshakeReplyMs = 100;
constexpr int kReadDataMs = 4000;
constexpr int kWriteReplyMs = 100;
constexpr int kRetryPauseMs = 4000; // after a failed handshake, "Data Empty" or a refused write
constexpr int kExchangePauseMs = 100;
// The largest read the transfer buffer takes.
constexpr int kMaxSerialReadBytes = int(TransferBuffer().size());

// Polls the port until at least `count` bytes wait or `ms` milliseconds have passed. The error
// flags of all the polls are gathered in status.errors. False when the port cannot be asked.
bool WaitForSerialInput(SerialPort &port, Clock &clock, uint32_t count, int ms, CommStatus &status);

// The status text of a line error word: "Parity Fail" for exactly the parity error, "Other Err"
// for any other error, empty for none.
QString SerialErrorText(uint32_t errors);

// One handshake attempt: discard waiting input, send 0x55, expect 0xAA within waitMs (100 ms
// for chip reads and writes). A parity error on the line is shown; other errors are not, here.
bool SerialHandshake(SerialPort &port, Clock &clock, const std::function<void(const QString &)> &status,
                     int waitMs = kHandshakeReplyMs);

// Reads count bytes (1..128) from a chip address into the transfer buffer from byte 0. Up to
// three handshake attempts, 4 s apart. True when at least one byte came back, also when fewer
// than count arrived; the bytes that did not come keep what the buffer held.
bool SerialChipRead(SerialPort *port, TransferBuffer &buffer, Clock &clock,
                    const std::function<void(const QString &)> &status, uint16_t address, int count);

// Writes count bytes taken from transfer buffer 5.. to a chip address; true when the chip
// acknowledges with 0xAA.
bool SerialChipWrite(SerialPort *port, TransferBuffer &buffer, Clock &clock,
                     const std::function<void(const QString &)> &status, uint16_t address, int count);

} // namespace vek
