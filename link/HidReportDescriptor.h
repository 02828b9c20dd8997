#pragma once
// Report lengths from a HID report descriptor, counted the way the HID class reports them: the
// longest input and output report in bytes, plus one byte for the report id.
#include <cstddef>
#include <cstdint>

namespace vek {

struct HidReportLengths {
    bool valid = false;         // the descriptor was read to its end without a broken item
    bool usesReportIds = false; // reports carry a report id of their own
    uint16_t input = 0;         // 0 when the device has no input report
    uint16_t output = 0;        // 0 when it has no output report
};

HidReportLengths ParseHidReportDescriptor(const uint8_t *data, size_t size);

} // namespace vek
