#include "analysis/ui/NoiseTableWindow.h"

#include "analysis/ResultJson.h"
#include "app/base/NumberText.h"
#include "app/base/SafeFile.h"
#include "app/context/AppContext.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace vek {

namespace {

constexpr int kSampleChoices[] = {1024, 2048, 4096, 8192, 16384, 32768, 65536};
constexpr TableFigure kFigureChoices[] = {TableFigure::RmsNv, TableFigure::VppNv, TableFigure::Enob,
                                          TableFigure::NoiseFree, TableFigure::Sigma};

QString Duration(double seconds)
{
    const qint64 s = qint64(std::ceil(std::max(seconds, 0.0)));
    if (s >= 3600)
        return QStringLiteral("%1 h %2 min").arg(s / 3600).arg((s % 3600) / 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

// A point's time at its data rate: its settling and its capture (with the dropped first results).
double PointSeconds(const SweepPoint &p, int32_t samples)
{
    return p.rate.fromSettings && p.rate.hz > 0 ? (samples + kSettlingConversions + 6) / p.rate.hz : 0.0;
}

} // namespace

NoiseTableWindow::NoiseTableWindow(AppContext &ctx, QWidget *parent)
    : PanelWindow(QStringLiteral("NoiseTable"), QStringLiteral("Noise Table"), QRect(40, 40, 860, 560), parent),
      m_ctx(ctx), m_store(std::make_unique<SampleStore>())
{
    BuildControls();
    ShowEstimate();
}

NoiseTableWindow::~NoiseTableWindow() = default;

void NoiseTableWindow::showEvent(QShowEvent *event)
{
    PanelWindow::showEvent(event);
    ShowEstimate();
}

void NoiseTableWindow::BuildControls()
{
    auto *v = new QVBoxLayout(this);
    auto *choices = new QGridLayout;
    v->addLayout(choices);
    auto check = [this](const QString &caption, const QString &name) {
        auto *c = new QCheckBox(caption, this);
        c->setObjectName(name);
        c->setAccessibleName(caption);
        c->setChecked(true);
        connect(c, &QCheckBox::toggled, this, [this] { ShowEstimate(); });
        return c;
    };
    choices->addWidget(new QLabel(QStringLiteral("OSR"), this), 0, 0);
    for (int code = 0; code <= 7; ++code) {
        m_osr.push_back(check(QString::number(code), QStringLiteral("OSR%1").arg(code)));
        choices->addWidget(m_osr.back(), 0, code + 1);
    }
    choices->addWidget(new QLabel(QStringLiteral("Gain"), this), 1, 0);
    const std::vector<SweepGain> gains = AllSweepGains();
    for (size_t k = 0; k < gains.size(); ++k) {
        m_gains.push_back(check(gains[k].Label(), QStringLiteral("Gain%1").arg(k)));
        choices->addWidget(m_gains.back(), 1, int(k) + 1);
    }

    auto *row = new QHBoxLayout;
    v->addLayout(row);
    auto combo = [this, row](const QString &caption, const QString &name, const QStringList &items) {
        auto *l = new QLabel(caption, this);
        auto *c = new QComboBox(this);
        c->setObjectName(name);
        c->setAccessibleName(caption);
        c->addItems(items);
        l->setBuddy(c);
        row->addWidget(l);
        row->addWidget(c);
        return c;
    };
    m_chopper = combo(QStringLiteral("Chopper"), QStringLiteral("Chopper"),
                      {QStringLiteral("As it is"), QStringLiteral("On"), QStringLiteral("Off"), QStringLiteral("On and off")});
    connect(m_chopper, &QComboBox::activated, this, [this] { ShowEstimate(); });
    QStringList samples;
    for (int n : kSampleChoices)
        samples << QString::number(n);
    m_samples = combo(QStringLiteral("Samples"), QStringLiteral("Samples"), samples);
    m_samples->setCurrentIndex(2);
    connect(m_samples, &QComboBox::activated, this, [this] { ShowEstimate(); });
    QStringList figures;
    for (TableFigure f : kFigureChoices)
        figures << TableFigureName(f);
    m_figure = combo(QStringLiteral("Figure"), QStringLiteral("Figure"), figures);
    connect(m_figure, &QComboBox::activated, this, [this] { RedrawTable(); });
    m_short = new QCheckBox(QStringLiteral("Short input"), this);
    m_short->setObjectName(QStringLiteral("ShortInput"));
    m_short->setAccessibleName(m_short->text());
    m_short->setChecked(true);
    row->addWidget(m_short);
    row->addStretch(1);

    auto *buttons = new QHBoxLayout;
    v->addLayout(buttons);
    auto button = [this, buttons](const QString &caption, const QString &name, void (NoiseTableWindow::*slot)()) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAccessibleName(caption);
        // Never a long action inside a click: the sweep starts from the event loop.
        connect(b, &QPushButton::clicked, this, slot, Qt::QueuedConnection);
        buttons->addWidget(b);
        return b;
    };
    m_start = button(QStringLiteral("Start"), QStringLiteral("Start"), &NoiseTableWindow::StartClick);
    m_stop = button(QStringLiteral("Stop"), QStringLiteral("Stop"), &NoiseTableWindow::StopClick);
    m_stop->setEnabled(false);
    m_saveCsv = button(QStringLiteral("Save CSV"), QStringLiteral("SaveCsv"), &NoiseTableWindow::SaveCsvClick);
    m_saveJson = button(QStringLiteral("Save JSON"), QStringLiteral("SaveJson"), &NoiseTableWindow::SaveJsonClick);
    m_savePng = button(QStringLiteral("Save PNG"), QStringLiteral("SavePng"), &NoiseTableWindow::SavePngClick);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("Progress"));
    buttons->addWidget(m_progress, 1);
    m_progressText = new QLabel(this);
    m_progressText->setObjectName(QStringLiteral("ProgressText"));
    m_progressText->setWordWrap(true);
    v->addWidget(m_progressText);

