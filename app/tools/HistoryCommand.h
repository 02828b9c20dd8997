#pragma once
// "vek-enob history": the records of the results history; and how the command-line tools add a
// record to it.
#include "analysis/SampleStore.h"
#include "chipdesc/FieldBindings.h"
#include "history/ResultsStore.h"
#include "link/ChipAccess.h"

#include <QStringList>
#include <optional>

namespace vek {
// The database file: the given one, or VekHistory.db in the program directory.
QString HistoryPath(const QString &dbOption);
// Adds the record (with the program's version) and says its id on standard error, or says once
// why it could not; the measurement's own outcome never depends on it.
std::optional<qint64> RecordToHistory(MeasurementRecord record, const QString &dbOption = QString());
// The converter settings a capture depends on, read from the chip by their bindings (OSR0, ADCS0,
// ADCCK0, AD0GN, PGA0GN, VRE0GN, ENCHP0, IN0IS, IN0H, IN0L): name to code, the unbound left out.
QJsonObject ReadCaptureSettings(ChipPort &chip, const PanelBindings &adc);
// The seven figures of the result file as a JSON object (the keys of vek-enob --json).
QJsonObject FiguresJson(const AnalysisResults &r);
// Runs the command with its arguments (the program name first, "history" removed).
int HistoryCommand(const QStringList &arguments);
} // namespace vek
