#include "analysis/AnalysisSettings.h"
#include "analysis/Capture.h"
#include "analysis/Statistics.h"
#include "tests/analysis/SampleBytes.h"

#include <gtest/gtest.h>
#include <memory>

using namespace vek;
using vek::test::CaptureBytes;

namespace {

constexpr double kCountNv = 1.2e9 / 4194304.0; // one count at width 24, 1.2 V, gain 1

// A finished streamed capture of the given codes.
std::unique_ptr<SampleStore> Captured(const std::vector<int32_t> &codes, int scaleIndex = 16,
                                      bool stopped = false)
{
    auto s = std::make_unique<SampleStore>();
    s->TargetCount = static_cast<int32_t>(codes.size());
    ApplyScaleIndex(*s, scaleIndex);
    BeginCapture(*s, 46000.0);
    s->CaptureIdle = false;
    const std::vector<uint8_t> bytes = CaptureBytes(codes);
    DecodeBlock(*s, bytes.data(), bytes.size());
    if (stopped)
        s->CaptureIdle = true;
    FinishCapture(*s, 46000.0 + 1.0 / 86400.0, false);
    return s;
}

std::vector<int32_t> Alternating(int n, int32_t a, int32_t b)
{
    std::vector<int32_t> v;
    for (int i = 0; i < n; ++i)
        v.push_back(i % 2 ? b : a);
    return v;
}

} // namespace

TEST(Gain, RegisterTable)
{
    struct Case {
        uint8_t r3C, r3D;
        double gain;
    } cases[] = {
        {0x00, 0x00, 0.25}, {0x01, 0x00, 0.5}, {0x02, 0x00, 1},  {0x03, 0x00, 2},
        {0x04, 0x00, 4},    {0x05, 0x00, 8},   {0x06, 0x00, 16}, {0x07, 0x00, 16},
        {0x0A, 0x00, 2},    {0x12, 0x00, 4},   {0x1A, 0x00, 8},  {0x02, 0x08, 2},
        {0x1F, 0x08, 256},  {0x1F, 0xF7, 128}, {0xE2, 0x00, 1},
    };
    for (const Case &c : cases)
        EXPECT_DOUBLE_EQ(GainFromRegisters(c.r3C, c.r3D), c.gain) << int(c.r3C) << " " << int(c.r3D);
    EXPECT_DOUBLE_EQ(GainFromReads(std::nullopt, std::nullopt), 1.0);
    EXPECT_DOUBLE_EQ(GainFromReads(std::nullopt, 0x08), 2.0);
    std::array<uint8_t, 1024> image{};
    image[0x3C] = 0x1F;
    image[0x3D] = 0x08;
    EXPECT_DOUBLE_EQ(GainFromImage(image), 256.0);
}

TEST(Streamed, SigmaOfOneAndFourGiveTheStatedEnob)
{
    struct Case {
        int32_t a, b;
        double sigma, enob, vpp;
    } cases[] = {{100, 102, 1, 23, 2}, {97, 105, 4, 21, 8}};
    for (const Case &c : cases) {
        auto s = Captured(Alternating(64, c.a, c.b));
        AnalysisResults r;
        const auto f = MeasureStreamed(*s, MeasureSettings{}, r);
        ASSERT_TRUE(f);
        EXPECT_DOUBLE_EQ(f->mean, (c.a + c.b) / 2.0);
        EXPECT_DOUBLE_EQ(f->sigma, c.sigma);
        EXPECT_DOUBLE_EQ(f->enob, c.enob);
        EXPECT_DOUBLE_EQ(f->vppCount, c.vpp);
        EXPECT_DOUBLE_EQ(f->noiseFree, 23 - std::log2(c.vpp));
        EXPECT_NEAR(f->rmsNv, c.sigma * kCountNv, 1e-9);
        EXPECT_NEAR(f->vppNv, c.vpp * kCountNv, 1e-9);
        EXPECT_DOUBLE_EQ(r.enob, f->enob);
        EXPECT_DOUBLE_EQ(r.sigma, f->sigma);
        EXPECT_DOUBLE_EQ(r.vppNv, f->vppNv);
    }
}

