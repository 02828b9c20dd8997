#pragma once
// The converter's output data rate as its settings give it: ADC_CK / (256 x 2^OSR) / 2^ADCS, with
// ADC_CK the clock that ADCCK0 chooses and the chip description names ("#ADCCLK").
#include "chipdesc/ChipDescription.h"
#include "chipdesc/FieldBindings.h"
#include "link/ChipAccess.h"

#include <cstdint>
#include <span>

namespace vek {

struct ConverterRate {
    double hz = 0;             // output data rate; 0 when the settings do not determine it
    bool fromSettings = false; // true: computed from the clock, OSR, ADCS and ADCCK
};

// The ADC's output data rate from its settings in a chip image (the bound fields OSR0, ADCS0,
// ADCCK0 and the description's ADC clock). Not determined (fromSettings false) when the clock is
// unknown or OSR0 is not bound; an unbound ADCS0/ADCCK0 counts as code 0. A code beyond what the
// chip defines (OSR or ADCS above 7, ADCCK above 1) or a field outside the image determines
// nothing either.
ConverterRate ConverterRateFromSettings(const PanelBindings &adc, double clockHz0, double clockHz1,
                                        std::span<const uint8_t> image);
// The same with the clock of the selected chip description.
ConverterRate ConverterRateFromSettings(const PanelBindings &adc, const ChipDescription &chip,
                                        std::span<const uint8_t> image);
// Reads the registers of OSR0, ADCS0 and ADCCK0 from the chip itself (slot `slot`) and gives the
// rate they set; the chip image is left as it was. Not determined when a read fails.
ConverterRate ReadConverterRateFromChip(ChipPort &chip, const PanelBindings &adc, const ChipDescription &desc,
                                        int slot);

} // namespace vek
