// The simulated converter's output registers and the settings its rate and noise follow.
#include "sim/SimAdcOutput.h"

#include <gtest/gtest.h>

using namespace vek;
using namespace vek::sim;

namespace {
struct OutputFixture {
    FakeClock clock;
    SimBoard board;
    SimAdc adc{board, clock};
    SimAdcOutput output{board, adc, clock};
    // A chip read of the three output bytes over the SPI dialect, as the panel's "Read ADC" does.
    std::vector<uint8_t> ReadOutput()
    {
        const uint8_t frame[5] = {0xB1, 0xC0, 0x39, 0x00, 3};
        board.Receive(frame, sizeof frame);
        std::vector<uint8_t> reply;
        board.TakeReply(reply);
        return reply;
    }
};
} // namespace

TEST(SimAdcOutput, ResultsAppearOnlyWhileTheConverterIsEnabledAtItsDataRate)
{
    OutputFixture f;
    f.adc.inputVolts = 0.3;
    EXPECT_EQ(f.ReadOutput(), (std::vector<uint8_t>{0, 0, 0}));
    f.board.memory.Write(0x30, 0x80); // ENADC0, OSR 0
    const std::vector<uint8_t> first = f.ReadOutput();
    const int32_t word = first[0] | first[1] << 8 | first[2] << 16;
    EXPECT_NEAR(word, 0.3 / 1.2 * 4194304.0 / 4, 2000); // ADC gain 1/4 at code 0, 2^22 codes to the reference
    EXPECT_TRUE(f.board.memory.Read(0x30) & 0x40);   // conversion done
    EXPECT_EQ(f.output.ResultsWritten(), 1);
    f.ReadOutput(); // no time passed: the same result
    EXPECT_EQ(f.output.ResultsWritten(), 1);
    f.clock.AdvanceMs(1000.0 / f.adc.DataRateHz() + 0.01);
    f.ReadOutput();
    EXPECT_EQ(f.output.ResultsWritten(), 2);
    f.board.memory.Write(0x30, 0x00);
    f.clock.AdvanceMs(100);
    f.ReadOutput();
    EXPECT_EQ(f.output.ResultsWritten(), 2);
}

TEST(SimAdcOutput, RateFollowsDividerAndClockNoiseFollowsChopperAndGain)
{
    OutputFixture f;
    const double base = f.adc.DataRateHz();
    f.board.memory.Write(0x31, 3); // ADCS0 ÷ 8
    EXPECT_DOUBLE_EQ(f.adc.DataRateHz(), base / 8);
    f.board.memory.Write(0x30, 0x20); // ADCCK0: the slow clock
    EXPECT_DOUBLE_EQ(f.adc.DataRateHz(), base / 16);
    f.board.memory.Write(0x30, 0x03); // OSR code 3
    EXPECT_DOUBLE_EQ(f.adc.DataRateHz(), base / 8 / 8);
    const double lowGain = f.adc.NoiseCodes();
    f.board.memory.Write(0x3C, 0x18 | 6); // PGA x 8, ADC gain x 16
    const double chopped = f.adc.NoiseCodes();
    EXPECT_GT(chopped, lowGain * 10);
    f.board.memory.Write(0x30, 0x13); // chopper off: the front end's noise dominates at this gain
    EXPECT_GT(f.adc.NoiseCodes(), chopped * 1.5);
}

namespace {
// The mean of n conversions of the input now.
double MeanCode(SimAdc &adc, int n = 400)
{
    double sum = 0;
    for (int i = 0; i < n; ++i)
        sum += adc.ConvertNow();
    return sum / n;
}
} // namespace

// The input short, the multiplexers, the DC offset and the high-gain stage act on the codes.
TEST(SimAdcInput, ShortMultiplexersDcSetAndHighGain)
{
    OutputFixture f;
    const double perVolt = 4194304.0 / 1.2 / 4; // codes per volt at the reset gain of 1/4
    const double open = MeanCode(f.adc);
    EXPECT_NEAR(open, 37 + 0.010 * perVolt, 20);
    f.board.memory.Write(0x33, 0x20); // IN0IS: the input shorted reads the offset and noise only
    EXPECT_NEAR(MeanCode(f.adc), 37, 20);
    f.board.memory.Write(0x33, 0x00);
    std::vector<double> means;
    for (int code = 0; code < 8; ++code) {
        f.board.memory.Write(0x37, uint8_t(code << 3)); // IN0H
        means.push_back(MeanCode(f.adc, 50));
    }
    for (int a = 0; a < 8; ++a)
        for (int b = a + 1; b < 8; ++b)
            EXPECT_GT(std::abs(means[size_t(a)] - means[size_t(b)]), 1000) << a << " " << b;
    f.board.memory.Write(0x37, 0x02); // IN0L on its third input: the other side of the pair
    EXPECT_NEAR(MeanCode(f.adc, 50), open - 0.200 * perVolt, 50);
    f.board.memory.Write(0x37, 0x00);
    f.board.memory.Write(0x3D, 0x06); // DCSET "S - VRE*1/2"
    EXPECT_NEAR(MeanCode(f.adc, 50), open - 4194304.0 / 2, 50);
    f.board.memory.Write(0x3D, 0x00);
    const double noise = f.adc.NoiseCodes();
    f.board.memory.Write(0x30, 0x08); // ENHIGN0
    EXPECT_LT(f.adc.NoiseCodes(), noise);
}

// A model without the high output byte converts with 16 bits: the result stands in the middle
// and low registers, 0x3B is left alone, and streamed codes carry no low byte.
TEST(SimAdcInput, SixteenBitModelGivesSixteenBitResults)
{
    FieldBindings described; // a description that names the middle and low bytes only
    described.adc.Find("ADC0OM")->bound = true;
    EXPECT_FALSE(AdcFieldsFrom(described).hasHighByte);
    described.adc.Find("ADC0OH")->bound = true;
    EXPECT_TRUE(AdcFieldsFrom(described).hasHighByte);
    OutputFixture f;
    f.adc.fields.hasHighByte = false;
    f.adc.inputVolts = 0.3;
    f.board.memory.Write(0x3B, 0x5A);
    f.board.memory.Write(0x30, 0x80);
    const std::vector<uint8_t> out = f.ReadOutput();
    EXPECT_EQ(out[2], 0x5A);
    const int word = out[0] | out[1] << 8;
    EXPECT_NEAR(word, 0.3 / 1.2 * 16384.0 / 4, 10); // the 24-bit word over 256
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(f.adc.NextCode() & 0xFF, 0);
}
