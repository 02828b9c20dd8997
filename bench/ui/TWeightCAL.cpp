#include "bench/ui/TWeightCAL.h"

#include "analysis/ResultJson.h"
#include "analysis/AnalysisSettings.h"
#include "app/base/SafeFile.h"
#include "app/base/SettingsText.h"
#include "app/context/AppContext.h"
#include "bench/SwitchGridModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QJsonArray>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace vek {

namespace {

// Design layout.
constexpr int kDesignWidth = 800, kDesignHeight = 520;
constexpr int kMinWidth = 400, kMinHeight = 300;
constexpr int kGridTop = 91;
constexpr int kColumnLeft = 156, kMinColumnWidth = 72;
constexpr int kRowTops[3] = {6, 32, 58};
constexpr int kPanelHeight = 22;
constexpr int kStepPanelWidth = 56;

uint32_t FromColor(const QColor &c) { return uint32_t(c.rgb() & 0xFFFFFF); }

// The colours of the system: the button face and window colours, and the "background" text
// colour of a panel whose channel takes part.
uint32_t ButtonFace(const QWidget *w) { return FromColor(w->palette().color(QPalette::Button)); }
uint32_t WindowColour(const QWidget *w) { return FromColor(w->palette().color(QPalette::Base)); }
uint32_t BackgroundText(const QWidget *w) { return FromColor(w->palette().color(QPalette::WindowText)); }

} // namespace

// ---- SwitchClickPanel -----------------------------------------------------------------------------

SwitchClickPanel::SwitchClickPanel(const QString &name, const QString &caption, QWidget *parent) : QLabel(caption, parent)
{
    setObjectName(name);
    setAccessibleName(caption);
    setAlignment(Qt::AlignCenter);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    SetRaised(true);
}

void SwitchClickPanel::SetRaised(bool raised)
{
    m_raised = raised;
    setFrameStyle(QFrame::Panel | (raised ? QFrame::Raised : QFrame::Sunken));
    setLineWidth(2);
}

void SwitchClickPanel::SetColours(uint32_t text, uint32_t background)
{
    m_text = text & 0xFFFFFF;
    m_background = background & 0xFFFFFF;
    QPalette p = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::WindowText, QColor::fromRgb(m_text));
        p.setColor(group, QPalette::Window, QColor::fromRgb(m_background));
    }
    setPalette(p);
}

void SwitchClickPanel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (isEnabled() && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onClick)
        onClick();
}

void SwitchClickPanel::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Space || event->key() == Qt::Key_Return) && isEnabled() && onClick) {
        onClick();
        return;
    }
    QLabel::keyPressEvent(event);
}

// ---- TWeightCAL -----------------------------------------------------------------------------

TWeightCAL::TWeightCAL(AppContext &ctx, QWidget *parent)
    : PanelWindow(QStringLiteral("WeightCAL"), QStringLiteral("Switch ADC Channel Test"),
                  QRect(0, 0, kDesignWidth, kDesignHeight), parent),
      m_ctx(ctx), m_test(std::make_unique<SwitchTest>())
{
    BuildControls();
    FormCreate();
}

TWeightCAL::~TWeightCAL() = default;

