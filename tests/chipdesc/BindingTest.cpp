// The binding sections: field bindings and the panel preparation they leave as data.
#include "chipdesc/ChipSelection.h"

#include <gtest/gtest.h>

using namespace vek;

namespace {

struct Model {
    ChipModelState m;
    void Read(const QString &text)
    {
        ChipSelectionScope s = m.Scope(QString(), 0);
        SelectFromDescription(text.toUtf8(), s);
    }
    static const ControlPrep &P(const ControlPreps &preps, const char *name)
    {
        static const ControlPrep kUntouched;
        const ControlPrep *p = preps.Find(QLatin1String(name));
        return p ? *p : kUntouched;
    }
};

QStringList Items(const ControlPrep &p) { return p.items.value_or(QStringList{"<unset>"}); }

} // namespace

TEST(Binding, SelectorWithDashesListsOnlyPresentCodes)
{
    Model t;
    t.Read("#ADC0S\n37H IN0H 3 3 AI0 AI1 AI2 - - - - -\n");
    const FieldBinding &b = t.m.bindings.adc.Get("IN0H");
    EXPECT_TRUE(b.bound);
    EXPECT_EQ(b.address, 0x37);
    EXPECT_EQ(b.width, 3);
    EXPECT_EQ(b.position, 3);
    const ControlPreps &adc = t.m.prep.adc;
    EXPECT_EQ(Items(Model::P(adc, "TXINH")), (QStringList{"000", "001", "010"}));
    EXPECT_EQ(Model::P(adc, "TXINH").currentIndex, 0);
    EXPECT_EQ(Model::P(adc, "TXINH").enabled, true);
    EXPECT_EQ(Model::P(adc, "LINH2").caption, QStringLiteral("AI2"));
    EXPECT_EQ(Model::P(adc, "LINH2").visible, true);
    EXPECT_EQ(Model::P(adc, "INH010on").enabled, true);
    for (int k = 3; k < 8; ++k) {
        const std::string label = "LINH" + std::to_string(k);
        EXPECT_EQ(Model::P(adc, label.c_str()).visible, false) << k;
    }
    EXPECT_EQ(Model::P(adc, "INH011on").enabled, false);
    EXPECT_EQ(Model::P(adc, "INH111off").enabled, false);
}

TEST(Binding, SelectorLineThatEndsEarlyListsEveryCodeWithEmptyLabels)
{
    Model t;
    t.Read("#ADC0S\n37H IN0H 3 3 AI0 AI1 AI2\n38H VR0L 2 0 vss\n");
    const ControlPreps &adc = t.m.prep.adc;
    EXPECT_EQ(Items(Model::P(adc, "TXINH")),
              (QStringList{"000", "001", "010", "011", "100", "101", "110", "111"}));
    EXPECT_EQ(Model::P(adc, "LINH5").visible, true);
    EXPECT_EQ(Model::P(adc, "LINH5").caption, QString());
    EXPECT_EQ(Items(Model::P(adc, "TXVRL")), (QStringList{"00", "01", "10", "11"}));
    EXPECT_EQ(Model::P(adc, "LVRL0").caption, QStringLiteral("VSS")); // labels shown upper-cased
    EXPECT_EQ(Model::P(adc, "VRL11on").enabled, true);
}

TEST(Binding, ComparatorFloatAndAbsentOptions)
{
    Model t;
    t.Read("#CMP0S\n45H CPIL 3 0 -- AI1 - AI3\n45H CPIH 2 3 AI0 --\n");
    const ControlPreps &cmp = t.m.prep.cmp;
    EXPECT_EQ(Model::P(cmp, "LCPIL0").caption, QStringLiteral("Float"));
    EXPECT_EQ(Model::P(cmp, "LCPIL0").visible, true);
    // "-" and a missing label are both absent for the comparator's inputs.
    EXPECT_EQ(Items(Model::P(cmp, "TXCPIL")), (QStringList{"000", "001", "011"}));
    EXPECT_EQ(Model::P(cmp, "LCPIL4").visible, false);
    EXPECT_EQ(Model::P(cmp, "CPIL100on").enabled, false);
    EXPECT_EQ(Items(Model::P(cmp, "TXCPIH")), (QStringList{"00", "01"}));
    EXPECT_EQ(Model::P(cmp, "LCPIH1").caption, QStringLiteral("Float"));
    EXPECT_EQ(Model::P(cmp, "LCPIH2").visible, false);
}

