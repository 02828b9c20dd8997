#pragma once
// Magnitude spectrum of the first N samples, in dB relative to the DC bin.
#include "analysis/SampleStore.h"

#include <cstdint>

namespace vek {

// A bin whose real part is exactly 0 has no finite level; it is shown at this floor.
constexpr double kEmptyBinDb = -400.0;

// The largest power of two not above n, at most the capacity; 0 when n < 1.
int32_t SpectrumLength(int32_t n);

// In-place radix-2 transform of re/im (length n, a power of two): bit-reversal reordering, then
// the butterfly stages with the twiddle factor advanced by multiplication.
void Radix2Transform(double *re, double *im, int32_t n);

// Loads FftRe = RawSamples, FftIm = -RawSamples for the first n samples, transforms them and
// fills SpectrumDb[0 .. n-1]: bin 0 becomes 0, every other bin 20 log10(|Re| / n) minus the
// DC level (20 log10(|Re[0]| / n), or 0 when Re[0] is 0). n is rounded down to a power of two;
// nothing happens for n < 1.
void ComputeSpectrum(SampleStore &store, int32_t n);

} // namespace vek