TEST(Streamed, AllSamplesEqualLeaveEveryBit)
{
    auto s = Captured(std::vector<int32_t>(32, -5000));
    AnalysisResults r;
    const auto f = MeasureStreamed(*s, MeasureSettings{}, r);
    ASSERT_TRUE(f);
    EXPECT_DOUBLE_EQ(f->sigma, 0);
    EXPECT_DOUBLE_EQ(f->enob, 23);
    EXPECT_DOUBLE_EQ(f->noiseFree, 23);
    EXPECT_DOUBLE_EQ(f->vppCount, 1);
    EXPECT_NEAR(f->vppNv, 286.102294921875, 1e-9);
    EXPECT_DOUBLE_EQ(f->mean, -5000);
    EXPECT_DOUBLE_EQ(f->rmsValue, 5000);
}

TEST(Streamed, ReferenceVoltageAndGainScaleTheNanovolts)
{
    auto s = Captured(Alternating(32, 100, 102));
    AnalysisResults r;
    MeasureSettings m;
    m.refVoltText = "2.4";
    m.gain = GainFromRegisters(0x03, 0); // 2
    const auto f = MeasureStreamed(*s, m, r);
    EXPECT_NEAR(f->rmsNv, kCountNv, 1e-9); // twice the reference, twice the gain
    m.refVoltText = "garbage";
    m.gain = 1;
    EXPECT_NEAR(MeasureStreamed(*s, m, r)->rmsNv, kCountNv, 1e-9);
}

TEST(Streamed, PeakToPeakRoundsHalvesToEven)
{
    // Width 22 (divisor 4): max 6 -> 1.5 -> 2, min 2 -> 0.5 -> 0.
    auto s = Captured(Alternating(32, 2, 6), 14);
    AnalysisResults r;
    EXPECT_DOUBLE_EQ(MeasureStreamed(*s, MeasureSettings{}, r)->vppCount, 2);
}

TEST(Streamed, SigmaComesFromTheScaledGridValues)
{
    // Width 23 (divisor 2): codes -3 and 3 show as -1 and 1 (toward zero).
    auto s = Captured(Alternating(32, -3, 3), 15);
    AnalysisResults r;
    const auto f = MeasureStreamed(*s, MeasureSettings{}, r);
    EXPECT_DOUBLE_EQ(f->mean, 0);
    EXPECT_DOUBLE_EQ(f->sigma, 1);
    EXPECT_DOUBLE_EQ(f->enob, 22);
}

TEST(Streamed, StoppedCaptureFiguresUseDividedSums)
{
    auto s = Captured({10, 20, 30}, 16, true);
    s->TargetCount = 256;
    AnalysisResults r;
    const auto f = MeasureStreamed(*s, MeasureSettings{}, r);
    ASSERT_TRUE(f);
    EXPECT_DOUBLE_EQ(f->mean, 20);
    EXPECT_NEAR(f->rmsValue, std::sqrt((100 + 400 + 900) / 3.0), 1e-12);
}

TEST(Streamed, NoSamplesLeaveTheResultsAlone)
{
    SampleStore s;
    AnalysisResults r;
    r.enob = 12.5;
    EXPECT_FALSE(MeasureStreamed(s, MeasureSettings{}, r));
    EXPECT_DOUBLE_EQ(r.enob, 12.5);
}

TEST(Streamed, FirstDifferencesAndCombFilter)
{
    std::vector<int32_t> codes;
    for (int i = 0; i < 20; ++i)
        codes.push_back(i * i);
    auto s = Captured(codes);
    std::fill(s->CombSamples.begin(), s->CombSamples.end(), -1.0);
    AnalysisResults r;
    MeasureSettings m;
    m.filterText = "3";
    MeasureStreamed(*s, m, r);
    EXPECT_EQ(s->DiffSamples[0], 1);
    EXPECT_EQ(s->DiffSamples[18], 19 * 19 - 18 * 18);
    for (int i = 0; i <= 20 - 1 - 3; ++i)
        EXPECT_EQ(s->CombSamples[i], (i + 3) * (i + 3) - i * i) << i;
    EXPECT_EQ(s->CombSamples[17], -1.0); // beyond the last complete window
    // A filter longer than the capture leaves the comb untouched.
    m.filterText = "500";
    MeasureStreamed(*s, m, r);
    EXPECT_EQ(s->CombSamples[0], 9);
}

