// The ADC panel on the sample chip files: one register write per edit, redraws from the image
// that never write, the chip selection's preparation, the output word and the read.
#include "PanelFixture.h"
#include "panels/logic/PanelTexts.h"
#include "panels/ui/AdcPanel.h"

#include <QComboBox>
#include <QLabel>
#include <gtest/gtest.h>

using namespace vek;
using namespace vek::test;

namespace {

struct AdcFixture : PanelContext {
    std::unique_ptr<TADCForm> form;
    explicit AdcFixture(int model = 1)
    {
        form = std::make_unique<TADCForm>(ctx);
        form->chip = chip.Access();
        chip.refresh = [this] { form->DataUpdate(); };
        EXPECT_TRUE(Select(model));
        form->ApplyPreparation();
    }
    template <class W = QWidget> W *Get(const char *name)
    {
        W *w = form->findChild<W *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QString Text(const char *name) { return Get<QLabel>(name)->text(); }
    void Activate(const char *combo, int index)
    {
        QComboBox *c = Get<QComboBox>(combo);
        c->setCurrentIndex(index);
        emit c->activated(index);
    }
};

} // namespace

TEST(AdcPanel, OptionClickWritesItsFieldOnceAndRedrawsFromTheImage)
{
    AdcFixture f;
    f.chip.image[0x37] = 0xC1; // INH 0, INL 1, the two top bits belong to nothing here
    f.form->DataUpdate();
    EXPECT_TRUE(f.chip.writes.empty()); // redraws never write
    f.Get<Glyph>("INH010off")->Click();
    ASSERT_EQ(f.chip.writes.size(), 1u);
    EXPECT_EQ(f.chip.writes[0], (std::pair<uint16_t, uint8_t>{0x37, 0xD1}));
    EXPECT_FALSE(f.Get("INH010on")->isHidden());
    EXPECT_TRUE(f.Get("INH000on")->isHidden());
    EXPECT_TRUE(f.Get<OptionLabel>("LINH2")->Selected());
    EXPECT_EQ(f.Get<QComboBox>("TXINH")->currentText(), "010");
    // The label of an option clicks like its switch.
    f.Get<OptionLabel>("LINL3")->Click();
    EXPECT_EQ(f.chip.writes.back(), (std::pair<uint16_t, uint8_t>{0x37, 0xD3}));
}

TEST(AdcPanel, OptionsTheChipLacksAreDisabledHiddenAndNeverWrite)
{
    AdcFixture f; // ZR300: IN0H codes 4 and 5 are "-", VR0L has only VSS and AI3
    EXPECT_FALSE(f.Get("INH100off")->isEnabled());
    EXPECT_TRUE(f.Get("LINH4")->isHidden());
    EXPECT_EQ(f.Text("LINH7"), "TSP");
    f.Get<Glyph>("INH100off")->Click();
    f.Get<Glyph>("VRL10off")->Click();
    EXPECT_TRUE(f.chip.writes.empty());
    QComboBox *inh = f.Get<QComboBox>("TXINH");
    QStringList items;
    for (int i = 0; i < inh->count(); ++i)
        items << inh->itemText(i);
    EXPECT_EQ(items, (QStringList{"000", "001", "010", "011", "110", "111"}));
    // A combo choice reads its code from the item text.
    f.Activate("TXINH", 4);
    EXPECT_EQ(f.chip.writes.back(), (std::pair<uint16_t, uint8_t>{0x37, 0x30}));
}

TEST(AdcPanel, InxCyclesThroughTheCodesOfItsWidth)
{
    AdcFixture f; // INX0: 0x33, 2 bits at 0
    std::vector<int> seen;
    for (int i = 0; i < 5; ++i) {
        f.Get<Glyph>(qPrintable("INX" + CodeText(f.chip.image[0x33] & 3, 2)))->Click();
        seen.push_back(f.chip.image[0x33] & 3);
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 0, 1}));
    EXPECT_EQ(f.chip.writes.size(), 5u);
    EXPECT_FALSE(f.Get("INX01")->isHidden());
    EXPECT_TRUE(f.Get("INX00")->isHidden());
    f.ctx.bindings.adc.Find("INX0")->width = 1;
    f.chip.image[0x33] = 0;
    f.form->ApplyPreparation();
    seen.clear();
    for (int i = 0; i < 3; ++i) {
        f.form->INX11Click();
        seen.push_back(f.chip.image[0x33] & 3);
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 0, 1}));
}

