// The converter's data rate from its settings: the clock ADCCK0 chooses over 256 x 2^OSR and
// 2^ADCS, and every case in which the settings do not say.
#include "analysis/ConverterRate.h"

#include <gtest/gtest.h>

using namespace vek;

namespace {

// OSR0 in bits 4-6 of 0x50, ADCS0 in bits 1-3 of 0x51, ADCCK0 in bit 7 of 0x51: away from the
// registers of the sample chip files, so a hard-coded address or bit would show.
struct Settings {
    PanelBindings adc = FieldBindings().adc;
    std::array<uint8_t, 1024> image{};
    Settings()
    {
        *adc.Find("OSR0") = {0x50, 3, 4, 0, true};
        *adc.Find("ADCS0") = {0x51, 3, 1, 0, true};
        *adc.Find("ADCCK0") = {0x51, 1, 7, 0, true};
    }
    ConverterRate Rate(double clock0 = 4e6, double clock1 = 1e6) const
    {
        return ConverterRateFromSettings(adc, clock0, clock1, image);
    }
};

} // namespace

TEST(ConverterRate, ClockOverOversamplingAndDivider)
{
    Settings s;
    EXPECT_TRUE(s.Rate().fromSettings);
    EXPECT_DOUBLE_EQ(s.Rate().hz, 4e6 / 256);
    s.image[0x50] = 0x0F | (5 << 4); // OSR 5; the other bits belong to other fields
    s.image[0x51] = (3 << 1) | 0x01; // ADCS 3
    EXPECT_DOUBLE_EQ(s.Rate().hz, 4e6 / 8192 / 8);
    s.image[0x51] |= 0x80; // ADCCK0 = 1 takes the second clock
    EXPECT_DOUBLE_EQ(s.Rate().hz, 1e6 / 8192 / 8);
    // Without ADCS0 and ADCCK0 the chip has one clock and no divider.
    s.adc.Find("ADCS0")->bound = false;
    *s.adc.Find("ADCCK0") = {};
    const ConverterRate r = s.Rate();
    EXPECT_TRUE(r.fromSettings);
    EXPECT_DOUBLE_EQ(r.hz, 4e6 / 8192);
}

TEST(ConverterRate, NotDeterminedWithoutClockOrOversampling)
{
    Settings s;
    for (const ConverterRate r : {s.Rate(0, 1e6), s.Rate(-1, 1e6)}) {
        EXPECT_FALSE(r.fromSettings);
        EXPECT_EQ(r.hz, 0);
    }
    s.image[0x51] = 0x80; // the second clock is chosen but unknown
    EXPECT_FALSE(s.Rate(4e6, 0).fromSettings);
    s.image[0x51] = 0;
    // A field outside the image or an unbound OSR0 says nothing.
    s.adc.Find("ADCS0")->address = 0x400;
    EXPECT_FALSE(s.Rate().fromSettings);
    s.adc.Find("ADCS0")->address = 0x51;
    s.adc.Find("OSR0")->bound = false;
    EXPECT_FALSE(s.Rate().fromSettings);
    // A wider field's code beyond the chip's last step.
    *s.adc.Find("OSR0") = {0x50, 4, 4, 0, true};
    s.image[0x50] = 8 << 4;
    EXPECT_FALSE(s.Rate().fromSettings);
}
