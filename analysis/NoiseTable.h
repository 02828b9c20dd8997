#pragma once
// The noise table as it is shown and saved: one figure at a time in rows of data rate (OSR and,
// when swept, chopper) and columns of gain; every point as a CSV line or a JSON object.
#include "analysis/NoiseSweep.h"
#include "history/ResultsStore.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace vek {

enum class TableFigure { RmsNv, VppNv, Enob, NoiseFree, Sigma };

// "RMS noise (nV)", ...; the command line's short names "rms", "vpp", "enob", "nfree", "sigma".
QString TableFigureName(TableFigure figure);
QString TableFigureShortName(TableFigure figure);
bool TableFigureFromText(const QString &text, TableFigure &figure);
// The figure of a point; NaN for a point that measured nothing.
double PointFigure(const SweepPoint &p, TableFigure figure);

struct NoiseTableLayout {
    struct Row {
        int osr = 0;
        int chopper = -1;
        QString label; // "OSR 3  1280 Hz", with "chopper off" when swept
    };
    std::vector<Row> rows;
    std::vector<SweepGain> columns;
    // Index into the points for a cell, -1 when the sweep has not reached it.
    std::vector<std::vector<int>> cell;
};

// The rows and columns of a sweep's plan, and where each measured point lands.
NoiseTableLayout LayOutNoiseTable(const SweepOptions &options, const std::vector<SweepPoint> &points);

// The cell's text: the figure with the point ("12.34"), "failed" or "" when not reached.
QString CellText(const NoiseTableLayout &layout, const std::vector<SweepPoint> &points, size_t row, size_t column,
                 TableFigure figure);

// The table as text for a terminal, columns aligned.
QString NoiseTableText(const SweepOptions &options, const std::vector<SweepPoint> &points, TableFigure figure);
// Every point, one CSV line each after a header line (point decimal separators, "nan" for none).
QByteArray NoiseTableCsv(const std::vector<SweepPoint> &points);
// A point as a record of the results history (kind "noise-table"; chip, board and interface left
// to the caller): its settings, and its figures or why it failed.
MeasurementRecord SweepPointRecord(const SweepPoint &p, const SweepOptions &options);
// The settings and every point as one JSON object.
QByteArray NoiseTableJson(const SweepOptions &options, const SweepRun &run, const QString &chip);

} // namespace vek