TEST(Binding, OpAmpInputsShowTheirInputPictures)
{
    Model t;
    t.Read("#OP0S\n35H OP0P 2 0 AI0 - VCM\n36H OP0N 3 0 AI0 AI1\n");
    const ControlPreps &op = t.m.prep.op;
    EXPECT_EQ(Items(Model::P(op, "TXOP0P")), (QStringList{"00", "10"}));
    EXPECT_EQ(Model::P(op, "ImAP0").visible, true);
    EXPECT_EQ(Model::P(op, "ImAP1").visible, false);
    EXPECT_EQ(Model::P(op, "ImAP3").visible, false); // OP0P: an empty label is absent
    EXPECT_EQ(Model::P(op, "LAP3").visible, false);
    EXPECT_EQ(Model::P(op, "OP0P11off").enabled, false);
    // OP0N: an empty label is a present option with an empty label.
    EXPECT_EQ(Items(Model::P(op, "TXOP0N")).size(), 8);
    EXPECT_EQ(Model::P(op, "ImAI7").visible, true);
    EXPECT_EQ(Model::P(op, "LAI7").caption, QString());
}

TEST(Binding, EnableOnlyWhenWidthIsAboveZeroButAlwaysBind)
{
    Model t;
    t.Read("#ADC0S\n30H ENADC0 0 7\n3CH PGA0GN 2 3\n33H IN0IS 1 5\n");
    const ControlPreps &adc = t.m.prep.adc;
    EXPECT_TRUE(t.m.bindings.adc.Get("ENADC0").bound);
    EXPECT_EQ(Model::P(adc, "PENADC").enabled, false); // a width of 0 enables nothing
    EXPECT_EQ(Model::P(adc, "TXPGAGN").enabled, true);
    for (const char *c : {"INISon", "INISoff", "PINIS"})
        EXPECT_EQ(Model::P(adc, c).enabled, true) << c;
}

TEST(Binding, ExceptionsInTheLineForm)
{
    Model t;
    t.Read("#ADC0S\n3BH ADC0OH 8 0\n3AH ADC0OM\n37H TEMPERATURE 3 3\n"
           "#CMP0S\n72H PTMX pm1.7 1 7\n71H TRISCX TC1.6 1 6\n73H PTDAX DA1.7 1 7\n"
           "44H CPOIF 1 6\n46H CPVCS 2 4\n46H CPVRS 0 0\n");
    const FieldBinding &oh = t.m.bindings.adc.Get("ADC0OH");
    EXPECT_TRUE(oh.bound);
    EXPECT_EQ(oh.address, 0x3B);
    EXPECT_EQ(oh.width, 0); // the address only
    EXPECT_TRUE(t.m.bindings.adc.Get("ADC0OM").bound);
    EXPECT_FALSE(t.m.bindings.adc.Get("ADC0OL").bound);
    EXPECT_EQ(Model::P(t.m.prep.adc, "PTemp").visible, true);
    EXPECT_EQ(t.m.bindings.adc.Find("TEMPERATURE"), nullptr); // binds nothing

    const ControlPreps &cmp = t.m.prep.cmp;
    EXPECT_EQ(Model::P(cmp, "PPMX").caption, QStringLiteral("PM1.7"));
    EXPECT_EQ(Model::P(cmp, "PPMX").enabled, true);
    EXPECT_EQ(Model::P(cmp, "PTCX").caption, QStringLiteral("TC1.6"));
    const FieldBinding &tc = t.m.bindings.cmp.Get("TRISCX");
    EXPECT_EQ(tc.address, 0x71);
    EXPECT_EQ(tc.width, 1);
    EXPECT_EQ(tc.position, 6);
    EXPECT_EQ(Model::P(cmp, "PCPOIF").highlighted, false);
    EXPECT_EQ(Model::P(cmp, "TXCPVCS").enabled, true);
    EXPECT_EQ(Model::P(cmp, "LCPVCS10").enabled, true);
    EXPECT_EQ(Model::P(cmp, "TXCPVRS").enabled, false);
}

