#pragma once
// "Long Run": a capture of up to 10^9 samples or a duration in constant memory, with the figures
// and the code histogram as it runs, a min/max time chart that stays light at any length, the
// Allan deviation on log-log axes (codes and nV), the progress with the time left, and Stop that
// keeps everything measured so far.
#include "analysis/LongCapture.h"
#include "analysis/MinMaxTrace.h"
#include "widgets/PanelWindow.h"

#include <QElapsedTimer>
#include <functional>
#include <memory>

class QComboBox;
class QCustomPlot;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace vek {

struct AppContext;

class LongRunWindow : public PanelWindow {
    Q_OBJECT
public:
    explicit LongRunWindow(AppContext &ctx, QWidget *parent = nullptr);
    ~LongRunWindow() override;

    // Disables / enables the main window's menus that would start other board traffic.
    std::function<void(bool enabled)> setBoardMenusEnabled;

    void StartClick();
    void StopClick();

    QComboBox *ModeBox() const { return m_mode; }
    QLineEdit *AmountEdit() const { return m_amount; }
    QPushButton *StartButton() const { return m_start; }
    QPushButton *StopButton() const { return m_stop; }
    QLabel *FiguresText() const { return m_figures; }
    QLabel *ProgressText() const { return m_progressText; }
    QCustomPlot *AllanPlot() const { return m_allan; }
    QCustomPlot *TracePlot() const { return m_trace; }
    const StreamingStats *Stats() const { return m_stats.get(); }
    bool Running() const { return m_running; }

private:
    void BuildControls();
    void SetBusy(bool busy);
    void Redraw(bool final);

    AppContext &m_ctx;
    QComboBox *m_mode = nullptr;
    QLineEdit *m_amount = nullptr, *m_ref = nullptr;
    QPushButton *m_start = nullptr, *m_stop = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_progressText = nullptr, *m_figures = nullptr;
    QCustomPlot *m_trace = nullptr, *m_histogram = nullptr, *m_allan = nullptr;

    bool m_running = false, m_stopRequested = false;
    std::unique_ptr<StreamingStats> m_stats;
    MinMaxTrace m_minMax;
    LongCaptureOptions m_options;
    double m_rateHz = 0, m_gain = 1, m_nvPerCode = 0;
    double m_startDays = 0;
    QElapsedTimer m_sinceRedraw;
    int m_nextChart = 0;
};

} // namespace vek
