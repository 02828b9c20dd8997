#include "bench/SwitchRun.h"

#include "analysis/Capture.h"
#include "link/ChipBlockTransfer.h"

#include <algorithm>
#include <cmath>

namespace vek {

namespace {

constexpr uint16_t kPort2Data = 0x74;
constexpr uint16_t kPort2Control = 0x75;
constexpr uint8_t kPort2Bit3 = 0x08;
// 0xD2 bits 5 and 6 and 0xA4 bits 5 and 6 are cleared before a run.
constexpr uint8_t kKeepWithoutBits56 = 0x9F;
// Steps of the one-second wait between status reads; a STOP click is seen after at most one.
constexpr int32_t kWaitStepMs = 50;

// Waits ms milliseconds in short steps, letting window messages run after each; ends early when
// the stop flag gets set.
void WaitPumping(Clock &clock, int32_t ms, const std::function<void()> &pump, const bool *stop)
{
    const double start = clock.NowDays();
    for (;;) {
        const double elapsedMs = (clock.NowDays() - start) * kMsPerDay;
        if (elapsedMs >= ms || elapsedMs < 0)
            return;
        WaitMs(clock, std::max<int32_t>(1, int32_t(std::ceil(std::min<double>(kWaitStepMs, ms - elapsedMs)))));
        if (pump)
            pump();
        if (stop && *stop)
            return;
    }
}

// The channel whose set goes into chip slot r: the checked channels first, then the others,
// each in channel order, so all eight sets stay in the chip's RAM.
std::array<int, kSwitchChannels> SlotOrder(const SwitchTest &t)
{
    std::array<int, kSwitchChannels> order{};
    int r = 0;
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < kSwitchChannels; ++i)
            if (t.checked[size_t(i)] == (pass == 0))
                order[size_t(r++)] = i;
    return order;
}

} // namespace

uint8_t SwitchDoneBit(const QString &boardText, bool photo)
{
    return (photo && boardText.startsWith(QLatin1String("ENOB"))) ? 0x10 : 0x20;
}

bool SendTOZR200WR(ChipPort &chip, const SwitchTest &t, int slot)
{
    TransferBuffer &b = chip.link.buffer;
    // 1. The check pattern: written, read back and compared.
    std::array<uint8_t, kSentRegisterCount> pattern{};
    std::copy_n(t.sets[0].addresses.begin(), kSentRegisterCount, pattern.begin());
    std::copy(pattern.begin(), pattern.end(), b.begin() + 5);
    if (!WriteChip(chip, kSwitchPatternAddress, kSentRegisterCount, slot) ||
        !ReadChip(chip, kSwitchPatternAddress, kSentRegisterCount, slot) ||
        !std::equal(pattern.begin(), pattern.end(), b.begin()))
        return false;
    // 2., 3. The sets, eight register values each, four per block.
    const std::array<int, kSwitchChannels> order = SlotOrder(t);
    for (int half = 0; half < 2; ++half) {
        for (int r = 0; r < 4; ++r) {
            const ChannelSet &s = t.sets[size_t(order[size_t(half * 4 + r)])];
            std::copy_n(s.values.begin(), kSentRegisterCount, b.begin() + 5 + r * kSentRegisterCount);
        }
        if (!WriteChip(chip, half == 0 ? kSwitchSetsLowAddress : kSwitchSetsHighAddress, 4 * kSentRegisterCount, slot))
            return false;
    }
    // 4. to 6. S, L (low byte first) and C.
    b[5] = uint8_t(t.Samples());
    if (!WriteChip(chip, kSwitchSamplesAddress, 1, slot))
        return false;
    b[5] = uint8_t(t.Loops());
    b[6] = uint8_t(t.Loops() >> 8);
    if (!WriteChip(chip, kSwitchLoopsAddress, 2, slot))
        return false;
    b[5] = uint8_t(t.CheckedChannels().size());
    return WriteChip(chip, kSwitchCountAddress, 1, slot);
}

void PT2OUTLOW(ChipPort &chip, int slot)
{
    if (!ModifyChipByte(chip, kPort2Control, 0xFF, kPort2Bit3, slot))
        return;
    ModifyChipByte(chip, kPort2Data, uint8_t(~kPort2Bit3), 0, slot);
}

int SwitchBlockBytes(int remaining) { return remaining >= 16 ? kMaxBlockBytes : 3 * std::max(remaining, 0); }

void PlaceSwitchResults(const uint8_t *bytes, int count, int &q, const std::vector<int> &channels,
                        int samples, int32_t divisor, SwitchTest &t)
{
    const int perLoop = int(channels.size()) * samples;
    if (perLoop <= 0)
        return;
    for (int i = 2; i < count; i += 3) {
        int32_t code = int32_t(bytes[i - 2] | (bytes[i - 1] << 8) | (bytes[i] << 16));
        if (code >= 0x800000)
            code -= 0x1000000;
        const int rank = (q % perLoop) / samples;
        const int position = (q / perLoop) * samples + q % samples;
        if (position < kMaxSwitchResults)
            t.sets[size_t(channels[size_t(rank)])].results[size_t(position)] = ScaleTowardZero(code, divisor);
        ++q;
    }
}

