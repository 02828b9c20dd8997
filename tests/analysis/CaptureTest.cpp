#include "analysis/AnalysisSettings.h"
#include "analysis/Capture.h"
#include "app/base/Clock.h"
#include "tests/analysis/SampleBytes.h"

#include <gtest/gtest.h>
#include <memory>

using namespace vek;
using vek::test::CaptureBytes;
using vek::test::SampleBytes;

namespace {

std::unique_ptr<SampleStore> Store(int target, int scaleIndex = kDefaultScaleIndex)
{
    auto s = std::make_unique<SampleStore>();
    s->TargetCount = target;
    ApplyScaleIndex(*s, scaleIndex);
    BeginCapture(*s, 46000.0);
    s->CaptureIdle = false;
    return s;
}

} // namespace

TEST(SampleWord, DecodesTwosComplementLowByteFirst)
{
    struct Case {
        uint8_t lo, mid, hi;
        int32_t code;
    } cases[] = {
        {0x00, 0x00, 0x80, -8388608}, {0xFF, 0xFF, 0xFF, -1}, {0xFF, 0xFF, 0x7F, 8388607},
        {0x01, 0x00, 0x00, 1},        {0x56, 0x34, 0x12, 0x123456},
    };
    for (const Case &c : cases)
        EXPECT_EQ(DecodeSampleCode(c.lo, c.mid, c.hi), c.code) << c.code;
}

TEST(SampleWord, ScalesTowardZero)
{
    EXPECT_EQ(ScaleTowardZero(-1, 2), 0);
    EXPECT_EQ(ScaleTowardZero(-3, 2), -1);
    EXPECT_EQ(ScaleTowardZero(-5, 4), -1);
    EXPECT_EQ(ScaleTowardZero(5, 4), 1);
    EXPECT_EQ(ScaleTowardZero(-8388608, 65536), -128);
}

TEST(Decode, DropsTheFirstSixSamplesAndStoresTheRest)
{
    auto s = Store(32, 15); // width 23: divisor 2
    const std::vector<uint8_t> bytes = CaptureBytes({-3, -1, 7, 0x800000 - 0x1000000});
    const DecodedRange r = DecodeBlock(*s, bytes.data(), bytes.size());
    EXPECT_EQ(r.first, 0);
    EXPECT_EQ(r.stored, 4);
    ASSERT_EQ(s->SampleCount, 4);
    EXPECT_EQ(s->RawSamples[0], -3);
    EXPECT_EQ(s->FftIm[0], 3);
    EXPECT_EQ(s->SampleItems[3], -8388608);
    EXPECT_EQ(s->grid.Text(0), "-1");
    EXPECT_EQ(s->grid.Text(1), "0");
    EXPECT_EQ(s->grid.Text(2), "3");
    EXPECT_EQ(s->grid.Text(3), "-4194304");
    EXPECT_DOUBLE_EQ(s->runningSum, -1 + 0 + 3 - 4194304);
    EXPECT_EQ(static_cast<double>(s->runningSumSq), 1.0 + 9.0 + 4194304.0 * 4194304.0);
    EXPECT_TRUE(s->grid.IsEmpty(4));
}

TEST(Decode, BlocksThatSplitASampleKeepTheStreamAligned)
{
    std::vector<int32_t> codes;
    for (int i = 0; i < 40; ++i)
        codes.push_back(i * 1000 - 17000);
    const std::vector<uint8_t> bytes = CaptureBytes(codes);
    // Odd block sizes, none a multiple of 3, and blocks of one and two bytes.
    for (size_t block : {1u, 2u, 4u, 5u, 7u, 64u}) {
        auto s = Store(64);
        for (size_t at = 0; at < bytes.size(); at += block)
            DecodeBlock(*s, bytes.data() + at, std::min(block, bytes.size() - at));
        ASSERT_EQ(s->SampleCount, 40) << block;
        for (int i = 0; i < 40; ++i)
            ASSERT_EQ(s->RawSamples[i], codes[i]) << "block " << block << " sample " << i;
        EXPECT_EQ(s->pendingCount, 0);
    }
}

