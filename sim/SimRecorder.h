#pragma once
// The chip-side recording of the board-buffered capture on the simulated chip. Setting bit 5 of
// 0xD2 (bit 6 clear) starts a recording of as many bytes as 0x173-0x175 asks for (3 bytes a
// conversion, low byte first), taken from the converter at its data rate on the program's clock.
// When that time has passed the board status shows the recording complete (bit 5, or bit 4 when
// the board text begins with "ENOB" and the program talks through the optocoupler path) and the
// bytes are handed out through the firmware's block transfer. A clear request (0xD2 bit 7) is the
// switch test program's, which empties the transfer and the status bits.
#include "app/base/Clock.h"
#include "sim/SimAdc.h"
#include "sim/SimBlockTransfer.h"
#include "sim/SimBoard.h"

#include <cstdint>

namespace vek::sim {

class SimRecorder {
public:
    static constexpr uint32_t kControlAddress = 0xD2;
    static constexpr uint8_t kStartBit = 0x20;
    // The most bytes the chip's buffer holds.
    static constexpr uint32_t kMaxBytes = 3u * 131072u;

    SimRecorder(SimBoard &board, SimAdc &adc, Clock &clock, SimBlockTransfer &transfer);
    SimRecorder(const SimRecorder &) = delete;
    SimRecorder &operator=(const SimRecorder &) = delete;

    // A recording that never completes.
    bool neverFinish = false;

    bool Recording() const { return m_recording; }
    int Recordings() const { return m_recordings; }
    // Bytes asked for by the last recording.
    uint32_t LastByteCount() const { return m_bytes; }

private:
    void OnWrite(uint32_t address, uint8_t value);
    void Peek(const uint8_t *frame, size_t length);
    void Start();
    void Finish();

    SimBoard &m_board;
    SimAdc &m_adc;
    Clock &m_clock;
    SimBlockTransfer &m_transfer;
    bool m_recording = false;
    bool m_photoRoute = true;
    double m_doneAtDays = 0;
    uint32_t m_bytes = 0;
    int m_recordings = 0;
};

} // namespace vek::sim
