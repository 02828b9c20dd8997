#pragma once
// The selected chip model as its description file gives it.
#include <QString>
#include <array>
#include <cstdint>

namespace vek {

// The bits that exist at each chip address (0 where nothing is).
using AddressMask = std::array<uint8_t, 1024>;

struct ChipDescription {
    QString productName;
    AddressMask addressMask{};
};

} // namespace vek
