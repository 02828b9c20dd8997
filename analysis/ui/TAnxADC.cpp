#include "analysis/ui/TAnxADC.h"
#include "analysis/ui/ChartViews.h"

#include "analysis/FlashCapture.h"

#include "analysis/EnobMeasurement.h"

#include "analysis/AnalysisSettings.h"
#include "analysis/ChartData.h"
#include "analysis/ResultFile.h"
#include "analysis/SampleGridModel.h"
#include "analysis/Spectrum.h"
#include "app/base/NumberText.h"
#include "app/context/AppContext.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <qcustomplot.h>

namespace vek {

namespace {

constexpr int kMinWidth = 714;
constexpr int kMinHeight = 277;
constexpr int kBandHeight = 50;

struct ResultBoxSpec {
    const char *name;
    const char *caption;
};
constexpr ResultBoxSpec kResultBoxes[] = {
    {"TXENOB", "ENOB"},        {"TXNFREE", "Noise Free"}, {"TXVRMS", "Vrms"},
    {"TXOffset", "Average"},   {"TXVPP", "Vp-p Noise"},   {"TXNrms", "RMS Noise"},
};

QLabel *MakeLabel(const QString &text, QWidget *parent, const QString &name = QString())
{
    auto *l = new QLabel(text, parent);
    if (!name.isEmpty())
        l->setObjectName(name);
    return l;
}

} // namespace

TAnxADC::TAnxADC(AppContext &ctx, QWidget *parent)
    : PanelWindow(QStringLiteral("AnxADC"), QStringLiteral("Analyse ADC"), QRect(0, 0, 760, 560),
                  parent),
      m_ctx(ctx)
{
    setMinimumSize(kMinWidth, kMinHeight);
    m_model = new SampleGridModel(m_ctx.samples, this);
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &TAnxADC::Timer1Timer);
    BuildControls();
    FormCreate();
}

TAnxADC::~TAnxADC() = default;

