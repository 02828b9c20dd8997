// The ADC panel against the simulated board: each click is one register write frame, the
// simulated converter follows the settings written, and "Read ADC" shows its live word.
#include "PanelFixture.h"
#include "analysis/ConverterRate.h"
#include "analysis/ui/CaptureHooks.h"
#include "analysis/ui/TAnxADC.h"
#include "panels/logic/PanelTexts.h"
#include "panels/ui/AdcPanel.h"
#include "sim/SimAdcOutput.h"
#include "sim/SimUsbBackends.h"

#include <QComboBox>
#include <QLabel>
#include <gtest/gtest.h>

using namespace vek;
using namespace vek::test;

namespace {

struct BoardRig : PanelContext {
    sim::SimUsb usb;
    sim::SimAdc adc{usb.board, clock};
    sim::SimAdcOutput output{usb.board, adc, clock};
    std::unique_ptr<TADCForm> form;
    std::unique_ptr<TAnxADC> anx;

    BoardRig()
    {
        ctx.usb.hid = &usb.hid;
        ctx.usb.driver = &usb.driver;
        ctx.chipSlots[0].interfaceKind = InterfaceKind::SPI;
        LinkIo io = ctx.Link();
        uint8_t status = 0xFF;
        EXPECT_TRUE(ConnectLink(io, ctx.chipSlots[0].link, status));
        EXPECT_TRUE(Select(1));
        form = std::make_unique<TADCForm>(ctx);
        form->chip.imageByte = [this](int a) { return GetImageByte(ctx.chipSlots, a, 0); };
        form->chip.writeRegister = [this](uint16_t a, uint8_t v) {
            ChipPort port = ctx.Chip();
            WriteRegister(port, a, v, 0);
        };
        form->chip.readChip = [this](uint16_t a, int n) {
            ChipPort port = ctx.Chip();
            return ReadChip(port, a, n, 0);
        };
        form->chip.transferByte = [this](int i) { return ctx.transferBuffer[size_t(i)]; };
        form->chip.storeAndRefresh = [this](int a, uint8_t v) {
            ChipPort port = ctx.Chip();
            StoreAndRefresh(port, a, v, 0);
        };
        ctx.refreshPanels = [this] { form->DataUpdate(); };
        form->ApplyPreparation();
        anx = std::make_unique<TAnxADC>(ctx);
        ConnectCaptureHooks(*anx, ctx);
        usb.board.ClearFrameLog();
    }
    // The chip writes among the frames the board received since the last call.
    std::vector<std::vector<uint8_t>> TakeWrites()
    {
        std::vector<std::vector<uint8_t>> writes;
        for (const auto &f : usb.board.FrameLog())
            if (f.size() >= 6 && (f[0] == 0xB1 || f[0] == 0xBC) && f[1] == 0x40)
                writes.push_back(f);
        usb.board.ClearFrameLog();
        return writes;
    }
    void Choose(const char *combo, int index)
    {
        auto *c = form->findChild<QComboBox *>(QString::fromLatin1(combo));
        c->setCurrentIndex(index);
        emit c->activated(index);
    }
    double CaptureNoise()
    {
        adc.asFastAsPossible = true;
        anx->SetNPointIndex(3);
        anx->CatchADCClick();
        return ctx.analysisResults.sigma;
    }
};

} // namespace

TEST(AdcEndToEnd, EachClickIsOneWriteFrameAndTheConverterFollows)
{
    BoardRig rig;
    const double fastRate = rig.adc.DataRateHz();
    const double modelBefore = rig.adc.NoiseCodes();
    const double noiseBefore = rig.CaptureNoise();
    ASSERT_GT(noiseBefore, 0);
    rig.usb.board.ClearFrameLog();

    rig.Choose("TXOSR", 5);
    auto writes = rig.TakeWrites();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0][2], 0x30);
    EXPECT_EQ(writes[0][5] & 7, 5);
    EXPECT_DOUBLE_EQ(rig.adc.DataRateHz(), fastRate / 32);

    rig.Choose("TXPGAGN", 3);
    writes = rig.TakeWrites();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0][2], 0x3C);
    EXPECT_EQ((writes[0][5] >> 3) & 3, 3);
    EXPECT_EQ(rig.form->findChild<QLabel *>("TXPGAGNS")->text(), "x 8");

    // The codes of the next capture carry the noise the simulated converter gives for the new
    // settings (longer oversampling averages more, the gain in front multiplies).
    const double modelRatio = rig.adc.NoiseCodes() / modelBefore;
    const double noiseAfter = rig.CaptureNoise();
    EXPECT_NEAR(noiseAfter / noiseBefore, modelRatio, modelRatio * 0.25);
    EXPECT_LT(modelRatio, 0.5);

    // Redraws alone never write.
    rig.usb.board.ClearFrameLog();
    rig.form->DataUpdate();
    rig.form->ApplyPreparation();
    EXPECT_TRUE(rig.TakeWrites().empty());
}

TEST(AdcEndToEnd, ReadAdcShowsTheConvertersLiveWord)
{
    BoardRig rig;
    rig.adc.inputVolts = 0.3;
    rig.form->findChild<TogglePanel *>("PENADC")->Click();
    EXPECT_EQ(rig.TakeWrites().size(), 1u);
    rig.Choose("TXADCObit", 16);
    rig.form->Button1Click();
    const QString text = rig.form->findChild<QLabel *>("TXADC")->text();
    bool ok = false;
    const int word = text.toInt(&ok, 16);
    ASSERT_TRUE(ok) << text.toStdString();
    EXPECT_NEAR(word, 0.3 / 1.2 * 4194304.0 / 4, 2000); // 2^22 codes to the reference
}

TEST(AdcEndToEnd, RateFromTheChipFileAgreesWithTheConverterForEveryCode)
{
    BoardRig rig;
    rig.adc.fields = sim::AdcFieldsFrom(rig.ctx.bindings);
    int checked = 0;
    for (int osr = 0; osr < 8; ++osr)
        for (int adcs = 0; adcs < 8; ++adcs)
            for (int adcck = 0; adcck < 2; ++adcck) {
                rig.usb.board.memory.Write(0x30, uint8_t(adcck << 5 | osr));
                rig.usb.board.memory.Write(0x31, uint8_t(adcs));
                ChipPort port = rig.ctx.Chip();
                const ConverterRate r = ReadConverterRateFromChip(port, rig.ctx.bindings.adc, rig.ctx.chip, 0);
                ASSERT_TRUE(r.fromSettings) << osr << adcs << adcck;
                EXPECT_DOUBLE_EQ(r.hz, rig.adc.DataRateHz()) << osr << adcs << adcck;
                ++checked;
            }
    EXPECT_EQ(checked, 128);
    // The panel shows the rate of what it wrote, from its image.
    rig.Choose("TXOSR", 3);
    rig.Choose("TXADCS", 1);
    EXPECT_EQ(rig.form->findChild<QLabel *>("TXRATE")->text(), DataRateText(rig.adc.DataRateHz()));
    // A read that fails determines nothing.
    rig.usb.board.Unplug();
    ChipPort port = rig.ctx.Chip();
    EXPECT_FALSE(ReadConverterRateFromChip(port, rig.ctx.bindings.adc, rig.ctx.chip, 0).fromSettings);
}
