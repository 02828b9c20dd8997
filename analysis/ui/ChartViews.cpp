#include "analysis/ui/ChartViews.h"

#include "analysis/ui/ChartTools.h"
#include "app/base/NumberText.h"

#include <QComboBox>
#include <QtConcurrent/QtConcurrentRun>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include <cmath>

namespace vek {

namespace {

constexpr int kBlockChoices[] = {1, 2, 4, 8, 16};

QCustomPlot *MakePlot(QWidget *parent, const char *name, const QString &title)
{
    auto *plot = new QCustomPlot(parent);
    plot->setObjectName(QString::fromLatin1(name));
    plot->plotLayout()->insertRow(0);
    plot->plotLayout()->addElement(0, 0, new QCPTextElement(plot, title));
    plot->legend->setVisible(false);
    return plot;
}

QLabel *FiguresLine(QWidget *parent, const char *name)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    l->setWordWrap(true);
    return l;
}

// A page of the stack: the plot over its line of figures.
QWidget *Page(QWidget *parent, QCustomPlot *plot, QLabel *figures)
{
    auto *page = new QWidget(parent);
    auto *v = new QVBoxLayout(page);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);
    plot->setParent(page);
    figures->setParent(page);
    v->addWidget(plot, 1);
    v->addWidget(figures);
    return page;
}

// Both axes around what the plot holds, with 3 % to spare.
void FitAxes(QCustomPlot *plot)
{
    plot->rescaleAxes();
    for (QCPAxis *axis : {plot->xAxis, plot->yAxis}) {
        QCPRange r = axis->range();
        if (!(r.size() > 0))
            r = QCPRange(r.lower - 1, r.upper + 1);
        axis->setRange(r.lower - r.size() * 0.03, r.upper + r.size() * 0.03);
    }
}

} // namespace

QString HistogramFiguresText(const CodeHistogram &h)
{
    if (h.total == 0)
        return QStringLiteral("No samples");
    return QStringLiteral("Samples %1   Mean %2   Sigma %3   Bin %4 code(s)   Beyond 3 sigma: %5   Beyond 6 sigma: %6")
        .arg(h.total)
        .arg(FixedQText(h.mean, 3), FixedQText(h.sigma, 3))
        .arg(qint64(h.binWidth))
        .arg(h.beyond3Sigma)
        .arg(h.beyond6Sigma);
}

QString SpectrumFiguresText(const ToneAnalysis &t, bool haveRate)
{
    const SpectrumFigures &f = t.spectrum.figures;
    const SineFitFigures &fit = t.sineFit;
    const QString unit = haveRate ? QStringLiteral("Hz") : QStringLiteral("cycles/sample");
    const int decimals = haveRate ? 3 : 6;
    QString text;
    if (f.valid) {
        text = QStringLiteral("Tone %1 %2 at %3 dBFS   SNR %4 dB   SINAD %5 dB   SFDR %6 dB   THD %7 dB   ENOB %8")
                   .arg(FixedQText(f.toneHz, decimals), unit, FixedQText(f.toneDbfs, 2), FixedQText(f.snrDb, 2),
                        FixedQText(f.sinadDb, 2), FixedQText(f.sfdrDb, 2), FixedQText(f.thdDb, 2), FixedQText(f.enob, 2));
        if (f.nsdNvPerRootHz > 0)
            text += QStringLiteral("   Noise %1 nV/\u221AHz").arg(FixedQText(f.nsdNvPerRootHz, 2));
    } else {
        text = QStringLiteral("Windowed figures not valid: %1").arg(f.reason);
    }
    text += QLatin1Char('\n');
    if (fit.valid)
        text += QStringLiteral("Sine fit: tone %1 %2 at %3 dBFS   SNR %4 dB   SINAD %5 dB   THD %6 dB   ENOB %7")
                    .arg(FixedQText(fit.toneHz, decimals), unit, FixedQText(fit.toneDbfs, 2), FixedQText(fit.snrDb, 2),
                         FixedQText(fit.sinadDb, 2), FixedQText(fit.thdDb, 2), FixedQText(fit.enob, 2));
    else
        text += QStringLiteral("Sine fit not valid: %1").arg(fit.reason);
    return text;
}