void TAnxADC::BuildControls()
{
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(2, 2, 2, 2);
    auto *left = new QVBoxLayout;
    outer->addLayout(left, 1);

    // Settings and buttons.
    auto *controls = new QWidget(this);
    controls->setObjectName(QStringLiteral("PControls"));
    auto *grid = new QGridLayout(controls);
    grid->setContentsMargins(0, 0, 0, 0);
    auto combo = [controls](const char *name, const QStringList &items, int index) {
        auto *c = new QComboBox(controls);
        c->setObjectName(QString::fromLatin1(name));
        c->addItems(items);
        c->setCurrentIndex(index);
        return c;
    };
    auto edit = [controls](const char *name, const QString &text, int width) {
        auto *e = new QLineEdit(text, controls);
        e->setObjectName(QString::fromLatin1(name));
        e->setFixedWidth(width);
        return e;
    };
    auto button = [controls](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, controls);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };

    m_nPoint = combo("NPointIndex", SamplePointItems(), kDefaultSamplePointIndex);
    m_txScale = combo("TXScale", ScaleItems(), kDefaultScaleIndex);
    m_erefv = edit("EREFV", QStringLiteral("1.2"), 60);
    m_cmavr = combo("CMAVR", AveragingItems(), 0);
    m_filter = new QCheckBox(QStringLiteral("Filter"), controls);
    m_filter->setObjectName(QStringLiteral("CkFilter"));
    m_numD = edit("ENumD", QStringLiteral("9"), 40);
    m_keyAddr = edit("EKEYADDR", QString(), 60);
    m_keyData = edit("EKEYDATA", QString(), 40);
    m_poll = new QCheckBox(QStringLiteral("Polling"), controls);
    m_poll->setObjectName(QStringLiteral("CKENPOLL"));
    m_catch = button("CatchADC", QStringLiteral("Catch ADC"));
    m_save = button("SaveData", QStringLiteral("Save to CSV"));
    m_showChart = button("ShowChart", QStringLiteral("Chang to Chart"));
    m_ftChange = button("FTChange", QStringLiteral("Change FFT "));
    m_saveJson = button("SaveJson", QStringLiteral("Save JSON"));

    int col = 0;
    grid->addWidget(MakeLabel(QStringLiteral("Sample Point"), controls), 0, col);
    grid->addWidget(m_nPoint, 1, col++);
    grid->addWidget(MakeLabel(QStringLiteral("Scale"), controls), 0, col);
    grid->addWidget(m_txScale, 1, col++);
    grid->addWidget(MakeLabel(QStringLiteral("Ref Volt"), controls), 0, col);
    auto *vref = new QHBoxLayout;
    vref->addWidget(m_erefv);
    vref->addWidget(MakeLabel(QStringLiteral("V"), controls));
    grid->addLayout(vref, 1, col++);
    grid->addWidget(MakeLabel(QStringLiteral("Avr. Times"), controls), 0, col);
    grid->addWidget(m_cmavr, 1, col++);
    grid->addWidget(m_filter, 0, col);
    grid->addWidget(m_numD, 1, col++);
    grid->addWidget(MakeLabel(QStringLiteral("KEY Address"), controls), 0, col);
    grid->addWidget(m_keyAddr, 1, col++);
    grid->addWidget(MakeLabel(QStringLiteral("Key Data"), controls), 0, col);
    grid->addWidget(m_keyData, 1, col++);
    // "Save JSON" stands beside "Save to CSV", under "Polling".
    grid->addWidget(m_poll, 0, col);
    grid->addWidget(m_saveJson, 1, col++);
    grid->addWidget(m_catch, 0, col);
    grid->addWidget(m_save, 1, col++);
    grid->addWidget(m_showChart, 0, col);
    grid->addWidget(m_ftChange, 1, col++);
    grid->setColumnStretch(col, 1);
    left->addWidget(controls);

    // The main panel: result boxes in a band, the grid and the chart below it.
    m_mainPanel = new QWidget(this);
    m_mainPanel->setObjectName(QStringLiteral("Panel1"));
    m_mainPanel->installEventFilter(this);
    left->addWidget(m_mainPanel, 1);

    m_resultBand = new QWidget(m_mainPanel);
    m_resultBand->setObjectName(QStringLiteral("PResults"));
    auto *band = new QGridLayout(m_resultBand);
    band->setContentsMargins(2, 2, 2, 2);
    band->setVerticalSpacing(1);
    for (int i = 0; i < 6; ++i) {
        band->addWidget(MakeLabel(QString::fromLatin1(kResultBoxes[i].caption), m_resultBand), 0, i);
        auto *box = new QLabel(m_resultBand);
        box->setObjectName(QString::fromLatin1(kResultBoxes[i].name));
        box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        box->setMinimumWidth(90);
        band->addWidget(box, 1, i);
    }

    m_grid = new QTableView(m_mainPanel);
    m_grid->setObjectName(QStringLiteral("MemoryF"));
    m_grid->setModel(m_model);
    m_grid->horizontalHeader()->setDefaultSectionSize(30);
    m_grid->verticalHeader()->setDefaultSectionSize(17);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(m_model, &SampleGridModel::widestTextChanged, this, &TAnxADC::FitGridColumns);

    m_chart = new QCustomPlot(m_mainPanel);
    m_chart->setObjectName(QStringLiteral("Chart1"));
    m_chart->setNotAntialiasedElements(QCP::aeAll);
    m_chart->plotLayout()->insertRow(0);
    m_chart->plotLayout()->addElement(0, 0, new QCPTextElement(m_chart, QString()));
    QCPGraph *series = m_chart->addGraph();
    series->setName(QStringLiteral("Series1"));
    series->setPen(QPen(Qt::red));
    m_chart->legend->setVisible(false);
    // The chart area holds this chart beside the histogram and the windowed spectrum.
    m_views = new ChartViews(m_chart, m_mainPanel);
    m_views->hide();
    connect(m_views, &ChartViews::timeChartResetRequested, this, [this] { ChartFun(m_ctx.samples.ChartCount); });
    connect(m_views->ExportButton(), &QPushButton::clicked, this, [this] { ExportChartClick(); });

    m_adcPanel = new QFrame(m_mainPanel);
    m_adcPanel->setObjectName(QStringLiteral("ADCPanel"));
    auto *lcdLayout = new QHBoxLayout(m_adcPanel);
    m_lcd = new QLCDNumber(8, m_adcPanel);
    m_lcd->setObjectName(QStringLiteral("LCDADCP"));
    m_lcd->setSegmentStyle(QLCDNumber::Filled);
    lcdLayout->addWidget(m_lcd);

    // Controls kept but hidden, stacked at the right edge.
    auto *right = new QVBoxLayout;
    outer->addLayout(right);
    auto hiddenButton = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        m_hiddenControls << b;
        return b;
    };
    auto hiddenEdit = [this](const char *name, const QString &text) {
        auto *e = new QLineEdit(text, this);
        e->setObjectName(QString::fromLatin1(name));
        m_hiddenControls << e;
        return e;
    };
    auto hiddenLabel = [this](const QString &text) {
        QLabel *l = MakeLabel(text, this);
        m_hiddenControls << l;
        return l;
    };
    m_badc = hiddenButton("BADC", QStringLiteral("ADC"));
    QLabel *waitLabel = hiddenLabel(QStringLiteral("Wait"));
    m_waitEdit = hiddenEdit("Edit1", QStringLiteral("15"));
    m_preView = hiddenButton("PreViewADC", QStringLiteral("Int.  ADC"));
    m_extAdc = hiddenButton("ExtADC", QStringLiteral("Ext. ADC"));
    QLabel *addrLabel = hiddenLabel(QStringLiteral("ADC Address"));
    m_adcAddr = hiddenEdit("PreADCAddr", QStringLiteral("D4"));
    m_cFunAdc = new QComboBox(this);
    m_cFunAdc->setObjectName(QStringLiteral("CFunADC"));
    m_cFunAdc->addItems(ConversionModeItems());
    m_hiddenControls << m_cFunAdc;
    m_calVal = hiddenEdit("CalVal", QStringLiteral("500"));
    QLabel *mvLabel = hiddenLabel(QStringLiteral("mV"));
    m_bcal = hiddenButton("BCALVal", QStringLiteral("Cal. Valtage"));
    m_comFun = new QComboBox(this);
    m_comFun->setObjectName(QStringLiteral("ComFun"));
    m_comFun->addItems(PresetModeItems());
    m_hiddenControls << m_comFun;
    m_bflash = hiddenButton("BFlashRD", QStringLiteral("Ca.Flash"));
    for (QWidget *w : {static_cast<QWidget *>(m_badc), static_cast<QWidget *>(waitLabel),
                       static_cast<QWidget *>(m_waitEdit), static_cast<QWidget *>(m_preView),
                       static_cast<QWidget *>(m_extAdc), static_cast<QWidget *>(addrLabel),
                       static_cast<QWidget *>(m_adcAddr), static_cast<QWidget *>(m_cFunAdc),
                       static_cast<QWidget *>(m_calVal), static_cast<QWidget *>(mvLabel),
                       static_cast<QWidget *>(m_bcal), static_cast<QWidget *>(m_comFun),
                       static_cast<QWidget *>(m_bflash)}) {
        right->addWidget(w);
        w->hide();
    }
    right->addStretch(1);

    // Choices made by the user run their handlers; choices set from code do not.
    connect(m_nPoint, &QComboBox::activated, this, [this] { NPointIndexChange(); });
    connect(m_txScale, &QComboBox::activated, this, [this] { TXScaleChange(); });
    connect(m_cmavr, &QComboBox::activated, this, [this] { CMAVRChange(); });
    connect(m_comFun, &QComboBox::activated, this, [this] { ComFunChange(); });
    connect(m_poll, &QCheckBox::clicked, this, [this] { CKENPOLLClick(); });
    // A capture never runs inside the click: the click returns at once (to the accessibility layer
    // too) and the capture starts from the event loop, which it keeps turning, so the second
    // click that stops it can arrive.
    connect(m_catch, &QPushButton::clicked, this, [this] { CatchADCClick(); }, Qt::QueuedConnection);
    connect(m_save, &QPushButton::clicked, this, [this] { SaveDataClick(); });
    connect(m_saveJson, &QPushButton::clicked, this, [this] { SaveJsonClick(); });
    connect(m_showChart, &QPushButton::clicked, this, [this] { ShowChartClick(); });
    connect(m_ftChange, &QPushButton::clicked, this, [this] { FTChangeClick(); });
    connect(m_badc, &QPushButton::clicked, this, [this] { BADCClick(); });
    connect(m_bcal, &QPushButton::clicked, this, [this] { BCALValClick(); });
    connect(m_bflash, &QPushButton::clicked, this, [this] { BFlashRDClick(); }, Qt::QueuedConnection);
    connect(m_preView, &QPushButton::clicked, this, [this] { PreViewADCClick(); });
    connect(m_extAdc, &QPushButton::clicked, this, [this] { ExtADCClick(); });
}

