#include "analysis/FlashCapture.h"

#include "analysis/Spectrum.h"
#include "link/ChipBlockTransfer.h"

#include <algorithm>
#include <cmath>

namespace vek {

namespace {

constexpr uint16_t kKind = 0x177;
constexpr uint16_t kPortReg = 0x23;
constexpr uint16_t kMode = 0xF0;
constexpr uint8_t kRecordBit = 0x20;

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
    ChipPoll Poll()
    {
        ChipPoll p;
        p.limitMs = io.bitWaitMs;
        p.pauseMs = 0; // every chip access already ends with its pause
        p.pump = io.pumpMessages;
        p.stopped = [this] { return store.CaptureIdle; };
        return p;
    }
};

} // namespace

double RecordingLimitMs(int samples, double dataRateHz)
{
    const double perSampleMs = dataRateHz > 0 ? 1000.0 / dataRateHz : kSlowestConversionMs;
    return 1.5 * std::max(samples, 0) * perSampleMs + 60000.0;
}

uint8_t FlashDoneBit(const QString &boardText, bool photo)
{
    return boardText.startsWith(QLatin1String("ENOB")) && photo ? 0x10 : 0x20;
}

bool ReadADFlash(FlashCaptureIo &io, SampleStore &store)
{
    Flash f{io, store};
    io.failure.clear();
    auto failWith = [&io](const QString &why) {
        io.failure = why;
        return false;
    };
    QString boardText;
    if (!ReadBoardText(io.chip.link, f.Link(), boardText))
        return failWith(QStringLiteral("the board does not answer"));
    const uint8_t doneBit = FlashDoneBit(boardText, io.chip.photo);
    ClearSamples(store, CaptureTarget(store.TargetCount));

    // Clear whatever the chip recorded before.
    // A failed read ends the wait as if the bit had cleared; the limit or a stop fail it.
    if (!ModifyChipByte(io.chip, kFirmwareRequestAddress, 0xFF, kFirmwareRequestBit, io.slot))
        return failWith(QStringLiteral("the chip does not answer"));
    const PollResult cleared =
        PollUntilClear(io.chip, kFirmwareRequestAddress, kFirmwareRequestBit, io.slot, f.Poll());
    if (cleared == PollResult::Stopped)
        return failWith(QStringLiteral("stopped"));
    if (cleared == PollResult::TimedOut)
        return failWith(QStringLiteral("the chip did not clear its recording"));

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
    if (!WriteChip24(io.chip, kBlockOffsetAddress, 0, io.slot) ||
        !WriteChip24(io.chip, kBlockLengthAddress, recordBytes, io.slot) ||
        !ModifyChipByte(io.chip, kBlockControlAddress, 0x8F, 0, io.slot) ||
        !(io.chip.link.buffer[5] = 5, WriteChip(io.chip, kKind, 1, io.slot)) ||
        !ModifyChipByte(io.chip, kFirmwareRequestAddress, 0xBF, kRecordBit, io.slot)) {
        hideGauge();
        return failWith(QStringLiteral("the chip does not answer"));
    }

    // The chip records at its data rate; the board tells when it is done.
    // The limit follows the recorded sample count and the data rate.
    const double limitMs =
        io.recordLimitMs > 0 ? io.recordLimitMs : RecordingLimitMs(target + kDroppedSamples, io.dataRateHz);
    const double start = f.Time().NowDays();
    store.StartTime = start;
    for (;;) {
        f.Pump();
        const double elapsedMs = (f.Time().NowDays() - start) * kMsPerDay;
        f.Status(1, QString::number(int64_t(elapsedMs / 1000.0)));
        uint8_t b1 = 0, b2 = 0, b3 = 0;
        const bool statusRead = ReadBoardStatus(io.chip.link, f.Link(), b1, b2, b3);
        if (!statusRead || store.CaptureIdle || elapsedMs > limitMs) {
            hideGauge();
            store.CaptureIdle = true;
            return failWith(!statusRead          ? QStringLiteral("the board status cannot be read")
                            : elapsedMs > limitMs ? QStringLiteral("the recording was not complete after %1 s")
                                                        .arg(int64_t(elapsedMs / 1000.0))
                                                  : QStringLiteral("stopped"));
        }
        if (b1 & doneBit)
            break;
        WaitMs(f.Time(), std::clamp(int32_t(elapsedMs / 100.0), io.statusPollMs, std::max(io.statusPollMs, 1000)));
    }
    const double recordedDays = f.Time().NowDays();

    if (!ReadChip(io.chip, kPortReg, 1, io.slot)) {
        hideGauge();
        store.CaptureIdle = true;
        return failWith(QStringLiteral("the chip does not answer"));
    }
    const uint8_t saved23 = io.chip.link.buffer[0];
    auto writePortReg = [&](uint8_t v) {
        io.chip.link.buffer[5] = v;
        return WriteChip(io.chip, kPortReg, 1, io.slot);
    };
    bool failed = !writePortReg(uint8_t(saved23 & 0xBF));
    uint32_t offset = 0;
    while (!failed && offset < recordBytes && store.SampleCount < target) {
        const uint32_t c = std::min<uint32_t>(kFlashChunkBytes, recordBytes - offset);
        const BlockResult got = FetchChipBlock(io.chip, offset, int(c), io.slot, f.Poll());
        if (got == BlockResult::Stopped)
            break;
        if (got != BlockResult::Ok) {
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
    ModifyChipByte(io.chip, kMode, 0xFD, 0, io.slot);
    hideGauge();
    writePortReg(saved23);
    if (failed || store.SampleCount < target)
        store.CaptureIdle = true;
    // The duration is the recording's; FinishCapture also sets the bin spacing (1 Hz for 0 ms)
    // and, for a capture that was not cut short, the mean and RMS value.
    const bool ok = FinishCapture(store, recordedDays, failed);
    if (!ok)
        io.failure = failed ? QStringLiteral("the read-out failed after %1 samples").arg(store.SampleCount)
                            : QStringLiteral("stopped");
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
        if (io.status) {
            io.status(2, QStringLiteral("Read Error !!!!!"));
            io.status(0, QStringLiteral("Ca.Flash: ") + io.failure);
        }
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