TEST(AdcPanel, TemperatureMarksFollowTheInputMultiplexers)
{
    AdcFixture f;
    EXPECT_FALSE(f.Get("PTemp")->isHidden()); // ZR300 has the sensor line
    f.chip.image[0x37] = (7 << 3) | 7;
    f.form->DataUpdate();
    EXPECT_FALSE(f.Get("TPSHP")->isHidden());
    EXPECT_TRUE(f.Get("TPSHN")->isHidden());
    EXPECT_FALSE(f.Get("TPSLN")->isHidden());
    EXPECT_TRUE(f.Get("TPSLP")->isHidden());
    f.chip.image[0x37] = (5 << 3) | 2;
    f.form->DataUpdate();
    for (const char *m : {"TPSHP", "TPSHN", "TPSLP", "TPSLN"})
        EXPECT_TRUE(f.Get(m)->isHidden()) << m;
}

TEST(AdcPanel, OutputWordWidthsNotationAndStoppedConverter)
{
    AdcFixture f;
    f.chip.image[0x30] = 0x80; // ENADC0
    f.chip.image[0x3B] = 0x12;
    f.chip.image[0x3A] = 0x34;
    f.chip.image[0x39] = 0x56;
    f.Activate("TXADCObit", 16);
    EXPECT_EQ(f.Text("TXADC"), "123456");
    f.Activate("TXADCObit", 8);
    EXPECT_EQ(f.Text("TXADC"), "1234");
    f.Activate("TXADCObit", 0);
    EXPECT_EQ(f.Text("TXADC"), "12");
    f.Activate("TXADCObit", 16);
    f.Activate("TXADCOMD", 1);
    EXPECT_EQ(f.Text("TXADC"), "1193046");
    f.chip.image[0x3B] = 0xFF; // a negative result reads as one in DEC
    f.chip.image[0x3A] = 0xFB;
    f.chip.image[0x39] = 0x2E;
    f.form->DataUpdate();
    EXPECT_EQ(f.Text("TXADC"), "-1234");
    EXPECT_EQ(f.ctx.config.TXADCOMD, 1);
    EXPECT_EQ(f.ctx.config.TXADCObit, 16);
    EXPECT_TRUE(f.chip.writes.empty());
    f.chip.image[0x30] = 0x00;
    f.form->DataUpdate();
    EXPECT_EQ(f.Text("TXADC"), "ADC OFF");
    // Without a high byte: middle and low at the default 15 bits.
    f.ctx.bindings.adc.Find("ADC0OH")->bound = false;
    f.chip.image[0x30] = 0x80;
    f.chip.image[0x3A] = 0x12;
    f.chip.image[0x39] = 0x34;
    f.Activate("TXADCOMD", 0);
    f.Activate("TXADCObit", 7);
    EXPECT_EQ(f.Text("TXADC"), "9");
}

TEST(AdcPanel, ComboCodeBeyondTheWidthIsRefused)
{
    AdcFixture f;
    f.ctx.bindings.adc.Find("PGA0GN")->width = 1; // 0x3C bit 3 only
    f.chip.image[0x3C] = 0x08;
    f.form->DataUpdate();
    f.Activate("TXPGAGN", 3);
    ASSERT_EQ(f.chip.writes.size(), 1u);
    EXPECT_EQ(f.chip.writes[0].second, 0x08); // the unchanged value written again
    EXPECT_EQ(f.Get<QComboBox>("TXPGAGN")->currentIndex(), 1);
    EXPECT_EQ(f.Text("TXPGAGNS"), "x 2");
    f.Activate("TXOSR", 7);
    EXPECT_EQ(f.chip.image[0x30] & 7, 7);
    EXPECT_EQ(f.Text("TXOSRS"), "ADC_CK / 32768");
}

TEST(AdcPanel, TogglePanelsAndPicturesFlipTheirBit)
{
    AdcFixture f;
    auto *chop = f.Get<TogglePanel>("PENCHP");
    chop->Click();
    EXPECT_EQ(f.chip.image[0x30], 0x10);
    EXPECT_TRUE(chop->Highlighted());
    EXPECT_EQ(f.Text("TXENCHP"), "SD16 Chopper off");
    chop->Click();
    EXPECT_EQ(f.chip.image[0x30], 0x00);
    EXPECT_EQ(f.form->ToggleTarget(), 4);
    // The popup's "1" applies to the last toggle target.
    f.form->TIncerClick();
    EXPECT_EQ(f.chip.image[0x30], 0x10);
    f.Get<Glyph>("INBUFFon0")->Click();
    EXPECT_EQ(f.chip.image[0x33], 0x80);
    EXPECT_TRUE(f.Get("INBUFFon1")->isHidden());
    EXPECT_FALSE(f.Get("INBUFFoff1")->isHidden());
    EXPECT_EQ(f.chip.writes.size(), 4u);
}

