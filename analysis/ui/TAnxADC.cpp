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
// While a capture runs the time chart follows it, but not more often than this.
constexpr int kLiveRedrawMs = 100;

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

// ---- Capture --------------------------------------------------------------------------------

void TAnxADC::SetCaptureControlsBusy(bool busy)
{
    if (hooks.setBoardMenusEnabled)
        hooks.setBoardMenusEnabled(!busy);
    m_save->setEnabled(!busy);
    m_showChart->setEnabled(!busy);
    m_saveJson->setEnabled(!busy);
    // The settings a capture runs with stay as they are until it ends: a new scale or averaging
    // in the middle would mix two settings in the running sums and the stored samples.
    for (QWidget *w : std::initializer_list<QWidget *>{m_nPoint, m_txScale, m_cmavr, m_filter, m_numD, m_erefv,
                                                       m_keyAddr, m_keyData, m_poll})
        w->setEnabled(!busy);
}

void TAnxADC::CatchADCClick()
{
    if (!m_ctx.samples.CaptureIdle) {
        m_ctx.samples.CaptureIdle = true; // stop request, seen by the running capture
        return;
    }
    SetCaptureControlsBusy(true);
    CatchACDCOM(m_erefv->text());
    SetCaptureControlsBusy(false);
}

bool TAnxADC::CatchACDCOM(const QString &refVoltText)
{
    SampleStore &s = m_ctx.samples;
    m_pointsAveraging = 1; // new points, not averaged
    s.CaptureIdle = false;
    ClearResultBoxes();
    s.SampleCount = 0;
    m_lastLiveRedraw.invalidate();

    const bool captured = hooks.streamCapture ? hooks.streamCapture() : false;
    // However the capture ended, none runs now: the next click starts a new one.
    s.CaptureIdle = true;
    if (m_ctx.status.GaugeVisible())
        m_ctx.status.SetGauge(false, m_ctx.status.GaugePercent());

    if (captured) {
        ComputeSpectrum(s, CaptureTarget(s.TargetCount));
        m_ctx.status.SetText(2, QStringLiteral("Read Compelete"));
    } else {
        m_ctx.status.SetText(2, QStringLiteral("Read Error !!!!!"));
    }
    const std::optional<Figures> f = MeasureStreamed(s, CurrentMeasureSettings(refVoltText), m_ctx.analysisResults);
    if (f)
        ShowFigures(*f);
    m_model->AllChanged();
    if (!GridShown())
        ChartFun(s.ChartCount);
    return captured && f.has_value();
}

bool TAnxADC::BFlashRDCOM(const QString &refVoltText)
{
    SampleStore &s = m_ctx.samples;
    m_pointsAveraging = 1; // new points, not averaged
    ClearResultBoxes();
    m_lastLiveRedraw.invalidate();
    ChipPort chip = m_ctx.Chip();
    FlashCaptureIo io(chip);
    io.pumpMessages = [] { QCoreApplication::processEvents(); };
    io.status = [this](int field, const QString &text) { m_ctx.status.SetText(field, text); };
    io.gauge = [this](bool visible, int percent) { m_ctx.status.SetGauge(visible, percent); };
    io.blockDecoded = [this](const DecodedRange &range, int byteCount) { CaptureBlockDecoded(range, byteCount); };
    Figures f;
    const bool ok = vek::BFlashRDCOM(io, s, CurrentMeasureSettings(refVoltText), m_ctx.analysisResults, &f);
    if (ok)
        ShowFigures(f);
    m_model->AllChanged();
    if (!GridShown())
        ChartFun(s.ChartCount);
    return ok;
}

