// Times the ENOB test's own work for 65,536 samples: decoding the received bytes, the figures,
// the spectrum and the result file; then the value grid's model over the same samples.
#include "app/base/CommandLine.h"
#include "analysis/AnalysisSettings.h"
#include "analysis/Capture.h"
#include "analysis/ResultFile.h"
#include "analysis/SampleGridModel.h"
#include "analysis/Spectrum.h"
#include "analysis/Statistics.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <sys/resource.h>
#include <vector>

using namespace vek;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

long PeakRssKb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

} // namespace

int main(int argc, char **argv)
{
    if (const int rc = vek::RefuseEveryArgument("bench_enob", argc, argv))
        return rc;
    QCoreApplication app(argc, argv);
    constexpr int kSamples = kSampleCapacity;

    // What the board would send: six samples to drop, then a tone with noise around mid-scale.
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 3.0);
    std::vector<uint8_t> bytes;
    bytes.reserve((kSamples + 6) * 3);
    for (int i = 0; i < kSamples + 6; ++i) {
        const int32_t code = static_cast<int32_t>(
            std::lround(120000 + 2000 * std::sin(i * 0.01) + noise(rng)));
        const uint32_t u = static_cast<uint32_t>(code) & 0xFFFFFF;
        bytes.push_back(u & 0xFF);
        bytes.push_back((u >> 8) & 0xFF);
        bytes.push_back((u >> 16) & 0xFF);
    }

    auto store = std::make_unique<SampleStore>();
    AnalysisResults results;
    store->TargetCount = TargetCountForIndex(11); // "65536"
    ApplyScaleIndex(*store, kDefaultScaleIndex);
    QTemporaryDir dir;

    const auto t0 = Clock::now();
    BeginCapture(*store, 46000.0);
    store->CaptureIdle = false;
    for (size_t at = 0; at < bytes.size() && !CaptureDone(*store); at += 255)
        DecodeBlock(*store, bytes.data() + at, std::min<size_t>(255, bytes.size() - at));
    const bool ok = FinishCapture(*store, 46000.0 + 30.0 / 86400.0, false);
    const auto t1 = Clock::now();
    ComputeSpectrum(*store, CaptureTarget(store->TargetCount));
    const auto t2 = Clock::now();
    const auto figures = MeasureStreamed(*store, MeasureSettings{}, results);
    const auto t3 = Clock::now();
    const QString path = dir.filePath("VekADC.CSV");
    const bool saved = SaveResultFile(path, *store, results);
    const auto t4 = Clock::now();

    std::printf("samples kept            %d (capture %s)\n", store->SampleCount, ok ? "ok" : "FAILED");
    std::printf("decode                  %8.2f ms\n", Ms(t0, t1));
    std::printf("spectrum alone          %8.2f ms\n", Ms(t1, t2));
    std::printf("statistics              %8.2f ms\n", Ms(t2, t3));
    std::printf("result file             %8.2f ms (%s)\n", Ms(t3, t4), saved ? "written" : "FAILED");
    std::printf("capture+stats+spectrum+file %8.2f ms\n", Ms(t0, t4));
    if (figures)
        std::printf("figures: mean %f sigma %f ENOB %f noise free %f\n", figures->mean,
                    figures->sigma, figures->enob, figures->noiseFree);

    // Averaging by 4 and back.
    const auto a0 = Clock::now();
    ReCalADC(*store, 2, MeasureSettings{}, results);
    ReCalADC(*store, 0, MeasureSettings{}, results);
    const auto a1 = Clock::now();
    std::printf("averaging by 4 and back %8.2f ms\n", Ms(a0, a1));

    // The grid model: rows for 65,536 samples, every cell and header read once (a full scroll).
    SampleGridModel model(*store);
    const auto g0 = Clock::now();
    model.SetRows(GridRowCount(store->TargetCount));
    size_t chars = 0;
    for (int r = 0; r < model.rowCount(); ++r) {
        chars += model.headerData(r, Qt::Vertical).toString().size();
        for (int c = 0; c < model.columnCount(); ++c)
            chars += model.index(r, c).data().toString().size();
    }
    model.AllChanged();
    const auto g1 = Clock::now();
    std::printf("grid model %d rows, all cells read %8.2f ms (%zu chars)\n", model.rowCount(),
                Ms(g0, g1), chars);
    std::printf("peak RSS                %8.1f MB\n", PeakRssKb() / 1024.0);
    return ok && saved ? 0 : 1;
}
