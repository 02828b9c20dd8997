#pragma once
// The Parallel interface: the chip is wired to the PC's parallel port and talks bit-serially.
// Control bit 0 carries the data out, control bit 3 the clock, control bit 1 marks the frame
// (low while a frame runs); the chip's data comes back on status bit 6. Bytes travel most
// significant bit first, and nothing is acknowledged, so only failures on this side can be seen.
#include "app/base/Clock.h"
#include "link/LinkState.h"
#include "link/ParallelPort.h"

#include <QString>
#include <cstdint>
#include <memory>

namespace vek {

// Register bits.
constexpr uint8_t kParallelDataOut = 0x01;  // control
constexpr uint8_t kParallelFrame = 0x02;    // control
constexpr uint8_t kParallelClock = 0x08;    // control
constexpr uint8_t kParallelDataIn = 0x40;   // status
// The pause between bytes, in reads of the data register (about a microsecond each).
constexpr int kParallelBytePause = 1000;
// Commands of the chip's port interface.
constexpr uint8_t kParallelReadCommand = 0xC0;
constexpr uint8_t kParallelWriteCommand = 0x40;

// True for the three bases of the setup dialog's list, which get the port preparation.
bool KnownParallelBase(uint16_t base);

class ParallelLink {
public:
    // Where ports come from (ppdev or the simulated chip); null: every open fails.
    ParallelPlatform *platform = nullptr;

    // Opens and claims the port at `base` unless it is open there already. True when open.
    bool OpenParallel(uint16_t base);
    // OpenParallel, then, for the three known bases, byte mode, data := 0 and
    // control := (control AND 0xD0) OR 0x06. False when the port is not open or a step failed.
    bool InitParallel(uint16_t base);
    void Close();

    bool IsOpen() const { return m_port != nullptr; }
    uint16_t Base() const { return m_base; }
    // The outcome of the last opening, for the status line.
    const QString &StatusText() const { return m_status; }

    // A register by its port address (base, base + 1, base + 2 of the open port). Each access
    // is tried up to four times.
    bool ReadPort(uint16_t port, uint8_t &value);
    bool WritePort(uint16_t port, uint8_t value);
    bool SendByte(uint8_t byte);
    bool ReceiveByte(uint8_t &byte);
    bool BeginFrame();
    bool EndFrame();
    // Reads the data register count + 1 times: the port's own pause between bytes.
    bool PortWait(int count);

private:
    bool Control(uint8_t &c) { return ReadPort(uint16_t(m_base + 2), c); }
    bool SetControl(uint8_t c) { return WritePort(uint16_t(m_base + 2), c); }

    std::unique_ptr<ParallelPort> m_port;
    uint16_t m_base = 0;
    QString m_status;
};

// The chip access through the port. Read: frame, 0xC0, address low, address high, then `count`
// bytes into the transfer buffer from byte 0, a pause after every byte, end of frame, 50 ms.
// False when the port is not open, a register access failed or count does not fit the buffer.
bool ParallelChipRead(ParallelLink *link, TransferBuffer &buffer, Clock &clock, uint16_t address, int count);
// Write: the same with 0x40 and `count` bytes from transfer buffer 5.. sent instead, also
// followed by 50 ms.
bool ParallelChipWrite(ParallelLink *link, TransferBuffer &buffer, Clock &clock, uint16_t address, int count);

// The streamed capture's two passes: how many result bytes the chip holds (0x81), and the
// fetch of n of them (0x82 n) into out[0..n-1].
bool ParallelStreamCount(ParallelLink &link, int &n);
bool ParallelStreamFetch(ParallelLink &link, int n, uint8_t *out);

} // namespace vek
