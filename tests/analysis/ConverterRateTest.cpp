// The converter's data rate from its settings (the formula over every code is checked against the
// simulated converter in the panel tests): fields wherever the description puts them, and every
// case in which the settings do not say.
#include "analysis/ConverterRate.h"

#include <gtest/gtest.h>

using namespace vek;

TEST(ConverterRate, FieldsWhereTheyAreBoundAndNothingWhereTheSettingsDoNotSay)
{
    // Away from the sample files' registers, so a hard-coded address or bit would show.
    PanelBindings adc = FieldBindings().adc;
    *adc.Find("OSR0") = {0x50, 3, 4, 0, true};
    *adc.Find("ADCS0") = {0x51, 3, 1, 0, true};
    *adc.Find("ADCCK0") = {0x51, 1, 7, 0, true};
    std::array<uint8_t, 1024> image{};
    image[0x50] = 0x0F | (5 << 4);        // OSR 5; the low bits belong to other fields
    image[0x51] = 0x80 | (3 << 1) | 0x01; // ADCCK0 1, ADCS 3
    const auto rate = [&](double clock0 = 4e6, double clock1 = 1e6) {
        return ConverterRateFromSettings(adc, clock0, clock1, image);
    };
    EXPECT_TRUE(rate().fromSettings);
    EXPECT_DOUBLE_EQ(rate().hz, 1e6 / 8192 / 8);
    EXPECT_FALSE(rate(4e6, 0).fromSettings); // the chosen clock is unknown
    EXPECT_EQ(rate(4e6, 0).hz, 0);
    // Without ADCS0 and ADCCK0 the chip has one clock and no divider.
    adc.Find("ADCS0")->bound = false;
    *adc.Find("ADCCK0") = {};
    EXPECT_DOUBLE_EQ(rate().hz, 4e6 / 8192);
    EXPECT_FALSE(rate(0).fromSettings);
    // An OSR code beyond the chip's last step, or no OSR0, says nothing.
    *adc.Find("OSR0") = {0x50, 4, 4, 0, true};
    image[0x50] = 8 << 4;
    EXPECT_FALSE(rate().fromSettings);
    adc.Find("OSR0")->bound = false;
    EXPECT_FALSE(rate().fromSettings);
}