ChartViews::ChartViews(QCustomPlot *timeChart, QWidget *parent) : QWidget(parent), m_timeChart(timeChart)
{
    setObjectName(QStringLiteral("ChartViews"));
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);
    auto *bar = new QHBoxLayout;
    v->addLayout(bar);

    auto labelled = [this, bar](const char *name, const QString &caption, const QStringList &items, QLabel **label) {
        auto *l = new QLabel(caption, this);
        auto *c = new QComboBox(this);
        c->setObjectName(QString::fromLatin1(name));
        c->addItems(items);
        c->setAccessibleName(caption);
        l->setBuddy(c);
        bar->addWidget(l);
        bar->addWidget(c);
        if (label)
            *label = l;
        return c;
    };
    m_view = labelled("ChartView", QStringLiteral("View"),
                      {QStringLiteral("Time / Frequency"), QStringLiteral("Histogram"), QStringLiteral("Windowed Spectrum")},
                      nullptr);
    QStringList windows;
    for (SpectrumWindow w : {SpectrumWindow::Rectangular, SpectrumWindow::Hann, SpectrumWindow::BlackmanHarris4})
        windows << WindowName(w);
    m_window = labelled("SpectrumWindow", QStringLiteral("Window"), windows, &m_windowLabel);
    m_window->setCurrentIndex(2);
    QStringList blocks;
    for (int b : kBlockChoices)
        blocks << QString::number(b);
    m_blocks = labelled("SpectrumBlocks", QStringLiteral("Blocks"), blocks, &m_blocksLabel);
    m_reset = new QPushButton(QStringLiteral("Reset View"), this);
    m_reset->setObjectName(QStringLiteral("ResetView"));
    m_export = new QPushButton(QStringLiteral("Export Chart"), this);
    m_export->setObjectName(QStringLiteral("ExportChart"));
    m_readout = new QLabel(this);
    m_readout->setObjectName(QStringLiteral("CursorReadout"));
    bar->addWidget(m_reset);
    bar->addWidget(m_export);
    bar->addSpacing(12);
    bar->addWidget(m_readout, 1);

    m_stack = new QStackedWidget(this);
    v->addWidget(m_stack, 1);
    m_histogramPlot = MakePlot(this, "HistogramChart", QStringLiteral("Histogram"));
    m_spectrumPlot = MakePlot(this, "SpectrumChart", QStringLiteral("Windowed Spectrum"));
    m_histogramFigures = FiguresLine(this, "HistogramFigures");
    m_spectrumFigures = FiguresLine(this, "SpectrumFigures");
    timeChart->setParent(m_stack);
    m_stack->addWidget(timeChart);
    m_stack->addWidget(Page(m_stack, m_histogramPlot, m_histogramFigures));
    m_stack->addWidget(Page(m_stack, m_spectrumPlot, m_spectrumFigures));

    // Histogram: the counts as steps, the Gaussian as a line.
    QCPGraph *counts = m_histogramPlot->addGraph();
    counts->setLineStyle(QCPGraph::lsStepCenter);
    counts->setPen(QPen(QColor(30, 90, 170)));
    counts->setBrush(QBrush(QColor(30, 90, 170, 60)));
    QCPGraph *gauss = m_histogramPlot->addGraph();
    gauss->setPen(QPen(Qt::red, 1.5));
    m_histogramPlot->xAxis->setLabel(QStringLiteral("Code"));
    m_histogramPlot->yAxis->setLabel(QStringLiteral("Count"));
    m_spectrumPlot->addGraph()->setPen(QPen(QColor(30, 90, 170)));
    m_spectrumPlot->yAxis->setLabel(QStringLiteral("dBFS"));
    for (QCustomPlot *plot : {timeChart, m_histogramPlot, m_spectrumPlot})
        EnableChartMouse(plot, m_readout);

    connect(m_view, &QComboBox::activated, this, [this](int view) { SetView(view); });
    connect(m_window, &QComboBox::activated, this, [this] { Redraw(); });
    connect(m_blocks, &QComboBox::activated, this, [this] { Redraw(); });
    connect(m_reset, &QPushButton::clicked, this, [this] {
        if (CurrentView() == TimeOrFrequency)
            emit timeChartResetRequested();
        else
            Redraw();
    });
    ShowControlsForView();
}

void ChartViews::SetPoints(std::vector<double> codes, double rateHz, int width, double voltsPerCode)
{
    m_codes = std::move(codes);
    m_rateHz = std::isfinite(rateHz) && rateHz > 0 ? rateHz : 0;
    m_width = width;
    m_voltsPerCode = std::isfinite(voltsPerCode) && voltsPerCode > 0 ? voltsPerCode : 0;
    Redraw();
}

int ChartViews::CurrentView() const { return m_stack->currentIndex(); }

void ChartViews::SetView(int view)
{
    if (view < TimeOrFrequency || view > Spectrum)
        return;
    m_view->setCurrentIndex(view);
    m_stack->setCurrentIndex(view);
    m_readout->clear();
    ShowControlsForView();
    Redraw();
}

QCustomPlot *ChartViews::ShownPlot() const
{
    switch (CurrentView()) {
    case Histogram:
        return m_histogramPlot;
    case Spectrum:
        return m_spectrumPlot;
    default:
        return m_timeChart;
    }
}

