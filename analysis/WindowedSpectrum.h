#pragma once
// The windowed spectrum of a capture and the figures an ADC engineer reads from it: SNR, SINAD,
// SFDR, THD, ENOB from SINAD and the noise spectral density. Computed with FFTW, apart from the
// real-part spectrum of the analysis window (Spectrum.h), which keeps its own routine.
#include "analysis/SineFit.h"

#include <QString>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace vek {

enum class SpectrumWindow { Rectangular, Hann, BlackmanHarris4 };

// "Rectangular", "Hann", "Blackman-Harris"; the short names "rect", "hann" and "bh4" are the
// command line's.
QString WindowName(SpectrumWindow window);
QString WindowShortName(SpectrumWindow window);
// Reads either name (any case); false for anything else.
bool WindowFromText(const QString &text, SpectrumWindow &window);

struct SpectrumOptions {
    SpectrumWindow window = SpectrumWindow::BlackmanHarris4;
    // The capture is cut into this many consecutive blocks of equal length whose power spectra are
    // averaged (1: one block over the whole capture). Blocks shorter than 16 samples are not made.
    int blocks = 1;
    // Result width in bits: a sine of amplitude 2^(width - 1) codes is 0 dBFS.
    int width = 24;
    // Samples per second; 0 or less: frequencies are given in cycles per sample.
    double dataRateHz = 0;
    // Volts at the input per code, for the noise density; 0 or less: no density.
    double voltsPerCode = 0;
};

struct SpectrumFigures {
    // The figures hold only when valid; otherwise `reason` says why: "too few samples", "no
    // tone", "tone too close to DC", "tone too close to Nyquist" or "leakage-limited".
    bool valid = false;
    QString reason;
    int blockLength = 0;    // samples per block
    int blocks = 0;         // blocks averaged
    int toneBin = 0;        // bin of the strongest tone (DC excluded)
    double toneHz = 0;      // its frequency, interpolated between bins
    double toneDbfs = 0;    // its amplitude
    double snrDb = 0;       // tone to noise (harmonics and DC left out)
    double sinadDb = 0;     // tone to noise and distortion
    double sfdrDb = 0;      // tone's peak bin to the largest single other bin (spur), dB
    double thdDb = 0;       // harmonics 2 to 6 to the tone, dBc (negative)
    double enob = 0;        // (SINAD - 1.76) / 6.02
    double noiseRmsCodes = 0; // noise over the whole band, in codes
    double nsdNvPerRootHz = 0; // noise density at the input; 0 when no volts or rate were given
    std::array<double, 5> harmonicDbc{}; // harmonics 2..6 to the tone (below -300 when absent)
};

struct WindowedSpectrum {
    std::vector<double> frequency; // bins 0 .. blockLength / 2, Hz (or cycles per sample)
    std::vector<double> dbfs;      // level of each bin, dBFS (floored at -300)
    SpectrumFigures figures;
};

// The spectrum of codes (in units of the result width) under the options. A tone counts when its
// peak bin stands ToneDetectionFactor(bins) over the mean noise bin; it must keep its main lobe
// (twice the window's span) clear of DC and Nyquist.
WindowedSpectrum ComputeWindowedSpectrum(std::span<const double> codes, const SpectrumOptions &options);

struct ToneAnalysis {
    WindowedSpectrum spectrum;
    SineFitFigures sineFit;
};

// The windowed spectrum and the sine fit of the same codes. The fit starts from the spectrum's
// strongest line; the spectrum's figures are then also checked against the fitted tone: when the
// window's own skirt of that tone (a noiseless copy through the same window) puts more than 5 %
// of the measured noise into the noise bins, they are "leakage-limited", and when more than 1 %
// of the tone falls into the bins given to DC, the tone is "too close to DC".
ToneAnalysis AnalyseTone(std::span<const double> codes, const SpectrumOptions &options);

} // namespace vek
