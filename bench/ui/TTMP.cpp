#include "bench/ui/TTMP.h"

#include "app/context/AppContext.h"
#include "bench/TemperatureModels.h"
#include "instruments/ui/GridCellDelegate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace vek {

namespace {

constexpr int kRegRowHeight = 18;
constexpr int kResultRowHeight = 18;

QTableView *MakeGrid(QWidget *parent, const char *name, QAbstractItemModel *model)
{
    auto *grid = new QTableView(parent);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setAccessibleName(QString::fromLatin1(name));
    grid->setModel(model);
    // Row 0 and column 0 are cells of their own (labels and addresses), not header bars.
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    return grid;
}

} // namespace

TTMP::TTMP(AppContext &ctx, QWidget *parent)
    : PanelWindow(QStringLiteral("TMP"), QStringLiteral("Temperature Test"), QRect(0, 0, 840, 600),
                  parent),
      m_ctx(ctx)
{
    m_regModel = new RegisterStepModel(m_ctx.registerSteps, this);
    m_resultModel = new StepResultModel(m_ctx.stepResults, this);
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &TTMP::Timer1Timer);
    BuildControls();
    FormCreate();
}

TTMP::~TTMP() = default;

void TTMP::BuildControls()
{
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);

    // The register step table, as tall as the window.
    m_regChg = MakeGrid(this, "RegChg", m_regModel);
    SetUpStringGrid(m_regChg, kRegRowHeight);
    // Four hexadecimal digits in a 22-pixel column: a small, narrow face.
    QFont cellFont = m_regChg->font();
    cellFont.setPixelSize(10);
    cellFont.setStretch(QFont::Condensed);
    m_regChg->setFont(cellFont);
    SetRegChgColumnWidths();
    connect(m_regModel, &QAbstractItemModel::modelReset, this, &TTMP::SetRegChgColumnWidths);
    outer->addWidget(m_regChg);

    auto *right = new QVBoxLayout;
    outer->addLayout(right, 1);
    auto *controls = new QGridLayout;
    controls->setHorizontalSpacing(6);
    right->addLayout(controls);

    auto button = [this](const char *name, const char *caption) {
        auto *b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    auto check = [this](const char *name, const char *caption) {
        auto *c = new QCheckBox(QString::fromUtf8(caption), this);
        c->setObjectName(QString::fromLatin1(name));
        return c;
    };
    auto labelledEdit = [this](const char *name, const char *text, const char *label) {
        auto *e = new QLineEdit(QString::fromUtf8(text), this);
        e->setObjectName(QString::fromLatin1(name));
        e->setAccessibleName(QString::fromUtf8(label));
        auto *l = new QLabel(QString::fromUtf8(label), this);
        l->setBuddy(e);
        return std::pair{e, l};
    };

    auto [modenum, modenumLabel] = labelledEdit("EModenum", "48", "輸入最大測試模式數量");
    m_modenum = modenum;
    m_modenum->setFixedWidth(60);
    connect(m_modenum, &QLineEdit::returnPressed, this, &TTMP::EModenumKeyPress);
    auto *stepRow = new QHBoxLayout;
    stepRow->addWidget(modenumLabel);
    stepRow->addWidget(m_modenum);
    stepRow->addStretch(1);
    controls->addLayout(stepRow, 0, 0, 1, 5);

    m_catchAdc = button("CatchADC", "Catch ADC");
    m_badc = button("BADC", "ADC");
    m_flashRd = button("BFlashRD", "Ca.Flash");
    m_stop = button("Button2", "Stop");
    m_saveData = button("ENSave", "SaveData");
    int column = 0;
    for (QPushButton *b : {m_catchAdc, m_badc, m_flashRd, m_stop, m_saveData})
        controls->addWidget(b, 1, column++);
    connect(m_catchAdc, &QPushButton::clicked, this, &TTMP::CatchADCClick);
    connect(m_badc, &QPushButton::clicked, this, &TTMP::BADCClick);
    connect(m_flashRd, &QPushButton::clicked, this, &TTMP::BFlashRDClick);
    connect(m_stop, &QPushButton::clicked, this, &TTMP::Button2Click);
    connect(m_saveData, &QPushButton::clicked, this, &TTMP::ENSaveClick);

    m_measure = new QComboBox(this);
    m_measure->setObjectName(QStringLiteral("CADCBRY"));
    m_measure->setAccessibleName(QStringLiteral("CADCBRY"));
    m_measure->addItems(
        {QStringLiteral("ADC & Brymen"), QStringLiteral("ADC"), QStringLiteral("Brymen")});
    controls->addWidget(m_measure, 2, 0, 1, 2);

    auto [delay, delayLabel] = labelledEdit("PDlyT", "2000", "Power Supply Delay Time");
    m_powerDelay = delay;
    m_powerDelay->setFixedWidth(60);
    auto *delayRow = new QHBoxLayout;
    delayRow->addWidget(delayLabel);
    delayRow->addWidget(m_powerDelay);
    delayRow->addWidget(new QLabel(QStringLiteral("ms"), this));
    delayRow->addStretch(1);
    controls->addLayout(delayRow, 2, 2, 1, 3);

    m_keepFluke = check("FkNOINT", "不關閉Fluke");
    m_fullFiles = check("CHFULL", "儲存完整檔案");
    controls->addWidget(m_keepFluke, 3, 0, 1, 2);
    controls->addWidget(m_fullFiles, 3, 2, 1, 2);

    m_lock330mV = check("LK330mV", "Lockout  330mV");
    m_lock3V = check("LK3V", "Lockout  3.3V");
    m_lkEnter = button("LKENTER", "ENTER");
    controls->addWidget(m_lock330mV, 4, 0, 1, 2);
    controls->addWidget(m_lock3V, 4, 2, 1, 2);
    controls->addWidget(m_lkEnter, 4, 4);
    connect(m_lock330mV, &QCheckBox::clicked, this, &TTMP::LK330mVClick);
    connect(m_lock3V, &QCheckBox::clicked, this, &TTMP::LK3VClick);
    connect(m_lkEnter, &QPushButton::clicked, this, &TTMP::LKENTERClick);
    controls->setColumnStretch(5, 1);

    // The mean of each step, ten steps per row.
    m_tmpData = MakeGrid(this, "TMPData", m_resultModel);
    m_tmpData->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tmpData->setItemDelegate(new GridCellDelegate(m_tmpData));
    m_tmpData->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_tmpData->verticalHeader()->setDefaultSectionSize(kResultRowHeight);
    m_tmpData->horizontalHeader()->setDefaultSectionSize(104); // "-8388608.000000"
    m_tmpData->horizontalHeader()->setMinimumSectionSize(10);
    m_tmpData->horizontalHeader()->resizeSection(0, 24);
    connect(m_resultModel, &QAbstractItemModel::modelReset, this,
            [this] { m_tmpData->horizontalHeader()->resizeSection(0, 24); });
    m_tmpData->setWordWrap(false);
    right->addWidget(m_tmpData, 1);
}

