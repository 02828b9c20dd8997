#include "panels/logic/PanelTexts.h"

#include "app/base/NumberText.h"

#include <algorithm>
#include <cmath>

namespace vek {

namespace {
int Clamp8(int code) { return (code < 0 || code > 7) ? 0 : code; }
} // namespace

QString CodeText(int code, int digits)
{
    QString s;
    for (int d = digits - 1; d >= 0; --d)
        s += ((code >> d) & 1) ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}

int ParseCodeText(const QString &text, int digits)
{
    if (text.size() != digits)
        return 0;
    int code = 0;
    for (QChar c : text) {
        if (c != u'0' && c != u'1')
            return 0;
        code = code * 2 + (c == u'1' ? 1 : 0);
    }
    return code;
}

QString VddaText(bool on, const QString &levelLabel)
{
    if (!on)
        return QStringLiteral("VDDA = External");
    return QStringLiteral("VDDA = ") + levelLabel.left(8) + QStringLiteral(" V");
}

QString PgaGainText(int code)
{
    static const char *const kTexts[4] = {"Off", "x 2", "x 4", "x 8"};
    return QString::fromLatin1(kTexts[(code < 0 || code > 3) ? 3 : code]);
}

QString AdGainText(int code)
{
    static const char *const kTexts[8] = {"ADGN = 1/4", "ADGN = 1/2", "ADGN = x 1", "ADGN = x 2",
                                          "ADGN = x 4", "ADGN = x 8", "ADGN = x 16", "ADGN = x 16"};
    return QString::fromLatin1(kTexts[Clamp8(code)]);
}

QString DcSetText(int code)
{
    static const char *const kTexts[8] = {"S + 0", "S + VRE*1/4", "S + VRE*1/2", "S + VRE*3/4",
                                          "S + 0", "S - VRE*1/4", "S - VRE*1/2", "S - VRE*3/4"};
    return QString::fromLatin1(kTexts[Clamp8(code)]);
}

QString OsrText(int code) { return QStringLiteral("ADC_CK / %1").arg(256 << Clamp8(code)); }

QString AdcDividerText(int code)
{
    return QStringLiteral("\u00F7 %1").arg(1 << Clamp8(code));
}

QString RefGainText(bool one) { return one ? QStringLiteral("VRGN= x 1/2") : QStringLiteral("VGN= x 1"); }
QString ChopperText(bool one)
{
    return one ? QStringLiteral("SD16 Chopper off") : QStringLiteral("SD16 Chopper on");
}
QString HighGainText(bool one) { return one ? QStringLiteral("OPAMP-H") : QStringLiteral("OPAMP-L"); }

QString DataRateText(double hz)
{
    if (!std::isfinite(hz) || hz <= 0)
        return QStringLiteral("-");
    // Five significant digits: every rate of a 2^n divider chain reads exactly, and an odd clock
    // does not run the text out of its box.
    const int decimals = std::clamp(4 - int(std::floor(std::log10(hz))), 0, 9);
    QString t = FixedQText(hz, decimals);
    if (t.contains(u'.')) {
        while (t.endsWith(u'0'))
            t.chop(1);
        if (t.endsWith(u'.'))
            t.chop(1);
    }
    return t + QStringLiteral(" Hz");
}

TemperatureMarks TemperatureMarksFor(int inhCode, int inlCode)
{
    TemperatureMarks m;
    // The two multiplexers take the sensor's terminals the other way round.
    m.minusH = inhCode == 6;
    m.plusH = inhCode == 7;
    m.plusL = inlCode == 6;
    m.minusL = inlCode == 7;
    return m;
}

uint32_t OutputWord(uint8_t high, uint8_t middle, uint8_t low, bool hasHigh)
{
    return (hasHigh ? uint32_t(high) << 16 : 0u) | uint32_t(middle) << 8 | low;
}

QString OutputWordText(uint32_t word, int mode, int bitIndex, bool hasHigh)
{
    if (bitIndex < 0 || bitIndex > 16)
        bitIndex = 7;
    const int shift = 16 - bitIndex;
    word &= 0xFFFFFFu;
    if (mode != 1)
        return QString::number(word >> shift, 16).toUpper();
    if (!hasHigh && (word & 0x8000u))
        word |= 0xFF0000u;
    // An arithmetic shift of the sign-extended word keeps the top bits and their sign.
    const int32_t full = (word & 0x800000u) ? int32_t(word) - 0x1000000 : int32_t(word);
    return QString::number(full >> shift);
}

QString OpEnableText(bool one) { return one ? QStringLiteral("ON") : QStringLiteral("OFF"); }

QString OpModeText(int code)
{
    static const char *const kTexts[4] = {"Chopper HS_DCK/32", "Chopper HS_DCK/64", "Offset Position",
                                          "Offset Negative"};
    return (code < 0 || code > 3) ? QStringLiteral("?") : QString::fromLatin1(kTexts[code]);
}

QString RefSourceText(int code)
{
    static const char *const kTexts[4] = {"Floating", "Temperature", "0.25 x VDD", "0.5 x VDD"};
    return (code < 0 || code > 3) ? QString() : QString::fromLatin1(kTexts[code]);
}

QString RefLevelText(int code)
{
    static const char *const kTexts[16] = {
        "Floating",      "VR0 = 62.5mV",  "VR1 = 125mV",   "VR2 = 187.5mV",
        "VR3 = 250mV",   "VR4 = 312.5mV", "VR5 = 375mV",   "VR6 = 437.5mV",
        "VR7 = 562.5mV", "VR8 = 625mV",   "VR9 = 687.5mV", "VR10 = 750mV",
        "VR11 = 812.5mV", "VR12 = 875mV", "VR13 = 937.5mV", "VCP = 1000mV"};
    return (code < 0 || code > 15) ? QString() : QString::fromLatin1(kTexts[code]);
}

QString ComparatorStateText(bool enable, bool pinMode, bool pinDirection, bool pinAnalog)
{
    return (enable && pinMode && pinDirection && pinAnalog) ? QStringLiteral("ON") : QStringLiteral("OFF");
}

} // namespace vek
