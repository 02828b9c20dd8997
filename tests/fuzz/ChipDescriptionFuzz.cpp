// libFuzzer target: arbitrary bytes as a chip description and as a chip list.
#include "tests/fuzz/ChipDescriptionInput.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    if (!vek::ReplayChipDescriptionInput(bytes))
        std::abort();
    return 0;
}
