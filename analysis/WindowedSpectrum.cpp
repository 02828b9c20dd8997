#include "analysis/WindowedSpectrum.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <numbers>

namespace vek {

namespace {

constexpr double kFloorDb = -300.0;
constexpr int kShortestBlock = 16;

struct WindowInfo {
    SpectrumWindow window;
    const char *name;
    const char *shortName;
    int span; // bins on each side of a tone (or of DC) that belong to it
};

constexpr WindowInfo kWindows[] = {
    {SpectrumWindow::Rectangular, "Rectangular", "rect", 1},
    {SpectrumWindow::Hann, "Hann", "hann", 3},
    {SpectrumWindow::BlackmanHarris4, "Blackman-Harris", "bh4", 5},
};

const WindowInfo &Info(SpectrumWindow window)
{
    for (const WindowInfo &w : kWindows)
        if (w.window == window)
            return w;
    return kWindows[0];
}

// Periodic window of length n.
std::vector<double> MakeWindow(SpectrumWindow window, int n)
{
    std::vector<double> w(size_t(n), 1.0);
    const double step = 2.0 * std::numbers::pi / n;
    for (int i = 0; i < n; ++i) {
        const double x = step * i;
        switch (window) {
        case SpectrumWindow::Rectangular:
            break;
        case SpectrumWindow::Hann:
            w[size_t(i)] = 0.5 - 0.5 * std::cos(x);
            break;
        case SpectrumWindow::BlackmanHarris4:
            w[size_t(i)] = 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) -
                           0.01168 * std::cos(3 * x);
            break;
        }
    }
    return w;
}

// The window for a length, kept for the next spectrum of the same length and kind (a live
// view recomputes the same length again and again).
std::shared_ptr<const std::vector<double>> CachedWindow(SpectrumWindow window, int n)
{
    static std::mutex m;
    static SpectrumWindow lastKind = SpectrumWindow::Rectangular;
    static std::shared_ptr<const std::vector<double>> last;
    std::lock_guard lock(m);
    if (!last || lastKind != window || int(last->size()) != n) {
        last = std::make_shared<const std::vector<double>>(MakeWindow(window, n));
        lastKind = window;
    }
    return last;
}

struct FftwFree {
    void operator()(void *p) const { fftw_free(p); }
};

// FFTW's planner is not reentrant; the transforms themselves are.
std::mutex &PlannerMutex()
{
    static std::mutex m;
    return m;
}

// One-sided power of each bin (bins 1 .. n/2 - 1 doubled), averaged over the blocks, each block
// with its mean taken off and the window applied.
std::vector<double> AveragedPower(std::span<const double> codes, int n, int blocks,
                                  const std::vector<double> &w)
{
    std::unique_ptr<double, FftwFree> in(fftw_alloc_real(size_t(n)));
    std::unique_ptr<fftw_complex, FftwFree> out(fftw_alloc_complex(size_t(n / 2 + 1)));
    fftw_plan plan;
    {
        std::lock_guard lock(PlannerMutex());
        plan = fftw_plan_dft_r2c_1d(n, in.get(), out.get(), FFTW_ESTIMATE);
    }
    std::vector<double> power(size_t(n / 2 + 1), 0.0);
    for (int b = 0; b < blocks; ++b) {
        const double *x = codes.data() + size_t(b) * size_t(n);
        double mean = 0;
        for (int i = 0; i < n; ++i)
            mean += x[i];
        mean /= n;
        for (int i = 0; i < n; ++i)
            in.get()[i] = (x[i] - mean) * w[size_t(i)];
        fftw_execute(plan);
        for (int k = 0; k <= n / 2; ++k) {
            const double re = out.get()[k][0], im = out.get()[k][1];
            const double twoSided = (k == 0 || 2 * k == n) ? 1.0 : 2.0;
            power[size_t(k)] += twoSided * (re * re + im * im);
        }
    }
    {
        std::lock_guard lock(PlannerMutex());
        fftw_destroy_plan(plan);
    }
    for (double &p : power)
        p /= blocks;
    return power;
}

double Db(double ratio)
{
    return ratio > 0 && std::isfinite(ratio) ? std::max(10.0 * std::log10(ratio), kFloorDb) : kFloorDb;
}

} // namespace

