#pragma once
// What the analysis chart shows for a point count: the time record or the spectrum, with the
// bottom axis range, its step, the titles, and the points.
#include "analysis/SampleStore.h"

#include <QString>
#include <QVector>

namespace vek {

struct ChartContent {
    QString title;       // "Time Domain" / "Frequence Domain"
    QString bottomTitle; // "Time  ms" / "Frequence  Hz"
    QString leftTitle;   // "Degree" / "dB"
    double bottomMin = 0, bottomMax = 0;
    double bottomIncrement = 0; // 0: none set
    int pointsPerPage = 0;
    QVector<double> x, y;
};

// Time view: count points of the samples (or of the comb-filtered view when filtered), each
// floored and scaled to the result width, over the elapsed time. Frequency view: the first
// count / 2 bins of the spectrum, BinSpacingHz apart. count is limited to the arrays.
ChartContent BuildChart(const SampleStore &store, int count, bool frequencyView, bool filtered);

} // namespace vek
