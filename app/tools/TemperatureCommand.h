#pragma once
// "vek-enob temperature ...": the temperature test without a window.
#include <QStringList>

#include <functional>

namespace vek {
// Runs the command with its arguments (the program name first, "temperature" removed); returns
// the exit status. `afterStep`, when given, runs after each finished step's line is printed.
int TemperatureCommand(const QStringList &arguments, const std::function<void(int step)> &afterStep = {});
} // namespace vek