// ---- Window events --------------------------------------------------------------------------

void TAnxADC::FormCreate()
{
    m_ctx.samples.CaptureIdle = true;
    m_adcPanel->hide();
    m_timer->stop();
    m_cFunAdc->setCurrentIndex(0);
    m_comFun->setCurrentIndex(0);
    m_ctx.samples.TargetCount = TargetCountForIndex(m_nPoint->currentIndex());
    ApplyScaleIndex(m_ctx.samples, m_txScale->currentIndex());
    m_model->SetRows(GridRowCount(m_ctx.samples.TargetCount));
    FormResize();
}

void TAnxADC::FormClose()
{
    // Closing the window ends a capture in progress: nobody could stop it otherwise.
    if (!m_ctx.samples.CaptureIdle)
        m_ctx.samples.CaptureIdle = true;
    m_timer->stop();
    m_adcPanel->hide();
    m_badc->setEnabled(true);
    m_showChart->setEnabled(true);
    m_catch->setEnabled(true);
}

void TAnxADC::FormResize()
{
    const QRect r = m_mainPanel->rect();
    const int h = std::max(r.height() - kBandHeight, 0);
    m_resultBand->setGeometry(r.left(), r.top(), r.width(), kBandHeight);
    const QRect below(r.left(), r.top() + kBandHeight, r.width(), h);
    m_grid->setGeometry(below);
    m_views->setGeometry(below);
    FitGridColumns();
    m_adcPanel->setGeometry(below.left(), below.top(), std::max(below.width() - 106, 0), below.height());
}