TEST(AdcPanel, UnusableBindingsDisableTheirControlsAndNeverWrite)
{
    AdcFixture f;
    *f.ctx.bindings.adc.Find("ENCHP0") = FieldBinding{};            // unbound: register 0 is no field
    *f.ctx.bindings.adc.Find("ENHIGN0") = FieldBinding{1024, 1, 3, 0, true}; // beyond the image
    *f.ctx.bindings.adc.Find("AD0GN") = FieldBinding{0x3C, 3, 6, 0, true};   // past bit 7
    f.form->ApplyPreparation();
    EXPECT_FALSE(f.Get("PENCHP")->isEnabled());
    EXPECT_FALSE(f.Get("PENHIGN")->isEnabled());
    EXPECT_FALSE(f.Get("TXADGN")->isEnabled());
    f.form->PopUpClick(4);
    f.form->PopUpClick(5);
    f.Activate("TXADGN", 2);
    EXPECT_TRUE(f.chip.writes.empty());
}

TEST(AdcPanel, SupplyShowsTheLevelLabelOfTheChipFile)
{
    AdcFixture f; // VDDAX labels 2.4 2.7 3.0 3.3
    EXPECT_EQ(f.Text("TXVDDAS"), "VDDA = External");
    f.chip.image[0x32] = 0x80 | (2 << 5);
    f.form->DataUpdate();
    EXPECT_EQ(f.Text("TXVDDAS"), "VDDA = 3.0 V");
    EXPECT_EQ(f.Get<QComboBox>("TXVDDA")->currentIndex(), 2);
    f.Activate("TXVDDA", 3);
    EXPECT_EQ(f.chip.image[0x32], 0xE0);
    EXPECT_EQ(f.Text("TXVDDAS"), "VDDA = 3.3 V");
}

TEST(AdcPanel, ReadAdcStoresTheThreeBytesOrSaysTheReadFailed)
{
    AdcFixture f;
    f.chip.image[0x30] = 0x80;
    f.chip.transfer = {0x56, 0x34, 0x12};
    f.Activate("TXADCObit", 16);
    f.form->Button1Click();
    EXPECT_EQ(f.Text("TXADC"), "123456");
    f.chip.readFails = true;
    f.chip.transfer = {1, 2, 3};
    f.form->Button1Click();
    EXPECT_EQ(f.ctx.status.Text(0), "Read Error !!!!!");
    EXPECT_EQ(f.chip.image[0x39], 0x56);
    EXPECT_EQ(f.Text("TXADC"), "123456");
}

TEST(AdcPanel, OutputRateFollowsTheSettingsInTheImageAndNeverWrites)
{
    AdcFixture f; // ZR300: ADC_CK 2621440 Hz, or 1310720 Hz with ADCCK0 set
    f.form->DataUpdate();
    EXPECT_EQ(f.Text("TXRATE"), "10240 Hz");
    EXPECT_EQ(f.Get("TXRATE")->accessibleName(), "ADC Output Rate");
    f.chip.image[0x30] = 0x20 | 5; // ADCCK0, OSR 5
    f.chip.image[0x31] = 2;        // ADCS 2
    f.form->DataUpdate();
    EXPECT_EQ(f.Text("TXRATE"), "40 Hz");
    f.Activate("TXADCS", 7);
    EXPECT_EQ(f.Text("TXRATE"), "1.25 Hz");
    const QString shots = QString::fromLocal8Bit(qgetenv("VEK_SHOT_DIR"));
    if (!shots.isEmpty()) {
        f.chip.image[0x30] |= 0x80; // converter on, a negative word in DEC
        f.chip.image[0x3B] = 0xFF;
        f.chip.image[0x3A] = 0xFB;
        f.chip.image[0x39] = 0x2E;
        f.Activate("TXADCOMD", 1);
        f.Activate("TXADCObit", 16);
        f.form->resize(f.form->FrameRect().size()); // the size it opens at
        f.form->show();
        f.form->grab().save(shots + "/adc_panel.png");
    }
    // Without the clock in the chip description the rate is not known.
    f.ctx.chip.adcClockHz = {};
    f.chip.writes.clear();
    f.form->DataUpdate();
    EXPECT_EQ(f.Text("TXRATE"), "-");
    EXPECT_TRUE(f.chip.writes.empty());
}
