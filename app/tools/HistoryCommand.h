#pragma once
// "vek-enob history": the records of the results history; and how the command-line tools add a
// record to it.
#include "analysis/ResultJson.h" // ReadCaptureSettings, FiguresJson
#include "history/ResultsStore.h"

#include <QStringList>
#include <optional>

namespace vek {
// The database file: the given one, or VekHistory.db in the program directory.
QString HistoryPath(const QString &dbOption);
// Adds the record (with the program's version) and says its id on standard error, or says once
// why it could not; the measurement's own outcome never depends on it.
std::optional<qint64> RecordToHistory(MeasurementRecord record, const QString &dbOption = QString());
// Runs the command with its arguments (the program name first, "history" removed).
int HistoryCommand(const QStringList &arguments);
} // namespace vek
