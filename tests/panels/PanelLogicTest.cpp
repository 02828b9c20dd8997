// Field arithmetic, label texts and the output word of the analog panels, without widgets.
#include "panels/logic/FieldAccess.h"
#include "panels/logic/PanelTexts.h"

#include <QLocale>
#include <clocale>
#include <gtest/gtest.h>
#include <map>

using namespace vek;

TEST(PanelField, UsableOnlyInsideOneRegisterOfTheImage)
{
    EXPECT_FALSE(FieldUsable(FieldBinding{}));                 // all zero: register 0 is no field
    EXPECT_TRUE(FieldUsable(FieldBinding{0x3FF, 1, 7, 0, true}));
    EXPECT_FALSE(FieldUsable(FieldBinding{0x400, 1, 0, 0, true})); // beyond the image
    EXPECT_FALSE(FieldUsable(FieldBinding{0x30, 3, 6, 0, true}));  // runs past bit 7
    EXPECT_FALSE(FieldUsable(FieldBinding{0x30, 0, 3, 0, true}));
    EXPECT_FALSE(FieldUsable(FieldBinding{0x30, 2, 3, 0, false}));
}

TEST(PanelField, InsertKeepsTheOtherBitsAndExtractReadsBack)
{
    const FieldBinding b{0x37, 3, 3, 0, true};
    EXPECT_EQ(InsertField(0xFF, b, 0), 0xC7);
    EXPECT_EQ(InsertField(0x00, b, 5), 0x28);
    EXPECT_EQ(InsertField(0x81, b, 0xFF), 0xB9); // the code is cut to the field
    EXPECT_EQ(ExtractField(0xB9, b), 7);
}

TEST(PanelField, WriteIsOneRegisterWriteFromTheImageAndNoneWhenUnusable)
{
    std::map<int, uint8_t> image{{0x3C, 0xC5}};
    std::vector<std::pair<uint16_t, uint8_t>> writes;
    PanelChip chip;
    chip.imageByte = [&](int a) { return image[a]; };
    chip.writeRegister = [&](uint16_t a, uint8_t v) { writes.push_back({a, v}); };
    EXPECT_TRUE(WriteField(chip, FieldBinding{0x3C, 2, 3, 0, true}, 2));
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0], (std::pair<uint16_t, uint8_t>{0x3C, 0xD5}));
    EXPECT_FALSE(WriteField(chip, FieldBinding{}, 1));
    EXPECT_FALSE(WriteField(chip, FieldBinding{1024, 1, 0, 0, true}, 1));
    EXPECT_FALSE(WriteField(chip, FieldBinding{0x3C, 2, 7, 0, true}, 1));
    EXPECT_EQ(writes.size(), 1u);
    EXPECT_EQ(ImageField(chip, FieldBinding{0x3C, 3, 0, 0, true}), 5);
}

TEST(PanelTexts, CodeTextsRoundTripAndForeignTextGivesZero)
{
    EXPECT_EQ(CodeText(5, 3), "101");
    EXPECT_EQ(CodeText(1, 4), "0001");
    EXPECT_EQ(ParseCodeText("110", 3), 6);
    EXPECT_EQ(ParseCodeText("11", 3), 0);
    EXPECT_EQ(ParseCodeText("1x1", 3), 0);
}

