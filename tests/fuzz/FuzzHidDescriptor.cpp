// Arbitrary HID report descriptors, as a device may publish them.
#include "link/HidReportDescriptor.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const vek::HidReportLengths l = vek::ParseHidReportDescriptor(data, size);
    if (l.valid && l.input == 1)
        __builtin_trap(); // a declared report always has at least one data byte beside its id
    return 0;
}
