#include "analysis/Statistics.h"

#include "app/base/NumberText.h"

#include "analysis/AnalysisSettings.h"
#include "analysis/Capture.h"
#include "analysis/Spectrum.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vek {

double GainFromRegisters(uint8_t reg3C, uint8_t reg3D)
{
    static const double kInput[8] = {0.25, 0.5, 1, 2, 4, 8, 16, 16};
    static const double kSecond[4] = {1, 2, 4, 8};
    double gain = kInput[reg3C & 0x07] * kSecond[(reg3C >> 3) & 0x03];
    if (reg3D & 0x08)
        gain *= 2;
    return gain;
}

double GainFromImage(std::span<const uint8_t> image)
{
    const uint8_t r3C = image.size() > 0x3C ? image[0x3C] : 0x02;
    const uint8_t r3D = image.size() > 0x3D ? image[0x3D] : 0;
    return GainFromRegisters(r3C, r3D);
}

double GainFromReads(std::optional<uint8_t> reg3C, std::optional<uint8_t> reg3D)
{
    return GainFromRegisters(reg3C.value_or(0x02), reg3D.value_or(0));
}

AnalysisResults ToResults(const Figures &f)
{
    AnalysisResults r;
    r.mean = f.mean;
    r.vppNv = f.vppNv;
    r.rmsNv = f.rmsNv;
    r.enob = f.enob;
    r.vppCount = f.vppCount;
    r.sigma = f.sigma;
    r.noiseFree = f.noiseFree;
    return r;
}

Figures FiguresFromMoments(double mean, double rmsValue, double sigma, double lowestRaw, double highestRaw,
                           int magnitudeBits, double scaleDivisor, const MeasureSettings &settings,
                           bool zeroSpreadCountsAsOne)
{
    Figures f;
    f.mean = mean;
    f.rmsValue = rmsValue;
    f.sigma = sigma;
    f.enob = sigma > 0 ? magnitudeBits - std::log(sigma) / std::log(2.0) : static_cast<double>(magnitudeBits);

    const double vrefNv = ReferenceVolts(settings.refVoltText) * 1000000000.0;
    if (magnitudeBits == 0)
        magnitudeBits = 1;
    const double gain = settings.gain > 0 && std::isfinite(settings.gain) ? settings.gain : 1.0;
    const double countScale = gain * std::ldexp(1.0, magnitudeBits - 1);
    f.rmsNv = vrefNv * sigma / countScale;

    const double divisor = scaleDivisor > 0 ? scaleDivisor : 1;
    // Nearest integer, halves to even (the default rounding mode).
    int64_t vpp = static_cast<int64_t>(std::nearbyint(highestRaw / divisor)) -
                  static_cast<int64_t>(std::nearbyint(lowestRaw / divisor));
    vpp = vpp < 0 ? -vpp : vpp;
    if (vpp == 0 && zeroSpreadCountsAsOne)
        vpp = 1;
    f.vppCount = static_cast<double>(vpp);
    // No spread at all leaves every bit noise free (the logarithm of 0 has no value).
    f.noiseFree = sigma > 0 && vpp > 0 ? magnitudeBits - std::log(f.vppCount) / std::log(2.0)
                                       : static_cast<double>(magnitudeBits);
    f.vppNv = vrefNv * f.vppCount / countScale;
    return f;
}

QString FigureText(double v)
{
    return FixedQText(v);
}

namespace {

// The figures that follow from mean, RMS value and sigma over the first n samples: ENOB, the
// nanovolt figures, the peak-to-peak count and the noise-free bits.
Figures Complete(SampleStore &store, int32_t n, double mean, double rmsValue, double sigma,
                 const MeasureSettings &settings, bool zeroSpreadCountsAsOne)
{
    double lo = 800000000.0, hi = -800000000.0;
    for (int32_t k = 0; k < n; ++k) {
        lo = std::min(lo, store.RawSamples[k]);
        hi = std::max(hi, store.RawSamples[k]);
    }
    const Figures f = FiguresFromMoments(mean, rmsValue, sigma, lo, hi, store.MagnitudeBits, store.ScaleDivisor,
                                         settings, zeroSpreadCountsAsOne);
    if (store.MagnitudeBits == 0)
        store.MagnitudeBits = 1;
    return f;
}

double SigmaFromGrid(const SampleStore &store, int32_t n, double mean)
{
    if (n <= 0)
        return 0;
    double sum = 0;
    for (int32_t i = 0; i < n; ++i) {
        const double d = store.grid.Value(i) - mean;
        sum += d * d;
    }
    return std::sqrt(sum / n);
}

} // namespace

