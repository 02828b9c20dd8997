// Feeds arbitrary bytes through everything the ENOB test does with what a board sends.
// Layout of an input: [sample point index] [scale index] [averaging index], then blocks, each a
// length byte followed by that many bytes (the last block takes what is left).
#include "analysis/AnalysisSettings.h"
#include "analysis/Capture.h"
#include "analysis/ResultFile.h"
#include "analysis/SingleConversion.h"
#include "analysis/Spectrum.h"
#include "analysis/Statistics.h"

#include <algorithm>
#include <cstdlib>

using namespace vek;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static SampleStore *store = new SampleStore;
    if (size < 3)
        return 0;
    // Up to 1024 samples keeps each run short; the capacity limit has its own unit tests.
    static const int kIndices[] = {0, 1, 2, 3, 4, 5, 13, 14, 15, 16};
    SampleStore &s = *store;
    s.TargetCount = TargetCountForIndex(kIndices[data[0] % 10]);
    ApplyScaleIndex(s, data[1] % 18);
    const int averaging = data[2] % 7;
    BeginCapture(s, 46000.0);
    s.CaptureIdle = false;
    size_t at = 3;
    while (at < size && !CaptureDone(s)) {
        const size_t n = std::min<size_t>(data[at], size - at - 1);
        const DecodedRange r = DecodeBlock(s, data + at + 1, n);
        if (r.first < 0 || r.stored < 0 || s.SampleCount > kSampleCapacity || s.pendingCount > 2)
            std::abort();
        at += 1 + n;
    }
    const bool ok = FinishCapture(s, 46000.001, false);
    if (ok)
        ComputeSpectrum(s, CaptureTarget(s.TargetCount));

    MeasureSettings m;
    m.refVoltText = QString::fromLatin1(reinterpret_cast<const char *>(data), int(std::min<size_t>(size, 12)));
    m.filterText = QString::fromLatin1(reinterpret_cast<const char *>(data) + 1, int(std::min<size_t>(size - 1, 6)));
    m.gain = GainFromRegisters(data[0], data[1]);
    AnalysisResults results;
    MeasureStreamed(s, m, results);
    ReCalADC(s, averaging, m, results);
    const QByteArray file = ResultFileBytes(s.grid, CaptureTarget(s.TargetCount) / 16, results);
    if (file.isEmpty())
        std::abort();

    int32_t value = 0;
    ReadSingleConversionReply({data, size}, data[2] % 5, s.ScaleDivisor, value);
    DecodeRamBlock(s, {data, size}, data[0] & 1 ? RamBlockLayout::Banked : RamBlockLayout::SmallModel,
                   data[1] & 1);
    MeasureRamBlock(s, m, results);
    return 0;
}
