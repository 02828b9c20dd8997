#pragma once
// "History": the records of the results history, filtered by chip, board, kind and date, in a
// table; one figure plotted against time or record; the selection saved as CSV or JSON.
#include "history/ResultsStore.h"
#include "widgets/PanelWindow.h"

class QCheckBox;
class QComboBox;
class QCustomPlot;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableWidget;

namespace vek {

struct AppContext;

class HistoryWindow : public PanelWindow {
    Q_OBJECT
public:
    explicit HistoryWindow(AppContext &ctx, QWidget *parent = nullptr);
    ~HistoryWindow() override;

    // Reads the records the filters let through and shows them.
    void RefreshClick();
    void SaveCsvClick();
    void SaveJsonClick();

    QComboBox *ChipBox() const { return m_chip; }
    QComboBox *KindBox() const { return m_kind; }
    QComboBox *FigureBox() const { return m_figure; }
    QTableWidget *Table() const { return m_table; }
    QCustomPlot *Plot() const { return m_plot; }
    QLabel *StatusText() const { return m_status; }
    const std::vector<MeasurementRecord> &Records() const { return m_records; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void BuildControls();
    void Redraw();
    HistoryFilter CurrentFilter() const;

    AppContext &m_ctx;
    QComboBox *m_chip = nullptr, *m_board = nullptr, *m_kind = nullptr, *m_figure = nullptr, *m_axis = nullptr;
    QCheckBox *m_useSince = nullptr;
    QDateEdit *m_since = nullptr;
    QPushButton *m_refresh = nullptr, *m_saveCsv = nullptr, *m_saveJson = nullptr;
    QLabel *m_status = nullptr;
    QTableWidget *m_table = nullptr;
    QCustomPlot *m_plot = nullptr;
    std::vector<MeasurementRecord> m_records;
};

} // namespace vek
