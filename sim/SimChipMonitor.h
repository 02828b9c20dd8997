#pragma once
// The chip's own serial monitor, for the RS232 interface of the simulated chip: the PC says
// 0x55 and the chip answers 0xAA; then one command follows:
//   0xC0 addrL addrH n        -> the n bytes of chip memory from the address
//   0x40 addrL addrH n data   -> the bytes are written, answered by 0xAA
//   0x81                      -> how many result bytes of the stream are ready (one byte)
//   0x82 n                    -> the next n result bytes of the stream
// Bytes outside this grammar are skipped. Runs behind an in-memory serial line.
#include "sim/SimAdc.h"
#include "sim/SimChipMemory.h"
#include "sim/instruments/InstrumentProtocol.h"

namespace vek::sim {

struct ChipMonitorFaults {
    uint8_t ackByte = 0xAA;  // what the chip answers to 0x55
    bool silent = false;     // nothing is answered at all
    int dataLimit = -1;      // a memory read or stream fetch sends at most this many bytes (-1: all)
    int extraBytes = 0;      // a memory read sends this many bytes more than asked for
    int writeAck = 0xAA;     // the answer to a write (-1: none)
    bool countUnanswered = false; // the count request gets no reply
};

class SimChipMonitor final : public InstrumentProtocol {
public:
    // The COM name of the simulated chip's serial port under the program's simulate option.
    static constexpr const char *kSimulatedCom = "COM3";
    // The most result bytes one count reply offers (84 results).
    static constexpr size_t kStreamBlockBytes = 252;

    SimChipMonitor(SimChipMemory &memory, SimAdc *adc) : m_memory(memory), m_adc(adc) {}

    ChipMonitorFaults faults;
    // Time from a command to its reply.
    int replyDelayMs = 2;

    Replies Feed(const QByteArray &input) override;

private:
    void Reply(Replies &out, QByteArray bytes);

    SimChipMemory &m_memory;
    SimAdc *m_adc;
    QByteArray m_pending;
    bool m_awake = false; // a handshake came; the next bytes are a command
};

} // namespace vek::sim
