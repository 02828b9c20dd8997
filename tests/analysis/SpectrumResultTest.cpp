#include "analysis/AnalysisSettings.h"
#include "analysis/Capture.h"
#include "analysis/ChartData.h"
#include "analysis/ResultFile.h"
#include "analysis/SingleConversion.h"
#include "analysis/Spectrum.h"
#include "analysis/Statistics.h"
#include "tests/analysis/SampleBytes.h"

#include <QFile>
#include <QTemporaryDir>
#include <clocale>
#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <memory>
#include <numbers>
#include <random>

using namespace vek;

TEST(Spectrum, MatchesAPlainDftOfTheSameInput)
{
    for (int n : {2, 8, 64, 1024}) {
        auto s = std::make_unique<SampleStore>();
        std::mt19937 rng(n);
        std::uniform_int_distribution<int> noise(-50, 50);
        for (int i = 0; i < n; ++i)
            s->RawSamples[i] = 1000.0 * std::sin(2 * std::numbers::pi * 5 * i / n) + noise(rng) + 300;
        ComputeSpectrum(*s, n);
        for (int k = 0; k < n; ++k) {
            std::complex<double> sum = 0;
            for (int i = 0; i < n; ++i)
                sum += std::complex<double>(s->RawSamples[i], -s->RawSamples[i]) *
                       std::polar(1.0, -2 * std::numbers::pi * k * i / n);
            ASSERT_NEAR(s->FftRe[k], sum.real(), 1e-6 * n) << n << " bin " << k;
            ASSERT_NEAR(s->FftIm[k], sum.imag(), 1e-6 * n) << n << " bin " << k;
        }
        const double dc = 20 * std::log10(std::fabs(s->FftRe[0]) / n);
        EXPECT_EQ(s->SpectrumDb[0], 0.0);
        for (int k = 1; k < n; ++k)
            EXPECT_NEAR(s->SpectrumDb[k], 20 * std::log10(std::fabs(s->FftRe[k]) / n) - dc, 1e-9);
    }
}

TEST(Spectrum, LengthIsAPowerOfTwoWithinTheArrays)
{
    EXPECT_EQ(SpectrumLength(0), 0);
    EXPECT_EQ(SpectrumLength(1), 1);
    EXPECT_EQ(SpectrumLength(250), 128);
    EXPECT_EQ(SpectrumLength(256), 256);
    EXPECT_EQ(SpectrumLength(1 << 20), kSampleCapacity);
}

TEST(Spectrum, ZeroBinsLeaveNothingOfAnEarlierCapture)
{
    auto s = std::make_unique<SampleStore>();
    std::fill(s->SpectrumDb.begin(), s->SpectrumDb.end(), 123.0);
    for (int i = 0; i < 8; ++i)
        s->RawSamples[i] = 40; // a constant: every bin but DC is exactly 0
    ComputeSpectrum(*s, 8);
    EXPECT_EQ(s->SpectrumDb[0], 0.0);
    for (int k = 1; k < 8; ++k) {
        EXPECT_EQ(s->FftRe[k], 0.0) << k;
        EXPECT_EQ(s->SpectrumDb[k], kEmptyBinDb) << k;
    }
}