void TAnxADC::FitGridColumns()
{
    // Columns share the grid's width but never cut a value short.
    const int widest = m_grid->fontMetrics().horizontalAdvance(QString(m_model->WidestText(), QLatin1Char('8')));
    m_grid->horizontalHeader()->setDefaultSectionSize(GridColumnWidth(m_grid->width(), widest));
}

bool TAnxADC::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_mainPanel && event->type() == QEvent::Resize)
        FormResize();
    return PanelWindow::eventFilter(watched, event);
}

// ---- Settings handlers ----------------------------------------------------------------------

void TAnxADC::NPointIndexChange()
{
    m_ctx.samples.TargetCount = TargetCountForIndex(m_nPoint->currentIndex());
    m_model->SetRows(GridRowCount(m_ctx.samples.TargetCount));
}

void TAnxADC::TXScaleChange()
{
    ApplyScaleIndex(m_ctx.samples, m_txScale->currentIndex());
    if (hooks.scaleIndexChanged)
        hooks.scaleIndexChanged(m_txScale->currentIndex());
}

void TAnxADC::ShowChartClick()
{
    if (GridShown()) {
        ChartFun(m_ctx.samples.ChartCount);
        SetGridShown(false);
    } else {
        SetGridShown(true);
    }
}

void TAnxADC::FTChangeClick()
{
    SampleStore &s = m_ctx.samples;
    s.FrequencyView = !s.FrequencyView;
    m_ftChange->setText(s.FrequencyView ? QStringLiteral("Change Freq.")
                                        : QStringLiteral("Change FFT"));
    ChartFun(s.ChartCount);
}

void TAnxADC::CMAVRChange() { ReCalADC(); }

void TAnxADC::SaveOut()
{
    const std::optional<QString> path =
        m_ctx.dialogs.SaveFile(this, QStringLiteral("Save As"),
                               m_ctx.ProgramFile(QStringLiteral("VekADC.CSV")),
                               QStringLiteral("*.CSV (*.CSV)"));
    if (!path || path->isEmpty())
        return;
    if (!SaveResultFile(*path, m_ctx.samples, m_ctx.analysisResults))
        m_ctx.dialogs.Message(this, QStringLiteral("Error"),
                              QStringLiteral("Cannot create file \"%1\".").arg(*path),
                              MsgButtons::Ok, MsgIcon::Error);
}

