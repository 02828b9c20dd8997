#include "panels/logic/FieldAccess.h"

namespace vek {

bool AddressUsable(const FieldBinding &b) { return b.bound && b.address < kImageBytes; }

bool FieldUsable(const FieldBinding &b)
{
    return AddressUsable(b) && b.width > 0 && b.position + b.width <= 8;
}

uint8_t FieldMask(const FieldBinding &b)
{
    if (!FieldUsable(b))
        return 0;
    return uint8_t((1u << b.width) - 1);
}

int FieldCodeCount(const FieldBinding &b) { return FieldUsable(b) ? 1 << b.width : 0; }

uint8_t ExtractField(uint8_t reg, const FieldBinding &b)
{
    return uint8_t((reg >> b.position) & FieldMask(b));
}

uint8_t InsertField(uint8_t reg, const FieldBinding &b, uint8_t code)
{
    const uint8_t mask = FieldMask(b);
    if (!mask)
        return reg;
    const uint8_t shifted = uint8_t(mask << b.position);
    return uint8_t((reg & ~shifted) | ((code & mask) << b.position));
}

uint8_t ImageField(const PanelChip &chip, const FieldBinding &b)
{
    if (!FieldUsable(b) || !chip.imageByte)
        return 0;
    return ExtractField(chip.imageByte(b.address), b);
}

bool WriteField(const PanelChip &chip, const FieldBinding &b, uint8_t code)
{
    if (!FieldUsable(b) || !chip.imageByte || !chip.writeRegister)
        return false;
    chip.writeRegister(b.address, InsertField(chip.imageByte(b.address), b, code));
    return true;
}

} // namespace vek
