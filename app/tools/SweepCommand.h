#pragma once
// "vek-enob sweep ...": the noise table without a window.
#include <QStringList>

namespace vek {
// Runs the command with its arguments (the program name first, "sweep" removed); returns the exit
// status.
int SweepCommand(const QStringList &arguments);
} // namespace vek
