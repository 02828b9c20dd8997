#pragma once
// Data the chip's firmware holds on its own side (the channel switch test's results, a series
// recorded into the board-buffered capture) is handed over in blocks: the program writes the
// byte offset to 0x170-0x172 and the byte count to 0x173-0x175 (low byte first), sets bit 3 of
// 0xA4, waits until the firmware clears it, and reads the block from the window at 0x100.
// The firmware's request bits are polled with a time limit, so a chip that never answers
// cannot freeze the program, and a poll can be stopped.
#include "link/ChipAccess.h"

#include <cstdint>
#include <functional>

namespace vek {

constexpr uint16_t kBlockOffsetAddress = 0x170;
constexpr uint16_t kBlockLengthAddress = 0x173;
constexpr uint16_t kBlockControlAddress = 0xA4;
constexpr uint8_t kBlockRequestBit = 0x08;
constexpr uint16_t kBlockWindowAddress = 0x100;
// The largest block one request asks for: 16 results of three bytes, one board frame.
constexpr int kMaxBlockBytes = 48;
// The firmware's start / clear request register and its request bit.
constexpr uint16_t kFirmwareRequestAddress = 0xD2;
constexpr uint8_t kFirmwareRequestBit = 0x80;

struct ChipPoll {
    // Gives up when the bit is still set after this long.
    int32_t limitMs = 5000;
    // Pause before asking again, so a link without pauses of its own does not keep the
    // processor busy.
    int32_t pauseMs = 10;
    // Lets window messages run between reads (a STOP click among them); may be empty.
    std::function<void()> pump;
    // True when the user asked to stop; may be empty.
    std::function<bool()> stopped;
};

enum class PollResult { Cleared, ReadFailed, TimedOut, Stopped };

// Reads the register until the bits of mask are all clear.
PollResult PollUntilClear(ChipPort &chip, uint16_t address, uint8_t mask, int slot, const ChipPoll &poll);

// Reads one register and writes it back as (value AND keep) OR set.
bool ModifyChipByte(ChipPort &chip, uint16_t address, uint8_t keep, uint8_t set, int slot);

// Writes a 24-bit number as three bytes, low byte first.
bool WriteChip24(ChipPort &chip, uint16_t address, uint32_t value, int slot);

enum class BlockResult { Ok, WriteFailed, ReadFailed, TimedOut, Stopped };

// Fetches count bytes (1..48) from the given byte offset of the firmware's data; on Ok they are
// at transfer buffer 0..count-1.
BlockResult FetchChipBlock(ChipPort &chip, uint32_t offset, int count, int slot, const ChipPoll &poll);

} // namespace vek