void TTMP::SetRegChgColumnWidths()
{
    QHeaderView *columns = m_regChg->horizontalHeader();
    columns->resizeSection(0, 60);
    for (int c = 1; c <= RegisterStepTable::kRegisterColumns; ++c)
        columns->resizeSection(c, 22);
    columns->resizeSection(RegisterStepTable::kDelayColumn, 40);
    columns->resizeSection(RegisterStepTable::kAcmColumn, 40);
    // As wide as its columns (and a scroll bar), so that no column hides at any window size.
    int width = 2 * m_regChg->frameWidth() + 20;
    for (int c = 0; c < RegisterStepTable::kColumns; ++c)
        width += columns->sectionSize(c);
    m_regChg->setFixedWidth(width);
}

void TTMP::FormCreate()
{
    m_measure->setCurrentIndex(kAdcAndMeter);
    runState.fullFileNumber = 0;
    Modenum();
    UpdateButtons();
    m_timer->start();
}

void TTMP::FormClose()
{
    // Closing the window ends a run as "Stop" does.
    runState.running = false;
    if (m_run.stop)
        m_run.stop();
}

int TTMP::Modenum()
{
    bool fellBack = false;
    const int steps = StepCountFromText(m_modenum->text(), &fellBack);
    if (fellBack)
        m_modenum->setText(QString::number(steps));
    if (steps != m_ctx.registerSteps.Steps())
        m_regModel->Change([steps](RegisterStepTable &t) { t.SetSteps(steps); });
    if (onStepCount)
        onStepCount(steps);
    return steps;
}

