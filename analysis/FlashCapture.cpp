#include "analysis/FlashCapture.h"

#include "analysis/Spectrum.h"

#include <algorithm>
#include <cmath>

namespace vek {

namespace {

constexpr uint16_t kControl = 0xD2;
constexpr uint16_t kTransfer = 0xA4;
constexpr uint16_t kOffset = 0x170;
constexpr uint16_t kCount = 0x173;
constexpr uint16_t kKind = 0x177;
constexpr uint16_t kWindow = 0x100;
constexpr uint16_t kPortReg = 0x23;
constexpr uint16_t kMode = 0xF0;

struct Flash {
    FlashCaptureIo &io;
    SampleStore &store;

    UsbLink &Link() { return io.chip.chips[size_t(std::clamp(io.slot, 0, kChipSlotCount - 1))].link; }
    Clock &Time() { return io.chip.link.clock; }
    void Pump()
    {
        if (io.pumpMessages)
            io.pumpMessages();
    }
    void Status(int field, const QString &text)
    {
        if (io.status)
            io.status(field, text);
    }
    bool Read(uint16_t address, uint8_t &value)
    {
        if (!ReadChip(io.chip, address, 1, io.slot))
            return false;
        value = io.chip.link.buffer[0];
        return true;
    }
    bool Write(uint16_t address, std::initializer_list<uint8_t> bytes)
    {
        int i = 0;
        for (uint8_t b : bytes)
            io.chip.link.buffer[size_t(5 + i++)] = b;
        return WriteChip(io.chip, address, i, io.slot);
    }
    bool Write24(uint16_t address, uint32_t v)
    {
        return Write(address, {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16)});
    }
    bool Update(uint16_t address, uint8_t orMask, uint8_t andMask)
    {
        uint8_t v = 0;
        return Read(address, v) && Write(address, {uint8_t((v | orMask) & andMask)});
    }
    // Waits until the chip clears `bit` of `address`. A failed read ends the wait as if the bit
    // had cleared (the capture goes on with what the window holds); the limit or a stop fail it.
    bool WaitBitClear(uint16_t address, uint8_t bit)
    {
        const double start = Time().NowDays();
        for (;;) {
            uint8_t v = 0;
            if (!Read(address, v) || !(v & bit))
                return true;
            Pump();
            if (store.CaptureIdle || (Time().NowDays() - start) * kMsPerDay > io.bitWaitMs)
                return false;
        }
    }
};

} // namespace

uint8_t FlashDoneBit(const QString &boardText, bool photo)
{
    return boardText.startsWith(QLatin1String("ENOB")) && photo ? 0x10 : 0x20;
}

bool ReadADFlash(FlashCaptureIo &io, SampleStore &store)
{
    Flash f{io, store};
    QString boardText;
    if (!ReadBoardText(io.chip.link, f.Link(), boardText))
        return false;
    const uint8_t doneBit = FlashDoneBit(boardText, io.chip.photo);
    ClearSamples(store, CaptureTarget(store.TargetCount));

    // Clear whatever the chip recorded before.
    if (!f.Update(kControl, 0x80, 0xFF) || !f.WaitBitClear(kControl, 0x80))
        return false;

    BeginCapture(store, f.Time().NowDays());
    if (io.gauge)
        io.gauge(true, 0);
    const int32_t target = CaptureTarget(store.TargetCount);
    // The six samples every capture drops are recorded too, so the target is stored whole.
    const uint32_t recordBytes = uint32_t(target + kDroppedSamples) * 3;
    auto hideGauge = [&] {
        if (io.gauge)
            io.gauge(false, GaugePercent(store.SampleCount, target));
    };
    if (!f.Write24(kOffset, 0) || !f.Write24(kCount, recordBytes) || !f.Update(kTransfer, 0, 0x8F) ||
        !f.Write(kKind, {5}) || !f.Update(kControl, 0x20, 0xBF)) {
        hideGauge();
        return false;
    }

    // The chip records at its data rate; the board tells when it is done.
    const double start = f.Time().NowDays();
    store.StartTime = start;
    for (;;) {
        f.Pump();
        const double elapsedMs = (f.Time().NowDays() - start) * kMsPerDay;
        f.Status(1, QString::number(int64_t(elapsedMs / 1000.0)));
        uint8_t b1 = 0, b2 = 0, b3 = 0;
        if (!ReadBoardStatus(io.chip.link, f.Link(), b1, b2, b3) || store.CaptureIdle ||
            elapsedMs > io.recordLimitMs) {
            hideGauge();
            store.CaptureIdle = true;
            return false;
        }
        if (b1 & doneBit)
            break;
        WaitMs(f.Time(), io.statusPollMs);
    }
    const double recordedDays = f.Time().NowDays();

    uint8_t saved23 = 0;
    if (!f.Read(kPortReg, saved23) || !f.Write(kPortReg, {uint8_t(saved23 & 0xBF)})) {
        hideGauge();
        store.CaptureIdle = true;
        return false;
    }
    bool failed = false;
    uint32_t offset = 0;
    while (offset < recordBytes && store.SampleCount < target) {
        const uint32_t c = std::min<uint32_t>(kFlashChunkBytes, recordBytes - offset);
        if (!f.Write24(kOffset, offset) || !f.Write24(kCount, c) || !f.Update(kTransfer, 0x08, 0xFF) ||
            !f.WaitBitClear(kTransfer, 0x08) || !ReadChip(io.chip, kWindow, int(c), io.slot)) {
            failed = true;
            break;
        }
        offset += c;
        if (c > 2) {
            const DecodedRange range = DecodeBlock(store, io.chip.link.buffer.data(), c);
            f.Status(2, QString::number(c));
            if (io.blockDecoded)
                io.blockDecoded(range, int(c));
            else if (io.gauge)
                io.gauge(true, GaugePercent(store.SampleCount, target));
        }
        f.Pump();
        if (store.CaptureIdle)
            break;
    }
    // However the read-out ended: streaming off and the port register as it was.
    f.Update(kMode, 0, 0xFD);
    hideGauge();
    f.Write(kPortReg, {saved23});
    if (failed || store.SampleCount < target)
        store.CaptureIdle = true;
    // The duration is the recording's; FinishCapture also sets the bin spacing (1 Hz for 0 ms)
    // and, for a capture that was not cut short, the mean and RMS value.
    const bool ok = FinishCapture(store, recordedDays, failed);
    return ok;
}

bool BFlashRDCOM(FlashCaptureIo &io, SampleStore &store, const MeasureSettings &settings,
                 AnalysisResults &results, Figures *figures)
{
    store.CaptureIdle = false;
    store.SampleCount = 0;
    const bool ok = ReadADFlash(io, store);
    store.CaptureIdle = true;
    if (!ok) {
        if (io.status)
            io.status(2, QStringLiteral("Read Error !!!!!"));
        return false;
    }
    ComputeSpectrum(store, CaptureTarget(store.TargetCount));
    if (io.status)
        io.status(2, QStringLiteral("Read Compelete"));
    const double elapsed = store.ElapsedMs, spacing = store.BinSpacingHz;
    const std::optional<Figures> f = MeasureRamBlock(store, settings, results);
    // The figures keep the recording's time axis.
    store.ElapsedMs = elapsed;
    store.BinSpacingHz = spacing;
    if (f && figures)
        *figures = *f;
    return f.has_value();
}

} // namespace vek