TEST(Decode, ABlockEndingInsideASampleKeepsItsTailForLater)
{
    auto s = Store(32);
    std::vector<uint8_t> bytes = CaptureBytes({100, 200});
    bytes.pop_back(); // the last sample lacks its high byte
    DecodeBlock(*s, bytes.data(), bytes.size());
    EXPECT_EQ(s->SampleCount, 1);
    EXPECT_EQ(s->pendingCount, 2);
    const uint8_t high = 0;
    DecodeBlock(*s, &high, 1);
    EXPECT_EQ(s->SampleCount, 2);
    EXPECT_EQ(s->RawSamples[1], 200);
}

TEST(Decode, NeverWritesPastTheArrays)
{
    auto s = Store(TargetCountForIndex(12)); // "131072"
    EXPECT_EQ(CaptureTarget(s->TargetCount), kSampleCapacity);
    std::vector<int32_t> codes(kSampleCapacity + 200, 5);
    codes[kSampleCapacity - 1] = 9;
    const std::vector<uint8_t> bytes = CaptureBytes(codes);
    // Blocks of 255 bytes (85 samples) as the serial link delivers them.
    for (size_t at = 0; at < bytes.size(); at += 255)
        DecodeBlock(*s, bytes.data() + at, std::min<size_t>(255, bytes.size() - at));
    EXPECT_EQ(s->SampleCount, kSampleCapacity);
    EXPECT_EQ(s->RawSamples[kSampleCapacity - 1], 9);
    EXPECT_EQ(s->receivedCount, static_cast<int64_t>(codes.size()) + 6);
    EXPECT_TRUE(CaptureDone(*s));
}

TEST(Decode, TheLastBlockMayOvershootTheTarget)
{
    auto s = Store(32);
    const std::vector<uint8_t> bytes = CaptureBytes(std::vector<int32_t>(32 + 79, 1));
    DecodeBlock(*s, bytes.data(), bytes.size());
    EXPECT_EQ(s->SampleCount, 111);
    EXPECT_TRUE(CaptureDone(*s));
}

TEST(CaptureCounts, TargetAndGauge)
{
    EXPECT_EQ(CaptureTarget(0), 256);
    EXPECT_EQ(CaptureTarget(-5), 256);
    EXPECT_EQ(CaptureTarget(2), 2);
    EXPECT_EQ(CaptureTarget(131072), kSampleCapacity);
    EXPECT_EQ(GaugePercent(50, 256), 19);
    EXPECT_EQ(GaugePercent(300, 256), 100);
    EXPECT_EQ(GaugePercent(5, 0), 0);
}

TEST(FinishCapture, NormalEndDividesTheSumsAndSetsTheBinSpacing)
{
    auto s = Store(4);
    const std::vector<uint8_t> bytes = CaptureBytes({2, 4, 6, 8});
    DecodeBlock(*s, bytes.data(), bytes.size());
    const double end = 46000.0 + 500.0 / kMsPerDay;
    EXPECT_TRUE(FinishCapture(*s, end, false));
    EXPECT_NEAR(s->ElapsedMs, 500.0, 1e-3);
    EXPECT_NEAR(s->BinSpacingHz, 2.0, 1e-6);
    EXPECT_DOUBLE_EQ(s->mean, 5.0);
    EXPECT_NEAR(static_cast<double>(s->rmsValue), std::sqrt((4 + 16 + 36 + 64) / 4.0), 1e-12);
    EXPECT_EQ(s->ChartCount, 4);
    EXPECT_TRUE(s->CaptureIdle);
}

