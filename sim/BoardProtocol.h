#pragma once
// The evaluation board's frame protocol as the board's firmware sees it: one frame in, one reply
// out, no I/O. The transport adapters feed it frames from the HID and driver paths.
//
// Frames (first byte): 0xF9 board management (identity, board number, claim follow-ups, board
// text), 0xC5 initialisation, 0xB1/0xBC SPI chip access, 0xBA/0xBE Special chip access, 0xC1
// UART chip access, 0xC0 UART set-up, 0xB5 board lines and status.
#include "sim/SimChipMemory.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vek::sim {

struct BoardState {
    uint16_t boardNumber = 0xFFFF; // 0xFFFF: free, not claimed by any program
    std::string identity = "Quorvast";
    std::string boardText = "ENOB-SIM"; // 8 characters
    std::array<uint8_t, 3> status{};    // bytes 1-3 of the status reply
    // The chip takes the plain Special header byte (0xC0 read, 0x40 write, bank 0 only) instead
    // of the banked one with the high address bits.
    bool plainSpecialHeader = false;
    bool resetLineHigh = true;
    int chipResets = 0;     // rising edges of the reset line after a low phase
    int uartSetups = 0;     // UART set-up frames received
    int initFrames = 0;     // initialisation frames received
    uint16_t lastFollowUp4 = 0, lastFollowUp6 = 0;
};

class BoardProtocol {
public:
    explicit BoardProtocol(SimChipMemory &memory) : m_memory(memory) {}

    // Handles one frame (on the HID path the whole 64-byte report). Returns the reply; empty
    // when the board does not answer (an unknown or incomplete frame).
    std::vector<uint8_t> Handle(const uint8_t *frame, size_t length);

    // A firmware model may take frames first: a handler returns true when the frame was its own
    // and fills the reply.
    using FrameHandler = std::function<bool(const uint8_t *frame, size_t length, std::vector<uint8_t> &reply)>;
    void AddFrameHandler(FrameHandler handler) { m_handlers.push_back(std::move(handler)); }

    // Called before every frame is handled (the simulated bench brings the chip's supply and
    // input up to date here).
    std::function<void()> beforeFrame;

    // Called on a chip reset (the reset line rises after a low phase).
    std::function<void()> onChipReset;

    BoardState state;

private:
    std::vector<uint8_t> Management(const uint8_t *f, size_t length);
    std::vector<uint8_t> ReadBytes(uint32_t address, size_t count, size_t extra = 0);
    bool WriteBytes(uint32_t address, const uint8_t *data, size_t count);

    SimChipMemory &m_memory;
    std::vector<FrameHandler> m_handlers;
};

} // namespace vek::sim
