#include "analysis/EnobMeasurement.h"

#include "analysis/AnalysisSettings.h"
#include "analysis/ResultFile.h"
#include "analysis/Spectrum.h"

#include <algorithm>
#include <optional>

namespace vek {

int AveragingIndexFor(int factor)
{
    const int n = int(AveragingItems().size());
    for (int i = 0; i < n; ++i)
        if (AveragingFactor(i) == factor)
            return i;
    return -1;
}

double ReadGainFromChip(ChipPort &chip, int slot)
{
    std::optional<uint8_t> r3C, r3D;
    if (ReadChip(chip, 0x3C, 1, slot))
        r3C = chip.link.buffer[0];
    if (ReadChip(chip, 0x3D, 1, slot))
        r3D = chip.link.buffer[0];
    return GainFromReads(r3C, r3D);
}

EnobRun MeasureEnob(ChipPort &chip, InterfaceKind kind, SampleStore &store, const EnobOptions &options,
                    AnalysisResults &results)
{
    EnobRun run;
    const int avgIndex = AveragingIndexFor(options.averaging);
    if (avgIndex < 0) {
        run.error = QStringLiteral("averaging must be 1, 2, 4, 8, 16 or 32");
        return run;
    }
    if (options.width < 8 || options.width > 24) {
        run.error = QStringLiteral("result width must be 8 to 24");
        return run;
    }
    store.TargetCount = CaptureTarget(options.samples);
    ApplyScaleIndex(store, options.width - 8);

    AcquisitionIo io{chip};
    io.kind = kind;
    io.idleTimeoutMs = options.idleTimeoutMs;
    io.pumpMessages = options.pumpMessages;
    store.CaptureIdle = false;
    const CaptureOutcome outcome = ReadADCALL(io, store);
    run.sampleCount = store.SampleCount;
    run.elapsedMs = store.ElapsedMs;
    switch (outcome.end) {
    case CaptureEnd::Complete:
        break;
    case CaptureEnd::NotSupported:
        run.error = QStringLiteral("the streamed capture does not run on this interface");
        return run;
    case CaptureEnd::Stopped:
        run.error = QStringLiteral("stopped after %1 samples").arg(store.SampleCount);
        return run;
    case CaptureEnd::NoData:
        run.error = QStringLiteral("the board stopped sending results after %1 samples").arg(store.SampleCount);
        return run;
    default:
        run.error = QStringLiteral("Read Error !!!!! (the link to the board failed after %1 samples)")
                        .arg(store.SampleCount);
        return run;
    }

    MeasureSettings settings;
    settings.refVoltText = options.refVoltText;
    run.gain = settings.gain = ReadGainFromChip(chip, 0);
    ComputeSpectrum(store, CaptureTarget(store.TargetCount));
    std::optional<Figures> f = MeasureStreamed(store, settings, results);
    if (f && options.averaging > 1)
        f = ReCalADC(store, avgIndex, settings, results);
    if (!f) {
        run.error = QStringLiteral("too few samples for the averaging");
        return run;
    }
    run.figures = *f;
    run.results = results;
    if (!options.outPath.isEmpty() && !SaveResultFile(options.outPath, store, results)) {
        run.error = QStringLiteral("cannot write %1").arg(options.outPath);
        return run;
    }
    run.ok = true;
    return run;
}

bool TmpRAMADC(BlockCaptureIo &io, SampleStore &store, const MeasureSettings &settings, AnalysisResults &results,
               Figures *figures)
{
    if (!ReadRamBlock(io))
        return false;
    DecodeRamBlock(store, io.chip.chips[size_t(std::clamp(io.slot, 0, kChipSlotCount - 1))].image, io.layout,
                   io.bank2Present);
    const std::optional<Figures> f = MeasureRamBlock(store, settings, results);
    if (f && figures)
        *figures = *f;
    return f.has_value();
}

QString FiguresReport(const AnalysisResults &r)
{
    struct Row {
        const char *name;
        double value;
        const char *unit;
    };
    const Row rows[] = {{"Average", r.mean, "codes"},   {"Vp-p Noise", r.vppNv, "nV"},
                        {"RMS Noise", r.rmsNv, "nV"},   {"ENOB", r.enob, "bits"},
                        {"Vp-p Count", r.vppCount, "codes"}, {"Sigma", r.sigma, "codes"},
                        {"Noise Free", r.noiseFree, "bits"}};
    QString text;
    for (const Row &row : rows)
        text += QStringLiteral("%1: %2 %3\n").arg(QLatin1String(row.name), FigureText(row.value),
                                                  QLatin1String(row.unit));
    return text;
}

} // namespace vek
