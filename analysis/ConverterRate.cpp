#include "analysis/ConverterRate.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

namespace vek {

namespace {

constexpr int kHighestCode = 7; // OSR and ADCS: 256 x 2^7 and 2^7 are the chip's last steps

// A binding that names a field of at least one bit inside one byte.
bool FieldInByte(const FieldBinding &b)
{
    return b.bound && b.width > 0 && b.position + b.width <= 8;
}

// The field's code in the image; nothing when the binding names no field or its register lies
// beyond the image.
std::optional<int> Code(const FieldBinding &b, std::span<const uint8_t> image)
{
    if (!FieldInByte(b) || b.address >= image.size())
        return std::nullopt;
    return (image[b.address] >> b.position) & ((1 << b.width) - 1);
}

const char *const kRateFields[] = {"OSR0", "ADCS0", "ADCCK0"};

} // namespace

ConverterRate ConverterRateFromSettings(const PanelBindings &adc, double clockHz0, double clockHz1,
                                        std::span<const uint8_t> image)
{
    const std::optional<int> osr = Code(adc.Get(QStringLiteral("OSR0")), image);
    if (!osr || *osr > kHighestCode)
        return {};
    // ADCS0 and ADCCK0 take code 0 when the chip has no such field; a field that is bound but lies
    // outside the image says nothing about the chip.
    auto codeOrZero = [&](const char *name) -> std::optional<int> {
        const FieldBinding &b = adc.Get(QLatin1String(name));
        return FieldInByte(b) ? Code(b, image) : std::optional<int>(0);
    };
    const std::optional<int> adcs = codeOrZero("ADCS0");
    const std::optional<int> adcck = codeOrZero("ADCCK0");
    if (!adcs || *adcs > kHighestCode || !adcck || *adcck > 1)
        return {};
    const double clock = *adcck == 0 ? clockHz0 : clockHz1;
    if (!std::isfinite(clock) || clock <= 0)
        return {};
    return {clock / double(256 << *osr) / double(1 << *adcs), true};
}

ConverterRate ConverterRateFromSettings(const PanelBindings &adc, const ChipDescription &chip,
                                        std::span<const uint8_t> image)
{
    return ConverterRateFromSettings(adc, chip.adcClockHz[0], chip.adcClockHz[1], image);
}

ConverterRate ReadConverterRateFromChip(ChipPort &chip, const PanelBindings &adc, const ChipDescription &desc,
                                        int slot)
{
    if (slot < 0 || slot >= kChipSlotCount)
        return {};
    std::array<uint8_t, kChipMemorySize> image = chip.chips[size_t(slot)].image;
    std::vector<uint16_t> read;
    for (const char *name : kRateFields) {
        const FieldBinding &b = adc.Get(QLatin1String(name));
        if (!FieldInByte(b) || b.address >= image.size() || std::find(read.begin(), read.end(), b.address) != read.end())
            continue;
        if (!ReadChip(chip, b.address, 1, slot))
            return {};
        image[b.address] = chip.link.buffer[0];
        read.push_back(b.address);
    }
    return ConverterRateFromSettings(adc, desc, image);
}

} // namespace vek
