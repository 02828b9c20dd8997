#pragma once
// Field arithmetic of the analog panels and the chip access they use. A panel keeps no chip state:
// every read comes from the chip image, every edit is one register write of a byte formed from the
// image byte at that moment.
#include "chipdesc/FieldBindings.h"

#include <cstdint>
#include <functional>

namespace vek {

// The chip access a panel needs (always chip slot 0). The program wires these to the link
// supervisor; tests put their own in.
struct PanelChip {
    // The chip image byte at an address (no device access).
    std::function<uint8_t(int address)> imageByte;
    // One register write with read-back; refreshes every panel.
    std::function<void(uint16_t address, uint8_t value)> writeRegister;
    // Reads count bytes into the transfer buffer.
    std::function<bool(uint16_t address, int count)> readChip;
    // A byte of the transfer buffer.
    std::function<uint8_t(int index)> transferByte;
    // Stores a byte in the chip image and refreshes every panel.
    std::function<void(int address, uint8_t value)> storeAndRefresh;
};

constexpr int kImageBytes = 1024;

// A binding names a register of the image (bound and below 1024).
bool AddressUsable(const FieldBinding &b);
// A binding a panel may read and write: it names a register of the image and a field of at least
// one bit that lies inside the byte (position + width at most 8). An all-zero binding is not.
bool FieldUsable(const FieldBinding &b);
// The field's mask, not shifted.
uint8_t FieldMask(const FieldBinding &b);
// The number of codes the field holds (2^width), 0 for an unusable binding.
int FieldCodeCount(const FieldBinding &b);
// The field's code in a register byte; 0 for an unusable binding.
uint8_t ExtractField(uint8_t reg, const FieldBinding &b);
// The register byte with the field's bits replaced by the code (cut to the field's width).
uint8_t InsertField(uint8_t reg, const FieldBinding &b, uint8_t code);

// The field's code as the chip image holds it; 0 for an unusable binding.
uint8_t ImageField(const PanelChip &chip, const FieldBinding &b);
// One register write: the image byte with the code in the field. Writes nothing and returns false
// for an unusable binding.
bool WriteField(const PanelChip &chip, const FieldBinding &b, uint8_t code);

} // namespace vek