TEST(Chart, CountsAndAxesOfBothViews)
{
    auto s = std::make_unique<SampleStore>();
    s->BinSpacingHz = 2.5;
    s->ElapsedMs = 400;
    s->ScaleDivisor = 4;
    s->RawSamples[0] = -5;
    s->RawSamples[1] = 9.7;
    s->SpectrumDb[3] = -80;
    const ChartContent f = BuildChart(*s, 1024, true, false);
    EXPECT_EQ(f.title, "Frequence Domain");
    EXPECT_EQ(f.bottomTitle, "Frequence  Hz");
    EXPECT_EQ(f.leftTitle, "dB");
    ASSERT_EQ(f.x.size(), 512);
    EXPECT_DOUBLE_EQ(f.x[0], 0);
    EXPECT_DOUBLE_EQ(f.x[3], 7.5);
    EXPECT_DOUBLE_EQ(f.y[3], -80);
    EXPECT_DOUBLE_EQ(f.bottomMax, 2.5 * 512);
    EXPECT_DOUBLE_EQ(f.bottomIncrement, 2.5);

    const ChartContent t = BuildChart(*s, 1024, false, false);
    EXPECT_EQ(t.title, "Time Domain");
    EXPECT_EQ(t.bottomTitle, "Time  ms");
    EXPECT_EQ(t.leftTitle, "Degree");
    ASSERT_EQ(t.x.size(), 1024);
    EXPECT_DOUBLE_EQ(t.bottomMax, 400);
    EXPECT_DOUBLE_EQ(t.x[1], 400.0 / 1024);
    EXPECT_DOUBLE_EQ(t.y[0], -1); // floor(-5) div 4, toward zero
    EXPECT_DOUBLE_EQ(t.y[1], 2);  // floor(9.7) = 9, div 4
    EXPECT_EQ(BuildChart(*s, 1 << 20, false, false).x.size(), kSampleCapacity);
    EXPECT_EQ(BuildChart(*s, 0, false, false).x.size(), 0);

    s->CombSamples[0] = 17;
    EXPECT_DOUBLE_EQ(BuildChart(*s, 4, false, true).y[0], 4);
}

namespace {

std::unique_ptr<SampleStore> Grid(int target, int samples)
{
    auto s = std::make_unique<SampleStore>();
    s->TargetCount = target;
    for (int i = 0; i < samples; ++i)
        s->grid.SetInteger(i, i % 2 ? -i : i);
    return s;
}

const QByteArray kHeader = QByteArray("\xA5\xAD\xA7\xA1\xAD\xC8") +
                           ", VPP(nV), RMS Noise(nV), Enob, VPP(count), RMS Noise(count), Noise Free\r\n";

AnalysisResults SomeResults()
{
    AnalysisResults r;
    r.mean = -12.5;
    r.vppNv = 286.102294921875;
    r.rmsNv = 1;
    r.enob = 21.25;
    r.vppCount = 8;
    r.sigma = 4;
    r.noiseFree = 20;
    return r;
}

const QByteArray kValues = "-12.500000,286.102295,1.000000,21.250000,8.000000,4.000000,20.000000\r\n";

} // namespace

TEST(ResultFile, SmallTargetsHoldOnlyTheHeaderAndTheFigures)
{
    for (int target : {2, 4, 8}) {
        auto s = Grid(target, target);
        const QByteArray bytes =
            ResultFileBytes(s->grid, CaptureTarget(target) / SampleGrid::kColumns, SomeResults());
        EXPECT_EQ(bytes, kHeader + kValues) << target;
    }
}

TEST(ResultFile, RowsOfSixteenThenHeaderAndFigures)
{
    auto s = Grid(32, 32);
    QByteArray row0, row1;
    for (int i = 0; i < 16; ++i)
        row0 += QByteArray::number(i % 2 ? -i : i) + ", ";
    for (int i = 16; i < 32; ++i)
        row1 += QByteArray::number(i % 2 ? -i : i) + ", ";
    QTemporaryDir dir;
    const QString path = dir.filePath("VekADC.CSV");
    ASSERT_TRUE(SaveResultFile(path, *s, SomeResults()));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), row0 + "\r\n" + row1 + "\r\n" + kHeader + kValues);
}

TEST(ResultFile, AnIncompleteRowEndsTheValuesAndFractionsAreRounded)
{
    auto s = Grid(64, 20); // a stopped capture: 20 of 64 samples
    s->grid.SetFixed(0, 2.5);
    s->grid.SetFixed(1, -2.75);
    const QByteArray bytes = ResultFileBytes(s->grid, 4, SomeResults());
    EXPECT_TRUE(bytes.startsWith("3, -3, 2, -3, 4, "));
    EXPECT_EQ(bytes.count("\r\n"), 3);
}