SpectrumOptions ChartViews::CurrentSpectrumOptions() const
{
    SpectrumOptions o;
    o.window = static_cast<SpectrumWindow>(std::clamp(m_window->currentIndex(), 0, 2));
    o.blocks = kBlockChoices[std::clamp(m_blocks->currentIndex(), 0, int(std::size(kBlockChoices)) - 1)];
    o.width = m_width;
    o.dataRateHz = m_rateHz;
    o.voltsPerCode = m_voltsPerCode;
    return o;
}

ToneAnalysis ChartViews::ComputeSpectrum() const
{
    return AnalyseTone(m_codes, CurrentSpectrumOptions());
}

void ChartViews::ShowControlsForView()
{
    const bool spectrum = CurrentView() == Spectrum;
    for (QWidget *w : {static_cast<QWidget *>(m_window), static_cast<QWidget *>(m_windowLabel),
                       static_cast<QWidget *>(m_blocks), static_cast<QWidget *>(m_blocksLabel)})
        w->setEnabled(spectrum);
}

void ChartViews::Redraw()
{
    // Only the view on show is computed; the others follow when chosen.
    if (CurrentView() == Histogram)
        DrawHistogram();
    else if (CurrentView() == Spectrum)
        DrawSpectrum();
}

void ChartViews::DrawHistogram()
{
    const CodeHistogram h = BuildCodeHistogram(m_codes);
    QVector<double> x(qsizetype(h.counts.size())), y(x.size()), g(x.size());
    for (size_t b = 0; b < h.counts.size(); ++b) {
        x[qsizetype(b)] = h.BinCentre(b);
        y[qsizetype(b)] = h.counts[b];
        g[qsizetype(b)] = h.gaussian[b];
    }
    m_histogramPlot->graph(0)->setData(x, y, true);
    m_histogramPlot->graph(1)->setData(x, g, true);
    m_histogramFigures->setText(HistogramFiguresText(h));
    FitAxes(m_histogramPlot);
    if (m_histogramPlot->yAxis->range().lower < 0)
        m_histogramPlot->yAxis->setRangeLower(0);
    m_histogramPlot->replot(QCustomPlot::rpQueuedReplot);
}

void ChartViews::DrawSpectrum()
{
    // Up to 16,384 points the analysis takes a few milliseconds; a larger capture (the sine fit of
    // 65,536 points takes about 35 ms) is analysed beside the window so that it keeps answering.
    constexpr size_t kOnThisThread = 16384;
    const int request = ++m_request;
    if (m_codes.size() <= kOnThisThread) {
        ShowSpectrum(ComputeSpectrum());
        return;
    }
    if (!m_worker) {
        m_worker = new QFutureWatcher<ToneAnalysis>(this);
        connect(m_worker, &QFutureWatcher<ToneAnalysis>::finished, this, [this] {
            if (m_worker->property("request").toInt() == m_request)
                ShowSpectrum(m_worker->result());
        });
    }
    m_spectrumFigures->setText(QStringLiteral("Analysing %1 points ...").arg(m_codes.size()));
    m_worker->setProperty("request", request);
    m_worker->setFuture(QtConcurrent::run([codes = m_codes, options = CurrentSpectrumOptions()] {
        return AnalyseTone(codes, options);
    }));
}

void ChartViews::ShowSpectrum(const ToneAnalysis &tone)
{
    const WindowedSpectrum &s = tone.spectrum;
    // Bin 0 holds only what the window left of DC; the plot starts at bin 1.
    const qsizetype n = qsizetype(s.dbfs.size());
    QVector<double> x, y;
    x.reserve(n);
    y.reserve(n);
    for (qsizetype k = 1; k < n; ++k) {
        x.append(s.frequency[size_t(k)]);
        y.append(s.dbfs[size_t(k)]);
    }
    m_spectrumPlot->graph(0)->setData(x, y, true);
    m_spectrumPlot->xAxis->setLabel(m_rateHz > 0 ? QStringLiteral("Frequency  Hz") : QStringLiteral("Frequency  cycles/sample"));
    m_spectrumFigures->setText(SpectrumFiguresText(tone, m_rateHz > 0));
    FitAxes(m_spectrumPlot);
    // Nothing below the floor of what the bins hold is of interest, nor above full scale.
    double lowest = 0;
    for (double v : y)
        lowest = std::min(lowest, v > -300 ? v : lowest);
    m_spectrumPlot->yAxis->setRange(std::max(lowest - 10, -300.0), 10);
    m_spectrumPlot->replot(QCustomPlot::rpQueuedReplot);
}

} // namespace vek
