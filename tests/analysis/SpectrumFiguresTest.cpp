// The windowed spectrum's figures against synthetic captures of known make-up, the code histogram
// and the JSON results.
#include "analysis/CodeHistogram.h"
#include "analysis/ResultJson.h"
#include "analysis/WindowedSpectrum.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>
#include <random>

using namespace vek;

namespace {

struct Tone {
    double amplitude = 0, cyclesPerSample = 0, noiseSigma = 0, hd2Dbc = -400, hd3Dbc = -400;
};

std::vector<double> Synthesize(const Tone &t, int n, uint64_t seed = 7)
{
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> noise(0.0, t.noiseSigma);
    std::vector<double> x(static_cast<size_t>(n));
    const double a2 = t.amplitude * std::pow(10.0, t.hd2Dbc / 20), a3 = t.amplitude * std::pow(10.0, t.hd3Dbc / 20);
    for (int i = 0; i < n; ++i) {
        const double ph = 2 * std::numbers::pi * t.cyclesPerSample * i;
        x[size_t(i)] = 1234.0 + t.amplitude * std::sin(ph) + a2 * std::sin(2 * ph + 0.3) + a3 * std::sin(3 * ph + 1.1) +
                       noise(rng);
    }
    return x;
}

} // namespace

TEST(WindowedSpectrum, FiguresMatchAToneOfKnownNoiseAndDistortion)
{
    // 24-bit codes: amplitude 2^21 (-6.02 dBFS), SNR 80 dB, HD2 -75 dBc and HD3 -72 dBc, a tone
    // between bins, sampled at 1000 Hz.
    Tone t;
    t.amplitude = std::ldexp(1.0, 21);
    t.noiseSigma = t.amplitude / std::sqrt(2.0) * std::pow(10.0, -80.0 / 20);
    t.cyclesPerSample = 1234.37 / 65536;
    t.hd2Dbc = -75;
    t.hd3Dbc = -72;
    const std::vector<double> x = Synthesize(t, 65536);
    const double thd = 10 * std::log10(std::pow(10.0, -7.5) + std::pow(10.0, -7.2));
    const double sinad = -10 * std::log10(std::pow(10.0, -8.0) + std::pow(10.0, thd / 10));

    for (SpectrumWindow window : {SpectrumWindow::Hann, SpectrumWindow::BlackmanHarris4})
        for (int blocks : {1, 4}) {
            SCOPED_TRACE(WindowName(window).toStdString() + " blocks " + std::to_string(blocks));
            SpectrumOptions o;
            o.window = window;
            o.blocks = blocks;
            o.dataRateHz = 1000;
            o.voltsPerCode = 1e-7;
            const WindowedSpectrum s = ComputeWindowedSpectrum(x, o);
            const SpectrumFigures &f = s.figures;
            ASSERT_TRUE(f.valid);
            EXPECT_EQ(f.blocks, blocks);
            EXPECT_EQ(f.blockLength, 65536 / blocks);
            EXPECT_EQ(s.dbfs.size(), size_t(65536 / blocks / 2 + 1));
            EXPECT_NEAR(f.toneHz, t.cyclesPerSample * 1000, 1000.0 / f.blockLength / 4);
            EXPECT_NEAR(f.toneDbfs, 20 * std::log10(0.25), 0.1);
            EXPECT_NEAR(f.snrDb, 80.0, 0.2);
            EXPECT_NEAR(f.thdDb, thd, 0.2);
            EXPECT_NEAR(f.sinadDb, sinad, 0.2);
            EXPECT_NEAR(f.harmonicDbc[0], -75, 0.3);
            EXPECT_NEAR(f.harmonicDbc[1], -72, 0.3);
            EXPECT_NEAR(f.sfdrDb, 72, 1.5); // peak bin to peak bin: each scallops its own way
            EXPECT_NEAR(f.noiseRmsCodes / t.noiseSigma, 1.0, 0.02);
            EXPECT_NEAR(f.nsdNvPerRootHz, t.noiseSigma * 1e-7 / std::sqrt(500.0) * 1e9, 0.02 * f.nsdNvPerRootHz);
            // The tone's bin stands at its level in dBFS (within the window's scalloping).
            EXPECT_NEAR(s.dbfs[size_t(f.toneBin)], -12.04, window == SpectrumWindow::Hann ? 1.5 : 0.9);
        }
}

TEST(WindowedSpectrum, ARectangularWindowMeasuresACoherentTone)
{
    Tone t;
    t.amplitude = 1000;
    t.noiseSigma = 1;
    t.cyclesPerSample = 101.0 / 4096;
    SpectrumOptions o;
    o.window = SpectrumWindow::Rectangular;
    o.width = 16;
    const SpectrumFigures f = ComputeWindowedSpectrum(Synthesize(t, 4096), o).figures;
    ASSERT_TRUE(f.valid);
    EXPECT_EQ(f.toneBin, 101);
    EXPECT_NEAR(f.toneHz, 101.0 / 4096, 1e-6); // cycles per sample without a rate
    EXPECT_NEAR(f.snrDb, 10 * std::log10(1000.0 * 1000 / 2), 0.3);
    EXPECT_NEAR(f.toneDbfs, 20 * std::log10(1000.0 / 32768), 0.05);
    EXPECT_EQ(f.nsdNvPerRootHz, 0.0);
}

