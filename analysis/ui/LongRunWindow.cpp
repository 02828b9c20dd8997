#include "analysis/ui/LongRunWindow.h"

#include "analysis/AnalysisSettings.h"
#include "analysis/ConverterRate.h"
#include "analysis/EnobMeasurement.h"
#include "analysis/ResultJson.h"
#include "app/base/NumberText.h"
#include "app/context/AppContext.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <cmath>
#include <qcustomplot.h>

namespace vek {

namespace {

// The live view is redrawn this often; the capture goes on between.
constexpr int kRedrawMs = 250;

QCustomPlot *Plot(QWidget *parent, const char *name, const QString &title)
{
    auto *p = new QCustomPlot(parent);
    p->setObjectName(QString::fromLatin1(name));
    p->setAccessibleName(title);
    p->plotLayout()->insertRow(0);
    p->plotLayout()->addElement(0, 0, new QCPTextElement(p, title));
    p->setMinimumSize(220, 160);
    // Drawn again and again while a run goes on: without antialiasing a chart costs a few ms.
    p->setNotAntialiasedElements(QCP::aeAll);
    return p;
}

QString Duration(double seconds)
{
    const qint64 s = qint64(std::ceil(std::max(seconds, 0.0)));
    if (s >= 3600)
        return QStringLiteral("%1 h %2 min").arg(s / 3600).arg((s % 3600) / 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

LongRunWindow::LongRunWindow(AppContext &ctx, QWidget *parent)
    : PanelWindow(QStringLiteral("LongRun"), QStringLiteral("Long Run"), QRect(60, 60, 900, 640), parent), m_ctx(ctx)
{
    BuildControls();
}

LongRunWindow::~LongRunWindow() = default;

void LongRunWindow::BuildControls()
{
    auto *v = new QVBoxLayout(this);
    auto *row = new QHBoxLayout;
    v->addLayout(row);
    m_mode = new QComboBox(this);
    m_mode->setObjectName(QStringLiteral("LongMode"));
    m_mode->addItems({QStringLiteral("Samples"), QStringLiteral("Duration")});
    m_mode->setAccessibleName(QStringLiteral("Run for"));
    auto *label = new QLabel(QStringLiteral("Run for"), this);
    label->setBuddy(m_mode);
    m_amount = new QLineEdit(QStringLiteral("1000000"), this);
    m_amount->setObjectName(QStringLiteral("LongAmount"));
    m_amount->setAccessibleName(QStringLiteral("Samples or duration"));
    m_amount->setToolTip(QStringLiteral("A count up to 1000000000, or a duration such as 90s, 30m, 1h"));
    connect(m_mode, &QComboBox::activated, this,
            [this](int mode) { m_amount->setText(mode == 0 ? QStringLiteral("1000000") : QStringLiteral("10m")); });
    row->addWidget(label);
    row->addWidget(m_mode);
    row->addWidget(m_amount);
    auto *refLabel = new QLabel(QStringLiteral("Ref Volt"), this);
    m_ref = new QLineEdit(QStringLiteral("1.2"), this);
    m_ref->setObjectName(QStringLiteral("LongRef"));
    m_ref->setAccessibleName(QStringLiteral("Ref Volt"));
    m_ref->setMaximumWidth(60);
    refLabel->setBuddy(m_ref);
    row->addWidget(refLabel);
    row->addWidget(m_ref);
    for (auto [button, caption, slot] : {std::tuple{&m_start, "Start", &LongRunWindow::StartClick},
                                         std::tuple{&m_stop, "Stop", &LongRunWindow::StopClick}}) {
        *button = new QPushButton(QString::fromLatin1(caption), this);
        (*button)->setObjectName(QStringLiteral("Long") + QString::fromLatin1(caption));
        (*button)->setAccessibleName(QString::fromLatin1(caption));
        // The run starts from the event loop, never inside the click.
        connect(*button, &QPushButton::clicked, this, slot, Qt::QueuedConnection);
        row->addWidget(*button);
    }
    m_stop->setEnabled(false);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("LongProgress"));
    m_progress->setRange(0, 1000);
    row->addWidget(m_progress, 1);
    m_progressText = new QLabel(this);
    m_progressText->setObjectName(QStringLiteral("LongProgressText"));
    v->addWidget(m_progressText);
    m_figures = new QLabel(this);
    m_figures->setObjectName(QStringLiteral("LongFigures"));
    m_figures->setWordWrap(true);
    m_figures->setTextInteractionFlags(Qt::TextSelectableByMouse);
    v->addWidget(m_figures);

    auto *plots = new QGridLayout;
    v->addLayout(plots, 1);
    m_trace = Plot(this, "LongTrace", QStringLiteral("Lowest and highest code"));
    m_histogram = Plot(this, "LongHistogram", QStringLiteral("Histogram"));
    m_allan = Plot(this, "LongAllan", QStringLiteral("Allan deviation"));
    plots->addWidget(m_trace, 0, 0, 1, 2);
    plots->addWidget(m_histogram, 1, 0);
    plots->addWidget(m_allan, 1, 1);
    for (int k = 0; k < 2; ++k)
        m_trace->addGraph()->setPen(QPen(QColor(30, 90, 170)));
    m_trace->graph(0)->setChannelFillGraph(m_trace->graph(1));
    m_trace->graph(0)->setBrush(QBrush(QColor(30, 90, 170, 60)));
    m_trace->xAxis->setLabel(QStringLiteral("Time  s"));
    m_trace->yAxis->setLabel(QStringLiteral("Code"));
    QCPGraph *counts = m_histogram->addGraph();
    counts->setLineStyle(QCPGraph::lsStepCenter);
    counts->setBrush(QBrush(QColor(30, 90, 170, 60)));
    m_histogram->xAxis->setLabel(QStringLiteral("Code"));
    m_histogram->yAxis->setLabel(QStringLiteral("Count"));
    m_allan->addGraph()->setPen(QPen(Qt::darkRed, 1.5));
    m_allan->graph(0)->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, 4));
    for (QCPAxis *axis : {m_allan->xAxis, m_allan->yAxis, m_allan->yAxis2}) {
        axis->setScaleType(QCPAxis::stLogarithmic);
        axis->setTicker(QSharedPointer<QCPAxisTickerLog>(new QCPAxisTickerLog));
    }
    m_allan->xAxis->setLabel(QStringLiteral("Tau  s"));
    m_allan->yAxis->setLabel(QStringLiteral("Codes"));
    m_allan->yAxis2->setLabel(QStringLiteral("nV"));
    m_allan->yAxis2->setVisible(true);
}

void LongRunWindow::SetBusy(bool busy)
{
    m_running = busy;
    m_start->setEnabled(!busy);
    m_stop->setEnabled(busy);
    m_mode->setEnabled(!busy);
    m_amount->setEnabled(!busy);
    m_ref->setEnabled(!busy);
    if (setBoardMenusEnabled)
        setBoardMenusEnabled(!busy);
}

void LongRunWindow::StartClick()
{
    // Not while another capture of the window's board runs.
    if (m_running || !m_ctx.samples.CaptureIdle)
        return;
    m_options = LongCaptureOptions{};
    bool ok = false;
    if (m_mode->currentIndex() == 0) {
        m_options.samples = m_amount->text().trimmed().toLongLong(&ok);
        ok = ok && m_options.samples >= 1 && m_options.samples <= kLongCaptureMaxSamples;
    } else {
        static const QRegularExpression kForm(QStringLiteral("^\\s*([0-9]+(?:\\.[0-9]+)?)\\s*(s|m|min|h)?\\s*$"));
        const QRegularExpressionMatch m = kForm.match(m_amount->text().toLower());
        const double value = m.hasMatch() ? m.captured(1).toDouble(&ok) : 0;
        const QString unit = m.captured(2);
        m_options.durationSeconds = value * (unit == QLatin1String("h") ? 3600 : unit.startsWith(QLatin1Char('m')) ? 60 : 1);
        ok = ok && m_options.durationSeconds > 0;
    }
    if (!ok) {
        m_progressText->setText(m_mode->currentIndex() == 0
                                    ? QStringLiteral("Samples: a whole number from 1 to 1000000000.")
                                    : QStringLiteral("Duration: a time such as 90s, 30m or 1h."));
        return;
    }
    ChipPort chip = m_ctx.Chip();
    const ConverterRate rate = ReadConverterRateFromChip(chip, m_ctx.bindings.adc, m_ctx.chip, 0);
    m_rateHz = rate.fromSettings ? rate.hz : 0;
    m_gain = ReadGainFromChip(chip, 0);
    m_nvPerCode = ReferenceVolts(m_ref->text()) * 1e9 / (m_gain * std::ldexp(1.0, 22));
    m_stats = std::make_unique<StreamingStats>(24);
    m_minMax = MinMaxTrace{};
    m_stopRequested = false;
    m_startDays = m_ctx.clock.NowDays();
    SetBusy(true);
    m_sinceRedraw.start();
    m_progressText->setText(QStringLiteral("Starting ..."));
    m_options.idleTimeoutMs = 0; // the user stops a board that sends nothing
    m_options.pumpMessages = [] { QCoreApplication::processEvents(); };
    m_options.stopRequested = [this] { return m_stopRequested; };
    m_options.progress = [this](const StreamingStats &) {
        if (m_sinceRedraw.elapsed() >= kRedrawMs) {
            Redraw(false);
            m_sinceRedraw.restart();
        }
    };
    m_options.codesArrived = [this](std::span<const int32_t> codes) {
        for (int32_t c : codes)
            m_minMax.Add(c);
    };
    StreamingStats &stats = *m_stats;
    const LongCaptureRun run =
        RunLongCapture(chip, static_cast<InterfaceKind>(m_ctx.setup.interfaceIndex), stats, m_options);
    SetBusy(false);
    Redraw(true);
    MeasurementRecord record;
    record.kind = QStringLiteral("long-run");
    record.chip = m_ctx.chip.productName;
    record.board = BoardIdentity(m_ctx.chipSlots[0].link);
    record.interfaceName = InterfaceDisplayName(m_ctx.setup.interfaceIndex);
    record.registers = CaptureSettingsFromImage(m_ctx.chipSlots[0].image, m_ctx.bindings.adc);
    record.samples = stats.Count();
    record.dataRateHz = m_rateHz;
    record.ok = (run.ok || run.stopped) && stats.Count() > 0;
    record.failure = run.error;
    if (record.ok) {
        MeasureSettings settings;
        settings.gain = m_gain;
        settings.refVoltText = m_ref->text();
        record.figures = FiguresJson(ToResults(stats.CurrentFigures(settings)));
        record.figures.insert(QStringLiteral("finished"), run.ok);
    }
    m_ctx.Record(std::move(record));
    QString end = run.ok        ? QStringLiteral("Finished: %1 samples.").arg(stats.Count())
                  : run.stopped ? QStringLiteral("Stopped after %1 samples; the figures are those of what came.").arg(stats.Count())
                                : QStringLiteral("Ended after %1 samples: %2").arg(stats.Count()).arg(run.error);
    m_progressText->setText(end);
}

void LongRunWindow::StopClick() { m_stopRequested = true; }

void LongRunWindow::Redraw(bool final)
{
    const StreamingStats &s = *m_stats;
    MeasureSettings settings;
    settings.gain = m_gain;
    settings.refVoltText = m_ref->text();
    const Figures f = s.CurrentFigures(settings);
    m_figures->setText(s.Count() == 0 ? QStringLiteral("No samples")
                                      : QStringLiteral("Samples %1   Average %2 codes   Sigma %3 codes   Vp-p %4 codes   "
                                                       "RMS noise %5 nV   Vp-p noise %6 nV   ENOB %7 bits   Noise free %8 bits")
                                            .arg(s.Count())
                                            .arg(FixedQText(f.mean, 3), FixedQText(f.sigma, 3), FixedQText(f.vppCount, 0),
                                                 FixedQText(f.rmsNv, 1), FixedQText(f.vppNv, 1), FixedQText(f.enob, 3),
                                                 FixedQText(f.noiseFree, 3)));
    // Progress and time left.
    const double elapsed = (m_ctx.clock.NowDays() - m_startDays) * 86400.0;
    double share = 0;
    if (m_options.samples > 0)
        share = double(s.Count()) / double(m_options.samples);
    else if (m_options.durationSeconds > 0)
        share = elapsed / m_options.durationSeconds;
    share = std::clamp(share, 0.0, 1.0);
    m_progress->setValue(int(share * 1000));
    if (!final)
        m_progressText->setText(share > 0 ? QStringLiteral("%1 samples, about %2 left")
                                                .arg(s.Count())
                                                .arg(Duration(elapsed / share - elapsed))
                                          : QStringLiteral("%1 samples").arg(s.Count()));

    // Histogram.
    QVector<double> hx, hy;
    const auto &h = s.Histogram();
    for (int k = 0; k < StreamingStats::kHistogramBins; ++k)
        if (h[size_t(k)] > 0) {
            hx.append(double(s.HistogramFirstCode() + k * s.HistogramBinWidth()) + (s.HistogramBinWidth() - 1) / 2.0);
            hy.append(double(h[size_t(k)]));
        }
    m_histogram->graph(0)->setData(hx, hy, true);
    m_histogram->rescaleAxes();
    // Allan deviation, codes on the left and nV on the right.
    QVector<double> ax, ay;
    for (const AllanPoint &a : s.Allan()) {
        ax.append(m_rateHz > 0 ? a.tauSamples / m_rateHz : double(a.tauSamples));
        ay.append(std::max(a.adevCodes, 1e-9));
    }
    m_allan->xAxis->setLabel(m_rateHz > 0 ? QStringLiteral("Tau  s") : QStringLiteral("Tau  samples"));
    m_allan->graph(0)->setData(ax, ay, true);
    m_allan->rescaleAxes();
    m_allan->yAxis2->setRange(m_allan->yAxis->range().lower * m_nvPerCode, m_allan->yAxis->range().upper * m_nvPerCode);
    // The min/max trace: the fill between the lowest and the highest code of each stretch.
    QVector<double> tx, lo, hi;
    const double perSample = m_rateHz > 0 ? 1.0 / m_rateHz : 1.0;
    for (const MinMaxTrace::Bucket &b : m_minMax.Buckets()) {
        tx.append(double(b.firstSample) * perSample);
        lo.append(b.lowest);
        hi.append(b.highest);
    }
    m_trace->xAxis->setLabel(m_rateHz > 0 ? QStringLiteral("Time  s") : QStringLiteral("Sample"));
    m_trace->graph(0)->setData(tx, hi, true);
    m_trace->graph(1)->setData(tx, lo, true);
    m_trace->rescaleAxes();
    // One chart is drawn at a time, the window answering in between, so that no drawing holds
    // it long: while running, each redraw draws the next of the three.
    QCustomPlot *const charts[] = {m_trace, m_histogram, m_allan};
    if (final) {
        for (QCustomPlot *p : charts) {
            p->replot(QCustomPlot::rpImmediateRefresh);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
    } else {
        charts[m_nextChart]->replot(QCustomPlot::rpImmediateRefresh);
        m_nextChart = (m_nextChart + 1) % 3;
    }
}

} // namespace vek