    m_table = new QTableWidget(this);
    m_table->setObjectName(QStringLiteral("NoiseTable"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    v->addWidget(m_table, 1);
}

SweepOptions NoiseTableWindow::CurrentOptions() const
{
    SweepOptions o;
    o.osrCodes.clear();
    for (int code = 0; code < int(m_osr.size()); ++code)
        if (m_osr[size_t(code)]->isChecked())
            o.osrCodes.push_back(code);
    const std::vector<SweepGain> all = AllSweepGains();
    o.gains.clear();
    for (size_t k = 0; k < m_gains.size(); ++k)
        if (m_gains[k]->isChecked())
            o.gains.push_back(all[k]);
    static const std::vector<int> kChopper[] = {{}, {0}, {1}, {0, 1}};
    o.chopper = kChopper[std::clamp(m_chopper->currentIndex(), 0, 3)];
    o.shortInput = m_short->isChecked();
    o.samples = kSampleChoices[std::clamp(m_samples->currentIndex(), 0, int(std::size(kSampleChoices)) - 1)];
    o.idleTimeoutMs = 0; // the user stops a board that sends nothing
    return o;
}

void NoiseTableWindow::ShowEstimate()
{
    if (m_running)
        return;
    const SweepOptions o = CurrentOptions();
    const size_t points = PlanSweep(o).size();
    m_estimateSeconds = EstimateSweepSeconds(o, m_ctx.bindings.adc, m_ctx.chip, m_ctx.chipSlots[0].image);
    m_progressText->setText(points == 0 ? QStringLiteral("Choose at least one OSR code and one gain.")
                            : m_estimateSeconds > 0
                                ? QStringLiteral("%1 points, about %2 at the converter's data rates.")
                                      .arg(points)
                                      .arg(Duration(m_estimateSeconds))
                                : QStringLiteral("%1 points; the chip file gives no ADC clock, so the time is not known "
                                                 "before the sweep.")
                                      .arg(points));
    m_start->setEnabled(points > 0);
}

void NoiseTableWindow::StartClick()
{
    // Not while another capture of the window's board runs.
    if (m_running || !m_ctx.samples.CaptureIdle)
        return;
    m_options = CurrentOptions();
    if (PlanSweep(m_options).empty())
        return;
    RunSweep();
}

void NoiseTableWindow::StopClick() { m_stopRequested = true; }

void NoiseTableWindow::SetBusy(bool busy)
{
    m_running = busy;
    m_start->setEnabled(!busy);
    m_stop->setEnabled(busy);
    for (QPushButton *b : {m_saveCsv, m_saveJson, m_savePng})
        b->setEnabled(!busy);
    for (QWidget *w : std::initializer_list<QWidget *>{m_chopper, m_short, m_samples})
        w->setEnabled(!busy);
    for (QCheckBox *c : m_osr)
        c->setEnabled(!busy);
    for (QCheckBox *c : m_gains)
        c->setEnabled(!busy);
    if (setBoardMenusEnabled)
        setBoardMenusEnabled(!busy);
}

void NoiseTableWindow::RunSweep()
{
    m_stopRequested = false;
    m_run = SweepRun{};
    SetBusy(true);
    const int total = int(PlanSweep(m_options).size());
    m_progress->setRange(0, total);
    m_progress->setValue(0);
    RedrawTable();
    m_wall.start();
    ChipPort chip = m_ctx.Chip();
    SweepIo io{chip,
               static_cast<InterfaceKind>(m_ctx.setup.interfaceIndex),
               m_ctx.bindings.adc,
               m_ctx.chip,
               m_ctx.clock,
               *m_store,
               [this] { return m_stopRequested; },
               [] { QCoreApplication::processEvents(); },
               {}};
    double estimatedDone = 0;
    io.pointDone = [&](const SweepPoint &p, int index, int all) {
        m_run.points.push_back(p);
        MeasurementRecord r = SweepPointRecord(p, m_options);
        r.chip = m_ctx.chip.productName;
        r.board = BoardIdentity(m_ctx.chipSlots[0].link);
        r.interfaceName = InterfaceDisplayName(m_ctx.setup.interfaceIndex);
        m_ctx.Record(std::move(r));
        estimatedDone += PointSeconds(p, m_options.samples);
        m_progress->setValue(index + 1);
        QString text = QStringLiteral("Point %1 of %2: OSR %3, gain %4%5").arg(index + 1).arg(all).arg(p.osr).arg(p.gain.Label(),
                                                                                                                  p.ok ? QString() : QStringLiteral(" failed (%1)").arg(p.error));
        if (m_estimateSeconds > 0)
            text += QStringLiteral("   about %1 left").arg(Duration(m_estimateSeconds - estimatedDone));
        m_progressText->setText(text);
        RedrawTable();
        QCoreApplication::processEvents();
    };
    m_progressText->setText(QStringLiteral("Point 1 of %1").arg(total));
    const SweepRun run = RunNoiseSweep(io, m_options);
    m_run = run;
    SetBusy(false);
    RedrawTable();
    QString end = run.stopped ? QStringLiteral("Stopped after %1 of %2 points.").arg(run.points.size()).arg(total)
                  : run.ok    ? QStringLiteral("Finished: %1 points.").arg(total)
                              : QStringLiteral("Finished with failed points.");
    if (!run.error.isEmpty())
        end += QLatin1Char(' ') + run.error;
    if (!run.restored)
        end += QStringLiteral(" The registers could not all be put back.");
    m_progressText->setText(end);
}

void NoiseTableWindow::RedrawTable()
{
    const TableFigure figure = kFigureChoices[std::clamp(m_figure->currentIndex(), 0, int(std::size(kFigureChoices)) - 1)];
    const NoiseTableLayout t = LayOutNoiseTable(m_options, m_run.points);
    m_table->setRowCount(int(t.rows.size()));
    m_table->setColumnCount(int(t.columns.size()));
    QStringList columns, rows;
    for (const SweepGain &g : t.columns)
        columns << g.Label();
    for (const NoiseTableLayout::Row &r : t.rows)
        rows << r.label;
    m_table->setHorizontalHeaderLabels(columns);
    m_table->setVerticalHeaderLabels(rows);
    // The heat map: the measured cells from the lowest to the highest value (noise on a log scale).
    const bool logScale = figure == TableFigure::RmsNv || figure == TableFigure::VppNv || figure == TableFigure::Sigma;
    auto scaled = [logScale](double v) { return logScale ? std::log(std::max(v, 1e-12)) : v; };
    double lo = INFINITY, hi = -INFINITY;
    for (const SweepPoint &p : m_run.points)
        if (p.ok) {
            lo = std::min(lo, scaled(PointFigure(p, figure)));
            hi = std::max(hi, scaled(PointFigure(p, figure)));
        }
    for (size_t r = 0; r < t.rows.size(); ++r)
        for (size_t c = 0; c < t.columns.size(); ++c) {
            auto *item = new QTableWidgetItem(CellText(t, m_run.points, r, c, figure));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            const int index = t.cell[r][c];
            if (index >= 0 && m_run.points[size_t(index)].ok && hi > lo) {
                const double share = (scaled(PointFigure(m_run.points[size_t(index)], figure)) - lo) / (hi - lo);
                // Blue for little noise, red for much (ENOB and noise-free bits the other way).
                const double bad = logScale ? share : 1.0 - share;
                item->setBackground(QColor::fromHsvF(float(0.66 * (1.0 - bad)), 0.35f, 1.0f));
            } else if (index >= 0 && !m_run.points[size_t(index)].ok) {
                item->setBackground(QColor(Qt::lightGray));
                item->setToolTip(m_run.points[size_t(index)].error);
            }
            m_table->setItem(int(r), int(c), item);
        }
}

QString NoiseTableWindow::SavePath(const QString &caption, const QString &name, const QString &filter)
{
    const std::optional<QString> path = m_ctx.dialogs.SaveFile(this, caption, m_ctx.ProgramFile(name), filter);
    return path ? *path : QString();
}

void NoiseTableWindow::SaveCsvClick()
{
    const QString path = SavePath(QStringLiteral("Save CSV"), QStringLiteral("VekNoise.csv"), QStringLiteral("*.csv (*.csv)"));
    QString why;
    if (!path.isEmpty() && !WriteFileAtomically(path, NoiseTableCsv(m_run.points), &why))
        m_ctx.dialogs.Message(this, QStringLiteral("Error"), QStringLiteral("Cannot write %1: %2").arg(path, why),
                              MsgButtons::Ok, MsgIcon::Error);
}

void NoiseTableWindow::SaveJsonClick()
{
    const QString path = SavePath(QStringLiteral("Save JSON"), QStringLiteral("VekNoise.json"), QStringLiteral("*.json (*.json)"));
    QString why;
    if (!path.isEmpty() &&
        !WriteFileAtomically(path, NoiseTableJson(m_options, m_run, m_ctx.chip.productName), &why))
        m_ctx.dialogs.Message(this, QStringLiteral("Error"), QStringLiteral("Cannot write %1: %2").arg(path, why),
                              MsgButtons::Ok, MsgIcon::Error);
}

void NoiseTableWindow::SavePngClick()
{
    const QString path = SavePath(QStringLiteral("Save PNG"), QStringLiteral("VekNoise.png"), QStringLiteral("*.png (*.png)"));
    if (path.isEmpty())
        return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QString why;
    if (!m_table->grab().save(&buffer, "PNG") || !WriteFileAtomically(path, png, &why))
        m_ctx.dialogs.Message(this, QStringLiteral("Error"), QStringLiteral("Cannot write %1: %2").arg(path, why),
                              MsgButtons::Ok, MsgIcon::Error);
}

} // namespace vek
