// The analysis window's histogram and windowed spectrum views, chart export and JSON results.
#include "analysis/AnalysisSettings.h"
#include "analysis/ResultJson.h"
#include "analysis/ui/ChartTools.h"
#include "analysis/ui/ChartViews.h"
#include "analysis/ui/TAnxADC.h"
#include "app/base/SafeFile.h"
#include "app/context/AppContext.h"

#include <QLineEdit>
#include <cmath>

namespace vek {

double TAnxADC::PointsRateHz() const
{
    const double rate = m_lastRate.fromSettings ? m_lastRate.hz : CaptureDataRateHz(m_ctx.samples);
    return rate / std::max(m_pointsAveraging, 1);
}

void TAnxADC::UpdateChartViews()
{
    const SampleStore &s = m_ctx.samples;
    const int factor = std::max(m_pointsAveraging, 1);
    // Volts at the input per code, on the scale of the figures.
    const double voltsPerCode =
        ReferenceVolts(m_erefv->text()) / (m_lastGain * std::ldexp(1.0, std::max(s.MagnitudeBits, 1) - 1));
    m_views->SetPoints(AnalysedCodes(s, factor), PointsRateHz(), s.MagnitudeBits + 1, voltsPerCode);
}

void TAnxADC::ExportChartClick()
{
    const std::optional<QString> path =
        m_ctx.dialogs.SaveFile(this, QStringLiteral("Export Chart"), m_ctx.ProgramFile(QStringLiteral("VekChart.png")),
                               QStringLiteral("PNG (*.png);;SVG (*.svg);;PDF (*.pdf)"));
    if (!path || path->isEmpty())
        return;
    QString error;
    if (!ExportChart(m_views->ShownPlot(), *path, &error))
        m_ctx.dialogs.Message(this, QStringLiteral("Error"), error, MsgButtons::Ok, MsgIcon::Error);
}

void TAnxADC::SaveJsonClick()
{
    const std::optional<QString> path =
        m_ctx.dialogs.SaveFile(this, QStringLiteral("Save As"), m_ctx.ProgramFile(QStringLiteral("VekADC.json")),
                               QStringLiteral("*.json (*.json)"));
    if (!path || path->isEmpty())
        return;
    UpdateChartViews();
    const SampleStore &s = m_ctx.samples;
    RunDescription run;
    run.chip = m_ctx.chip.productName;
    run.interfaceName = InterfaceDisplayName(m_ctx.setup.interfaceIndex);
    run.width = s.MagnitudeBits + 1;
    run.reference = m_erefv->text();
    run.averaging = m_pointsAveraging;
    run.samples = s.SampleCount;
    run.elapsedMs = s.ElapsedMs;
    run.dataRateHz = m_lastRate.fromSettings ? m_lastRate.hz : CaptureDataRateHz(s);
    run.dataRateSource = m_lastRate.fromSettings ? QStringLiteral("settings") : QStringLiteral("measured");
    run.gain = m_lastGain;
    run.window = WindowShortName(m_views->CurrentSpectrumOptions().window);
    if (m_ctx.setup.interfaceIndex == int(InterfaceKind::SPI) || m_ctx.setup.interfaceIndex == int(InterfaceKind::Special))
        run.route = m_ctx.config.Photo ? QStringLiteral("optocoupler") : QStringLiteral("direct");
    const QByteArray json = ResultJson(run, m_ctx.analysisResults, m_views->ComputeSpectrum());
    if (!WriteFileAtomically(*path, json))
        m_ctx.dialogs.Message(this, QStringLiteral("Error"), QStringLiteral("Cannot create file \"%1\".").arg(*path),
                              MsgButtons::Ok, MsgIcon::Error);
}

} // namespace vek
