// Times the analysis of 65,536 codes: the windowed spectrum with its figures (each window, and
// with four averaged blocks) beside the real-part spectrum of the analysis window, the sine fit
// with harmonics (target under 50 ms), the whole tone analysis, and the code histogram. Prints the
// median of 21 runs of each.
#include "app/base/CommandLine.h"
#include "analysis/CodeHistogram.h"
#include "analysis/Spectrum.h"
#include "analysis/WindowedSpectrum.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>

using namespace vek;

namespace {

double MedianMs(const std::function<void()> &work)
{
    std::vector<double> ms;
    for (int i = 0; i < 21; ++i) {
        const auto t = std::chrono::steady_clock::now();
        work();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count());
    }
    std::nth_element(ms.begin(), ms.begin() + 10, ms.end());
    return ms[10];
}

} // namespace

int main(int argc, char **argv)
{
    if (const int rc = vek::RefuseEveryArgument("spectrum_bench", argc, argv))
        return rc;
    constexpr int n = 65536;
    std::mt19937_64 rng(1);
    std::normal_distribution<double> noise(0.0, 30.0);
    std::vector<double> codes(n);
    for (int i = 0; i < n; ++i)
        codes[size_t(i)] = 400000 * std::sin(0.0123 * i) + 40 * std::sin(0.0246 * i + 0.5) + noise(rng);

    SampleStore store;
    const double specified = MedianMs([&] {
        std::copy(codes.begin(), codes.end(), store.RawSamples.begin());
        ComputeSpectrum(store, n);
    });
    std::printf("real-part spectrum (radix-2), %d samples: %.3f ms\n", n, specified);
    double checksum = 0;
    for (SpectrumWindow w : {SpectrumWindow::Rectangular, SpectrumWindow::Hann, SpectrumWindow::BlackmanHarris4})
        for (int blocks : {1, 4}) {
            SpectrumOptions o;
            o.window = w;
            o.blocks = blocks;
            o.dataRateHz = 1000;
            o.voltsPerCode = 1e-7;
            const double ms = MedianMs([&] { checksum += ComputeWindowedSpectrum(codes, o).figures.snrDb; });
            std::printf("windowed spectrum with figures (FFTW, %s, %d block%s): %.3f ms\n",
                        qPrintable(WindowName(w)), blocks, blocks == 1 ? "" : "s", ms);
        }
    SineFitOptions fitOptions;
    fitOptions.dataRateHz = 1000;
    int iterations = 0;
    const double fit = MedianMs([&] {
        const SineFitFigures f = FitSine(codes, 0.0123 / (2 * 3.141592653589793) * 1.0001, fitOptions);
        checksum += f.sinadDb;
        iterations = f.iterations;
    });
    std::printf("sine fit with harmonics 2-6, %d samples (%d steps): %.3f ms (target < 50 ms) %s\n", n, iterations,
                fit, fit < 50 ? "ok" : "MISSED");
    SpectrumOptions tone;
    tone.dataRateHz = 1000;
    const double analysis = MedianMs([&] { checksum += AnalyseTone(codes, tone).sineFit.snrDb; });
    std::printf("tone analysis (windowed spectrum, sine fit, leakage check), %d samples: %.3f ms\n", n, analysis);
    const double histogram = MedianMs([&] { checksum += double(BuildCodeHistogram(codes).total); });
    std::printf("code histogram, %d codes: %.3f ms\n", n, histogram);
    std::printf("(checksum %.1f)\n", checksum);
    return 0;
}
