#pragma once
// The noise figures of a capture: mean, RMS value, RMS noise, peak-to-peak noise, effective
// number of bits and noise-free bits, in counts and in nanovolts; the analog gain they divide by;
// and the recomputation after block averaging.
#include "analysis/SampleStore.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <span>

namespace vek {

// Analog gain set by the gain registers 0x3C and 0x3D: the input gain (bits 2..0 of 0x3C), times
// the second stage (bits 4..3 of 0x3C), times 2 when bit 3 of 0x3D is set.
double GainFromRegisters(uint8_t reg3C, uint8_t reg3D);
// The same from the chip image (read the registers into the image first to get the chip's
// current setting).
double GainFromImage(std::span<const uint8_t> image);
// The gain when reading a register may fail: a failed 0x3C counts as 0x02, a failed 0x3D as 0.
double GainFromReads(std::optional<uint8_t> reg3C, std::optional<uint8_t> reg3D);

struct MeasureSettings {
    QString refVoltText = QStringLiteral("1.2");
    QString filterText = QStringLiteral("9");
    double gain = 1.0;
};

// The six figures the window shows, with sigma and the peak-to-peak count behind them.
struct Figures {
    double mean = 0;     // "Average"
    double rmsValue = 0; // "Vrms"
    double sigma = 0;    // RMS noise in counts
    double enob = 0;     // "ENOB"
    double rmsNv = 0;    // "RMS Noise"
    double vppCount = 0; // peak-to-peak noise in counts
    double noiseFree = 0; // "Noise Free"
    double vppNv = 0;    // "Vp-p Noise"
};

// The figures as the result record keeps them.
AnalysisResults ToResults(const Figures &f);

// After a streamed capture (stopped and failed ones included): first differences and the comb
// filter, then the figures over the SampleCount kept samples, with the mean and RMS value taken
// from the capture's sums. Stores the figures in `results`. Returns nothing (and changes
// nothing) when no sample was kept.
std::optional<Figures> MeasureStreamed(SampleStore &store, const MeasureSettings &settings,
                                       AnalysisResults &results);

// After a block read from chip RAM (DecodeRamBlock): the same figures with sigma from the grid
// cells; a zero peak-to-peak count is kept as 0 and then counts as no spread for the noise-free
// bits. Sets the chart count and the time axis (one unit per sample).
std::optional<Figures> MeasureRamBlock(SampleStore &store, const MeasureSettings &settings,
                                       AnalysisResults &results);

// Block averaging by the "Avr. Times" factor of averagingIndex, always starting again from the
// second copy of the codes; refills arrays and grid, computes the figures over the averaged
// points and the spectrum over the largest power of two of them. Returns nothing (and changes
// nothing) when there are no samples or fewer samples than the factor.
std::optional<Figures> ReCalADC(SampleStore &store, int averagingIndex,
                                const MeasureSettings &settings, AnalysisResults &results);

// The figures from a capture's moments: mean and RMS value of the scaled codes, sigma, and the
// lowest and highest raw code (the peak-to-peak count is their difference after scaling).
Figures FiguresFromMoments(double mean, double rmsValue, double sigma, double lowestRaw, double highestRaw,
                           int magnitudeBits, double scaleDivisor, const MeasureSettings &settings,
                           bool zeroSpreadCountsAsOne = true);

// Text of a figure as the window shows it ("%f").
QString FigureText(double v);

} // namespace vek
