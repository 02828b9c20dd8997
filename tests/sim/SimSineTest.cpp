// The sine on the simulated converter's input: its level, frequency, harmonics and the noise
// measured from the codes, and the command-line text that sets it.
#include "sim/SimulatedBoard.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace vek;
using namespace vek::sim;

namespace {
// Amplitude of the component at `cycles` cycles over the record (a whole number: no leakage).
double AmplitudeAt(const std::vector<double> &x, double cycles)
{
    double re = 0, im = 0;
    const double n = double(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        const double a = 2 * std::numbers::pi * cycles * double(i) / n;
        re += x[i] * std::cos(a);
        im += x[i] * std::sin(a);
    }
    return 2 * std::hypot(re, im) / n;
}
} // namespace

TEST(SimSine, CodesCarryTheToneAndHarmonicsTheSettingsGive)
{
    FakeClock clock;
    SimulatedBoard board(clock);
    QString error;
    ASSERT_TRUE(board.ApplySine(QStringLiteral("0.3, 50, -60"), &error)) << error.toStdString();
    SimAdc &adc = board.adc;
    adc.Seed(5);
    const int n = 16384;
    const double cycles = 50.0 / adc.DataRateHz() * n; // 80 at the power-up rate of 10240 Hz
    ASSERT_DOUBLE_EQ(cycles, 80.0);
    // Reads of the output register between results (a live word on the ADC panel) leave the
    // stream's tone alone.
    std::vector<double> x(n);
    for (int i = 0; i < n; ++i) {
        x[size_t(i)] = adc.NextCode();
        if (i % 16 == 0)
            adc.ConvertNow();
    }
    const double a = adc.SineAmplitudeCodes();
    EXPECT_DOUBLE_EQ(a, 0.3 * 0.25 / 1.2 * 4194304.0); // power-up gain 1/4, 2^22 codes to the reference
    EXPECT_NEAR(AmplitudeAt(x, cycles), a, a * 1e-4);
    const double h2 = AmplitudeAt(x, 2 * cycles), h3 = AmplitudeAt(x, 3 * cycles);
    EXPECT_NEAR(20 * std::log10(std::hypot(h2, h3) / a), -60.0, 0.1);
    EXPECT_NEAR(h2 / h3, 1.0, 0.05);

    // At half the data rate the same tone takes half as many results per cycle.
    board.usb.board.memory.Write(0x31, 1); // output divider /2
    std::vector<double> y(n / 2);
    for (double &v : y)
        v = adc.NextCode();
    EXPECT_NEAR(AmplitudeAt(y, cycles), a, a * 1e-4);
}

TEST(SimSine, CommandLineTextIsCheckedBeforeAnythingChanges)
{
    FakeClock clock;
    SimulatedBoard board(clock);
    QString error;
    ASSERT_TRUE(board.ApplySine(QStringLiteral("0.4,50"), &error));
    EXPECT_EQ(board.adc.sine.amplitudeVolts, 0.4);
    EXPECT_EQ(board.adc.sine.frequencyHz, 50.0);
    EXPECT_FALSE(board.adc.sine.thdDbc.has_value());
    for (const char *bad : {"0.4", "0.4,50,-70,1", "x,50", "0.4,fifty", "-0.1,50", "0.4,0", "0.4,-5",
                            "0.4,50,6", "0.4,inf", "0.4,50,"}) {
        error.clear();
        EXPECT_FALSE(board.ApplySine(QString::fromLatin1(bad), &error)) << bad;
        EXPECT_TRUE(error.startsWith(QStringLiteral("--sine"))) << bad;
    }
    EXPECT_EQ(board.adc.sine.amplitudeVolts, 0.4); // the last good setting stays
    EXPECT_EQ(board.adc.sine.frequencyHz, 50.0);
}