std::optional<Figures> MeasureStreamed(SampleStore &store, const MeasureSettings &settings,
                                       AnalysisResults &results)
{
    const int32_t n = std::clamp(store.SampleCount, 0, kSampleCapacity);
    if (n == 0)
        return std::nullopt;
    // First differences and the comb filter for the filtered time view.
    for (int32_t k = 1; k < n; ++k)
        store.DiffSamples[k - 1] = store.RawSamples[k] - store.RawSamples[k - 1];
    const int m = FilterLength(settings.filterText);
    // The sum of m consecutive differences is the difference of the samples m apart.
    for (int64_t i = 0; i + m <= n - 1; ++i)
        store.CombSamples[i] = store.RawSamples[i + m] - store.RawSamples[i];

    // Mean and RMS value from the capture's sums, divided by what was kept.
    store.mean = store.runningSum / n;
    store.rmsValue = std::sqrt(store.runningSumSq / n);
    const double sigma = SigmaFromGrid(store, n, store.mean);
    const Figures f = Complete(store, n, store.mean, static_cast<double>(store.rmsValue), sigma,
                               settings, true);
    results = ToResults(f);
    return f;
}

std::optional<Figures> MeasureRamBlock(SampleStore &store, const MeasureSettings &settings,
                                       AnalysisResults &results)
{
    const int32_t n = std::clamp(store.SampleCount, 0, kSampleCapacity);
    if (n == 0)
        return std::nullopt;
    store.rmsValue = std::sqrt(store.runningSumSq / n);
    store.mean = store.runningSum / n;
    const double sigma = SigmaFromGrid(store, n, store.mean);
    const Figures f = Complete(store, n, store.mean, static_cast<double>(store.rmsValue), sigma,
                               settings, false);
    store.ChartCount = n;
    store.ElapsedMs = n;
    results = ToResults(f);
    return f;
}

std::optional<Figures> ReCalADC(SampleStore &store, int averagingIndex,
                                const MeasureSettings &settings, AnalysisResults &results)
{
    const int32_t count = std::clamp(store.SampleCount, 0, kSampleCapacity);
    const int m = AveragingFactor(averagingIndex);
    const int32_t n = count / m;
    if (n == 0)
        return std::nullopt;
    const double divisor = store.ScaleDivisor > 0 ? store.ScaleDivisor : 1;

    const int32_t cleared = std::min(CaptureTarget(store.TargetCount), kSampleCapacity);
    std::fill_n(store.RawSamples.begin(), cleared, 0.0);
    std::fill_n(store.FftRe.begin(), cleared, 0.0);
    std::fill_n(store.FftIm.begin(), cleared, 0.0);
    std::fill_n(store.SpectrumDb.begin(), cleared, 0.0);
    double sum = 0;
    long double sumSq = 0;
    for (int32_t k = 0; k < n; ++k) {
        double g = 0;
        for (int j = 0; j < m; ++j)
            g += store.SampleItems[static_cast<size_t>(k) * m + j];
        g /= m;
        store.grid.ClearRange(k * m, m);
        store.RawSamples[k] = g;
        store.FftRe[k] = g;
        store.FftIm[k] = -g;
        sum += g;
        if (m == 1)
            store.grid.SetInteger(k, static_cast<int64_t>(std::floor(g / divisor)));
        else
            store.grid.SetFixed(k, g / divisor);
        const long double scaled = g / divisor;
        sumSq += scaled * scaled;
    }
    store.ChartCount = n;
    store.rmsValue = std::sqrt(sumSq / n);
    store.mean = sum / divisor / n;

    double dev = 0;
    for (int32_t k = 0; k < n; ++k) {
        const double d = store.RawSamples[k] / divisor - store.mean;
        dev += d * d;
    }
    const double sigma = std::sqrt(dev / n);
    const Figures f = Complete(store, n, store.mean, static_cast<double>(store.rmsValue), sigma,
                               settings, true);

    const int32_t length = SpectrumLength(n);
    store.ChartCount = length;
    ComputeSpectrum(store, length);
    results = ToResults(f);
    return f;
}

} // namespace vek