void TWeightCAL::BuildControls()
{
    setMinimumSize(kMinWidth, kMinHeight);
    auto label = [this](const char *name, const QString &text, QRect r) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setAccessibleName(text);
        l->setGeometry(r);
        return l;
    };
    auto combo = [this](const char *name, const QStringList &items, QRect r) {
        auto *c = new QComboBox(this);
        c->setObjectName(QString::fromLatin1(name));
        c->addItems(items);
        c->setGeometry(r);
        return c;
    };
    auto counts = [](int n) {
        QStringList items;
        for (int i = 0; i < n; ++i)
            items << QString::number(1 << i);
        return items;
    };
    // Run parameters on the left.
    m_label1 = label("Label1", QStringLiteral("每次取樣筆數"), QRect(8, kRowTops[0], 84, kPanelHeight));
    m_label2 = label("Label2", QStringLiteral("總共循環次數"), QRect(8, kRowTops[1], 84, kPanelHeight));
    m_label3 = label("Label3", QStringLiteral("Scale"), QRect(8, kRowTops[2], 84, kPanelHeight));
    m_evStepLen = combo("EvStepLen", counts(kSampleChoices), QRect(94, kRowTops[0], 56, kPanelHeight));
    m_loopStep = combo("LoopStep", counts(kLoopChoices), QRect(94, kRowTops[1], 56, kPanelHeight));
    m_txScale = combo("TXScale", ScaleItems(), QRect(94, kRowTops[2], 56, kPanelHeight));
    m_txScale->setCurrentIndex(kDefaultScaleIndex);
    m_label1->setBuddy(m_evStepLen);
    m_label2->setBuddy(m_loopStep);
    m_label3->setBuddy(m_txScale);
    QStringList shifts;
    for (int i = 0; i < 16; ++i)
        shifts << QStringLiteral("shift %1").arg(i);
    m_adShift = combo("ADShift", shifts, QRect(94, kRowTops[2], 56, kPanelHeight));
    m_adShift->hide();

    // The eight channels: check box, Set and Review panels; a column is as wide as the check
    // box's caption needs.
    const int columnWidth =
        std::max(kMinColumnWidth, QFontMetrics(font()).horizontalAdvance(QStringLiteral("Channel 8")) + 24);
    for (int i = 0; i < kSwitchChannels; ++i) {
        const int x = kColumnLeft + i * columnWidth;
        const QString n = QString::number(i + 1);
        auto *box = new QCheckBox(QStringLiteral("Channel ") + n, this);
        box->setObjectName(QStringLiteral("SwitCh") + n);
        box->setAccessibleName(box->text());
        box->setGeometry(x, kRowTops[0], columnWidth - 4, kPanelHeight);
        m_switch[size_t(i)] = box;
        connect(box, &QCheckBox::clicked, this, [this, i] { SwitChClick(i); });
        m_set[size_t(i)] = new SwitchClickPanel(QStringLiteral("PSwitchSet") + n, QStringLiteral("Set ") + n, this);
        m_set[size_t(i)]->setGeometry(x, kRowTops[1], columnWidth - 6, kPanelHeight);
        m_set[size_t(i)]->onClick = [this, i] { PSwitchSetClick(i); };
        m_review[size_t(i)] = new SwitchClickPanel(QStringLiteral("PSwReview") + n, QStringLiteral("Review ") + n, this);
        m_review[size_t(i)]->setGeometry(x, kRowTops[2], columnWidth - 6, kPanelHeight);
        m_review[size_t(i)]->onClick = [this, i] { PSwReviewClick(i); };
    }

    // The result grid.
    m_model = new SwitchGridModel(this);
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("SGDS"));
    m_grid->setModel(m_model);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->horizontalHeader()->setDefaultSectionSize(64);
    m_grid->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_grid->verticalHeader()->setDefaultSectionSize(20);
    m_grid->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);

    // The step panels and STOP at the bottom.
    m_panel1 = new QFrame(this);
    m_panel1->setObjectName(QStringLiteral("Panel1"));
    m_panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    for (int i = 0; i < kSwitchChannels; ++i) {
        const QString n = QString::number(i + 1);
        auto *p = new SwitchClickPanel(QStringLiteral("PStep") + n, QStringLiteral("STEP-") + n, m_panel1);
        p->setGeometry(8 + i * (kStepPanelWidth + 4), 8, kStepPanelWidth, kPanelHeight + 4);
        p->onClick = [this, i] { PStepClick(i); };
        m_step[size_t(i)] = p;
    }
    m_stopPanel = new SwitchClickPanel(QStringLiteral("PSTP"), QStringLiteral("STOP"), m_panel1);
    m_stopPanel->setGeometry(8 + kSwitchChannels * (kStepPanelWidth + 4) + 8, 8, kStepPanelWidth + 4, kPanelHeight + 4);
    m_stopPanel->onClick = [this] { PSTPClick(); };
    // The buttons beside STOP.
    int left = m_stopPanel->geometry().right() + 17;
    auto button = [this, &left](const char *name, const char *text) {
        auto *b = new QPushButton(QString::fromLatin1(text), m_panel1);
        b->setObjectName(QString::fromLatin1(name));
        b->setAccessibleName(b->text());
        b->setGeometry(left, 8, 72, kPanelHeight + 4);
        left += 76;
        return b;
    };
    m_send = button("SendTOZR200", "Send");
    m_begin = button("TestBegin", "Begin");
    m_saveExcel = button("SaveExcel", "SaveExcel");
    // Shown while a run goes: why the settings do not take clicks.
    m_lockNote = new QLabel(QStringLiteral("Settings locked while the test runs (STOP ends it)"), m_panel1);
    m_lockNote->setObjectName(QStringLiteral("LLocked"));
    m_lockNote->setGeometry(8, kPanelHeight + 16, left, 18);
    m_lockNote->hide();
    // Wide enough for the channel columns and the bottom row.
    const int width = std::max({kDesignWidth, kColumnLeft + kSwitchChannels * columnWidth + 8, left + 24});
    SetFrameRect(QRect(FrameRect().topLeft(), QSize(width, kDesignHeight)));

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(500);
    connect(m_timer, &QTimer::timeout, this, [this] { Timer1Timer(); });

    // Only the user's choices run the handlers; code that sets a list runs none.
    connect(m_evStepLen, &QComboBox::activated, this, [this] { EvStepLenChange(); });
    connect(m_loopStep, &QComboBox::activated, this, [this] { LoopStepChange(); });
    connect(m_txScale, &QComboBox::activated, this, [this] { TXScaleChange(); });
    connect(m_adShift, &QComboBox::activated, this, [this] { ADShiftChange(); });
    connect(m_send, &QPushButton::clicked, this, [this] { SendTOZR200Click(); });
    connect(m_begin, &QPushButton::clicked, this, [this] { TestBeginClick(); });
    connect(m_saveExcel, &QPushButton::clicked, this, [this] { SaveExcelClick(); });
}

