#pragma once
// What every chart of the analysis window offers: zoom and pan with the mouse (wheel and drag), a
// read-out of the point under the mouse, and export of the chart as shown to PNG, SVG or PDF.
#include <QString>

class QCustomPlot;
class QLabel;

namespace vek {

// Wheel zooms, dragging pans (both axes). Moving the mouse over the plot writes the nearest point
// of its first graph into `readout` ("x: ..., y: ...", figures with the point).
void EnableChartMouse(QCustomPlot *plot, QLabel *readout);

// The read-out text for a point.
QString PointReadout(double x, double y);

// The chart at its size on screen, by the file's suffix (.png, .svg or .pdf, any case), written
// whole or not at all. False with a message for another suffix or a failed write.
bool ExportChart(QCustomPlot *plot, const QString &path, QString *error);

} // namespace vek