int ElapsedWholeSeconds(double startDays, double nowDays)
{
    const double span = std::max(0.0, nowDays - startDays);
    const double dayPart = span - std::floor(span);
    const auto ms = int64_t(std::llround(dayPart * kMsPerDay));
    return int((ms / 1000) % 86400);
}

SwitchRunOutcome RunSwitchTest(SwitchRunIo &io, SwitchTest &t)
{
    ChipPort &chip = io.chip;
    UsbLink &link = chip.chips[size_t(std::clamp(io.slot, 0, kChipSlotCount - 1))].link;
    Clock &clock = chip.link.clock;
    SwitchRunOutcome out;
    auto status = [&io](int field, const char *text) {
        if (io.status)
            io.status(field, QString::fromLatin1(text));
    };
    auto gauge = [&io](bool visible, int percent) {
        if (io.gauge)
            io.gauge(visible, percent);
    };
    auto pump = [&io] {
        if (io.pump)
            io.pump();
    };
    auto stopped = [&io] { return io.stop && *io.stop; };
    auto finish = [&](SwitchRunEnd end, const char *text) {
        if (text)
            status(2, text);
        gauge(false, 0);
        out.end = end;
        return out;
    };

    // 1. A board that does not name itself is not started.
    QString boardText;
    if (!ReadBoardText(chip.link, link, boardText))
        return out;
    // 2.
    if (io.stop)
        *io.stop = false;
    uint8_t b1 = 0, b2 = 0, b3 = 0;
    ReadBoardStatus(chip.link, link, b1, b2, b3);
    PT2OUTLOW(chip, io.slot);
    if (io.clearGrid)
        io.clearGrid();
    const std::vector<int> channels = t.CheckedChannels();
    const int samples = t.Samples();
    const int perLoop = int(channels.size()) * samples;
    out.total = perLoop * t.Loops();
    // Without a checked channel there is nothing to run or fetch.
    if (out.total <= 0)
        return finish(SwitchRunEnd::Failed, "Test Fail");

    ChipPoll poll;
    poll.limitMs = io.pollLimitMs;
    poll.pump = io.pump;
    poll.stopped = stopped;
    // 3. Start request, cleared by the chip.
    if (!ModifyChipByte(chip, kFirmwareRequestAddress, 0xFF, kFirmwareRequestBit, io.slot) ||
        PollUntilClear(chip, kFirmwareRequestAddress, kFirmwareRequestBit, io.slot, poll) != PollResult::Cleared)
        return finish(SwitchRunEnd::Failed, "Test Fail");
    // 4.
    if (!SendTOZR200WR(chip, t, io.slot))
        return finish(SwitchRunEnd::Failed, "Test Fail");
    // 5.
    status(2, "Test Begining .......");
    pump();
    // 6. Offset 0; 0xD2 bits 5, 6 cleared; 0xA4 bits 5, 6 cleared and bit 4 set: the chip runs.
    if (!WriteChip24(chip, kBlockOffsetAddress, 0, io.slot) ||
        !ModifyChipByte(chip, kFirmwareRequestAddress, kKeepWithoutBits56, 0, io.slot) ||
        !ModifyChipByte(chip, kBlockControlAddress, kKeepWithoutBits56, kSwitchTestBit, io.slot))
        return finish(SwitchRunEnd::Failed, "Test Fail");
    // 7. Wait for the chip's test program, reading the board status once a second.
    const uint8_t doneBit = SwitchDoneBit(boardText, chip.photo);
    const double start = clock.NowDays();
    bool done = false;
    while (!done) {
        WaitPumping(clock, 1000, io.pump, io.stop);
        if (stopped())
            break;
        if (io.status)
            io.status(1, QString::number(ElapsedWholeSeconds(start, clock.NowDays())));
        if (!ReadBoardStatus(chip.link, link, b1, b2, b3))
            break;
        done = (b1 & doneBit) != 0;
    }
    // 8.
    if (!done)
        return finish(SwitchRunEnd::Failed, "Test Fail");
    // 9. Fetch the results.
    status(2, "Test OK");
    gauge(true, 0);
    int &q = out.received;
    do {
        const int n = SwitchBlockBytes(out.total - q);
        const BlockResult got = FetchChipBlock(chip, uint32_t(q) * 3, n, io.slot, poll);
        // STOP while the chip readies a block ends the fetch as STOP between blocks does: the
        // run was good, the results so far are shown.
        if (got == BlockResult::Stopped)
            break;
        if (got != BlockResult::Ok)
            return finish(SwitchRunEnd::FetchFailed, "Test Fail");
        PlaceSwitchResults(chip.link.buffer.data(), n, q, channels, samples, io.scaleDivisor, t);
        gauge(true, int(int64_t(q) * 100 / out.total));
        pump();
    } while (!stopped() && q < out.total);
    // 10. The caller shows the step; the gauge goes.
    return finish(q < out.total ? SwitchRunEnd::Stopped : SwitchRunEnd::Complete, nullptr);
}

} // namespace vek
