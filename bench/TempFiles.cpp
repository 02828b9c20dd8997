#include "bench/TempFiles.h"

#include "app/base/NumberText.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vek {

namespace {

// "平均值" in Big5.
const char kMeanBig5[] = "\xA5\xAD\xA7\xA1\xAD\xC8";

QByteArray Fixed(double v) { return QByteArray::fromStdString(FixedText(v)); }

QByteArray StepLine(int s, const AnalysisResults &r, TempStepState state)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const bool figuresOfThisRun = state == TempStepState::Measured;
    const double figures[7] = {r.mean, r.vppNv, r.rmsNv, r.enob, r.vppCount, r.sigma, r.noiseFree};
    QByteArray line = QByteArray::number(s);
    for (double f : figures)
        line += ", " + Fixed(figuresOfThisRun ? f : nan);
    switch (state) {
    case TempStepState::Measured:
        break;
    case TempStepState::Failed:
        line += ", Test Fail";
        break;
    case TempStepState::NotRun:
        line += ", not run";
        break;
    case TempStepState::MeterOnly:
        line += ", no chip measurement";
        break;
    }
    return line + "\r\n";
}

QByteArray EndLine(const QByteArray &lastLine)
{
    return lastLine.isEmpty() ? QByteArray() : lastLine + "\r\n";
}

} // namespace

void ClearTempResults(TempResults &results)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::fill(results.steps.begin(), results.steps.end(), AnalysisResults{nan, nan, nan, nan, nan, nan, nan});
    std::fill(results.state.begin(), results.state.end(), TempStepState::NotRun);
    for (auto &m : results.meter)
        std::fill(m.begin(), m.end(), 0.0);
    for (auto &u : results.meterUnit)
        std::fill(u.begin(), u.end(), QByteArray());
}

QByteArray SummaryFileBytes(const TempResults &results, int stepCount, bool doubled, const QByteArray &lastLine)
{
    QByteArray out = "Test #0, , , \r\n";
    out += " ,";
    out += kMeanBig5;
    out += ", VPP(nV), RMS Noise(nV), Enob, VPP(count), RMS Noise(count), Noise Free\r\n";
    stepCount = std::clamp(stepCount, 0, kTempMaxSteps);
    for (int s = 1; s <= stepCount; ++s) {
        const QByteArray line = StepLine(s, results.steps[size_t(s)], results.state[size_t(s)]);
        out += line;
        if (doubled)
            out += line;
    }
    return out + EndLine(lastLine);
}

QByteArray MeterFileBytes(const TempResults &results, int stepCount, const QByteArray &lastLine)
{
    QByteArray out = ", , ";
    for (int n = 0; n < kMeterChannels; ++n)
        out += ", Test #" + QByteArray::number(n) + ", , ";
    out += "\r\n";
    stepCount = std::clamp(stepCount, 0, kTempMaxSteps);
    for (int s = 1; s <= stepCount; ++s) {
        out += ", , ";
        for (int c = 0; c < kMeterChannels; ++c)
            out += ", " + QByteArray::number(s) + ", " + MeterReadingText(results.meter[size_t(c)][size_t(s)]) +
                   ", " + results.meterUnit[size_t(c)][size_t(s)];
        if (results.state[size_t(s)] == TempStepState::NotRun)
            out += ", not run";
        out += "\r\n";
    }
    return out + EndLine(lastLine);
}

QByteArray MeterReadingText(double value)
{
    if (!std::isfinite(value))
        return QByteArray::fromStdString(FixedText(value));
    QByteArray digits = QByteArray::fromStdString(FixedText(std::fabs(value), 8));
    const qsizetype point = digits.indexOf('.');
    QByteArray whole = digits.left(point);
    QByteArray fraction = digits.mid(point + 1);
    while (fraction.endsWith('0'))
        fraction.chop(1);
    if (whole == "0")
        whole.clear();
    QByteArray text = whole;
    if (!fraction.isEmpty())
        text += "." + fraction;
    if (value < 0 && !text.isEmpty())
        text.prepend('-');
    return text;
}

QByteArray MeterUnitText(uint8_t a, uint8_t b)
{
    QByteArray t;
    if (a & 0x01)
        t += "AC ";
    if ((a & 0x02) && !(a & 0x80))
        t += "DC ";
    if (a & 0x04)
        t += "V";
    if (a & 0x08)
        t += "F";
    if (a & 0x10)
        t += "D";
    if (a & 0x20)
        t += "\xA2\x4A"; // ℃
    if (a & 0x40)
        t += "\xA2\x4B"; // ℉
    if (a & 0x80)
        t += "\xA3\x5B"; // Ω
    if (b & 0x02)
        t += "A";
    if (b & 0x04)
        t += "Hz";
    if (b & 0x08)
        t += "%";
    if (b & 0x20)
        t += "dB";
    return t;
}

double MiddleMean(std::array<double, 4> r)
{
    std::sort(r.begin(), r.end());
    return (r[1] + r[2]) / 2;
}

} // namespace vek
