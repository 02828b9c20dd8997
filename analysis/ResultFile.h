#pragma once
// The ENOB test's result file: the value grid in rows of 16, a header line and the seven figures.
#include "analysis/SampleStore.h"

#include <QByteArray>
#include <QString>

namespace vek {

// The bytes of the result file: one line per complete row of 16 grid values among the first
// `rows` rows (each value as an integer followed by ", "; a fraction is rounded to the nearest
// integer; the lines stop at the first row with an empty cell), then the header line, then the
// seven figures "%f" separated by ",". Lines end in CR LF. The header's first field is the word
// for "mean" in the Big5 code page.
QByteArray ResultFileBytes(const SampleGrid &grid, int rows, const AnalysisResults &results);

// Writes the result file for the current samples (whole or not at all). Rows: one per 16 of the
// target count. Returns false when the file cannot be written.
bool SaveResultFile(const QString &path, const SampleStore &store, const AnalysisResults &results);

} // namespace vek
