#include "analysis/ResultJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

namespace vek {

namespace {

QJsonValue Number(double v)
{
    return std::isfinite(v) ? QJsonValue(v) : QJsonValue(QJsonValue::Null);
}

} // namespace

QJsonObject ReadCaptureSettings(ChipPort &chip, const PanelBindings &adc)
{
    QJsonObject o;
    for (const char *name : {"OSR0", "ADCS0", "ADCCK0", "AD0GN", "PGA0GN", "VRE0GN", "ENCHP0", "IN0IS", "IN0H", "IN0L"}) {
        const FieldBinding &b = adc.Get(QLatin1String(name));
        if (!b.bound || b.width == 0 || b.width > 8 || b.position + b.width > 8 || !ReadChip(chip, b.address, 1, 0))
            continue;
        o.insert(QLatin1String(name), (chip.link.buffer[0] >> b.position) & ((1 << b.width) - 1));
    }
    return o;
}

QJsonObject CaptureSettingsFromImage(std::span<const uint8_t> image, const PanelBindings &adc)
{
    QJsonObject o;
    for (const char *name : {"OSR0", "ADCS0", "ADCCK0", "AD0GN", "PGA0GN", "VRE0GN", "ENCHP0", "IN0IS", "IN0H", "IN0L"}) {
        const FieldBinding &b = adc.Get(QLatin1String(name));
        if (!b.bound || b.width == 0 || b.width > 8 || b.position + b.width > 8 || b.address >= image.size())
            continue;
        o.insert(QLatin1String(name), (image[b.address] >> b.position) & ((1 << b.width) - 1));
    }
    return o;
}

QString BoardIdentity(const UsbLink &link)
{
    QString name = link.deviceName.isEmpty() ? QStringLiteral("USB board") : link.deviceName;
    const int release = link.deviceDescriptor[12] | (link.deviceDescriptor[13] << 8); // bcdDevice
    if (release != 0)
        name += QStringLiteral(" release %1.%2").arg(release >> 8, 0, 16).arg(release & 0xFF, 2, 16, QLatin1Char('0'));
    return name;
}

QJsonObject FiguresJson(const AnalysisResults &r)
{
    auto number = [](double v) { return std::isfinite(v) ? QJsonValue(v) : QJsonValue(QJsonValue::Null); };
    return QJsonObject{{QStringLiteral("average"), number(r.mean)},      {QStringLiteral("vppNoiseNv"), number(r.vppNv)},
                       {QStringLiteral("rmsNoiseNv"), number(r.rmsNv)},  {QStringLiteral("enob"), number(r.enob)},
                       {QStringLiteral("vppCount"), number(r.vppCount)}, {QStringLiteral("sigma"), number(r.sigma)},
                       {QStringLiteral("noiseFree"), number(r.noiseFree)}};
}

QString InterfaceDisplayName(int interfaceIndex)
{
    static const char *const kNames[] = {"RS232", "SPI", "Special", "Parallel", "UART"};
    return interfaceIndex >= 0 && interfaceIndex < 5 ? QString::fromLatin1(kNames[interfaceIndex]) : QString();
}

double CaptureDataRateHz(const SampleStore &store)
{
    const double seconds = store.ElapsedMs / 1000.0;
    return std::isfinite(seconds) && seconds > 0 && store.SampleCount > 0 ? store.SampleCount / seconds : 0.0;
}

std::vector<double> AnalysedCodes(const SampleStore &store, int averaging)
{
    averaging = std::max(averaging, 1);
    const int32_t count = std::clamp(store.SampleCount, 0, kSampleCapacity) / averaging;
    const double divisor = store.ScaleDivisor > 0 ? store.ScaleDivisor : 1;
    std::vector<double> codes(static_cast<size_t>(count));
    for (int32_t k = 0; k < count; ++k)
        codes[size_t(k)] = store.RawSamples[size_t(k)] / divisor;
    return codes;
}

QByteArray ResultJson(const RunDescription &run, const AnalysisResults &figures, const ToneAnalysis &tone)
{
    const SpectrumFigures &spectrum = tone.spectrum.figures;
    const SineFitFigures &fit = tone.sineFit;
    QJsonObject settings{
        {QStringLiteral("chip"), run.chip},
        {QStringLiteral("interface"), run.interfaceName},
        {QStringLiteral("width"), run.width},
        {QStringLiteral("reference"), run.reference},
        {QStringLiteral("averaging"), run.averaging},
        {QStringLiteral("samples"), run.samples},
        {QStringLiteral("elapsedMs"), Number(run.elapsedMs)},
        {QStringLiteral("dataRateHz"), Number(run.dataRateHz)},
        {QStringLiteral("dataRateSource"), run.dataRateSource},
        {QStringLiteral("gain"), Number(run.gain)},
    };
    if (!run.route.isEmpty())
        settings.insert(QStringLiteral("route"), run.route);
    // The seven figures of the result file (the object keeps its keys in alphabetical order).
    QJsonObject seven{
        {QStringLiteral("average"), Number(figures.mean)},
        {QStringLiteral("vppNoiseNv"), Number(figures.vppNv)},
        {QStringLiteral("rmsNoiseNv"), Number(figures.rmsNv)},
        {QStringLiteral("enob"), Number(figures.enob)},
        {QStringLiteral("vppCount"), Number(figures.vppCount)},
        {QStringLiteral("sigma"), Number(figures.sigma)},
        {QStringLiteral("noiseFree"), Number(figures.noiseFree)},
    };
    QJsonArray harmonics;
    for (double h : spectrum.harmonicDbc)
        harmonics.append(Number(h));
    QJsonObject spectrumFigures{
        {QStringLiteral("valid"), spectrum.valid},
        {QStringLiteral("window"), run.window},
        {QStringLiteral("blocks"), spectrum.blocks},
        {QStringLiteral("blockLength"), spectrum.blockLength},
        {QStringLiteral("toneHz"), Number(spectrum.toneHz)},
        {QStringLiteral("toneDbfs"), Number(spectrum.toneDbfs)},
        {QStringLiteral("snrDb"), Number(spectrum.snrDb)},
        {QStringLiteral("sinadDb"), Number(spectrum.sinadDb)},
        {QStringLiteral("sfdrDb"), Number(spectrum.sfdrDb)},
        {QStringLiteral("thdDb"), Number(spectrum.thdDb)},
        {QStringLiteral("enobSinad"), Number(spectrum.enob)},
        {QStringLiteral("noiseRmsCodes"), Number(spectrum.noiseRmsCodes)},
        {QStringLiteral("nsdNvPerRootHz"), Number(spectrum.nsdNvPerRootHz)},
        {QStringLiteral("harmonicsDbc"), harmonics},
    };
    if (!spectrum.valid)
        spectrumFigures.insert(QStringLiteral("reason"), spectrum.reason);
    QJsonArray fitHarmonics;
    for (double h : fit.harmonicDbc)
        fitHarmonics.append(Number(h));
    QJsonObject sineFit{
        {QStringLiteral("valid"), fit.valid},
        {QStringLiteral("toneHz"), Number(fit.toneHz)},
        {QStringLiteral("amplitudeCodes"), Number(fit.amplitudeCodes)},
        {QStringLiteral("amplitudeVolts"), Number(fit.amplitudeVolts)},
        {QStringLiteral("toneDbfs"), Number(fit.toneDbfs)},
        {QStringLiteral("offsetCodes"), Number(fit.offsetCodes)},
        {QStringLiteral("snrDb"), Number(fit.snrDb)},
        {QStringLiteral("sinadDb"), Number(fit.sinadDb)},
        {QStringLiteral("thdDb"), Number(fit.thdDb)},
        {QStringLiteral("enob"), Number(fit.enob)},
        {QStringLiteral("noiseRmsCodes"), Number(fit.noiseRmsCodes)},
        {QStringLiteral("harmonicsDbc"), fitHarmonics},
        {QStringLiteral("iterations"), fit.iterations},
    };
    if (!fit.valid)
        sineFit.insert(QStringLiteral("reason"), fit.reason);
    QJsonObject root{
        {QStringLiteral("settings"), settings},
        {QStringLiteral("figures"), seven},
        {QStringLiteral("spectrum"), spectrumFigures},
        {QStringLiteral("sineFit"), sineFit},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace vek
