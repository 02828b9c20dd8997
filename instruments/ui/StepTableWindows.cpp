#include "instruments/ui/StepTableWindows.h"

#include "app/context/AppContext.h"
#include "instruments/StepTableModel.h"
#include "instruments/ui/GridCellDelegate.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

namespace vek {

StepTableWindow::StepTableWindow(AppContext &ctx, const QString &componentName,
                                 const QString &caption, QRect designedFrame,
                                 const QString &gridName, StepTable &table, StepFileKind kind,
                                 const QString &fileName, QWidget *parent)
    : PanelWindow(componentName, caption, designedFrame, parent), m_ctx(ctx), m_table(table),
      m_kind(kind), m_fileName(fileName), m_model(new StepTableModel(table, this)),
      m_grid(new QTableView(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_grid->setObjectName(gridName);
    m_grid->setAccessibleName(gridName);
    m_grid->setModel(m_model);
    SetUpStringGrid(m_grid, kRowHeight);
    m_grid->verticalHeader()->hide();
    m_grid->resize(kGridWidth, kGridHeight);
    layout->addWidget(m_grid);
    FormCreate();
}

void StepTableWindow::FormCreate()
{
    INI(kDefaultStepCount);
    SetColumnWidths();
    // A table shown anew (a load, a new step count) keeps its column widths.
    connect(m_model, &QAbstractItemModel::modelReset, this, &StepTableWindow::SetColumnWidths);
}

void StepTableWindow::SetColumnWidths()
{
    QHeaderView *columns = m_grid->horizontalHeader();
    columns->resizeSection(StepTableModel::kNumberColumn, 28);
    columns->resizeSection(StepTableModel::kMarkerColumn, 30);
    columns->resizeSection(StepTableModel::kCommandColumn, 240);
    columns->setStretchLastSection(true);
}

void StepTableWindow::INI(int steps)
{
    // A step count that is no table size (negative) leaves the default.
    if (steps < 1)
        steps = kDefaultStepCount;
    m_model->Change([steps](StepTable &t) { t.SetRows(steps); });
}

void StepTableWindow::GrowTo(int steps)
{
    if (steps > m_table.Rows())
        m_model->Change([steps](StepTable &t) { t.GrowTo(steps); });
}

bool StepTableWindow::SaveSteps(int count)
{
    // The file covers steps 1..count, so the table has at least that many rows.
    GrowTo(count);
    // An empty table (never loaded, never typed in) does not empty a file without asking.
    const QString path = m_ctx.ProgramFile(m_fileName);
    if (LastUsedStep(m_table, count) == 0 && QFileInfo(path).size() > 0 &&
        m_ctx.dialogs.Message(this, windowTitle(), QStringLiteral("File ") + path + QStringLiteral(" exist! Overwrite?"),
                              MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return false;
    if (SaveStepFile(path, m_table, count))
        return true;
    m_ctx.status.SetText(0, QStringLiteral("Cannot write ") + m_fileName);
    return false;
}

bool StepTableWindow::LoadSteps(int count)
{
    FileRead read = FileRead::Ok;
    m_model->Change([&](StepTable &t) {
        read = LoadStepFile(m_ctx.ProgramFile(m_fileName), t, count, m_kind);
    });
    if (read != FileRead::Unreadable)
        return true;
    m_ctx.status.SetText(0, QStringLiteral("Cannot read ") + m_fileName);
    return false;
}

TFLUKE::TFLUKE(AppContext &ctx, QWidget *parent)
    : StepTableWindow(ctx, QStringLiteral("FLUKE"), QStringLiteral("FLUKE-5500"),
                      QRect(0, 0, 360, 680), QStringLiteral("FlukeGd"), ctx.flukeSteps,
                      StepFileKind::Calibrator, QStringLiteral("Fluke.txt"), parent)
{
}

TFPower::TFPower(AppContext &ctx, QWidget *parent)
    : StepTableWindow(ctx, QStringLiteral("FPower"), QStringLiteral("Power Supply"),
                      QRect(370, 0, 360, 680), QStringLiteral("PowerGd"), ctx.powerSteps,
                      StepFileKind::PowerSupply, QStringLiteral("Power.txt"), parent)
{
}

} // namespace vek
