#pragma once
// The four-parameter sine fit of a capture (frequency, amplitude, phase and offset fitted by least
// squares, as IEEE Std 1241 describes it), with harmonics 2 to 6 fitted at multiples of the fitted
// frequency. Its SINAD, SNR and THD come from the residuals, so they need no window and no
// coherence between the tone and the capture.
#include <QString>
#include <array>
#include <span>

namespace vek {

constexpr int kFittedHarmonics = 5; // harmonics 2 .. 6

struct SineFitFigures {
    bool valid = false;
    QString reason;            // why not valid: "too few samples", "no tone", ...
    int iterations = 0;        // Gauss-Newton steps taken
    double cyclesPerSample = 0; // fitted frequency
    double toneHz = 0;         // fitted frequency in Hz (in cycles per sample without a rate)
    double amplitudeCodes = 0; // fundamental's peak amplitude
    double amplitudeVolts = 0; // the same at the input; 0 without a scale
    double toneDbfs = 0;       // its level against a full-scale sine of the result width
    double phase = 0;          // radians at sample 0 (cosine phase)
    double offsetCodes = 0;
    double snrDb = 0;          // fundamental to the residual noise (harmonics fitted out)
    double sinadDb = 0;        // fundamental to noise and harmonics
    double thdDb = 0;          // harmonics 2 .. 6 to the fundamental, dBc
    double enob = 0;           // (SINAD - 1.76) / 6.02
    double noiseRmsCodes = 0;  // residual noise
    // Harmonics 2 .. 6 to the fundamental, dBc (-300 when not fitted: one that folds onto DC or
    // onto the fundamental cannot be told apart from them).
    std::array<double, kFittedHarmonics> harmonicDbc{};
    std::array<double, kFittedHarmonics> harmonicAmplitude{}; // peak amplitudes in codes
    std::array<double, kFittedHarmonics> harmonicPhase{};     // radians at sample 0
};

struct SineFitOptions {
    int width = 24;         // a sine of amplitude 2^(width - 1) codes is 0 dBFS
    double dataRateHz = 0;  // 0 or less: toneHz in cycles per sample
    double voltsPerCode = 0; // at the input; 0 or less: no amplitude in volts
    // How far (in bins of the whole record) the tone may lie from the starting estimate.
    double searchBins = 1;
};

// A tone "stands clearly above the noise" when the periodogram bin it would make is at least
// this factor over the mean noise bin: ln(bins) + 14, so that noise alone makes such a line in
// fewer than one capture in a million.
double ToneDetectionFactor(int bins);

// Fits codes starting from a frequency estimate in cycles per sample (within searchBins bins of
// the truth). A tone closer than 3 cycles of the record to DC or Nyquist is not fitted.
SineFitFigures FitSine(std::span<const double> codes, double initialCyclesPerSample, const SineFitOptions &options);

} // namespace vek