void TAnxADC::CaptureBlockDecoded(const DecodedRange &range, int byteCount)
{
    SampleStore &s = m_ctx.samples;
    m_model->SamplesChanged(range.first, range.stored);
    m_ctx.status.SetText(2, QString::number(byteCount));
    m_ctx.status.SetGauge(true, GaugePercent(s.SampleCount, CaptureTarget(s.TargetCount)));
    if (!GridShown() && !s.FrequencyView &&
        (!m_lastLiveRedraw.isValid() || m_lastLiveRedraw.elapsed() >= kLiveRedrawMs)) {
        ChartFun(s.SampleCount);
        m_lastLiveRedraw.start();
    }
}

void TAnxADC::AnalyseRamBlock(const QString &refVoltText, RamBlockLayout layout, bool bank2Present)
{
    SampleStore &s = m_ctx.samples;
    m_pointsAveraging = 1; // new points, not averaged
    DecodeRamBlock(s, m_ctx.chipSlots[0].image, layout, bank2Present);
    if (const std::optional<Figures> f =
            MeasureRamBlock(s, CurrentMeasureSettings(refVoltText), m_ctx.analysisResults))
        ShowFigures(*f);
    m_model->AllChanged();
    ChartFun(s.ChartCount);
}

bool TAnxADC::TmpRAMADC(const QString &refVoltText)
{
    m_pointsAveraging = 1; // new points, not averaged
    ChipPort chip = m_ctx.Chip();
    BlockCaptureIo io(chip);
    io.kind = static_cast<InterfaceKind>(m_ctx.setup.interfaceIndex);
    io.layout = UsesPlainSpecialHeader(m_ctx.chip.productName, m_ctx.setup.chipModelIndex) ? RamBlockLayout::SmallModel
                                                                                        : RamBlockLayout::Banked;
    io.bank1Present = m_ctx.chip.ramBanks[1].Defined();
    io.bank2Present = m_ctx.chip.ramBanks[2].Defined();
    Figures f;
    const bool ok = vek::TmpRAMADC(io, m_ctx.samples, CurrentMeasureSettings(refVoltText), m_ctx.analysisResults, &f);
    if (ok)
        ShowFigures(f);
    m_model->AllChanged();
    ChartFun(m_ctx.samples.ChartCount);
    return ok;
}

void TAnxADC::ClrTMP()
{
    SampleStore &s = m_ctx.samples;
    if (s.FrequencyView) {
        s.FrequencyView = false;
        m_ftChange->setText(QStringLiteral("Change FFT"));
    }
    ClearSamples(s, CaptureTarget(s.TargetCount));
    m_model->AllChanged();
}

// ---- Statistics -----------------------------------------------------------------------------

double TAnxADC::GetGain()
{
    // Read from the chip at each call: the image may not hold what the gain registers say.
    ChipPort chip = m_ctx.Chip();
    return ReadGainFromChip(chip, 0);
}

MeasureSettings TAnxADC::CurrentMeasureSettings(const QString &refVoltText)
{
    MeasureSettings m;
    m.refVoltText = refVoltText;
    m.filterText = m_numD->text();
    m.gain = GetGain();
    m_lastGain = m.gain;
    ChipPort chip = m_ctx.Chip();
    m_lastRate = ReadConverterRateFromChip(chip, m_ctx.bindings.adc, m_ctx.chip, 0);
    return m;
}

void TAnxADC::ReCalADC()
{
    if (const std::optional<Figures> f =
            vek::ReCalADC(m_ctx.samples, m_cmavr->currentIndex(),
                          CurrentMeasureSettings(m_erefv->text()), m_ctx.analysisResults)) {
        m_pointsAveraging = AveragingFactor(m_cmavr->currentIndex());
        ShowFigures(*f);
        m_model->AllChanged();
    }
}

void TAnxADC::ComFunChange()
{
    const int mode = m_comFun->currentIndex();
    if (mode < 0 || mode > 1)
        return;
    // The chip write path records register values into the set of the current mode.
    m_ctx.scaleDmm.comFun = mode;
    if (hooks.applyRegisterPreset)
        hooks.applyRegisterPreset(m_ctx.scaleDmm.sets[size_t(mode)]);
}

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