void TWeightCAL::FormCreate()
{
    m_timer->stop();
    m_adShift->setCurrentIndex(7);
    m_adShift->setEnabled(false);
    m_loopStep->setCurrentIndex(0);
    m_evStepLen->setCurrentIndex(2);
    m_grid->verticalHeader()->setFixedWidth(30);
    m_test->currentStep = 0;
    m_test->evStepIndex = 2;
    m_test->loopStepIndex = 0;
    ApplySampleIndex(*m_test, 2);
    ApplyLoopIndex(*m_test, 0);
    for (int i = 0; i < kSwitchChannels; ++i)
        SwitChClick(i);
    ReRowColSGD();
    PStepSet(0);
    FormResize();
}

void TWeightCAL::FormClose() {}

void TWeightCAL::resizeEvent(QResizeEvent *event)
{
    PanelWindow::resizeEvent(event);
    FormResize();
}

void TWeightCAL::FormResize()
{
    // The window is kept at least 400 x 300 (its minimum size); the grid fills the middle.
    const int w = std::max(width(), kMinWidth), h = std::max(height(), kMinHeight);
    m_grid->setGeometry(10, kGridTop, w - 20, h - 160);
    const int panelTop = kGridTop + (h - 160) + 6;
    m_panel1->setGeometry(10, panelTop, w - 20, std::max(h - panelTop - 6, kPanelHeight + 20));
}

// ---- Settings file --------------------------------------------------------------------------

