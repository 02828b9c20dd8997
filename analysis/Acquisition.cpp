#include "analysis/Acquisition.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace vek {

uint8_t StreamRouteByte(InterfaceKind kind, bool photo)
{
    if (kind == InterfaceKind::Special)
        return photo ? 0xBE : 0xBA;
    return photo ? 0xBC : 0xB1;
}

namespace {

constexpr int kUartFetchBytes = (kFrameBytes - 1) / 3 * 3;

// Read-modify-write of the firmware's mode byte. `writeDays`, when given, receives the time the
// write went out (before the pause that follows every access): a stream starts there.
bool UpdateModeByte(ChipPort &chip, int slot, uint8_t orMask, uint8_t andMask, double *writeDays = nullptr)
{
    if (!ReadChip(chip, kCaptureModeAddress, 1, slot))
        return false;
    const uint8_t mode = uint8_t((chip.link.buffer[0] | orMask) & andMask);
    chip.link.buffer[5] = mode;
    if (writeDays)
        *writeDays = chip.link.clock.NowDays();
    return WriteChip(chip, kCaptureModeAddress, 1, slot);
}

bool Send(ChipPort &chip, UsbLink &link, std::initializer_list<uint8_t> bytes)
{
    int i = 0;
    for (uint8_t b : bytes)
        chip.link.buffer[size_t(i++)] = b;
    return LinkWrite(chip.link, link, i);
}

// The count request: how many result bytes the board holds. False on a failed exchange or a
// malformed reply.
bool AskCount(ChipPort &chip, UsbLink &link, InterfaceKind kind, int &n)
{
    if (kind == InterfaceKind::Parallel)
        return chip.parallel && ParallelStreamCount(*chip.parallel, n);
    if (kind == InterfaceKind::UART) {
        if (!Send(chip, link, {0xC1, kCountRequest}) || !LinkRead(chip.link, link, 2))
            return false;
        if (chip.link.buffer[1] != 0xAA)
            return false;
        // One fetch reply carries at most 63 result bytes besides its status byte: ask for the
        // whole samples that fit and leave the rest for the next pass.
        n = std::min<int>(chip.link.buffer[0], kUartFetchBytes);
        return true;
    }
    const uint8_t route = StreamRouteByte(kind, chip.photo);
    if (!Send(chip, link, {route, kCountRequest}) || !LinkRead(chip.link, link, 1))
        return false;
    n = chip.link.buffer[0];
    return true;
}

// Fetches n result bytes into `out`. SPI and Special deliver them in frames of at most 64 bytes;
// UART in one reply followed by a status byte.
bool Fetch(ChipPort &chip, UsbLink &link, InterfaceKind kind, int n, std::array<uint8_t, 256> &out)
{
    TransferBuffer &b = chip.link.buffer;
    if (kind == InterfaceKind::Parallel)
        return chip.parallel && ParallelStreamFetch(*chip.parallel, n, out.data());
    if (kind == InterfaceKind::UART) {
        // One frame carries at most 63 result bytes besides the status byte.
        if (n + 1 > kFrameBytes)
            return false;
        if (!Send(chip, link, {0xC1, kFetchRequest, uint8_t(n)}) || !LinkRead(chip.link, link, n + 1))
            return false;
        std::memcpy(out.data(), b.data(), size_t(n));
        return true;
    }
    const uint8_t route = StreamRouteByte(kind, chip.photo);
    if (!Send(chip, link, {route, kFetchRequest, uint8_t(n)}) ||
        !LinkRead(chip.link, link, std::min(n, kFrameBytes)))
        return false;
    std::memcpy(out.data(), b.data(), kFrameBytes);
    int remaining = n - kFrameBytes;
    size_t offset = kFrameBytes;
    while (remaining > 0) {
        const int c = std::min(remaining, kFrameBytes);
        // The third byte is whatever the previous reply left there; the board ignores it.
        if (!Send(chip, link, {kFetchRequest, uint8_t(c), b[2]}) || !LinkRead(chip.link, link, c))
            return false;
        std::memcpy(out.data() + offset, b.data(), size_t(std::min<size_t>(kFrameBytes, out.size() - offset)));
        offset += kFrameBytes;
        remaining -= kFrameBytes;
    }
    return true;
}

// The serial loop's time limits.
constexpr int kAckMs = 100;
constexpr int kCountReplyMs = 100;
constexpr int kFetchAckMs = 2000;
constexpr int kFetchDataMs = 500;
constexpr int kSerialPassPauseMs = 50;
constexpr int kSerialFinishPauseMs = 100;

// One pass of the serial loop on the chip's COM port: acknowledge, count request and, when the
// chip holds data, a second acknowledge and the fetch. `requested` is the count the chip offered,
// `received` the number of result bytes that arrived (at most requested). False on a missing
// acknowledge, a count request without reply or a port that fails.
bool SerialPass(SerialPort &port, Clock &clock, const std::function<void(const QString &)> &status,
                std::array<uint8_t, 256> &out, int &requested, int &received)
{
    requested = 0;
    received = 0;
    if (!SerialHandshake(port, clock, status, kAckMs))
        return false;
    const uint8_t count = kCountRequest;
    if (port.Write(&count, 1) != 1)
        return false;
    CommStatus st;
    if (!WaitForSerialInput(port, clock, 1, kCountReplyMs, st))
        return false;
    if (status)
        status(SerialErrorText(st.errors));
    std::array<uint8_t, 256> reply{};
    if (port.Read(reply.data(), int(reply.size())) < 1)
        return false; // no count came back: the chip is not answering
    const int n = reply[0];
    requested = n;
    if (n == 0)
        return true;
    if (!SerialHandshake(port, clock, status, kFetchAckMs))
        return false;
    const uint8_t fetch[2] = {kFetchRequest, uint8_t(n)};
    if (port.Write(fetch, 2) != 2)
        return false;
    if (!WaitForSerialInput(port, clock, uint32_t(n), kFetchDataMs, st))
        return false;
    const int got = port.Read(out.data(), int(out.size()));
    if (got < 0)
        return false;
    // Only what arrived is decoded: bytes that did not come are not made up from an old block.
    received = std::min(got, n);
    return true;
}

} // namespace