TEST(Binding, InxEnablesThePicturesItsWidthAllows)
{
    Model t;
    t.Read("#ADC0S\n33H INX0 1 0\n");
    const ControlPreps &adc = t.m.prep.adc;
    EXPECT_EQ(Model::P(adc, "INX00").enabled, true);
    EXPECT_EQ(Model::P(adc, "INX01").enabled, true);
    EXPECT_EQ(Model::P(adc, "INX10").enabled, false);
    EXPECT_EQ(Model::P(adc, "TXINX").enabled, true);
    t.Read("#ADC0S\n33H INX0 8 0\n");
    EXPECT_EQ(Model::P(t.m.prep.adc, "INX11").enabled, true);
}

TEST(Binding, EnvddaAndVddaxBelongToTheSectionsPanel)
{
    Model t;
    t.Read("#ADC0S\n32H ENVDDA 1 7\n32H VDDAX 2 5 2.4 2.7 3.0 3.3456789X\n"
           "#CMP0S\n50H VDDAX 2 0 A B\n");
    EXPECT_EQ(t.m.bindings.adc.Get("ENVDDA").address, 0x32);
    EXPECT_FALSE(t.m.bindings.op.Get("ENVDDA").bound);
    EXPECT_FALSE(t.m.bindings.cmp.Get("ENVDDA").bound);
    EXPECT_EQ(t.m.bindings.adc.vddaLabels,
              (std::array<QString, 4>{"2.4", "2.7", "3.0", "3.345678"}));
    EXPECT_EQ(t.m.bindings.cmp.vddaLabels, (std::array<QString, 4>{"A", "B", "", ""}));
    EXPECT_EQ(t.m.bindings.cmp.Get("VDDAX").address, 0x50);
    EXPECT_EQ(Model::P(t.m.prep.adc, "PENVDDA").enabled, true);
    EXPECT_EQ(Model::P(t.m.prep.adc, "TXVDDA").enabled, true);
    EXPECT_EQ(Model::P(t.m.prep.op, "TXVDDA").enabled, false);
    EXPECT_EQ(Model::P(t.m.prep.cmp, "TXVDDA").enabled, true);
}

TEST(Binding, NamesInAnyCaseAndRefusedLines)
{
    Model t;
    t.Read("#ADC0S\n30h enadc0 1 7\n31H NOSUCHNAME 1 1\n"
           "32H OSR0 9 0\n33H ADCS0 3 8\n400H AD0GN 3 0\n"
           "#OP0S\n35H ENADC0 1 7\n");
    EXPECT_TRUE(t.m.bindings.adc.Get("ENADC0").bound);
    EXPECT_EQ(t.m.bindings.adc.Get("ENADC0").address, 0x30);
    EXPECT_EQ(t.m.bindings.adc.Find("NOSUCHNAME"), nullptr);
    // A width above 8, a position above 7 or an address beyond the chip is refused.
    EXPECT_FALSE(t.m.bindings.adc.Get("OSR0").bound);
    EXPECT_FALSE(t.m.bindings.adc.Get("ADCS0").bound);
    EXPECT_FALSE(t.m.bindings.adc.Get("AD0GN").bound);
    EXPECT_EQ(Model::P(t.m.prep.adc, "TXOSR").enabled, false);
    // A name of another panel's table is ignored in this section.
    EXPECT_EQ(t.m.bindings.op.Find("ENADC0"), nullptr);
}