// ---- Chart ----------------------------------------------------------------------------------

void TAnxADC::ChartFun(int count)
{
    SampleStore &s = m_ctx.samples;
    const ChartContent c = BuildChart(s, count, s.FrequencyView, m_filter->isChecked());
    if (auto *title = qobject_cast<QCPTextElement *>(m_chart->plotLayout()->element(0, 0)))
        title->setText(c.title);
    QCPGraph *series = m_chart->graph(0);
    series->setData(c.x, c.y, true);
    m_chart->xAxis->setLabel(c.bottomTitle);
    m_chart->yAxis->setLabel(c.leftTitle);
    double hi = c.bottomMax;
    if (!(hi > c.bottomMin))
        hi = c.bottomMin + 1;
    m_chart->xAxis->setRange(c.bottomMin, hi);
    if (c.bottomIncrement > 0 && std::isfinite(c.bottomIncrement)) {
        // The increment is the smallest step between labels; multiples of it keep them legible.
        auto ticker = QSharedPointer<QCPAxisTickerFixed>::create();
        ticker->setTickStep(c.bottomIncrement);
        ticker->setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
        m_chart->xAxis->setTicker(ticker);
    } else {
        m_chart->xAxis->setTicker(QSharedPointer<QCPAxisTicker>::create());
    }
    bool found = false;
    QCPRange values = series->getValueRange(found);
    if (!found)
        values = QCPRange(-1, 1);
    if (values.size() == 0)
        values = QCPRange(values.lower - 1, values.upper + 1);
    // The series spans 3 % to 97 % of the plot height.
    const double margin = values.size() * 0.03 / 0.94;
    m_chart->yAxis->setRange(values.lower - margin, values.upper + margin);
    m_chart->replot(QCustomPlot::rpQueuedReplot);
    UpdateChartViews();
}

// ---- Key polling and hidden controls --------------------------------------------------------

void TAnxADC::CKENPOLLClick()
{
    if (m_poll->isChecked())
        m_timer->start();
    else
        m_timer->stop();
}

void TAnxADC::Timer1Timer()
{
    // No polling traffic in the middle of a capture.
    if (!m_ctx.samples.CaptureIdle || !hooks.readChipByte)
        return;
    const int address = ParseHex(m_keyAddr->text());
    const uint8_t key = static_cast<uint8_t>(ParseHex(m_keyData->text()) & 0xFF);
    uint8_t value = 0;
    if (!hooks.readChipByte(address, value) || value != key)
        return;
    m_timer->stop();
    CatchADCClick();
    if (hooks.writeChipByte)
        hooks.writeChipByte(address, 0);
    m_timer->start();
}

void TAnxADC::PreViewCom()
{
    const bool running = m_timer->isActive();
    if (running) {
        m_timer->stop();
        m_adcPanel->hide();
    } else {
        m_timer->start();
        m_adcPanel->show();
        m_adcPanel->raise();
    }
    m_badc->setEnabled(running);
    m_showChart->setEnabled(running);
    m_catch->setEnabled(running);
}

void TAnxADC::BADCClick()
{
    if (hooks.readRamBlock)
        hooks.readRamBlock();
}

void TAnxADC::BCALValClick()
{
    if (hooks.calibrate)
        hooks.calibrate();
}

void TAnxADC::BFlashRDClick()
{
    {
        LinkIo io = m_ctx.Link();
        uint8_t b1 = 0, b2 = 0, b3 = 0;
        ReadBoardStatus(io, m_ctx.chipSlots[0].link, b1, b2, b3);
    }
    if (hooks.beforeFlash)
        hooks.beforeFlash();
    if (!m_ctx.samples.CaptureIdle) {
        m_ctx.samples.CaptureIdle = true; // stop request, seen at the next chunk
        return;
    }
    SetCaptureControlsBusy(true);
    BFlashRDCOM(m_erefv->text());
    SetCaptureControlsBusy(false);
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