QString WindowName(SpectrumWindow window)
{
    return QString::fromLatin1(Info(window).name);
}

QString WindowShortName(SpectrumWindow window)
{
    return QString::fromLatin1(Info(window).shortName);
}

bool WindowFromText(const QString &text, SpectrumWindow &window)
{
    const QString t = text.trimmed();
    for (const WindowInfo &w : kWindows)
        if (t.compare(QLatin1String(w.name), Qt::CaseInsensitive) == 0 ||
            t.compare(QLatin1String(w.shortName), Qt::CaseInsensitive) == 0) {
            window = w.window;
            return true;
        }
    return false;
}

namespace {

constexpr int kShortestValidBlock = 64;
constexpr double kLeakageShare = 0.05; // of the measured noise
constexpr double kDcShare = 0.01;      // of the tone

// A noiseless copy of the fitted tone and harmonics over one block.
std::vector<double> FittedTone(const SineFitFigures &fit, int n)
{
    std::vector<double> x(size_t(n), 0.0);
    const double w = 2.0 * std::numbers::pi * fit.cyclesPerSample;
    for (int i = 0; i < n; ++i) {
        double v = fit.amplitudeCodes * std::cos(w * i + fit.phase);
        for (int h = 2; h <= kFittedHarmonics + 1; ++h)
            v += fit.harmonicAmplitude[size_t(h - 2)] * std::cos(h * w * i + fit.harmonicPhase[size_t(h - 2)]);
        x[size_t(i)] = v;
    }
    return x;
}

WindowedSpectrum Compute(std::span<const double> codes, const SpectrumOptions &options, const SineFitFigures *model)
{
    WindowedSpectrum result;
    SpectrumFigures &f = result.figures;
    f.harmonicDbc.fill(kFloorDb);
    const int64_t total = int64_t(codes.size());
    if (std::any_of(codes.begin(), codes.end(), [](double v) { return !std::isfinite(v); })) {
        f.reason = QStringLiteral("not a number in the samples");
        return result;
    }
    if (total < kShortestBlock) {
        f.reason = QStringLiteral("too few samples");
        return result;
    }
    const int blocks = int(std::clamp<int64_t>(options.blocks, 1, total / kShortestBlock));
    const int n = int(std::min<int64_t>(total / blocks, 1 << 24));
    const std::shared_ptr<const std::vector<double>> window = CachedWindow(options.window, n);
    const std::vector<double> &w = *window;
    double sumW = 0, sumW2 = 0;
    for (double v : w) {
        sumW += v;
        sumW2 += v * v;
    }
    const std::vector<double> power = AveragedPower(codes, n, blocks, w);
    const int half = n / 2;
    const int width = std::clamp(options.width, 2, 32);
    const double fullScale = std::ldexp(1.0, width - 1);
    const double binHz = options.dataRateHz > 0 ? options.dataRateHz / n : 1.0 / n;

    result.frequency.resize(size_t(half + 1));
    result.dbfs.resize(size_t(half + 1));
    for (int k = 0; k <= half; ++k) {
        result.frequency[size_t(k)] = k * binHz;
        // A sine of amplitude A puts (A sum(w) / 2)^2 into its bin (twice that one-sided).
        const double onePeak = (k == 0 || k == half) ? power[size_t(k)] : power[size_t(k)] / 2.0;
        const double amplitude = 2.0 * std::sqrt(onePeak) / sumW;
        result.dbfs[size_t(k)] = 2.0 * Db(amplitude / fullScale);
        result.dbfs[size_t(k)] = std::max(result.dbfs[size_t(k)], kFloorDb);
    }

    f.blockLength = n;
    f.blocks = blocks;
    const int span = Info(options.window).span;
    // Bins taken by DC, the tone and its harmonics; what is left is noise.
    std::vector<uint8_t> taken(size_t(half + 1), 0);
    for (int k = 0; k <= std::min(span, half); ++k)
        taken[size_t(k)] = 1;
    int tone = -1;
    for (int k = span + 1; k <= half; ++k)
        if (tone < 0 || power[size_t(k)] > power[size_t(tone)])
            tone = k;
    if (tone < 0 || !(power[size_t(tone)] > 0)) {
        f.reason = n < kShortestValidBlock ? QStringLiteral("too few samples") : QStringLiteral("no tone");
        return result;
    }

    // The noise floor from the median bin (robust against the tone's skirt and spurs): the power
    // of a noise bin averaged over K blocks follows a gamma law whose median is about
    // (1 - 1/(9K))^3 of its mean.
    std::vector<double> sorted(power.begin() + std::min(span + 1, half), power.end());
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double floorMean = sorted.empty() ? 0.0 : sorted[sorted.size() / 2] / std::pow(1.0 - 1.0 / (9.0 * blocks), 3);
    // A component's own bins: its main lobe, widened on each side over the skirt the window's
    // leakage leaves above the noise (ended by four bins in a row near the floor).
    const double skirt = 10.0 * floorMean;
    auto extent = [&](int centre, int direction) {
        int edge = centre + direction * span;
        for (int k = edge + direction, quiet = 0; k >= 0 && k <= half && !taken[size_t(k)] && quiet < 4;
             k += direction) {
            if (power[size_t(k)] > skirt) {
                edge = k;
                quiet = 0;
            } else {
                ++quiet;
            }
        }
        return std::clamp(edge, 0, half);
    };
    int spanBins = 0; // bins the last spanPower took
    auto spanPower = [&](int centre) {
        const int low = extent(centre, -1), high = extent(centre, +1);
        double sum = 0;
        spanBins = 0;
        for (int k = low; k <= high; ++k) {
            if (taken[size_t(k)])
                continue;
            sum += power[size_t(k)];
            taken[size_t(k)] = 1;
            ++spanBins;
        }
        return sum;
    };
    const double tonePower = spanPower(tone);
    // The tone's own bins: no single one of them is a spur.
    const std::vector<uint8_t> dcAndTone = taken;
    // Frequency from the main lobe's centre of power (the skirt would pull it towards DC).
    double lobe = 0, lobeWeighted = 0;
    for (int k = std::max(tone - span, 0); k <= std::min(tone + span, half); ++k) {
        lobe += power[size_t(k)];
        lobeWeighted += k * power[size_t(k)];
    }
    const double toneBin = lobe > 0 ? lobeWeighted / lobe : tone;
    f.toneBin = tone;
    f.toneHz = toneBin * binHz;
    // Parseval: the tone's one-sided power is n sum(w^2) A^2 / 2.
    const double toneAmplitude = std::sqrt(2.0 * tonePower / (n * sumW2));
    f.toneDbfs = 2.0 * Db(toneAmplitude / fullScale);

    // Harmonics: their bins' power, less the noise those bins hold (counted once the noise level
    // is known), so that a harmonic near the floor is not read high.
    std::array<double, 5> harmonicSum{};
    std::array<int, 5> harmonicBins{};
    for (int h = 2; h <= 6; ++h) {
        double folded = std::fmod(h * toneBin, double(n));
        if (folded > half)
            folded = n - folded;
        const int centre = int(std::lround(folded));
        // A harmonic on DC or on the tone cannot be told apart from them.
        if (centre < 0 || centre > half || taken[size_t(centre)])
            continue;
        harmonicSum[size_t(h - 2)] = spanPower(centre);
        harmonicBins[size_t(h - 2)] = spanBins;
    }

    double noiseSum = 0, largestSpur = 0;
    int noiseBins = 0;
    for (int k = 0; k <= half; ++k) {
        if (!dcAndTone[size_t(k)])
            largestSpur = std::max(largestSpur, power[size_t(k)]);
        if (taken[size_t(k)])
            continue;
        noiseSum += power[size_t(k)];
        ++noiseBins;
    }
    if (noiseBins == 0) {
        f.reason = QStringLiteral("too few samples");
        return result;
    }
    // The bins given to DC, tone and harmonics carry noise too: count it at the average level.
    const double noisePower = noiseSum / noiseBins * half;
    double harmonicPower = 0;
    for (size_t h = 0; h < harmonicSum.size(); ++h) {
        if (harmonicBins[h] == 0)
            continue;
        const double p = std::max(harmonicSum[h] - harmonicBins[h] * noiseSum / noiseBins, 0.0);
        harmonicPower += p;
        f.harmonicDbc[h] = Db(p / tonePower);
    }
    f.snrDb = Db(tonePower / noisePower);
    f.sinadDb = Db(tonePower / (noisePower + harmonicPower));
    f.thdDb = Db(harmonicPower / tonePower);
    // Peak bin to peak bin, as datasheets define it.
    f.sfdrDb = largestSpur > 0 ? Db(power[size_t(tone)] / largestSpur) : -kFloorDb;
    f.enob = (f.sinadDb - 1.76) / 6.02;
    f.noiseRmsCodes = std::sqrt(noisePower / (n * sumW2));
    if (options.dataRateHz > 0 && options.voltsPerCode > 0)
        f.nsdNvPerRootHz = f.noiseRmsCodes * options.voltsPerCode / std::sqrt(options.dataRateHz / 2.0) * 1e9;

    if (n < kShortestValidBlock) {
        f.reason = QStringLiteral("too few samples");
        return result;
    }
    if (!(power[size_t(tone)] >= ToneDetectionFactor(half) * floorMean)) {
        f.reason = QStringLiteral("no tone");
        return result;
    }
    if (tone <= 2 * span) {
        f.reason = QStringLiteral("tone too close to DC");
        return result;
    }
    if (tone + 2 * span >= half) {
        f.reason = QStringLiteral("tone too close to Nyquist");
        return result;
    }
    if (model && model->valid) {
        // The fitted tone through the same window: what of it lands where it does not belong.
        const std::vector<double> ideal = AveragedPower(FittedTone(*model, n), n, 1, w);
        double all = 0, inDc = 0, inNoise = 0;
        for (int k = 0; k <= half; ++k) {
            all += ideal[size_t(k)];
            if (k <= span)
                inDc += ideal[size_t(k)];
            else if (!taken[size_t(k)])
                inNoise += ideal[size_t(k)];
        }
        if (inDc > kDcShare * all) {
            f.reason = QStringLiteral("tone too close to DC");
            return result;
        }
        if (inNoise / noiseBins * half > kLeakageShare * noisePower) {
            f.reason = QStringLiteral("leakage-limited");
            return result;
        }
    }
    f.valid = true;
    return result;
}

} // namespace