bool TWeightCAL::LoadConfig(const QString &fileName)
{
    if (!QFileInfo::exists(fileName))
        SaveConfig(fileName);
    QByteArray bytes;
    if (!ReadSettingsFile(fileName, bytes))
        return false;
    SwitchTest &t = *m_test;
    const int lines = ParseStepFile(bytes, t);
    if (lines >= 1) {
        m_evStepLen->setCurrentIndex(t.evStepIndex);
        m_loopStep->setCurrentIndex(t.loopStepIndex);
    }
    if (lines >= 2)
        for (int i = 0; i < kSwitchChannels; ++i) {
            m_switch[size_t(i)]->setChecked(t.checked[size_t(i)]);
            SwitChClick(i);
        }
    EvStepLenChange();
    LoopStepChange();
    ReRowColSGD();
    PStepSet(t.currentStep);
    ClearSGD();
    return true;
}

void TWeightCAL::SaveConfig(const QString &fileName)
{
    SwitchTest &t = *m_test;
    t.evStepIndex = m_evStepLen->currentIndex();
    t.loopStepIndex = m_loopStep->currentIndex();
    for (int i = 0; i < kSwitchChannels; ++i)
        t.checked[size_t(i)] = m_switch[size_t(i)]->isChecked();
    // A file that cannot be written is skipped without a message.
    WriteFileAtomically(fileName, SerializeStepFile(t));
}

// ---- Channel controls -----------------------------------------------------------------------

void TWeightCAL::SwitChClick(int channel)
{
    if (channel < 0 || channel >= kSwitchChannels)
        return;
    const bool on = m_switch[size_t(channel)]->isChecked();
    m_test->checked[size_t(channel)] = on;
    const uint32_t text = on ? BackgroundText(this) : kSilver;
    for (SwitchClickPanel *p : {m_set[size_t(channel)], m_review[size_t(channel)], m_step[size_t(channel)]}) {
        p->setEnabled(on);
        p->SetRaised(on);
        p->SetColours(text, ButtonFace(this));
    }
}

void TWeightCAL::WaitRepainting(int32_t ms)
{
    m_waiting = true;
    const double start = m_ctx.clock.NowDays();
    for (;;) {
        const double elapsed = (m_ctx.clock.NowDays() - start) * kMsPerDay;
        if (elapsed >= ms || elapsed < 0)
            break;
        WaitMs(m_ctx.clock, std::clamp<int32_t>(int32_t(ms - elapsed) + 1, 1, 50));
        QCoreApplication::processEvents();
    }
    m_waiting = false;
}

void TWeightCAL::PSwitchSetClick(int channel)
{
    if (channel < 0 || channel >= kSwitchChannels || Busy())
        return;
    SwitchClickPanel *p = m_set[size_t(channel)];
    p->SetRaised(false);
    repaint();
    WaitRepainting(2000);
    ChannelSet &s = m_test->sets[size_t(channel)];
    for (int k = 0; k < kSetRegisterCount; ++k)
        s.values[size_t(k)] = GetImageByte(m_ctx.chipSlots, kSetRegisters[size_t(k)], 0);
    p->SetRaised(true);
}

void TWeightCAL::PSwReviewClick(int channel)
{
    if (channel < 0 || channel >= kSwitchChannels || Busy())
        return;
    SwitchClickPanel *p = m_review[size_t(channel)];
    p->SetRaised(false);
    repaint();
    m_waiting = true;
    ChipPort chip = m_ctx.Chip();
    const ChannelSet &s = m_test->sets[size_t(channel)];
    for (int k = 0; k < kSetRegisterCount; ++k)
        WriteRegister(chip, kSetRegisters[size_t(k)], s.values[size_t(k)], 0);
    m_waiting = false;
    p->SetRaised(true);
}

void TWeightCAL::EvStepLenChange()
{
    m_test->evStepIndex = m_evStepLen->currentIndex();
    ApplySampleIndex(*m_test, m_test->evStepIndex);
    ReRowColSGD();
}

