#pragma once
// "Noise Table": the converter's noise over the chosen OSR codes and gains (and chopper settings)
// with the input shorted, filled point by point as the sweep runs, one figure at a time with a
// heat-map colouring, saved as CSV, JSON or PNG.
#include "analysis/NoiseTable.h"
#include "widgets/PanelWindow.h"

#include <QElapsedTimer>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace vek {

struct AppContext;

class NoiseTableWindow : public PanelWindow {
    Q_OBJECT
public:
    explicit NoiseTableWindow(AppContext &ctx, QWidget *parent = nullptr);
    ~NoiseTableWindow() override;

    // Disables / enables the main window's menus that would start other board traffic.
    std::function<void(bool enabled)> setBoardMenusEnabled;

    // The options the controls choose now.
    SweepOptions CurrentOptions() const;
    bool Running() const { return m_running; }

    QPushButton *StartButton() const { return m_start; }
    QPushButton *StopButton() const { return m_stop; }
    QTableWidget *Table() const { return m_table; }
    QComboBox *FigureBox() const { return m_figure; }
    QLabel *ProgressText() const { return m_progressText; }
    QProgressBar *Progress() const { return m_progress; }
    const SweepRun &LastRun() const { return m_run; }

    void StartClick();
    void StopClick();
    void SaveCsvClick();
    void SaveJsonClick();
    void SavePngClick();

protected:
    // The time a sweep would take follows the chip selected since the window was made.
    void showEvent(QShowEvent *event) override;

private:
    void BuildControls();
    void RunSweep();
    void ShowEstimate();
    void RedrawTable();
    void SetBusy(bool busy);
    QString SavePath(const QString &caption, const QString &name, const QString &filter);

    AppContext &m_ctx;
    std::vector<QCheckBox *> m_osr;
    std::vector<QCheckBox *> m_gains;
    QComboBox *m_chopper = nullptr;
    QCheckBox *m_short = nullptr;
    QComboBox *m_samples = nullptr;
    QComboBox *m_figure = nullptr;
    QPushButton *m_start = nullptr;
    QPushButton *m_stop = nullptr;
    QPushButton *m_saveCsv = nullptr;
    QPushButton *m_saveJson = nullptr;
    QPushButton *m_savePng = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_progressText = nullptr;
    QTableWidget *m_table = nullptr;

    bool m_running = false;
    bool m_stopRequested = false;
    SweepOptions m_options;
    SweepRun m_run;
    std::unique_ptr<SampleStore> m_store;
    double m_estimateSeconds = 0;
    QElapsedTimer m_wall;
};

} // namespace vek
