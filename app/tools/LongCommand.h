#pragma once
// "vek-enob --long N | --duration T": a long capture without a window.
#include <QStringList>

#include <optional>

namespace vek {
// True when the arguments ask for a long capture (--long or --duration).
bool IsLongCapture(const QStringList &arguments);
// "90s", "30m", "1h", "1.5h", "2d" or plain seconds; nothing for anything else or above a year.
std::optional<double> ParseDurationSeconds(const QString &text);
// Runs the long capture with its arguments (the program name first); returns the exit status.
int LongCommand(const QStringList &arguments);
} // namespace vek
