// The op-amp and comparator panels on the sample chip ZR300: their own settings on the shared kit.
#include "PanelFixture.h"
#include "panels/ui/AnalogPanels.h"

#include <QComboBox>
#include <QLabel>
#include <gtest/gtest.h>

using namespace vek;
using namespace vek::test;

namespace {

template <class Form> struct FormFixture : PanelContext {
    std::unique_ptr<Form> form;
    FormFixture()
    {
        form = std::make_unique<Form>(ctx);
        form->chip = chip.Access();
        chip.refresh = [this] { form->DataUpdate(); };
        EXPECT_TRUE(Select(1));
        form->ApplyPreparation();
    }
    template <class W = QWidget> W *Get(const char *name)
    {
        W *w = form->template findChild<W *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QString Text(const char *name) { return Get<QLabel>(name)->text(); }
};

QStringList Items(QComboBox *c)
{
    QStringList l;
    for (int i = 0; i < c->count(); ++i)
        l << c->itemText(i);
    return l;
}

} // namespace

TEST(OpPanel, ModeLabelFollowsTheCodeAndShowsUnknownCodes)
{
    FormFixture<TOPForm> f;
    f.chip.image[0x35] = 3 << 5;
    f.form->DataUpdate();
    EXPECT_EQ(f.Text("TXOP0MS"), "Offset Negative");
    QComboBox *mode = f.Get<QComboBox>("TXOP0M");
    mode->setCurrentIndex(0);
    emit mode->activated(0);
    EXPECT_EQ(f.Text("TXOP0MS"), "Chopper HS_DCK/32");
    ASSERT_EQ(f.chip.writes.size(), 1u);
    EXPECT_EQ(f.chip.writes[0], (std::pair<uint16_t, uint8_t>{0x35, 0x00}));
    f.ctx.bindings.op.Find("OP0M")->width = 3; // a code beyond the four modes
    f.chip.image[0x35] = 4 << 5;
    f.form->DataUpdate();
    EXPECT_EQ(f.Text("TXOP0MS"), "?");
}

TEST(OpPanel, InputOptionsLabelsAndSupply)
{
    FormFixture<TOPForm> f; // OP0P: AI0 AI1 VCM and an empty fourth column
    EXPECT_TRUE(f.Get("LAP3")->isHidden());
    EXPECT_TRUE(f.Get("ImAP3")->isHidden());
    EXPECT_FALSE(f.Get("OP0P11off")->isEnabled());
    EXPECT_EQ(Items(f.Get<QComboBox>("TXOP0P")), (QStringList{"00", "01", "10"}));
    EXPECT_EQ(f.Text("LAP2"), "VCM");
    // A label clicks like its switch pictures.
    f.chip.image[0x36] = 0xF0;
    f.Get<OptionLabel>("LAI5")->Click();
    f.Get<Glyph>("OP0N101off")->Click();
    ASSERT_EQ(f.chip.writes.size(), 2u);
    EXPECT_EQ(f.chip.writes[0], (std::pair<uint16_t, uint8_t>{0x36, 0xF5}));
    EXPECT_EQ(f.chip.writes[1], f.chip.writes[0]);
    EXPECT_FALSE(f.Get("OP0N101on")->isHidden());
    EXPECT_EQ(f.Get<QComboBox>("TXOP0N")->currentText(), "101");
    f.Get<TogglePanel>("PENVDDA")->Click();
    f.chip.image[0x32] |= 1 << 5;
    f.form->DataUpdate();
    EXPECT_EQ(f.Text("TXVDDAS"), "VDDA = 2.7 V");
    f.Get<TogglePanel>("PENOP")->Click();
    EXPECT_EQ(f.Text("TXENOPS"), "ON");
    EXPECT_EQ(f.chip.image[0x35], 0x80);
}

TEST(CmpPanel, RunsOnlyWhenEnabledAndThePinIsItsOutput)
{
    FormFixture<TCMPForm> f;
    f.chip.image[0x44] = 0x80; // ENCPA
    f.chip.image[0x72] = 0x80; // PTMX
    f.chip.image[0x71] = 0x80; // TRISCX
    f.form->DataUpdate();
    EXPECT_EQ(f.Text("LCMPONOFF"), "OFF");
    EXPECT_EQ(f.Get<TogglePanel>("PDAX")->Caption(), "DA1.7");
    f.Get<TogglePanel>("PDAX")->Click();
    ASSERT_EQ(f.chip.writes.size(), 1u);
    EXPECT_EQ(f.chip.writes[0], (std::pair<uint16_t, uint8_t>{0x73, 0x80}));
    EXPECT_EQ(f.Text("LCMPONOFF"), "ON");
    // The interrupt flag is shown by colour and takes no clicks.
    f.chip.image[0x44] |= 0x40;
    f.form->DataUpdate();
    EXPECT_TRUE(f.Get<TogglePanel>("PCPOIF")->Highlighted());
    f.Get<TogglePanel>("PCPOIF")->Click();
    EXPECT_EQ(f.chip.writes.size(), 1u);
}

TEST(CmpPanel, ReferenceLabelsInputsAndEdge)
{
    FormFixture<TCMPForm> f; // CPIH: AI0 AI1 -- -
    EXPECT_EQ(f.Text("LCPIH2"), "Float");
    EXPECT_TRUE(f.Get("LCPIH3")->isHidden());
    f.chip.image[0x46] = 0xF0;
    f.Get<OptionLabel>("LCPVRS0101")->Click();
    EXPECT_EQ(f.chip.writes.back(), (std::pair<uint16_t, uint8_t>{0x46, 0xF5}));
    EXPECT_EQ(f.Get<QComboBox>("TXCPVRS")->currentText(), "0101");
    EXPECT_EQ(f.Text("LCPVRS0101"), "VR4 = 312.5mV");
    EXPECT_TRUE(f.Get<OptionLabel>("LCPVRS0101")->Selected());
    f.Get<Glyph>("CPOraising")->Click();
    EXPECT_EQ(f.chip.image[0x44], 0x20);
    EXPECT_FALSE(f.Get("CPOfalling")->isHidden());
    EXPECT_TRUE(f.Get("CPOraising")->isHidden());
    EXPECT_EQ(f.chip.writes.size(), 2u);
    // Both supply labels follow the panel's own supply binding.
    f.chip.image[0x32] = 0x80 | (3 << 5);
    f.form->DataUpdate();
    EXPECT_EQ(f.Text("TXVDDAS"), "VDDA = 3.3 V");
    EXPECT_EQ(f.Text("TXVDDAS1"), "VDDA = 3.3 V");
}
