#pragma once
// "vek-enob temperature ...": the temperature test without a window.
#include <QStringList>

namespace vek {
// Runs the command with its arguments (the program name first, "temperature" removed); returns
// the exit status.
int TemperatureCommand(const QStringList &arguments);
} // namespace vek
