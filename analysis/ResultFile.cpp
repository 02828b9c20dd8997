#include "analysis/ResultFile.h"

#include "app/base/NumberText.h"

#include "analysis/Capture.h"
#include "app/base/SafeFile.h"

#include <cmath>
#include <cstdio>

namespace vek {

QByteArray ResultFileBytes(const SampleGrid &grid, int rows, const AnalysisResults &results)
{
    QByteArray out;
    constexpr int cols = SampleGrid::kColumns;
    if (rows > grid.Capacity() / cols)
        rows = grid.Capacity() / cols;
    out.reserve(rows > 0 ? rows * cols * 10 + 256 : 256);
    char text[64];
    for (int r = 0; r < rows; ++r) {
        bool complete = true;
        for (int c = 0; c < cols && complete; ++c)
            complete = !grid.IsEmpty(r * cols + c);
        if (!complete)
            break;
        for (int c = 0; c < cols; ++c) {
            const double v = grid.Value(r * cols + c);
            const long long whole = std::isfinite(v) ? std::llround(v) : 0;
            const int len = std::snprintf(text, sizeof text, "%lld, ", whole);
            out.append(text, len);
        }
        out.append("\r\n");
    }
    // "平均值" in Big5, then the ASCII rest of the header.
    out.append("\xA5\xAD\xA7\xA1\xAD\xC8");
    out.append(", VPP(nV), RMS Noise(nV), Enob, VPP(count), RMS Noise(count), Noise Free\r\n");
    const double figures[7] = {results.mean,     results.vppNv, results.rmsNv,    results.enob,
                               results.vppCount, results.sigma, results.noiseFree};
    for (int i = 0; i < 7; ++i) {
        if (i > 0)
            out.append(',');
        out.append(FixedText(figures[i]).c_str());
    }
    out.append("\r\n");
    return out;
}

bool SaveResultFile(const QString &path, const SampleStore &store, const AnalysisResults &results)
{
    const int rows = CaptureTarget(store.TargetCount) / SampleGrid::kColumns;
    return WriteFileAtomically(path, ResultFileBytes(store.grid, rows, results));
}

} // namespace vek
