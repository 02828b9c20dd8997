#include "analysis/AnalysisSettings.h"

#include "app/base/NumberText.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace vek {

QStringList SamplePointItems()
{
    return {"32",    "64",    "128",   "256",    "512", "1024", "2048", "4096", "8192",
            "16384", "32768", "65536", "131072", "16",  "8",    "4",    "2"};
}

QStringList ScaleItems()
{
    QStringList items;
    for (int w = 8; w <= 24; ++w)
        items << QString::number(w);
    return items;
}

QStringList AveragingItems() { return {"1", "2", "4", "8", "16", "32"}; }

QStringList ConversionModeItems()
{
    return {"Free", "Cancel Pos Zero", "Cancel Neg Zero", "Chopper"};
}

QStringList PresetModeItems() { return {"Scale", "DMM"}; }

int32_t TargetCountForIndex(int index)
{
    static const QStringList items = SamplePointItems();
    if (index < 0 || index >= items.size())
        return 256;
    return std::min(items[index].toInt(), kSampleCapacity);
}

int GridRowCount(int32_t targetCount)
{
    const int32_t t = std::clamp(targetCount, 1, kSampleCapacity);
    return std::max(1, (t + SampleGrid::kColumns - 1) / SampleGrid::kColumns);
}

int WidthForScaleIndex(int index)
{
    if (index < 0 || index > 16)
        return 24;
    return 8 + index;
}

void ApplyScaleIndex(SampleStore &store, int index)
{
    const int width = WidthForScaleIndex(index);
    store.ScaleDivisor = 1 << (24 - width);
    store.MagnitudeBits = width - 1;
}

int AveragingFactor(int index)
{
    if (index < 0 || index > 5)
        return 1;
    return 1 << index;
}

int FilterLength(const QString &text)
{
    const int32_t m = ParseDecimal(text);
    return m < 1 ? 1 : m;
}

double ReferenceVolts(const QString &text)
{
    bool ok = false;
    const double v = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || v == 0.0 || !std::isfinite(v))
        return 1.2;
    return v;
}

} // namespace vek