TEST(FinishCapture, StoppedOrFailedCapturesEndIdleAndReportFailure)
{
    for (bool stop : {true, false}) {
        auto s = Store(256);
        const std::vector<uint8_t> bytes = CaptureBytes({10, 20});
        DecodeBlock(*s, bytes.data(), bytes.size());
        if (stop)
            s->CaptureIdle = true;
        EXPECT_FALSE(FinishCapture(*s, 46000.0, !stop));
        EXPECT_TRUE(s->CaptureIdle);
        // The figures that follow are over what was kept, not over raw sums.
        EXPECT_DOUBLE_EQ(s->mean, 15.0);
        EXPECT_DOUBLE_EQ(s->BinSpacingHz, 1.0); // no time elapsed
    }
}

TEST(RamBlock, DecodesTheBankedLayoutWithoutDroppingSamples)
{
    std::vector<uint8_t> image(1024, 0);
    auto put = [&](int at, int32_t code) {
        const std::vector<uint8_t> b = SampleBytes({code});
        std::copy(b.begin(), b.end(), image.begin() + at);
    };
    put(0x103, -2);
    put(0x17B, 77);
    put(0x200, 123);
    put(0x2FC, -9);
    put(0xC0, 55);
    put(0xED, 66);
    SampleStore s;
    EXPECT_EQ(DecodeRamBlock(s, image, RamBlockLayout::Banked, false), 41);
    EXPECT_EQ(s.RawSamples[0], -2);
    EXPECT_EQ(s.RawSamples[40], 77);
    EXPECT_EQ(DecodeRamBlock(s, image, RamBlockLayout::Banked, true), 126);
    EXPECT_EQ(s.RawSamples[41], 123);
    EXPECT_EQ(s.RawSamples[125], -9);
    EXPECT_EQ(DecodeRamBlock(s, image, RamBlockLayout::SmallModel, false), 16);
    EXPECT_EQ(s.RawSamples[0], 55);
    EXPECT_EQ(s.RawSamples[15], 66);
    EXPECT_DOUBLE_EQ(s.runningSum, 55 + 66);
    // A short image reads as zeros instead of running past it.
    EXPECT_EQ(DecodeRamBlock(s, std::span<const uint8_t>(image.data(), 0x110),
                             RamBlockLayout::Banked, true),
              126);
    EXPECT_EQ(s.RawSamples[125], 0);
}

TEST(Settings, SamplePointScaleAndAveragingChoices)
{
    EXPECT_EQ(SamplePointItems().size(), 17);
    EXPECT_EQ(TargetCountForIndex(0), 32);
    EXPECT_EQ(TargetCountForIndex(11), 65536);
    EXPECT_EQ(TargetCountForIndex(16), 2);
    EXPECT_EQ(TargetCountForIndex(99), 256);
    EXPECT_EQ(GridRowCount(8), 1);
    EXPECT_EQ(GridRowCount(2), 1);
    EXPECT_EQ(GridRowCount(32), 2);
    EXPECT_EQ(GridRowCount(65536), 4096);
    SampleStore s;
    ApplyScaleIndex(s, 0);
    EXPECT_EQ(s.ScaleDivisor, 65536);
    EXPECT_EQ(s.MagnitudeBits, 7);
    ApplyScaleIndex(s, 16);
    EXPECT_EQ(s.ScaleDivisor, 1);
    EXPECT_EQ(s.MagnitudeBits, 23);
    EXPECT_EQ(AveragingFactor(5), 32);
    EXPECT_EQ(AveragingFactor(-1), 1);
    EXPECT_EQ(FilterLength("abc"), 1);
    EXPECT_EQ(FilterLength("0"), 1);
    EXPECT_EQ(FilterLength("12"), 12);
    EXPECT_DOUBLE_EQ(ReferenceVolts("2.5"), 2.5);
    EXPECT_DOUBLE_EQ(ReferenceVolts(" 3.3 "), 3.3);
    for (const char *bad : {"0", "", "x1", "nan", "inf"})
        EXPECT_DOUBLE_EQ(ReferenceVolts(bad), 1.2) << bad;
}
