#pragma once
// The noise table: the ENOB test repeated over a set of oversampling ratios and gains (and
// optionally both chopper settings), with the input shorted, as converter datasheets print it.
// Every setting is written through the chip description's field bindings; every register the
// sweep touches is put back as it was at the end, also after a stop or a failed capture.
#include "analysis/ConverterRate.h"
#include "analysis/EnobMeasurement.h"

#include <QString>
#include <functional>
#include <vector>

namespace vek {

// One gain column: the codes of AD0GN and PGA0GN and the gain they make.
struct SweepGain {
    int adgn = 2;
    int pga = 0;
    double Gain() const;
    QString Label() const; // "x1/4", "x2", "x128"
};

// The distinct gains the two stages make, lowest first, each with its smallest PGA code:
// x1/4 .. x16 through AD0GN alone, then x32, x64, x128 with the PGA.
std::vector<SweepGain> AllSweepGains();
// "0-7", "0,2,5" or "all" (0-7): false for anything else.
bool ParseOsrCodes(const QString &text, std::vector<int> &codes);
// "all", or gains as numbers ("0.25,1,16,128") each of which AllSweepGains makes.
bool ParseSweepGains(const QString &text, std::vector<SweepGain> &gains);

struct SweepOptions {
    std::vector<int> osrCodes{0, 1, 2, 3, 4, 5, 6, 7};
    std::vector<SweepGain> gains = AllSweepGains();
    // ENCHP0 codes to sweep (0 chopper on, 1 off); empty: the chopper stays as it is.
    std::vector<int> chopper;
    bool shortInput = true; // IN0IS set for the sweep (where the chip binds it)
    int32_t samples = 4096;
    int width = 24;
    QString refVoltText = QStringLiteral("1.2");
    int32_t idleTimeoutMs = 3000;
};

struct SweepPoint {
    int osr = 0;
    SweepGain gain;
    int chopper = -1; // -1: left as it was
    bool ok = false;
    QString error;
    AnalysisResults results; // the specified figures; rmsNv and vppNv are referred to the input
    double gainRead = 1;      // the gain the chip's registers gave the figures
    ConverterRate rate;       // from the settings
    double settleMs = 0;      // waited after the settings were written
    double elapsedMs = 0;     // the point's own time: settling and capture
};

// Results every point waits for after its settings are written, before the capture starts (which
// drops its first six of its own): four conversions, the settling of the converter's sinc filter
// and one more.
constexpr int kSettlingConversions = 4;

struct SweepIo {
    ChipPort &chip;
    InterfaceKind kind = InterfaceKind::SPI;
    const PanelBindings &adc;
    const ChipDescription &description;
    Clock &clock;
    SampleStore &store;
    std::function<bool()> stopRequested;                 // polled between points and capture blocks
    std::function<void()> pumpMessages;                  // between capture blocks (a window's events)
    std::function<void(const SweepPoint &, int index, int total)> pointDone; // after each point
};

struct SweepRun {
    bool ok = false;      // every point measured and every register put back
    bool stopped = false;
    bool restored = false; // the touched registers hold their old values again
    QString error;         // why the sweep could not run or put the registers back
    std::vector<SweepPoint> points; // in order: chopper, OSR, gain (gain fastest)
};

// The points a sweep of these options makes, in the order it takes them.
std::vector<SweepPoint> PlanSweep(const SweepOptions &options);
// Estimated time of a sweep (settling plus capture at each point's data rate), 0 when a rate is
// not known from the settings.
double EstimateSweepSeconds(const SweepOptions &options, const PanelBindings &adc, const ChipDescription &desc,
                            std::span<const uint8_t> image);

SweepRun RunNoiseSweep(SweepIo &io, const SweepOptions &options);

} // namespace vek