TEST(WindowedSpectrum, CapturesWithoutATellNothingAndNeverFail)
{
    EXPECT_TRUE(ComputeWindowedSpectrum(std::vector<double>(15, 3.0), {}).dbfs.empty());
    const WindowedSpectrum flat = ComputeWindowedSpectrum(std::vector<double>(1024, 3.0), {});
    EXPECT_FALSE(flat.figures.valid);
    ASSERT_EQ(flat.dbfs.size(), 513u);
    EXPECT_EQ(flat.dbfs[100], -300.0);
    std::vector<double> withNan(1024, 1.0);
    withNan[5] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(ComputeWindowedSpectrum(withNan, {}).figures.valid);
    // More blocks than the capture holds fall back to blocks of 16 samples.
    SpectrumOptions o;
    o.blocks = 1000;
    const SpectrumFigures f = ComputeWindowedSpectrum(Synthesize({100, 0.1, 1}, 64), o).figures;
    EXPECT_EQ(f.blocks, 4);
    EXPECT_EQ(f.blockLength, 16);
    SpectrumWindow w;
    EXPECT_TRUE(WindowFromText(QStringLiteral("HANN"), w));
    EXPECT_EQ(w, SpectrumWindow::Hann);
    EXPECT_TRUE(WindowFromText(QStringLiteral("Blackman-Harris"), w));
    EXPECT_EQ(w, SpectrumWindow::BlackmanHarris4);
    EXPECT_FALSE(WindowFromText(QStringLiteral("kaiser"), w));
}

TEST(CodeHistogram, CountsCodesMergesWideSpreadsAndCountsTheTails)
{
    std::vector<double> codes;
    for (int c = 0; c < 10; ++c)
        for (int k = 0; k <= c; ++k)
            codes.push_back(c + 0.2); // rounds to c
    CodeHistogram h = BuildCodeHistogram(codes);
    ASSERT_EQ(h.counts.size(), 10u);
    EXPECT_EQ(h.binWidth, 1.0);
    for (int c = 0; c < 10; ++c) {
        EXPECT_EQ(h.counts[size_t(c)], uint32_t(c + 1));
        EXPECT_DOUBLE_EQ(h.BinCentre(size_t(c)), c);
    }
    EXPECT_EQ(h.total, 55);

    // A Gaussian spread of 65,536 codes over about 8,000 codes: at most 512 bins, every sample
    // counted, the Gaussian overlay agreeing with the counts, the tails as the normal law says.
    std::mt19937_64 rng(3);
    std::normal_distribution<double> normal(5000.0, 1000.0);
    codes.assign(65536, 0);
    for (double &c : codes)
        c = normal(rng);
    codes[0] = 5000 + 7 * 1000; // one far out
    h = BuildCodeHistogram(codes);
    EXPECT_LE(h.counts.size(), 512u);
    EXPECT_GT(h.binWidth, 1.0);
    int64_t sum = 0;
    double gaussianSum = 0;
    for (size_t b = 0; b < h.counts.size(); ++b) {
        sum += h.counts[b];
        gaussianSum += h.gaussian[b];
    }
    EXPECT_EQ(sum, 65536);
    EXPECT_NEAR(gaussianSum, 65536, 20);
    const size_t peak = size_t((h.mean - h.firstCode) / h.binWidth);
    EXPECT_NEAR(h.counts[peak] / h.gaussian[peak], 1.0, 0.1);
    EXPECT_NEAR(h.sigma, 1000, 15);
    EXPECT_NEAR(double(h.beyond3Sigma), 65536 * 0.0027, 40);
    EXPECT_EQ(h.beyond6Sigma, 1);

    // Nothing counted, and no spread at all.
    EXPECT_TRUE(BuildCodeHistogram(std::vector<double>{std::nan("")}).counts.empty());
    h = BuildCodeHistogram(std::vector<double>(100, -42.0));
    ASSERT_EQ(h.counts.size(), 1u);
    EXPECT_EQ(h.beyond3Sigma, 0);
    EXPECT_EQ(h.gaussian[0], 100.0);
}

TEST(ResultJson, IsOneObjectWithNullForFiguresWithoutValue)
{
    RunDescription run;
    run.chip = QStringLiteral("ZR100");
    run.interfaceName = QStringLiteral("SPI");
    run.samples = 4096;
    run.dataRateHz = 976.5625;
    AnalysisResults figures;
    figures.enob = 19.25;
    ToneAnalysis tone;
    tone.spectrum.figures.snrDb = std::numeric_limits<double>::infinity();
    tone.spectrum.figures.reason = QStringLiteral("no tone");
    tone.sineFit.valid = true;
    tone.sineFit.toneHz = 50;
    const QJsonObject o = QJsonDocument::fromJson(ResultJson(run, figures, tone)).object();
    EXPECT_EQ(o[QStringLiteral("settings")][QStringLiteral("chip")].toString(), QStringLiteral("ZR100"));
    EXPECT_EQ(o[QStringLiteral("settings")][QStringLiteral("dataRateHz")].toDouble(), 976.5625);
    EXPECT_EQ(o[QStringLiteral("figures")][QStringLiteral("enob")].toDouble(), 19.25);
    EXPECT_TRUE(o[QStringLiteral("spectrum")][QStringLiteral("snrDb")].isNull());
    EXPECT_EQ(o[QStringLiteral("spectrum")][QStringLiteral("harmonicsDbc")].toArray().size(), 5);
    EXPECT_EQ(o[QStringLiteral("spectrum")][QStringLiteral("reason")].toString(), QStringLiteral("no tone"));
    EXPECT_EQ(o[QStringLiteral("sineFit")][QStringLiteral("toneHz")].toDouble(), 50.0);
    EXPECT_TRUE(o[QStringLiteral("sineFit")][QStringLiteral("reason")].isUndefined()); // valid: no reason
}
