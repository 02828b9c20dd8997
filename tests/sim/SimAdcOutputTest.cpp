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