WindowedSpectrum ComputeWindowedSpectrum(std::span<const double> codes, const SpectrumOptions &options)
{
    return Compute(codes, options, nullptr);
}

ToneAnalysis AnalyseTone(std::span<const double> codes, const SpectrumOptions &options)
{
    ToneAnalysis a;
    a.spectrum = Compute(codes, options, nullptr);
    SineFitOptions fitOptions;
    fitOptions.width = options.width;
    fitOptions.dataRateHz = options.dataRateHz;
    fitOptions.voltsPerCode = options.voltsPerCode;
    if (a.spectrum.figures.blockLength == 0) {
        a.sineFit.reason = a.spectrum.figures.reason;
        return a;
    }
    // The fit starts from the strongest line of a spectrum over the whole capture (averaged blocks
    // would place it only to within a block's bin).
    SpectrumFigures start = a.spectrum.figures;
    if (start.blocks > 1) {
        SpectrumOptions whole = options;
        whole.blocks = 1;
        start = Compute(codes, whole, nullptr).figures;
    }
    const double cycles = options.dataRateHz > 0 ? start.toneHz / options.dataRateHz : start.toneHz;
    // The strongest line beside DC's bins may be the skirt of a tone inside them: search down to DC.
    const double bins = cycles * double(codes.size());
    if (start.toneBin <= 2 * Info(options.window).span + 1)
        fitOptions.searchBins = bins;
    a.sineFit = FitSine(codes, cycles, fitOptions);
    if (a.spectrum.figures.valid && a.sineFit.valid)
        a.spectrum = Compute(codes, options, &a.sineFit);
    return a;
}

} // namespace vek