TEST(PanelTexts, LabelsPerCode)
{
    EXPECT_EQ(AdGainText(6), "ADGN = x 16");
    EXPECT_EQ(AdGainText(7), "ADGN = x 16");
    EXPECT_EQ(AdGainText(0), "ADGN = 1/4");
    EXPECT_EQ(DcSetText(0), DcSetText(4));
    EXPECT_EQ(DcSetText(1), "S + VRE*1/4");
    EXPECT_EQ(DcSetText(7), "S - VRE*3/4");
    EXPECT_EQ(OsrText(7), "ADC_CK / 32768");
    EXPECT_EQ(OsrText(0), "ADC_CK / 256");
    EXPECT_EQ(AdcDividerText(7), QString::fromUtf8("÷ 128"));
    EXPECT_EQ(PgaGainText(0), "Off");
    EXPECT_EQ(PgaGainText(9), "x 8");
    EXPECT_EQ(RefGainText(false), "VGN= x 1");
    EXPECT_EQ(ChopperText(false), "SD16 Chopper on");
    EXPECT_EQ(VddaText(false, "3.0"), "VDDA = External");
    EXPECT_EQ(VddaText(true, "123456789"), "VDDA = 12345678 V");
    EXPECT_EQ(OpModeText(3), "Offset Negative");
    EXPECT_EQ(OpModeText(4), "?");
    EXPECT_EQ(RefLevelText(7), "VR6 = 437.5mV");
    EXPECT_EQ(RefLevelText(8), "VR7 = 562.5mV");
    EXPECT_EQ(RefSourceText(3), "0.5 x VDD");
}

TEST(PanelTexts, TemperatureMarksDifferBetweenTheMultiplexers)
{
    TemperatureMarks m = TemperatureMarksFor(7, 7);
    EXPECT_TRUE(m.plusH && !m.minusH && m.minusL && !m.plusL);
    m = TemperatureMarksFor(6, 6);
    EXPECT_TRUE(!m.plusH && m.minusH && !m.minusL && m.plusL);
    m = TemperatureMarksFor(5, 0);
    EXPECT_FALSE(m.plusH || m.minusH || m.plusL || m.minusL);
}

TEST(PanelTexts, OutputWordCutToItsTopBits)
{
    const uint32_t w = OutputWord(0x12, 0x34, 0x56, true);
    EXPECT_EQ(OutputWordText(w, 0, 16, true), "123456");
    EXPECT_EQ(OutputWordText(w, 0, 8, true), "1234");
    EXPECT_EQ(OutputWordText(w, 0, 0, true), "12");
    EXPECT_EQ(OutputWordText(w, 1, 16, true), "1193046");
    EXPECT_EQ(OutputWordText(0, 0, 16, true), "0");
    // Without the high byte the 16-bit word is still cut as a 24-bit one.
    EXPECT_EQ(OutputWordText(OutputWord(0xFF, 0x12, 0x34, false), 0, 7, false), "9");
}

TEST(PanelTexts, OutputWordInDecimalIsSignedAtTheChosenWidth)
{
    const uint32_t minus1234 = 0xFFFB2E;
    EXPECT_EQ(OutputWordText(minus1234, 1, 16, true), "-1234");
    EXPECT_EQ(OutputWordText(minus1234, 0, 16, true), "FFFB2E"); // HEX stays the raw word
    EXPECT_EQ(OutputWordText(minus1234, 1, 8, true), "-5");      // top 16 bits 0xFFFB
    EXPECT_EQ(OutputWordText(0x7FFFFF, 1, 0, true), "127");
    // Without the high byte the 16-bit word carries its own sign.
    EXPECT_EQ(OutputWordText(OutputWord(0xAA, 0xFB, 0x2E, false), 1, 16, false), "-1234");
}

TEST(PanelTexts, DataRateWithAPointWhateverTheLocale)
{
    EXPECT_EQ(DataRateText(0), "-");
    EXPECT_EQ(DataRateText(10240), "10240 Hz");
    EXPECT_EQ(DataRateText(3999999.0 / 256), "15625 Hz"); // an odd clock keeps to five digits
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString small = DataRateText(1310720.0 / 32768 / 128);
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(small, "0.3125 Hz");
}

TEST(PanelTexts, ComparatorRunsOnlyWithAllFourSet)
{
    EXPECT_EQ(ComparatorStateText(true, true, true, false), "OFF");
    EXPECT_EQ(ComparatorStateText(true, true, true, true), "ON");
}