CaptureOutcome ReadADCALL(AcquisitionIo &io, SampleStore &store)
{
    ChipPort &chip = io.chip;
    Clock &clock = chip.link.clock;
    UsbLink &link = chip.chips[size_t(std::clamp(io.slot, 0, kChipSlotCount - 1))].link;
    auto gauge = [&](bool visible, int percent) {
        if (io.gauge)
            io.gauge(visible, percent);
    };

    ClearSamples(store, CaptureTarget(store.TargetCount));
    const bool serialLink = io.kind == InterfaceKind::RS232;
    const bool deviceLink = io.kind == InterfaceKind::SPI || io.kind == InterfaceKind::Special ||
                            io.kind == InterfaceKind::UART || io.kind == InterfaceKind::Parallel;
    const ChipSlot &slotRecord = chip.chips[size_t(std::clamp(io.slot, 0, kChipSlotCount - 1))];
    SerialPort *serialPort = nullptr;
    std::function<void(const QString &)> serialStatus;
    if (serialLink && chip.serial) {
        if (chip.serial->port && slotRecord.comOpen)
            serialPort = chip.serial->port(slotRecord.comHandle);
        serialStatus = chip.serial->status;
    }
    CaptureOutcome outcome;
    if (!deviceLink && !serialLink) {
        outcome.end = CaptureEnd::NotSupported;
        FinishCapture(store, clock.NowDays(), true);
        return outcome;
    }
    double streamStartDays = clock.NowDays();
    if (!UpdateModeByte(chip, io.slot, kStreamBit, 0xFF, &streamStartDays)) {
        // The board did not take the request: nothing streams, nothing to undo.
        FinishCapture(store, clock.NowDays(), true);
        return outcome;
    }

    // The chip streams from the moment the mode byte is written, so the duration counts from
    // there, not from the end of the pause after the write.
    BeginCapture(store, streamStartDays);
    gauge(true, 0);
    const int32_t target = CaptureTarget(store.TargetCount);
    std::array<uint8_t, 256> staging{};
    double lastDataDays = clock.NowDays();
    bool failed = false;
    outcome.end = CaptureEnd::Complete;
    for (;;) {
        int n = 0;
        int offered = 0; // serial link: what the chip offered; n is what arrived of it
        if (serialLink) {
            if (!serialPort || !SerialPass(*serialPort, clock, serialStatus, staging, offered, n)) {
                failed = true;
                outcome.end = CaptureEnd::LinkFailed;
                break;
            }
        } else if (!AskCount(chip, link, io.kind, n)) {
            failed = true;
            outcome.end = CaptureEnd::LinkFailed;
            break;
        }
        // The device links fetch only from three bytes on; the serial link has its bytes already.
        const bool haveBlock = serialLink ? n > 0 : n >= 3;
        if (haveBlock) {
            if (!serialLink && !Fetch(chip, link, io.kind, n, staging)) {
                failed = true;
                outcome.end = CaptureEnd::LinkFailed;
                break;
            }
            const DecodedRange range = DecodeBlock(store, staging.data(), size_t(n));
            // The rest of a cut-short block is gone (the chip sent it, the next acknowledge
            // discards it), so a sample begun at its end can never be completed: joining it to
            // the next block would shift every later sample.
            if (serialLink && n < offered)
                store.pendingCount = 0;
            if (io.blockDecoded)
                io.blockDecoded(range, n);
            else
                gauge(true, GaugePercent(store.SampleCount, target));
            lastDataDays = clock.NowDays();
        }
        if (io.pumpMessages)
            io.pumpMessages();
        if (serialLink)
            WaitMs(clock, kSerialPassPauseMs);
        if (store.SampleCount >= target || store.CaptureIdle)
            break;
        if (!haveBlock) {
            if (io.idleTimeoutMs > 0 && (clock.NowDays() - lastDataDays) * kMsPerDay >= io.idleTimeoutMs) {
                failed = true;
                outcome.end = CaptureEnd::NoData;
                break;
            }
            if (!serialLink)
                WaitMs(clock, io.emptyPollMs);
        }
    }

    const bool stopped = store.CaptureIdle;
    const double endDays = clock.NowDays(); // the duration counts up to the last block
    // The serial monitor gets a moment to finish sending before the mode byte is written.
    if (serialLink)
        WaitMs(clock, kSerialFinishPauseMs);
    // Stop the stream. After a failed transfer the USB link is closed and this fails at once; a
    // board that still answers stops streaming into a buffer nobody reads. A serial chip that
    // stopped answering would cost three handshakes of four seconds each, so after a serial
    // failure one quick handshake decides whether it is worth trying.
    const bool worthClearing =
        !(failed && serialLink) || (serialPort && SerialHandshake(*serialPort, clock, serialStatus));
    if ((!worthClearing || !UpdateModeByte(chip, io.slot, 0x00, uint8_t(~kStreamBit))) && !failed)
        outcome.end = CaptureEnd::LinkFailed, failed = true;
    gauge(false, GaugePercent(store.SampleCount, target));
    const bool complete = FinishCapture(store, endDays, failed);
    if (!failed && stopped)
        outcome.end = CaptureEnd::Stopped;
    if (outcome.end == CaptureEnd::Complete && !complete)
        outcome.end = CaptureEnd::Stopped;
    return outcome;
}