void TTMP::EModenumKeyPress()
{
    const int steps = Modenum();
    if (onStepCountEntered)
        onStepCountEntered(steps);
}

bool TTMP::SaveReg()
{
    Modenum();
    const RegisterStepTable &table = m_ctx.registerSteps;
    m_usedColumns = table.UsedColumns();
    m_usedRows = table.UsedRows();
    const QString failed = SaveRegisterStepFiles(m_ctx.programDir, table);
    if (failed.isEmpty())
        return true;
    m_ctx.status.SetText(0, QStringLiteral("Cannot write ") + failed);
    return false;
}

bool TTMP::DownloadReg()
{
    Modenum();
    RegisterStepLoad load;
    m_regModel->Change(
        [&](RegisterStepTable &t) { load = LoadRegisterStepFiles(m_ctx.programDir, t); });
    if (!load.ok) {
        m_ctx.status.SetText(0, QStringLiteral("Cannot read ") + load.failedFile);
        return false;
    }
    const RegisterStepTable &table = m_ctx.registerSteps;
    m_usedColumns = table.UsedColumns();
    m_usedRows = table.UsedRows();
    // During a run the result grid keeps the steps measured so far; the run reads the loaded
    // rows as it reaches them.
    if (!runState.running) {
        m_ctx.stepResults.Prepare(m_usedRows);
        m_resultModel->Refresh();
    }
    m_ctx.status.SetText(
        0, QStringLiteral("Download Register Value - %1").arg(std::max(load.lastRow, 0)));
    if (load.delayRead)
        m_ctx.status.SetText(0, QStringLiteral("Download Register Value OK !!!"));
    return true;
}

void TTMP::AttachRun(TemperatureRunHooks hooks)
{
    m_run = std::move(hooks);
    UpdateButtons();
}

void TTMP::UpdateButtons()
{
    const bool run = bool(m_run.run);
    for (QPushButton *b : {m_catchAdc, m_badc, m_flashRd, m_stop})
        b->setEnabled(run);
    m_saveData->setEnabled(bool(m_run.saveData));
    m_lkEnter->setEnabled(bool(m_run.rangeLock));
}

void TTMP::StartRun(int mode)
{
    if (!m_run.run || m_startQueued || runState.running)
        return;
    m_startQueued = true;
    for (QPushButton *b : {m_catchAdc, m_badc, m_flashRd, m_saveData})
        b->setEnabled(false);
    m_startCancelled = false;
    QTimer::singleShot(0, this, [this, mode] {
        m_startQueued = false;
        if (!m_startCancelled)
            m_run.run(mode);
        UpdateButtons();
    });
}

void TTMP::CatchADCClick() { StartRun(1); }

void TTMP::BADCClick() { StartRun(0); }

void TTMP::BFlashRDClick() { StartRun(2); }

void TTMP::Button2Click()
{
    // "Stop" right after a start button: the run does not begin.
    m_startCancelled = m_startQueued;
    runState.running = false;
    if (m_run.stop)
        m_run.stop();
}

void TTMP::ENSaveClick()
{
    if (m_run.saveData)
        m_run.saveData();
}

void TTMP::LKENTERClick()
{
    if (m_run.rangeLock)
        m_run.rangeLock();
}

void TTMP::LK330mVClick()
{
    if (m_lock330mV->isChecked())
        m_lock3V->setChecked(false);
}

void TTMP::LK3VClick()
{
    if (m_lock3V->isChecked())
        m_lock330mV->setChecked(false);
}

void TTMP::Timer1Timer()
{
    m_resultModel->Refresh();
}

} // namespace vek
