// The windowed spectrum's validity and the sine fit: tones of the simulated converter at random
// levels, frequencies, distortion and lengths, checked against a fit started from the true
// frequency and against what the converter model should give.
#include "analysis/WindowedSpectrum.h"
#include "sim/SimulatedBoard.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <random>

using namespace vek;

namespace {

constexpr SpectrumWindow kWindows[] = {SpectrumWindow::Rectangular, SpectrumWindow::Hann,
                                       SpectrumWindow::BlackmanHarris4};

std::vector<double> Codes(sim::SimAdc &adc, int n)
{
    std::vector<double> x(static_cast<size_t>(n));
    for (double &v : x)
        v = adc.NextCode();
    return x;
}

} // namespace

TEST(ToneFigures, EveryValidFigureSetAgreesWithASineFitOfRandomSimulatedTones)
{
    std::mt19937_64 rng(20261209);
    auto logUniform = [&](double lo, double hi) {
        return std::exp(std::uniform_real_distribution<double>(std::log(lo), std::log(hi))(rng));
    };
    int valid = 0, invalid = 0;
    std::map<std::string, int> reasons;
    for (int c = 0; c < 24; ++c) {
        FakeClock clock;
        sim::SimulatedBoard board(clock);
        sim::SimAdc &adc = board.adc;
        adc.Seed(uint64_t(c) + 1);
        adc.sine.amplitudeVolts = logUniform(0.003, 0.45);
        adc.sine.frequencyHz = logUniform(20, 3000);
        if (c % 4 != 0)
            adc.sine.thdDbc = std::uniform_real_distribution<double>(-95, -50)(rng);
        const int n = 4096 << std::uniform_int_distribution<int>(0, 3)(rng);
        const double rate = adc.DataRateHz();
        const double expectedSnr = adc.ExpectedSnrDb();
        const std::vector<double> x = Codes(adc, n);
        SCOPED_TRACE("case " + std::to_string(c) + ": " + std::to_string(adc.sine.amplitudeVolts) + " V, " +
                     std::to_string(adc.sine.frequencyHz) + " Hz, THD " +
                     std::to_string(adc.sine.thdDbc.value_or(0)) + ", " + std::to_string(n) + " samples");

        // The reference: the fit started from the true frequency, and the model's own SNR.
        SineFitOptions fitOptions;
        fitOptions.dataRateHz = rate;
        const SineFitFigures truth = FitSine(x, adc.sine.frequencyHz / rate, fitOptions);
        ASSERT_TRUE(truth.valid) << truth.reason.toStdString();
        EXPECT_NEAR(truth.snrDb, expectedSnr, 0.5);
        EXPECT_NEAR(truth.toneHz, adc.sine.frequencyHz, adc.sine.frequencyHz * 1e-4);
        // Harmonics stand above the noise when their bins clear the floor by 20 dB.
        const bool thdAbove =
            adc.sine.thdDbc && *adc.sine.thdDbc + truth.snrDb + 10 * std::log10(n / 2.0) - 3 > 20;
        if (thdAbove) {
            EXPECT_NEAR(truth.thdDb, *adc.sine.thdDbc, 1.0);
        }

        for (SpectrumWindow window : kWindows) {
            SCOPED_TRACE(WindowName(window).toStdString());
            SpectrumOptions o;
            o.window = window;
            o.dataRateHz = rate;
            const ToneAnalysis a = AnalyseTone(x, o);
            ASSERT_TRUE(a.sineFit.valid) << a.sineFit.reason.toStdString();
            EXPECT_NEAR(a.sineFit.sinadDb, truth.sinadDb, 0.01);
            const SpectrumFigures &f = a.spectrum.figures;
            if (!f.valid) {
                ++invalid;
                ++reasons[(WindowShortName(window) + QLatin1Char(' ') + f.reason).toStdString()];
                EXPECT_FALSE(f.reason.isEmpty());
                continue;
            }
            ++valid;
            EXPECT_NEAR(f.snrDb, truth.snrDb, 0.5);
            EXPECT_NEAR(f.sinadDb, truth.sinadDb, 0.5);
            if (thdAbove) {
                EXPECT_NEAR(f.thdDb, truth.thdDb, 1.0);
            }
        }
    }
    std::printf("windowed figure sets: %d valid, %d marked not valid:", valid, invalid);
    for (const auto &[reason, count] : reasons)
        std::printf(" %s %d;", reason.c_str(), count);
    std::printf("\n");
    EXPECT_GT(valid, 24); // the windows that suit a tone do measure it
}

TEST(ToneFigures, NoiseAloneLeakageAndEdgesAreSaidNotMeasured)
{
    FakeClock clock;
    sim::SimulatedBoard board(clock);
    board.adc.Seed(3);
    // The plain noise test: no tone for any window, nor for the fit.
    const std::vector<double> noise = Codes(board.adc, 8192);
    for (SpectrumWindow window : kWindows) {
        SpectrumOptions o;
        o.window = window;
        const ToneAnalysis a = AnalyseTone(noise, o);
        EXPECT_FALSE(a.spectrum.figures.valid);
        EXPECT_EQ(a.spectrum.figures.reason, QStringLiteral("no tone"));
        EXPECT_FALSE(a.sineFit.valid);
    }

    // A strong tone between bins: the rectangular window's skirt buries the noise; Hann does not.
    board.adc.sine.amplitudeVolts = 0.3;
    board.adc.sine.frequencyHz = 1234.5;
    const std::vector<double> tone = Codes(board.adc, 8192);
    SpectrumOptions rect;
    rect.window = SpectrumWindow::Rectangular;
    EXPECT_EQ(AnalyseTone(tone, rect).spectrum.figures.reason, QStringLiteral("leakage-limited"));
    SpectrumOptions hann;
    hann.window = SpectrumWindow::Hann;
    EXPECT_TRUE(AnalyseTone(tone, hann).spectrum.figures.valid);

    // A tone a few bins from DC: the windows cannot measure it, the fit can.
    board.adc.sine.frequencyHz = 4.3 * board.adc.DataRateHz() / 4096;
    const std::vector<double> low = Codes(board.adc, 4096);
    SpectrumOptions bh;
    const ToneAnalysis a = AnalyseTone(low, bh);
    EXPECT_EQ(a.spectrum.figures.reason, QStringLiteral("tone too close to DC"));
    EXPECT_TRUE(a.sineFit.valid);
    EXPECT_EQ(AnalyseTone(std::vector<double>(40, 1.0), bh).spectrum.figures.reason, QStringLiteral("too few samples"));
}
