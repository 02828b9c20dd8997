#pragma once
// The ENOB test without a window: capture over the board link, figures, averaging and the result
// file, as "Catch ADC" and "Save to CSV" do them in the analysis window.
#include "analysis/Acquisition.h"
#include "analysis/Statistics.h"

#include <QString>
#include <functional>

namespace vek {

struct EnobOptions {
    int32_t samples = 256;
    int width = 24;                    // result width 8..24
    QString refVoltText = QStringLiteral("1.2");
    int averaging = 1;                 // block averaging factor 1, 2, 4, 8, 16 or 32
    QString outPath;                   // result file; empty: none written
    int32_t idleTimeoutMs = 3000;      // give up when the board sends nothing this long
    // Runs between the capture's blocks (a stop sets the store's CaptureIdle there).
    std::function<void()> pumpMessages;
};

struct EnobRun {
    bool ok = false;
    QString error;
    Figures figures;
    AnalysisResults results;
    int32_t sampleCount = 0;
    double elapsedMs = 0;
    double gain = 1.0;
};

// The "Avr. Times" position of an averaging factor; -1 when the list has no such factor.
int AveragingIndexFor(int factor);

// Reads the gain registers 0x3C and 0x3D of slot `slot` (a failed read counts as in the window).
double ReadGainFromChip(ChipPort &chip, int slot);

// Captures and computes on a connected link. `store` receives the samples.
EnobRun MeasureEnob(ChipPort &chip, InterfaceKind kind, SampleStore &store, const EnobOptions &options,
                    AnalysisResults &results);

// TmpRAMADC: the block the firmware left in its RAM, read into the chip image of the slot without
// a trigger or a wait of its own, decoded and measured. False (and no figures) when a read fails
// or no sample came.
bool TmpRAMADC(BlockCaptureIo &io, SampleStore &store, const MeasureSettings &settings, AnalysisResults &results,
               Figures *figures = nullptr);

// The seven figures, one "name: value unit" line each (codes of the result width, nV or bits),
// in the order of the result file.
QString FiguresReport(const AnalysisResults &r);

} // namespace vek
