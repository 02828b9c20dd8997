#pragma once
// The chart area of the analysis window: the time / frequency chart, the code histogram and the
// windowed spectrum, one at a time, with the view choice, the spectrum's window and averaging,
// "Reset View", "Export Chart" and the read-out of the point under the mouse above them.
#include "analysis/CodeHistogram.h"
#include "analysis/WindowedSpectrum.h"

#include <QFutureWatcher>
#include <QWidget>
#include <vector>

class QComboBox;
class QCustomPlot;
class QLabel;
class QPushButton;
class QStackedWidget;

namespace vek {

class ChartViews : public QWidget {
    Q_OBJECT
public:
    enum View { TimeOrFrequency = 0, Histogram = 1, Spectrum = 2 };

    // `timeChart` (the time / frequency chart) becomes the first view.
    ChartViews(QCustomPlot *timeChart, QWidget *parent);

    // The points of the last analysis in units of the result width, their rate (0: unknown),
    // the result width and the input volts per code (0: unknown). Redraws the view shown.
    void SetPoints(std::vector<double> codes, double rateHz, int width, double voltsPerCode);
    const std::vector<double> &Points() const { return m_codes; }

    int CurrentView() const;
    void SetView(int view);
    QCustomPlot *ShownPlot() const;
    SpectrumOptions CurrentSpectrumOptions() const;
    // The windowed spectrum of the points under the chosen window and averaging.
    ToneAnalysis ComputeSpectrum() const;

    QComboBox *ViewBox() const { return m_view; }
    QComboBox *WindowBox() const { return m_window; }
    QComboBox *BlocksBox() const { return m_blocks; }
    QPushButton *ResetButton() const { return m_reset; }
    QPushButton *ExportButton() const { return m_export; }
    QLabel *Readout() const { return m_readout; }
    QLabel *HistogramFigures() const { return m_histogramFigures; }
    QLabel *SpectrumFigures() const { return m_spectrumFigures; }
    QCustomPlot *HistogramPlot() const { return m_histogramPlot; }
    QCustomPlot *SpectrumPlot() const { return m_spectrumPlot; }

signals:
    // "Reset View" on the time / frequency chart: its owner draws it afresh.
    void timeChartResetRequested();

private:
    void Redraw();
    void DrawHistogram();
    void DrawSpectrum();
    void ShowSpectrum(const ToneAnalysis &tone);
    void ShowControlsForView();

    QComboBox *m_view = nullptr, *m_window = nullptr, *m_blocks = nullptr;
    QLabel *m_windowLabel = nullptr, *m_blocksLabel = nullptr;
    QPushButton *m_reset = nullptr, *m_export = nullptr;
    QLabel *m_readout = nullptr, *m_histogramFigures = nullptr, *m_spectrumFigures = nullptr;
    QStackedWidget *m_stack = nullptr;
    QCustomPlot *m_timeChart = nullptr, *m_histogramPlot = nullptr, *m_spectrumPlot = nullptr;

    std::vector<double> m_codes;
    // Large captures are analysed on a worker thread; only the newest request's result is shown.
    QFutureWatcher<ToneAnalysis> *m_worker = nullptr;
    int m_request = 0;
    double m_rateHz = 0;
    int m_width = 24;
    double m_voltsPerCode = 0;
};

// The figure lines under the two views.
QString HistogramFiguresText(const CodeHistogram &h);
QString SpectrumFiguresText(const ToneAnalysis &t, bool haveRate);

} // namespace vek
