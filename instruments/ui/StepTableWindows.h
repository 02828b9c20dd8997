#pragma once
// The calibrator and power-supply step table windows: each shows its step table in a grid of
// three columns ("序號", "Step", "輸入值") that is edited in place, and saves and loads the
// table's file in the program directory.
#include "instruments/StepTable.h"
#include "widgets/PanelWindow.h"

class QTableView;

namespace vek {

struct AppContext;
class StepTableModel;

class StepTableWindow : public PanelWindow {
    Q_OBJECT
public:
    // Designed size of the grid; rows are 16 pixels high.
    static constexpr int kGridWidth = 338;
    static constexpr int kGridHeight = 622;
    static constexpr int kRowHeight = 16;

    QTableView *Grid() const { return m_grid; }
    StepTableModel *Model() const { return m_model; }
    const StepTable &Table() const { return m_table; }

    // The header row, 48 numbered step rows and the column widths.
    void FormCreate();
    // The same with the temperature test's step count.
    void INI(int steps);
    // Shows at least `steps` rows (a larger step count), keeping every text.
    void GrowTo(int steps);

    // Writes steps 1..count to the table's file, whole or not at all; a file that cannot be
    // written is named in the status bar. True when written.
    bool SaveSteps(int count);
    // Loads steps 1..count from the table's file (a missing file leaves them cleared); a file
    // that cannot be read is named in the status bar and the table stays as it was.
    bool LoadSteps(int count);

protected:
    StepTableWindow(AppContext &ctx, const QString &componentName, const QString &caption,
                    QRect designedFrame, const QString &gridName, StepTable &table,
                    StepFileKind kind, const QString &fileName, QWidget *parent);

private:
    void SetColumnWidths();

    AppContext &m_ctx;
    StepTable &m_table;
    const StepFileKind m_kind;
    const QString m_fileName;
    StepTableModel *m_model;
    QTableView *m_grid;
};

// "FLUKE-5500": the calibrator's step table, file "Fluke.txt".
class TFLUKE : public StepTableWindow {
    Q_OBJECT
public:
    explicit TFLUKE(AppContext &ctx, QWidget *parent = nullptr);
    QTableView *FlukeGd() const { return Grid(); }
};

// "Power Supply": the power supply's step table, file "Power.txt".
class TFPower : public StepTableWindow {
    Q_OBJECT
public:
    explicit TFPower(AppContext &ctx, QWidget *parent = nullptr);
    QTableView *PowerGd() const { return Grid(); }
};

} // namespace vek