bool TMPTRIGER(ChipPort &chip, int slot)
{
    return UpdateModeByte(chip, slot, kBlockCaptureBit, 0xFF);
}

void WaitTRIGER(Clock &clock, int seconds, const std::function<void(int)> &tick)
{
    const double start = clock.NowDays();
    const double spanMs = std::max(seconds, 1) * 1000.0;
    for (;;) {
        const double elapsedMs = (clock.NowDays() - start) * kMsPerDay;
        if (tick)
            tick(int(elapsedMs / 1000.0));
        if (elapsedMs >= spanMs || elapsedMs < 0)
            return;
        // Never a zero wait: the rest of a step can round down to nothing.
        WaitMs(clock, std::max<int32_t>(1, int32_t(std::ceil(std::min(100.0, spanMs - elapsedMs)))));
    }
}

int BlockWaitSeconds(const QString &text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok)
        return 15;
    return std::max(v, 1);
}

bool TriggerBlockCapture(BlockCaptureIo &io)
{
    ChipPort &chip = io.chip;
    if (!TMPTRIGER(chip, io.slot) || !ReadChip(chip, 0x7F, 1, io.slot))
        return false;
    for (;;) {
        if (io.setBusy)
            io.setBusy(true);
        WaitTRIGER(chip.link.clock, io.waitSeconds, io.waitTick);
        if (!ReadChip(chip, kCaptureModeAddress, 1, io.slot))
            return false;
        if ((chip.link.buffer[0] & kBlockCaptureBit) == 0)
            break;
    }
    if (io.setBusy)
        io.setBusy(false);
    return true;
}

bool ReadRamBlock(BlockCaptureIo &io)
{
    ChipPort &chip = io.chip;
    std::vector<std::pair<uint16_t, int>> reads; // first address, byte count
    if (io.layout == RamBlockLayout::SmallModel) {
        reads = {{0xC0, 48}};
    } else if (io.kind == InterfaceKind::UART) {
        reads = {{0x100, 56}, {0x138, 56}, {0x170, 16}};
        if (io.bank2Present)
            reads.insert(reads.end(), {{0x200, 56}, {0x238, 56}, {0x270, 56}});
        reads.insert(reads.end(), {{0x2A8, 56}, {0x2E0, 32}});
    } else {
        reads = {{0x100, 64}};
        if (io.bank1Present)
            reads.insert(reads.end(), {{0x140, 64}, {0x200, 64}});
        if (io.bank2Present)
            reads.insert(reads.end(), {{0x240, 64}, {0x280, 64}, {0x2C0, 64}});
    }
    for (const auto &[address, count] : reads) {
        if (!ReadChip(chip, address, count, io.slot))
            return false;
        for (int i = 0; i < count; ++i)
            SetImageByte(chip.chips, address + i, chip.link.buffer[size_t(i)], io.slot);
    }
    return true;
}

} // namespace vek