// A model that does not describe a setting leaves nothing of the model before: the binding is
// gone (its working value stays), its controls are greyed and its options, labels and list empty.
TEST(Binding, SelectionUnbindsWhatTheNewModelDoesNotDescribe)
{
    Model t;
    t.Read("#ADC0S\n37H IN0H 3 3 A B\n31H VDDAX 2 0 2.4V 2.7V 3.0V 3.3V\n#OP0S\n35H ENOP 1 7\n"
           "36H OP0N 3 0 A B C D E F G H\n");
    ASSERT_TRUE(t.m.bindings.op.Get("ENOP").bound);
    t.m.bindings.op.Find("ENOP")->value = 1;
    t.Read("#ADC0S\n30H ENADC0 1 7\n");
    const FieldBinding &enop = t.m.bindings.op.Get("ENOP");
    EXPECT_FALSE(enop.bound);
    EXPECT_EQ(enop.address, 0);
    EXPECT_EQ(enop.value, 1);
    EXPECT_EQ(Model::P(t.m.prep.op, "PENOP").enabled, false);
    EXPECT_FALSE(t.m.bindings.op.Get("OP0N").bound);
    EXPECT_EQ(Items(Model::P(t.m.prep.op, "TXOP0N")), QStringList{});
    EXPECT_EQ(Model::P(t.m.prep.op, "LAI2").visible, false);
    EXPECT_EQ(Model::P(t.m.prep.op, "OP0N010off").enabled, false);
    EXPECT_FALSE(t.m.bindings.adc.Get("VDDAX").bound);
    EXPECT_EQ(t.m.bindings.adc.vddaLabels[3], QString());
    EXPECT_TRUE(t.m.bindings.adc.Get("ENADC0").bound);
    EXPECT_FALSE(t.m.bindings.adc.Get("IN0H").bound);
    EXPECT_EQ(Model::P(t.m.prep.adc, "TXINH").enabled, false);
    EXPECT_EQ(Model::P(t.m.prep.adc, "TXINL").enabled, false);
    EXPECT_EQ(Model::P(t.m.prep.adc, "PTemp").visible, false);
}

TEST(Binding, BankAndPageChecks)
{
    struct Case {
        int bank, page;
        const char *text;
        int wantBank, wantPage;
    };
    const Case cases[] = {
        // A "#REGBIT1" section but an empty "#REGBIT2": page 2 falls back to page 0.
        {0, 2, "#REGBIT\n4 S\n#REGBIT1\n30H A\n#REGBIT2\n", 0, 0},
        {0, 1, "#REGBIT\n4 S\n#REGBIT1\n30H A\n", 0, 1},
        {0, 7, "#REGBIT\n4 S\n", 0, 0},
        {0, -1, "", 0, 0},
        {2, 0, "#RAMBANK1\n100H 17FH\n#RAMBANK2\n200H 200H\n", 0, 0},
        {1, 0, "#RAMBANK1\n100H 17FH\n", 1, 0},
        {3, 0, "#RAMBANK3\n3FFH 300H\n", 0, 0}, // start above end is absent as well
        {5, 0, "#RAMBANK1\n100H 17FH\n", 0, 0},
    };
    for (const Case &c : cases) {
        Model t;
        t.m.currentBank = c.bank;
        t.m.currentPage = c.page;
        t.Read(c.text);
        EXPECT_EQ(t.m.currentBank, c.wantBank) << c.text;
        EXPECT_EQ(t.m.currentPage, c.wantPage) << c.text;
    }
}

TEST(Binding, ReservedFlagClearedWithoutAdcSection)
{
    Model t;
    t.m.adcReservedFlag = true;
    t.Read("#ADC0S\n");
    EXPECT_TRUE(t.m.adcReservedFlag);
    EXPECT_TRUE(t.m.chip.hasAdcSection);
    t.Read("#OP0S\n");
    EXPECT_FALSE(t.m.adcReservedFlag);
    EXPECT_FALSE(t.m.chip.hasAdcSection);
    EXPECT_TRUE(t.m.chip.hasOpSection);
}
