#include "analysis/Spectrum.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace vek {

int32_t SpectrumLength(int32_t n)
{
    if (n < 1)
        return 0;
    int32_t p = 1;
    while (p * 2 <= n && p * 2 <= kSampleCapacity)
        p *= 2;
    return p;
}

void Radix2Transform(double *re, double *im, int32_t n)
{
    if (n < 2)
        return;
    // Bit-reversal reordering: j walks the reversed counter with the reversed carry.
    int32_t j = 0;
    for (int32_t i = 1; i <= n - 2; ++i) {
        int32_t bit = n >> 1;
        while (j & bit) {
            j ^= bit;
            bit >>= 1;
        }
        j |= bit;
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
    }
    // Butterflies, stage by stage.
    for (int32_t span = 2; span <= n; span *= 2) {
        const int32_t half = span / 2;
        const double theta = std::numbers::pi / half;
        const double wr = std::cos(theta), wi = -std::sin(theta);
        double ur = 1.0, ui = 0.0;
        for (int32_t k = 0; k < half; ++k) {
            for (int32_t a = k; a < n; a += span) {
                const int32_t b = a + half;
                const double tr = ur * re[b] - ui * im[b];
                const double ti = ui * re[b] + ur * im[b];
                re[b] = re[a] - tr;
                im[b] = im[a] - ti;
                re[a] += tr;
                im[a] += ti;
            }
            const double nr = ur * wr - ui * wi;
            ui = ur * wi + ui * wr;
            ur = nr;
        }
    }
}

void ComputeSpectrum(SampleStore &store, int32_t n)
{
    n = SpectrumLength(n);
    if (n < 1)
        return;
    for (int32_t i = 0; i < n; ++i) {
        store.FftRe[i] = store.RawSamples[i];
        store.FftIm[i] = -store.RawSamples[i];
    }
    Radix2Transform(store.FftRe.data(), store.FftIm.data(), n);
    const double dc = store.FftRe[0] == 0.0 ? 0.0 : 20.0 * std::log10(std::fabs(store.FftRe[0]) / n);
    for (int32_t k = 1; k < n; ++k) {
        const double r = store.FftRe[k];
        store.SpectrumDb[k] = r == 0.0 ? kEmptyBinDb : 20.0 * std::log10(std::fabs(r) / n) - dc;
    }
    store.SpectrumDb[0] = 0.0;
}

} // namespace vek