void TWeightCAL::LoopStepChange()
{
    m_test->loopStepIndex = m_loopStep->currentIndex();
    ApplyLoopIndex(*m_test, m_test->loopStepIndex);
    ReRowColSGD();
}

void TWeightCAL::TXScaleChange()
{
    const int index = m_txScale->currentIndex();
    if (scaleIndexChanged)
        scaleIndexChanged(index);
    ApplyScaleIndex(m_ctx.samples, index);
}

void TWeightCAL::SetTXScaleIndex(int index)
{
    const QSignalBlocker block(m_txScale);
    m_txScale->setCurrentIndex(index);
}

int TWeightCAL::TXScaleIndex() const { return m_txScale->currentIndex(); }

void TWeightCAL::ADShiftChange()
{
    ChipPort chip = m_ctx.Chip();
    chip.link.buffer[5] = uint8_t(std::max(m_adShift->currentIndex(), 0));
    WriteChip(chip, 0xAD, 1, 0);
}

void TWeightCAL::SetADShiftIndex(int index)
{
    const QSignalBlocker block(m_adShift);
    m_adShift->setCurrentIndex(index);
}

int TWeightCAL::ADShiftIndex() const { return m_adShift->currentIndex(); }

// ---- Send and run ---------------------------------------------------------------------------

bool TWeightCAL::SendTOZR200WR()
{
    ChipPort chip = m_ctx.Chip();
    return vek::SendTOZR200WR(chip, *m_test, 0);
}

void TWeightCAL::SendTOZR200Click()
{
    if (Busy())
        return;
    ChipPort chip = m_ctx.Chip();
    uint8_t b1 = 0, b2 = 0, b3 = 0;
    ReadBoardStatus(chip.link, m_ctx.chipSlots[0].link, b1, b2, b3);
    m_ctx.status.SetText(2, QStringLiteral("Data Sending ......."));
    repaint();
    if (SendTOZR200WR()) {
        m_ctx.status.SetText(2, QStringLiteral("Data Send OK"));
        return;
    }
    m_ctx.dialogs.Message(this, QStringLiteral("Error"), QStringLiteral("Data Send Fail!!"), MsgButtons::Ok,
                          MsgIcon::Error);
    m_ctx.status.SetText(2, QStringLiteral("Data Send Fail"));
}

void TWeightCAL::PT2OUTLOW()
{
    ChipPort chip = m_ctx.Chip();
    vek::PT2OUTLOW(chip, 0);
}

void TWeightCAL::SetRunLocked(bool locked)
{
    const std::initializer_list<QWidget *> settings = {m_evStepLen, m_loopStep, m_txScale,
                                                       m_send,      m_begin,    m_saveExcel};
    for (QWidget *w : settings)
        w->setEnabled(!locked);
    for (int i = 0; i < kSwitchChannels; ++i) {
        m_switch[size_t(i)]->setEnabled(!locked);
        const bool on = !locked && m_test->checked[size_t(i)];
        m_set[size_t(i)]->setEnabled(on);
        m_review[size_t(i)]->setEnabled(on);
    }
    m_lockNote->setVisible(locked);
}

void TWeightCAL::TestBeginClick()
{
    if (Busy())
        return;
    m_startQueued = true;
    SetRunLocked(true);
    QTimer::singleShot(0, this, [this] {
        m_startQueued = false;
        RunTest();
    });
}

void TWeightCAL::RunTest()
{
    if (m_running || m_waiting)
        return;
    m_running = true;
    SetRunLocked(true);
    ChipPort chip = m_ctx.Chip();
    SwitchRunIo io(chip);
    io.scaleDivisor = m_ctx.samples.ScaleDivisor;
    io.stop = &m_stop;
    io.pump = [] { QCoreApplication::processEvents(); };
    io.status = [this](int field, const QString &text) { m_ctx.status.SetText(field, text); };
    io.gauge = [this](bool visible, int percent) { m_ctx.status.SetGauge(visible, percent); };
    io.clearGrid = [this] { ClearSGD(); };
    m_lastRun = RunSwitchTest(io, *m_test);
    if (m_lastRun.ShowsResults())
        PStepSet(m_test->currentStep);
    RecordRun();
    SetRunLocked(false);
    m_running = false;
}

