// Arbitrary bytes as the channel switch test's "StepADC.txt" and as its result blocks: reading
// never crashes or hangs, every value read lands in its range, what is then saved reads back to
// the same file, and decoding a block never writes outside the sets.
#include "bench/SwitchRun.h"
#include "bench/SwitchTest.h"

#include <cstdlib>
#include <memory>

using namespace vek;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static auto t = std::make_unique<SwitchTest>();
    *t = SwitchTest{};
    const int lines = ParseStepFile(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), *t);
    if (lines < 0 || lines > 12 || t->evStepIndex < -1 || t->evStepIndex >= kSampleChoices ||
        t->loopStepIndex < -1 || t->loopStepIndex >= kLoopChoices || t->currentStep < 0 ||
        t->currentStep >= kSwitchChannels)
        std::abort();
    const QByteArray saved = SerializeStepFile(*t);
    static auto back = std::make_unique<SwitchTest>();
    if (ParseStepFile(saved, *back) != 12 || SerializeStepFile(*back) != saved)
        std::abort();

    // The same bytes as a result block: the first byte chooses the channels, the second S.
    if (size < 2)
        return 0;
    std::vector<int> channels;
    for (int i = 0; i < kSwitchChannels; ++i)
        if (data[0] & (1 << i))
            channels.push_back(i);
    ApplySampleIndex(*t, data[1] % (kSampleChoices + 1));
    const int count = int(std::min<size_t>(size - 2, 48));
    int q = int(data[1]) * 97;
    const int before = q;
    PlaceSwitchResults(data + 2, count, q, channels, t->Samples(), 1 << (data[1] % 17), *t);
    if (!channels.empty() && q != before + count / 3)
        std::abort();
    return 0;
}