TEST(RamBlock, ZeroPeakToPeakWithNoiseKeepsEveryBitInsteadOfInfinity)
{
    // Width 22 (divisor 4): codes 3 and 4 show as 0 and 1 (noise), but both round to 1.
    std::vector<uint8_t> image(1024, 0);
    for (int i = 0; i < 16; ++i)
        image[0xC0 + 3 * i] = i % 2 ? 4 : 3;
    SampleStore s;
    ApplyScaleIndex(s, 14);
    DecodeRamBlock(s, image, RamBlockLayout::SmallModel, false);
    AnalysisResults r;
    const auto f = MeasureRamBlock(s, MeasureSettings{}, r);
    ASSERT_TRUE(f);
    EXPECT_GT(f->sigma, 0);
    EXPECT_DOUBLE_EQ(f->vppCount, 0);
    EXPECT_DOUBLE_EQ(f->vppNv, 0);
    EXPECT_TRUE(std::isfinite(f->noiseFree));
    EXPECT_DOUBLE_EQ(f->noiseFree, 21);
    EXPECT_EQ(s.ChartCount, 16);
    EXPECT_DOUBLE_EQ(s.ElapsedMs, 16);
}

TEST(Averaging, FourOver1024And1000)
{
    struct Case {
        int samples, points, spectrum;
    } cases[] = {{1024, 256, 256}, {1000, 250, 128}};
    for (const Case &c : cases) {
        std::vector<int32_t> codes;
        for (int i = 0; i < c.samples; ++i)
            codes.push_back(i);
        auto s = Captured(codes, 15); // divisor 2
        AnalysisResults r;
        const auto f = ReCalADC(*s, 2, MeasureSettings{}, r);
        ASSERT_TRUE(f);
        EXPECT_EQ(s->ChartCount, c.spectrum);
        // Point k is the mean of codes 4k .. 4k+3 = 4k + 1.5.
        EXPECT_DOUBLE_EQ(s->RawSamples[0], 1.5);
        EXPECT_DOUBLE_EQ(s->RawSamples[c.points - 1], 4.0 * (c.points - 1) + 1.5);
        EXPECT_EQ(s->grid.Text(1), "2.750000");
        EXPECT_TRUE(s->grid.IsEmpty(c.points));
        EXPECT_DOUBLE_EQ(f->mean, (4.0 * (c.points - 1) / 2 + 1.5) / 2);
        // Recomputing never compounds: back to 1 restores the codes.
        const auto again = ReCalADC(*s, 0, MeasureSettings{}, r);
        ASSERT_TRUE(again);
        EXPECT_DOUBLE_EQ(s->RawSamples[c.samples - 1], c.samples - 1);
    }
}

TEST(Averaging, FactorOneFloorsTheGridValues)
{
    auto s = Captured({-3, -1, 3, 5}, 15);
    EXPECT_EQ(s->grid.Text(0), "-1"); // capture: toward zero
    AnalysisResults r;
    ASSERT_TRUE(ReCalADC(*s, 0, MeasureSettings{}, r));
    EXPECT_EQ(s->grid.Text(0), "-2"); // averaging: toward minus infinity
    EXPECT_EQ(s->grid.Text(1), "-1");
    EXPECT_EQ(s->grid.Text(3), "2");
    EXPECT_EQ(s->ChartCount, 4);
}

TEST(Averaging, AFactorLargerThanTheCaptureChangesNothing)
{
    auto s = Captured({1, 2, 3, 4, 5}, 16);
    AnalysisResults r;
    r.enob = 7;
    EXPECT_FALSE(ReCalADC(*s, 3, MeasureSettings{}, r)); // factor 8
    EXPECT_DOUBLE_EQ(r.enob, 7);
    EXPECT_EQ(s->RawSamples[4], 5);
    EXPECT_EQ(s->grid.Text(4), "5");
}