// ---- Result boxes ---------------------------------------------------------------------------

void TAnxADC::ClearResultBoxes()
{
    for (const ResultBoxSpec &b : kResultBoxes)
        if (QLabel *box = ResultBox(b.name))
            box->clear();
}

void TAnxADC::ShowFigures(const Figures &f)
{
    ResultBox("TXVRMS")->setText(FigureText(f.rmsValue));
    ResultBox("TXOffset")->setText(FigureText(f.mean));
    ResultBox("TXENOB")->setText(FigureText(f.enob));
    ResultBox("TXNrms")->setText(FigureText(f.rmsNv));
    ResultBox("TXNFREE")->setText(FigureText(f.noiseFree));
    ResultBox("TXVPP")->setText(FigureText(f.vppNv));
}

QLabel *TAnxADC::ResultBox(const char *name) const
{
    return m_resultBand->findChild<QLabel *>(QString::fromLatin1(name));
}

// ---- Settings kept in the configuration file ------------------------------------------------

void TAnxADC::SetNPointIndex(int index)
{
    m_nPoint->setCurrentIndex(index);
    NPointIndexChange();
}

int TAnxADC::NPointIndex() const { return m_nPoint->currentIndex(); }

void TAnxADC::SetTXScaleIndex(int index)
{
    m_txScale->setCurrentIndex(index);
    TXScaleChange();
}

int TAnxADC::TXScaleIndex() const { return m_txScale->currentIndex(); }

void TAnxADC::SetFrequencyView(bool on)
{
    m_ctx.samples.FrequencyView = on;
    m_ftChange->setText(on ? QStringLiteral("Change Freq.") : QStringLiteral("Change FFT"));
}

bool TAnxADC::FrequencyView() const { return m_ctx.samples.FrequencyView; }

void TAnxADC::SetCFunADCIndex(int index) { m_cFunAdc->setCurrentIndex(index); }
int TAnxADC::CFunADCIndex() const { return m_cFunAdc->currentIndex(); }

void TAnxADC::SetCalibrationPair(int32_t inputValue, int32_t adcResult)
{
    m_calInput = inputValue;
    m_calResult = adcResult;
}

void TAnxADC::SetRegisterRow(int mode, const std::array<uint8_t, 6> &row)
{
    if (mode == 0 || mode == 1)
        m_ctx.scaleDmm.sets[size_t(mode)] = row;
}

std::array<uint8_t, 6> TAnxADC::RegisterRow(int mode) const
{
    return (mode == 0 || mode == 1) ? m_ctx.scaleDmm.sets[size_t(mode)] : std::array<uint8_t, 6>{};
}

void TAnxADC::SetComFunIndex(int index)
{
    m_comFun->setCurrentIndex(index);
    m_ctx.scaleDmm.comFun = index;
}
int TAnxADC::ComFunIndex() const { return m_comFun->currentIndex(); }
void TAnxADC::SetEREFVText(const QString &text) { m_erefv->setText(text); }
QString TAnxADC::EREFVText() const { return m_erefv->text(); }
void TAnxADC::SetCMAVRIndex(int index) { m_cmavr->setCurrentIndex(index); }
int TAnxADC::CMAVRIndex() const { return m_cmavr->currentIndex(); }
void TAnxADC::SetKeyAddressText(const QString &text) { m_keyAddr->setText(text); }
QString TAnxADC::KeyAddressText() const { return m_keyAddr->text(); }
void TAnxADC::SetKeyDataText(const QString &text) { m_keyData->setText(text); }
QString TAnxADC::KeyDataText() const { return m_keyData->text(); }

void TAnxADC::SetGridShown(bool gridShown)
{
    m_grid->setVisible(gridShown);
    m_views->setVisible(!gridShown);
    m_showChart->setText(gridShown ? QStringLiteral("Chang to Chart")
                                   : QStringLiteral("Chang to vaule"));
}

bool TAnxADC::GridShown() const { return !m_grid->isHidden(); }

} // namespace vek