TEST(SingleConversion, RequestBytesByInterfaceAndPhotoBox)
{
    using R = std::array<uint8_t, 9>;
    EXPECT_EQ(SingleConversionRequest(1, false, 0, "D4"),
              (R{0xBB, 0, 0, 0xD4, 0, 0xF0, 0, 0x08, 0x64}));
    EXPECT_EQ(SingleConversionRequest(1, true, 3, "1D4"),
              (R{0xBD, 0, 3, 0xD4, 0x01, 0xF0, 0, 0x08, 0x64}));
    EXPECT_EQ(SingleConversionRequest(2, true, 7, "zz"), (R{0xBE, 1, 0, 0, 0, 0xF0, 0, 0x08, 0x64}));
    EXPECT_EQ(SingleConversionRequest(4, false, 1, "d4")[0], 0xBA);
}

TEST(SingleConversion, ReplyByMode)
{
    // A = 100, B = -20 (0xFFFFEC), divisor 2 -> A 50, B -10.
    const uint8_t reply[7] = {0xFA, 100, 0, 0, 0xEC, 0xFF, 0xFF};
    int32_t v = 0;
    EXPECT_TRUE(ReadSingleConversionReply(reply, 0, 2, v));
    EXPECT_EQ(v, 50);
    EXPECT_TRUE(ReadSingleConversionReply(reply, 1, 2, v));
    EXPECT_EQ(v, 60);
    EXPECT_TRUE(ReadSingleConversionReply(reply, 3, 2, v));
    EXPECT_EQ(v, 30);
    const uint8_t odd[7] = {0xFA, 0xFD, 0xFF, 0xFF, 0, 0, 0}; // A = -3, B = 0
    EXPECT_TRUE(ReadSingleConversionReply(odd, 3, 1, v));
    EXPECT_EQ(v, -1); // -3 / 2 toward zero
    const uint8_t bad[7] = {0xF0, 1, 0, 0, 0, 0, 0};
    EXPECT_FALSE(ReadSingleConversionReply(bad, 0, 1, v));
    EXPECT_FALSE(ReadSingleConversionReply(std::span<const uint8_t>(reply, 6), 0, 1, v));
}

TEST(ResultFile, FiguresGridAndChartKeepThePointUnderACommaLocale)
{
    auto s = std::make_unique<SampleStore>();
    for (int i = 0; i < 16; ++i)
        s->grid.SetInteger(i, 100 + i);
    AnalysisResults r;
    r.mean = 33.5;
    r.vppNv = 264358.520508;
    r.rmsNv = 1.25;
    r.enob = 17.75;
    const QByteArray inC = ResultFileBytes(s->grid, 1, r);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "no de_DE.UTF-8 locale (tools/deps.sh makes one)";
    const QByteArray inDe = ResultFileBytes(s->grid, 1, r);
    const QString figure = FigureText(33.5);
    s->grid.SetFixed(20, 2.5);
    const QString cell = s->grid.Text(20);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(inDe, inC);
    EXPECT_TRUE(inC.endsWith("33.500000,264358.520508,1.250000,17.750000,0.000000,0.000000,0.000000\r\n"));
    EXPECT_EQ(figure, QStringLiteral("33.500000"));
    EXPECT_EQ(cell, QStringLiteral("2.500000"));
    EXPECT_DOUBLE_EQ(s->grid.Value(20), 2.5);
}

TEST(Chart, ACaptureOfNoMeasurableTimeStillHasAnAxis)
{
    auto s = std::make_unique<SampleStore>();
    s->ElapsedMs = 0;
    s->BinSpacingHz = 1;
    const ChartContent time = BuildChart(*s, 330, false, false);
    EXPECT_GT(time.bottomMax, 0);
    EXPECT_TRUE(std::isfinite(time.bottomIncrement) && time.bottomIncrement > 0);
    EXPECT_LT(time.x[0], time.x[329]);
    const ChartContent freq = BuildChart(*s, 1, true, false);
    EXPECT_GT(freq.bottomMax, 0);
}
