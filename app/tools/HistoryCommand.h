#pragma once
// "vek-enob history": the records of the results history; and how the command-line tools add a
// record to it.
#include "analysis/ResultJson.h" // ReadCaptureSettings, FiguresJson
#include "history/ResultsStore.h"

#include <QStringList>
#include <optional>

namespace vek {
// The database file: the given one, or VekHistory.db in the program directory (also when the
// option names a server: the file keeps what the server could not take).
QString HistoryPath(const QString &dbOption);
// Where the records go: the option's server URL, else the one in VekHistory.cfg in the program
// directory (one line), else none; `error` says a URL that cannot be used.
QString HistoryServer(const QString &dbOption, QString &error);
// Empty, or why the value of --history / --db cannot be used (a server URL that cannot be read;
// never with its password).
QString HistoryOptionError(const QString &value);
// Adds the record (with the program's version) and says its id on standard error, or says once
// why it could not; the measurement's own outcome never depends on it. With a server: the records
// kept while it could not be reached go first; when it cannot be reached now, the record is kept
// in the local file as unsent (and the server is not tried again for a minute).
std::optional<qint64> RecordToHistory(MeasurementRecord record, const QString &dbOption = QString());
// Runs the command with its arguments (the program name first, "history" removed).
int HistoryCommand(const QStringList &arguments);
} // namespace vek
