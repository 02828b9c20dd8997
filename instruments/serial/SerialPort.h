#pragma once
// One open serial port, in the terms the rest of the program thinks in: a device control block
// (baud rate, data bits, parity, stop bits), the input-queue count with the line error flags,
// DTR, purge, and reads that take only what has already arrived. The real ports implement it on
// termios; the simulated instruments implement it in memory.
#include <QString>
#include <cstdint>

namespace vek {

// Parity codes of the device control block.
enum : uint8_t { kNoParity = 0, kOddParity = 1, kEvenParity = 2, kMarkParity = 3, kSpaceParity = 4 };
// Stop-bit codes of the device control block.
enum : uint8_t { kOneStopBit = 0, kOne5StopBits = 1, kTwoStopBits = 2 };

// Line error flags reported (and cleared) by ClearCommError.
enum : uint32_t {
    kCommRxOver = 0x0001,   // the input buffer overflowed
    kCommOverrun = 0x0002,  // a character was lost in the hardware
    kCommRxParity = 0x0004, // parity error
    kCommFrame = 0x0008,    // framing error
    kCommBreak = 0x0010,    // break seen on the line
};

struct CommSettings {
    uint32_t baudRate = 9600;
    uint8_t byteSize = 8;
    uint8_t parity = kNoParity;
    uint8_t stopBits = kOneStopBit;
};

struct CommStatus {
    uint32_t errors = 0;  // kComm... flags seen since the last call
    uint32_t inQueue = 0; // bytes waiting to be read
};

class SerialPort {
public:
    virtual ~SerialPort() = default;

    virtual bool GetCommState(CommSettings &settings) = 0;
    // Applies the four fields; a rate or size the port cannot take is refused (false) and
    // leaves the port as it was.
    virtual bool SetCommState(const CommSettings &settings) = 0;
    // The number of bytes waiting and the error flags gathered since the last call (which it
    // clears). False when the port cannot be asked (it is gone).
    virtual bool ClearCommError(CommStatus &status) = 0;
    // Raises or drops DTR. Ports without modem lines accept this and do nothing.
    virtual bool SetDtr(bool on) = 0;
    // Throws away everything waiting in the input queue.
    virtual bool PurgeInput() = 0;
    // Reads up to max bytes of what has already arrived, without waiting. Returns the count
    // (0 when nothing is there) or -1 when the port failed.
    virtual int Read(uint8_t *buffer, int max) = 0;
    // Writes the bytes; returns how many were taken (-1 when the port failed).
    virtual int Write(const uint8_t *data, int count) = 0;
};

} // namespace vek
