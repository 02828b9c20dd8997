// The analysis window's captures (streamed, board-buffered and from the chip's RAM block), the
// figures they give, the time and frequency chart, and the key polling that starts a capture.
#include "analysis/AnalysisSettings.h"
#include "analysis/ChartData.h"
#include "analysis/EnobMeasurement.h"
#include "analysis/FlashCapture.h"
#include "analysis/SampleGridModel.h"
#include "analysis/ResultJson.h"
#include "analysis/Spectrum.h"
#include "analysis/ui/TAnxADC.h"
#include "app/base/NumberText.h"
#include "app/context/AppContext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <qcustomplot.h>

namespace vek {

namespace {

// While a capture runs the time chart follows it, but not more often than this.
constexpr int kLiveRedrawMs = 100;

} // namespace

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
    if (m_finishing)
        return;
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

    // The results come in the usual order (spectrum, figures, grid, chart), with the window
    // answering between the steps so that none holds it for long. A click in between is not
    // taken for a new capture.
    m_finishing = true;
    auto breathe = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    if (captured) {
        ComputeSpectrum(s, CaptureTarget(s.TargetCount));
        m_ctx.status.SetText(2, QStringLiteral("Read Compelete"));
    } else {
        m_ctx.status.SetText(2, QStringLiteral("Read Error !!!!!"));
    }
    breathe();
    const std::optional<Figures> f = MeasureStreamed(s, CurrentMeasureSettings(refVoltText), m_ctx.analysisResults);
    if (f)
        ShowFigures(*f);
    breathe();
    m_model->AllChanged();
    breathe();
    if (!GridShown())
        ChartFun(s.ChartCount);
    m_finishing = false;
    RecordCapture(captured && f.has_value(), captured ? QStringLiteral("no samples kept") : QStringLiteral("Read Error !!!!!"));
    return captured && f.has_value();
}

void TAnxADC::RecordCapture(bool measured, const QString &failure)
{
    const SampleStore &s = m_ctx.samples;
    MeasurementRecord r;
    r.kind = recordKind;
    r.chip = m_ctx.chip.productName;
    r.board = BoardIdentity(m_ctx.chipSlots[0].link);
    r.interfaceName = InterfaceDisplayName(m_ctx.setup.interfaceIndex);
    if (m_ctx.setup.interfaceIndex == int(InterfaceKind::SPI) || m_ctx.setup.interfaceIndex == int(InterfaceKind::Special))
        r.route = m_ctx.config.Photo ? QStringLiteral("optocoupler") : QStringLiteral("direct");
    r.registers = CaptureSettingsFromImage(m_ctx.chipSlots[0].image, m_ctx.bindings.adc);
    if (recordStep >= 0)
        r.registers.insert(QStringLiteral("step"), recordStep);
    r.samples = s.SampleCount;
    r.dataRateHz = PointsRateHz();
    r.ok = measured;
    if (measured)
        r.figures = FiguresJson(m_ctx.analysisResults);
    else
        r.failure = failure;
    m_ctx.Record(std::move(r));
}

bool TAnxADC::BFlashRDCOM(const QString &refVoltText)
{
    SampleStore &s = m_ctx.samples;
    m_pointsAveraging = 1; // new points, not averaged
    ClearResultBoxes();
    m_lastLiveRedraw.invalidate();
    ChipPort chip = m_ctx.Chip();
    FlashCaptureIo io(chip);
    // The wait for the recording follows the rate the chip is set to (the slowest rate when unknown).
    io.dataRateHz = ReadConverterRateFromChip(chip, m_ctx.bindings.adc, m_ctx.chip, 0).hz;
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

} // namespace vek
