#include "analysis/Capture.h"

#include <algorithm>
#include <cmath>

namespace vek {

int32_t DecodeSampleCode(uint8_t low, uint8_t middle, uint8_t high)
{
    int32_t code = high * 65536 + middle * 256 + low;
    if (code >= 0x800000)
        code -= 0x1000000;
    return code;
}

int32_t ScaleTowardZero(int32_t code, int32_t divisor)
{
    if (divisor <= 0)
        return code;
    return code / divisor; // C++ division already truncates toward zero
}

int32_t CaptureTarget(int32_t targetCount)
{
    if (targetCount < 1)
        return 256;
    return std::min(targetCount, kSampleCapacity);
}

int GaugePercent(int32_t sampleCount, int32_t target)
{
    if (target <= 0)
        return 0;
    const int64_t p = static_cast<int64_t>(sampleCount) * 100 / target;
    return static_cast<int>(std::clamp<int64_t>(p, 0, 100));
}

void ClearSamples(SampleStore &store, int32_t count)
{
    const int n = std::clamp(count, 0, kSampleCapacity);
    store.grid.ClearRange(0, n);
    std::fill_n(store.RawSamples.begin(), n, 0.0);
    std::fill_n(store.FftRe.begin(), n, 0.0);
    std::fill_n(store.FftIm.begin(), n, 0.0);
    std::fill_n(store.SpectrumDb.begin(), n, 0.0);
}

void BeginCapture(SampleStore &store, double nowDays)
{
    ClearSamples(store, CaptureTarget(store.TargetCount));
    store.SampleCount = 0;
    store.StartTime = nowDays;
    store.runningSum = 0;
    store.runningSumSq = 0;
    store.receivedCount = 0;
    store.pendingCount = 0;
}

namespace {

// Stores one received sample (or drops it: the first few, and any beyond the arrays).
void TakeSample(SampleStore &store, int32_t code)
{
    const int64_t serial = store.receivedCount++;
    static_assert(std::tuple_size_v<decltype(store.droppedCodes)> == kDroppedSamples);
    if (serial < kDroppedSamples) {
        store.droppedCodes[size_t(serial)] = code;
        return;
    }
    if (store.SampleCount >= kSampleCapacity)
        return;
    const int k = store.SampleCount;
    const int32_t scaled = ScaleTowardZero(code, store.ScaleDivisor);
    store.RawSamples[k] = code;
    store.FftRe[k] = code;
    store.FftIm[k] = -static_cast<double>(code);
    store.SampleItems[k] = code;
    store.runningSum += scaled;
    store.runningSumSq += static_cast<long double>(scaled) * scaled;
    store.grid.SetInteger(k, scaled);
    store.SampleCount = k + 1;
}

} // namespace

DecodedRange DecodeBlock(SampleStore &store, const uint8_t *bytes, std::size_t n)
{
    DecodedRange range;
    range.first = store.SampleCount;
    if (!bytes)
        n = 0;
    std::size_t i = 0;
    // Complete a sample that the previous block began.
    while (store.pendingCount > 0 && i < n) {
        if (store.pendingCount == 1) {
            store.pendingBytes[1] = bytes[i++];
            store.pendingCount = 2;
        } else {
            TakeSample(store, DecodeSampleCode(store.pendingBytes[0], store.pendingBytes[1], bytes[i++]));
            store.pendingCount = 0;
        }
    }
    for (; i + 3 <= n; i += 3)
        TakeSample(store, DecodeSampleCode(bytes[i], bytes[i + 1], bytes[i + 2]));
    // Keep what is left for the next block.
    while (i < n)
        store.pendingBytes[store.pendingCount++] = bytes[i++];
    range.stored = store.SampleCount - range.first;
    return range;
}

bool CaptureDone(const SampleStore &store)
{
    return store.CaptureIdle || store.SampleCount >= CaptureTarget(store.TargetCount);
}

bool FinishCapture(SampleStore &store, double nowDays, bool linkFailed)
{
    store.ElapsedMs = (nowDays - store.StartTime) * 24.0 * 60.0 * 60.0 * 1000.0;
    store.BinSpacingHz =
        std::isfinite(store.ElapsedMs) && store.ElapsedMs > 0 ? 1.0 / store.ElapsedMs * 1000.0 : 1.0;
    if (store.SampleCount > 0) {
        store.mean = store.runningSum / store.SampleCount;
        store.rmsValue = std::sqrt(store.runningSumSq / store.SampleCount);
    }
    store.ChartCount = store.SampleCount;
    const bool stopped = store.CaptureIdle;
    store.CaptureIdle = true;
    return !stopped && !linkFailed;
}

int32_t DecodeRamBlock(SampleStore &store, std::span<const uint8_t> image, RamBlockLayout layout,
                       bool bank2Present)
{
    store.SampleCount = 0;
    store.runningSum = 0;
    store.runningSumSq = 0;
    store.pendingCount = 0;
    // Nothing is dropped here: start the received counter past the dropped ones.
    store.receivedCount = kDroppedSamples;
    auto byteAt = [&](std::size_t a) -> uint8_t { return a < image.size() ? image[a] : 0; };
    auto takeRun = [&](std::size_t firstLow, int count) {
        for (int s = 0; s < count; ++s) {
            const std::size_t a = firstLow + 3 * static_cast<std::size_t>(s);
            TakeSample(store, DecodeSampleCode(byteAt(a), byteAt(a + 1), byteAt(a + 2)));
        }
    };
    if (layout == RamBlockLayout::SmallModel) {
        takeRun(0xC0, 16);
    } else {
        takeRun(0x103, 41);
        if (bank2Present)
            takeRun(0x200, 85);
    }
    return store.SampleCount;
}

} // namespace vek
