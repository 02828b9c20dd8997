#pragma once
// The temperature test's result grid: the mean of each step, ten steps per row under the
// headers "D - 1" .. "D - 10". Step s sits in column (s - 1) mod 10 + 1 of row (s - 1) div 10 + 1.
#include <QString>
#include <vector>

namespace vek {

class StepResultGrid {
public:
    static constexpr int kStepsPerRow = 10;

    // Sized for the default step count until a run or a register download sizes it.
    StepResultGrid();

    int Rows() const { return m_rows; }
    int Columns() const { return m_columns; }
    QString Cell(int row, int column) const;

    // For a run of `steps` steps: min(steps, 10) + 1 columns and steps div 10 + 2 rows, the
    // headers "D - 1" onward in row 0, every other cell empty.
    void Prepare(int steps);
    // The text of one step's cell; a step outside the grid is ignored.
    void SetStepText(int step, const QString &text);

    // Counts every change, so that a view can tell whether it must repaint.
    unsigned Revision() const { return m_revision; }

private:
    int m_rows = 0;
    int m_columns = 0;
    std::vector<QString> m_cells; // row by row
    unsigned m_revision = 0;
};

} // namespace vek
