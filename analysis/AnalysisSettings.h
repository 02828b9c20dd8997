#pragma once
// The choices of the analysis window as lists, and what each choice sets.
#include "analysis/SampleStore.h"

#include <QString>
#include <QStringList>

namespace vek {

// "Sample Point" entries in list order.
QStringList SamplePointItems();
// "Scale" entries: result widths 8 .. 24.
QStringList ScaleItems();
// "Avr. Times" entries.
QStringList AveragingItems();
// The hidden single-conversion mode list.
QStringList ConversionModeItems();
// The hidden register preset list.
QStringList PresetModeItems();

constexpr int kDefaultSamplePointIndex = 3; // "256"
constexpr int kDefaultScaleIndex = 16;      // "24" bits

// Samples a "Sample Point" position asks for; positions outside the list give 256. The entry
// 131072 asks for more than the arrays hold and is capped at their capacity.
int32_t TargetCountForIndex(int index);
// Data rows of the value grid for a target count: one row per 16 samples, at least one.
int GridRowCount(int32_t targetCount);

// Result width of a "Scale" position (8 .. 24); positions outside the list give 24.
int WidthForScaleIndex(int index);
// Sets ScaleDivisor = 2^(24 - width) and MagnitudeBits = width - 1.
void ApplyScaleIndex(SampleStore &store, int index);

// Averaging factor of an "Avr. Times" position: 1, 2, 4, 8, 16 or 32; any other position gives 1.
int AveragingFactor(int index);

// Length of the comb filter from the text beside "Filter": its integer value, 1 when the text is
// not an integer or the value is below 1.
int FilterLength(const QString &text);

// Reference voltage from the "Ref Volt" text; 1.2 when the text is 0 or not a number.
double ReferenceVolts(const QString &text);

} // namespace vek
