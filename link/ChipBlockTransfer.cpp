#include "link/ChipBlockTransfer.h"

namespace vek {

PollResult PollUntilClear(ChipPort &chip, uint16_t address, uint8_t mask, int slot, const ChipPoll &poll)
{
    Clock &clock = chip.link.clock;
    const double start = clock.NowDays();
    for (;;) {
        if (!ReadChip(chip, address, 1, slot))
            return PollResult::ReadFailed;
        if ((chip.link.buffer[0] & mask) == 0)
            return PollResult::Cleared;
        if (poll.pump)
            poll.pump();
        if (poll.stopped && poll.stopped())
            return PollResult::Stopped;
        const double elapsedMs = (clock.NowDays() - start) * kMsPerDay;
        if (elapsedMs >= poll.limitMs || elapsedMs < 0)
            return PollResult::TimedOut;
        if (poll.pauseMs > 0)
            WaitMs(clock, poll.pauseMs);
    }
}

bool ModifyChipByte(ChipPort &chip, uint16_t address, uint8_t keep, uint8_t set, int slot)
{
    if (!ReadChip(chip, address, 1, slot))
        return false;
    chip.link.buffer[5] = uint8_t((chip.link.buffer[0] & keep) | set);
    return WriteChip(chip, address, 1, slot);
}

bool WriteChip24(ChipPort &chip, uint16_t address, uint32_t value, int slot)
{
    TransferBuffer &b = chip.link.buffer;
    b[5] = uint8_t(value);
    b[6] = uint8_t(value >> 8);
    b[7] = uint8_t(value >> 16);
    return WriteChip(chip, address, 3, slot);
}

BlockResult FetchChipBlock(ChipPort &chip, uint32_t offset, int count, int slot, const ChipPoll &poll)
{
    if (count < 1 || count > kMaxBlockBytes)
        return BlockResult::ReadFailed;
    if (!WriteChip24(chip, kBlockOffsetAddress, offset, slot) ||
        !WriteChip24(chip, kBlockLengthAddress, uint32_t(count), slot) ||
        !ModifyChipByte(chip, kBlockControlAddress, 0xFF, kBlockRequestBit, slot))
        return BlockResult::WriteFailed;
    switch (PollUntilClear(chip, kBlockControlAddress, kBlockRequestBit, slot, poll)) {
    case PollResult::Cleared:
        break;
    case PollResult::ReadFailed:
        return BlockResult::ReadFailed;
    case PollResult::TimedOut:
        return BlockResult::TimedOut;
    case PollResult::Stopped:
        return BlockResult::Stopped;
    }
    return ReadChip(chip, kBlockWindowAddress, count, slot) ? BlockResult::Ok : BlockResult::ReadFailed;
}

} // namespace vek