void TWeightCAL::RecordRun()
{
    const SwitchTest &t = *m_test;
    MeasurementRecord r;
    r.kind = QStringLiteral("switch-run");
    r.chip = m_ctx.chip.productName;
    r.board = BoardIdentity(m_ctx.chipSlots[0].link);
    r.interfaceName = InterfaceDisplayName(m_ctx.setup.interfaceIndex);
    r.registers = QJsonObject{{QStringLiteral("S"), t.Samples()}, {QStringLiteral("L"), t.Loops()}};
    r.samples = m_lastRun.received;
    r.ok = m_lastRun.ShowsResults() && m_lastRun.received > 0;
    static const char *const kWhy[] = {"the board text could not be read", "Test Fail", "", "stopped",
                                       "Test Fail (a block could not be fetched)"};
    r.failure = QString::fromLatin1(kWhy[int(m_lastRun.end)]);
    if (r.ok) {
        // Per checked channel: the mean and the spread of its results.
        const int perChannel = t.Samples() * t.Loops();
        QJsonArray channels;
        for (int channel : t.CheckedChannels()) {
            const std::vector<int32_t> &v = t.sets[size_t(channel)].results;
            const int n = std::min<int>(perChannel, int(v.size()));
            double sum = 0, sq = 0;
            for (int k = 0; k < n; ++k)
                sum += v[size_t(k)];
            const double mean = n > 0 ? sum / n : 0;
            for (int k = 0; k < n; ++k)
                sq += (v[size_t(k)] - mean) * (v[size_t(k)] - mean);
            channels.append(QJsonObject{{QStringLiteral("channel"), channel},
                                        {QStringLiteral("mean"), mean},
                                        {QStringLiteral("sigma"), n > 0 ? std::sqrt(sq / n) : 0.0}});
        }
        r.figures = QJsonObject{{QStringLiteral("channels"), channels},
                                {QStringLiteral("finished"), m_lastRun.end == SwitchRunEnd::Complete}};
    }
    m_ctx.Record(std::move(r));
}

// ---- Steps and grid -------------------------------------------------------------------------

void TWeightCAL::PStepClick(int step)
{
    if (step < 0 || step >= kSwitchChannels)
        return;
    m_test->currentStep = step;
    PStepSet(step);
}

void TWeightCAL::PStepSet(int step)
{
    const SwitchTest &t = *m_test;
    m_shownStep = ShownStep(t, step);
    for (int i = 0; i < kSwitchChannels; ++i) {
        SwitchClickPanel *p = m_step[size_t(i)];
        if (i == m_shownStep) {
            p->SetRaised(false);
            p->SetColours(WindowColour(this), kBlue);
        } else if (t.checked[size_t(i)]) {
            p->SetRaised(true);
            p->SetColours(BackgroundText(this), ButtonFace(this));
        } else {
            p->SetRaised(false);
            p->SetColours(kSilver, ButtonFace(this));
        }
    }
    m_model->ShowResults(t.sets[size_t(m_shownStep)].results, t.Samples() * t.Loops());
}

void TWeightCAL::ReRowColSGD() { m_model->SetShape(m_test->Samples(), m_test->Loops()); }

void TWeightCAL::ClearSGD() { m_model->Clear(); }

// ---- Result files ---------------------------------------------------------------------------

void TWeightCAL::SaveToExcel()
{
    int failed = 0;
    if (WriteSwitchCsvFiles(m_ctx.programDir, *m_test, &failed))
        return;
    m_ctx.dialogs.Message(this, QStringLiteral("Error"),
                          QStringLiteral("Please Close VekADCSW%1.CSV !!!!").arg(failed), MsgButtons::Ok,
                          MsgIcon::Error);
}

} // namespace vek
