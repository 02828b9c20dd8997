#include "bench/HeadlessBoard.h"

#include "analysis/EnobMeasurement.h"
#include "analysis/FlashCapture.h"
#include "analysis/ResultFile.h"
#include "analysis/Spectrum.h"
#include "analysis/Statistics.h"

namespace vek {

void ConnectHeadlessBoard(TemperatureRun &run, ChipPort &chip, SampleStore &store, AnalysisResults &results,
                          const HeadlessBoardOptions &options)
{
    run.board.connected = [&chip] { return chip.chips[0].link.connected != 0; };
    run.board.pulseReset = [&chip] { PulseReset(chip.link, chip.chips[0].link); };
    run.board.writeRegister = [&chip](uint16_t address, uint8_t value) { WriteRegister(chip, address, value, 0); };
    run.board.clearSamples = [&store] {
        store.FrequencyView = false;
        ClearSamples(store, CaptureTarget(store.TargetCount));
    };
    run.board.trigger = [&chip] { TMPTRIGER(chip, 0); };
    run.board.stopCapture = [&store] { store.CaptureIdle = true; };
    run.board.saveFullFile = [&store](const QString &path, const AnalysisResults &figures) {
        return SaveResultFile(path, store, figures);
    };
    // The run's message pump reaches into the captures, so a stop ends a capture in progress.
    auto pump = [&run] {
        if (run.view.pumpMessages)
            run.view.pumpMessages();
    };
    run.board.measure = [&chip, &store, &results, options, pump](int mode, const QString &refVolt,
                                                                  AnalysisResults &out) {
        MeasureSettings settings;
        settings.refVoltText = refVolt;
        settings.filterText = options.filterText;
        settings.gain = ReadGainFromChip(chip, 0);
        std::optional<Figures> f;
        if (mode == kTempModeStreamed) {
            AcquisitionIo io(chip);
            io.kind = options.kind;
            io.idleTimeoutMs = options.idleTimeoutMs;
            io.pumpMessages = pump;
            store.CaptureIdle = false;
            store.SampleCount = 0;
            const bool captured = ReadADCALL(io, store).ok();
            store.CaptureIdle = true;
            if (!captured)
                return false;
            ComputeSpectrum(store, CaptureTarget(store.TargetCount));
            f = MeasureStreamed(store, settings, results);
        } else if (mode == kTempModeFlash) {
            FlashCaptureIo io(chip);
            io.pumpMessages = pump;
            io.dataRateHz = options.dataRateHz ? options.dataRateHz() : 0;
            if (!BFlashRDCOM(io, store, settings, results))
                return false;
            f = Figures{};
        } else {
            BlockCaptureIo io(chip);
            io.kind = options.kind;
            io.layout = options.layout;
            io.bank1Present = options.bank1Present;
            io.bank2Present = options.bank2Present;
            if (!TmpRAMADC(io, store, settings, results) || SilentChipRecord(store))
                return false;
            out = results;
            return true;
        }
        if (!f || SilentChipRecord(store))
            return false;
        // As the window does after its capture: the averaging of "Avr. Times" recomputes.
        if (!ReCalADC(store, options.averagingIndex, settings, results))
            return false;
        out = results;
        return true;
    };
}

} // namespace vek
