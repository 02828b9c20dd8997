#pragma once
// Where the results history is: the lab's server (a URL given, or the one line of VekHistory.cfg
// in the program directory) and the local file VekHistory.db, which keeps what the server could
// not take until it can. Used by the command-line tools and by the program's windows alike.
#include "history/ResultsStore.h"

#include <functional>
#include <memory>
#include <optional>

namespace vek {
// The database file: the given one, or VekHistory.db in the program directory (also when the
// option names a server: the file keeps what the server could not take).
QString HistoryLocalPath(const QString &programDir, const QString &dbOption);
// Where the records go: the option's server URL, else the one in VekHistory.cfg in the program
// directory (one line), else none; `error` says a URL that cannot be used.
QString HistoryServerUrl(const QString &programDir, const QString &dbOption, QString &error);
// Adds the record; every message (its id, or why not) goes to `say`. With a server: the records
// kept while it could not be reached go first; when it cannot be reached now, the record is kept
// in the local file as unsent (and the server is not tried again for a minute).
std::optional<qint64> RecordRouted(MeasurementRecord record, const QString &programDir, const QString &dbOption,
                                   const std::function<void(const QString &)> &say);
// The store to list: the server when one is set (after sending what the local file kept), else
// the local file.
std::unique_ptr<ResultsStore> OpenHistoryForReading(const QString &programDir, const QString &dbOption, QString &error,
                                                    const std::function<void(const QString &)> &say);
} // namespace vek
