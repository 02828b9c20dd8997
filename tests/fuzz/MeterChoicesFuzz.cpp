// "VekMeter.txt" of any content: every channel comes out as a COM list position or -1, and what
// is saved from it reads back the same.
#include "instruments/MeterChannels.h"

#include <cstdlib>

using namespace vek;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const MeterChoices choices = ParseMeterChoices(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    for (int c : choices)
        if (c < -1 || c > 15)
            std::abort();
    if (ParseMeterChoices(MeterChoicesBytes(choices)) != choices)
        std::abort();
    return 0;
}
