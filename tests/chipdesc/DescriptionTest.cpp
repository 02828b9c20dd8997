// Reading description texts: sections, masks, register lists, grids and help texts.
#include "chipdesc/ChipSelection.h"
#include "tests/fuzz/ChipDescriptionInput.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace vek;

namespace {

struct Model {
    ChipModelState m;
    int flukeCalls = 0;

    void Read(const QString &text)
    {
        ChipSelectionScope s = m.Scope(QString(), 0);
        s.showInstrumentMenus = [this] { ++flukeCalls; };
        SelectFromDescription(text.toUtf8(), s);
    }
    uint8_t Mask(int a) const { return m.chip.addressMask[static_cast<size_t>(a)]; }
    bool Shown(const ControlPreps &preps, const char *name) const
    {
        const ControlPrep *p = preps.Find(QLatin1String(name));
        return p && p->visible.value_or(false);
    }
};

} // namespace

TEST(Description, RegBitLineGivesAddressMaskAndUpperCaseNames)
{
    Model t;
    t.Read("#REGBIT\n0FH Status b7 b6 - - b3 b2 b1 b0 ; the comment is no token\n");
    ASSERT_EQ(t.m.bitRegs.Count(), 1);
    const BitRegisterEntry *e = t.m.bitRegs.Item(0);
    EXPECT_EQ(e->address, 15);
    EXPECT_EQ(t.Mask(15), 0xCF);
    EXPECT_EQ(e->name, "STATUS");
    const QStringList expected = {"B7", "B6", "-", "-", "B3", "B2", "B1", "B0"};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(e->bits[static_cast<size_t>(i)].name, expected[i]) << i;
    EXPECT_EQ(e->description, QString());
    EXPECT_EQ(t.m.chip.bitRegisterCounts[0], 1);
    EXPECT_TRUE(t.Shown(t.m.prep.reg, "PPage1"));
    EXPECT_FALSE(t.Shown(t.m.prep.reg, "PPAGE2"));
    // Long names are cut to 15 characters.
    t.Read("#REGBIT\n10H ABCDEFGHIJKLMNOPQ BITNAMETOOLONGXYZ\n");
    EXPECT_EQ(t.m.bitRegs.Item(0)->name, "ABCDEFGHIJKLMNO");
    EXPECT_EQ(t.m.bitRegs.Item(0)->bits[0].name, "BITNAMETOOLONGX");
    EXPECT_EQ(t.Mask(0x10), 0xFF); // missing bit names are not "-"
}

TEST(Description, RegBit1BeforeRegBitLosesItsRecords)
{
    Model t;
    t.Read("#REGBIT1\n"
           "20H PAGE1REG a b c d e f g h\n"
           "#REGBIT\n"
           "21H PAGE0REG a b c d e f g h\n");
    ASSERT_EQ(t.m.bitRegs.Count(), 1);
    EXPECT_EQ(t.m.bitRegs.Item(0)->name, "PAGE0REG");
    EXPECT_EQ(t.m.chip.bitRegisterCounts[0], 1);
    // The page no longer has records, so it no longer counts or shows them.
    EXPECT_EQ(t.m.chip.bitRegisterCounts[1], 0);
    EXPECT_FALSE(t.Shown(t.m.prep.reg, "PPAGE2"));
    // The mask the lost record set stays: the address still exists on the chip.
    EXPECT_EQ(t.Mask(0x20), 0xFF);
}

TEST(Description, BitRegistersWithoutRegBitDoNotPileUp)
{
    Model t;
    const QString text = "#REGBIT1\n30H ADCCR a b c d e f g h\n#REGBIT2\n44H CMPCR\n";
    t.Read(text);
    t.m.currentPage = 2;
    t.Read(text);
    ASSERT_EQ(t.m.bitRegs.Count(), 2);
    EXPECT_EQ(t.m.chip.bitRegisterCounts, (std::array<uint16_t, 4>{0, 1, 1, 0}));
    EXPECT_EQ(t.m.currentPage, 2);
    EXPECT_EQ(t.m.prep.bitGrid.Cell(0, 0), "CMPCR");
    // A description without bit registers leaves the list (and shows none of it).
    t.Read("#REGBYTE\n29H WORK 0FFH\n");
    EXPECT_EQ(t.m.bitRegs.Count(), 2);
    EXPECT_EQ(t.m.currentPage, 0);
    EXPECT_EQ(t.m.prep.bitGrid.RowCount(), 0);
}

TEST(Description, PagesCountTheirOwnRecordsAndBuildTheBitGrid)
{
    Model t;
    t.m.currentPage = 1;
    t.Read("#REGBIT\n"
           "04H STATUS - - - PD TO DC C Z\n"
           "#REGBIT1\n"
           "30H ADCCR ENADC ADCIF a b c d e f\n"
           "31H ADCDIV - - - - - S2 S1 S0\n"
           "#REGBIT3\n"
           "0F0H FWMODE a b c d e f g h\n");
    EXPECT_EQ(t.m.chip.bitRegisterCounts, (std::array<uint16_t, 4>{1, 2, 0, 1}));
    EXPECT_TRUE(t.Shown(t.m.prep.reg, "PPage1"));
    EXPECT_TRUE(t.Shown(t.m.prep.reg, "PPAGE2"));
    EXPECT_FALSE(t.Shown(t.m.prep.reg, "PPAGE3"));
    EXPECT_TRUE(t.Shown(t.m.prep.reg, "PPAGE4"));
    EXPECT_EQ(t.m.currentPage, 1);
    const NameGrid &g = t.m.prep.bitGrid;
    ASSERT_EQ(g.RowCount(), 2);
    EXPECT_EQ(g.Cell(0, 0), "ADCCR");
    EXPECT_EQ(g.Cell(1, 0), "ENADC");
    EXPECT_EQ(g.Cell(0, 1), "ADCDIV");
    EXPECT_EQ(g.Cell(8, 1), "S0");
    EXPECT_EQ(BuildBitPage(t.m.bitRegs, t.m.chip.bitRegisterCounts, 3).Cell(0, 0), "FWMODE");
    EXPECT_EQ(BuildBitPage(t.m.bitRegs, t.m.chip.bitRegisterCounts, 4).RowCount(), 0);
}

TEST(Description, RamBanksSetMasksOnlyWhenStartIsBelowEnd)
{
    Model t;
    t.Read("#RAMBANK0\n07FH 0FFH\n"
           "#RAMBANK1\n100H 17FH\n"
           "#RAMBANK2\n200H 200H\n"
           "#RAMBANK3\n300H 4FFH\n"
           "#RAMBANK4\n500H 400H\n");
    EXPECT_EQ(t.Mask(0x7E), 0);
    EXPECT_EQ(t.Mask(0x7F), 0xFF);
    EXPECT_EQ(t.Mask(0x17F), 0xFF);
    EXPECT_EQ(t.Mask(0x180), 0);
    EXPECT_EQ(t.Mask(0x200), 0); // start equals end: bank 2 is absent
    EXPECT_EQ(t.Mask(0x3FF), 0xFF); // bank 3 reaches beyond the chip image; the rest is ignored
    for (int n : {0, 1, 3}) {
        EXPECT_TRUE(t.Shown(t.m.prep.ram, ("PBank" + std::to_string(n)).c_str())) << n;
        EXPECT_TRUE(t.Shown(t.m.prep.ram, ("RAMBANK" + std::to_string(n)).c_str())) << n;
    }
    EXPECT_FALSE(t.Shown(t.m.prep.ram, "PBank2"));
    EXPECT_FALSE(t.Shown(t.m.prep.ram, "PBank4"));
    EXPECT_EQ(t.m.chip.ramBanks[2].start, 0x200);
    EXPECT_EQ(t.m.chip.ramBanks[4].start, 0x500);
}

TEST(Description, NumbersDefaultsAndTheLastNumberRule)
{
    Model t;
    t.Read("#ROM\n0\n#STACK\n2\n#ID\n12345H\n#SIMIC\n7\n");
    EXPECT_EQ(t.m.chip.romSize, 4096u);
    EXPECT_EQ(t.m.chip.stackDepth, 4);
    EXPECT_EQ(t.m.chip.chipId, 0x2345); // a 16-bit field keeps the low 16 bits
    EXPECT_EQ(t.m.chip.simic, 7);

    t.Read("#ROM\n256\n#STACK\n258\n");
    EXPECT_EQ(t.m.chip.romSize, 256u);
    EXPECT_EQ(t.m.chip.stackDepth, 4); // 258 keeps its low 8 bits: 2, which is below 4

    // A token that is no number takes the last number that parsed in this reading, across
    // sections.
    t.Read("#ROM\n2000H\n#REG0\n10H NOTANUMBER\n#ID\n0XYZ\n");
    EXPECT_EQ(t.m.chip.reg0.start, 0x10);
    EXPECT_EQ(t.m.chip.reg0.end, 0x10);
    EXPECT_EQ(t.m.chip.chipId, 0x10);
    // The next reading starts from 0.
    t.Read("#ID\nABC\n");
    EXPECT_EQ(t.m.chip.chipId, 0);
}

TEST(Description, AdcClockLineAndItsResetAtEverySelection)
{
    Model t;
    t.Read("#ADCCLK\n2621440 140000H ; ADC_CK at ADCCK0 = 0 and 1\n");
    EXPECT_EQ(t.m.chip.adcClockHz, (std::array<uint32_t, 2>{2621440, 0x140000}));
    // A clock that is no number stays unknown; it borrows no earlier number.
    t.Read("#ID\n77\n#ADCCLK\n4000000 FAST\n");
    EXPECT_EQ(t.m.chip.adcClockHz, (std::array<uint32_t, 2>{4000000, 0}));
    // A description without the keyword leaves the clock unknown.
    t.Read("#PRODUCT\nZR300\n");
    EXPECT_EQ(t.m.chip.adcClockHz, (std::array<uint32_t, 2>{}));
}

TEST(Description, ProductCompilerAndTheZR100Interface)
{
    Model t;
    t.m.interfaceIndex = 4;
    t.m.slotInterface = InterfaceKind::UART;
    t.Read("lines before the first keyword are ignored\n#PRODUCT\nzr200\n#COMPILER\ncc1 ; v2\n");
    EXPECT_EQ(t.m.chip.productName, "ZR200");
    EXPECT_EQ(t.m.chip.compilerName, "CC1");
    EXPECT_EQ(t.m.prep.registerCaption, QStringLiteral("ZR200Register"));
    EXPECT_EQ(t.m.interfaceIndex, 4);

    t.Read("#PRODUCT\nZR100\n");
    EXPECT_EQ(t.m.interfaceIndex, 2);
    EXPECT_EQ(t.m.slotInterface, InterfaceKind::Special);
}

TEST(Description, FlukeOpensNoSection)
{
    Model t;
    t.Read("#REGBYTE\n29H WORK 0FFH\n#FLUKE\n30H ADCR 7FH\n");
    EXPECT_EQ(t.flukeCalls, 1);
    EXPECT_EQ(t.m.byteRegs.Count(), 2);
    EXPECT_EQ(t.Mask(0x30), 0x7F);
    for (const char *c : {"Label8", "FlukeCOM", "FlukeSelect", "Label13", "PowerCOM", "PowerSelect"})
        EXPECT_TRUE(t.Shown(t.m.prep.option, c)) << c;
}

TEST(Description, ByteAndWordGridsPlaceNamesInEveryOtherRow)
{
    Model t;
    QString text = "#REGBYTE\n";
    for (int i = 0; i < 10; ++i)
        text += QStringLiteral("%1H B%2 0FFH\n").arg(0x40 + i, 0, 16).arg(i);
    text += "#REGWORD\n0FH FSR0 10H 0 03H 0FFH\n11H FSR1 12H 0 03H 0FFH\n";
    t.Read(text);
    const NameGrid &b = t.m.prep.byteGrid;
    ASSERT_EQ(b.RowCount(), 4);
    EXPECT_EQ(b.Cell(0, 0), "B0");
    EXPECT_EQ(b.Cell(8, 0), "B8");
    EXPECT_EQ(b.Cell(0, 1), QString());
    EXPECT_EQ(b.Cell(0, 2), "B9");
    EXPECT_EQ(b.Cell(1, 2), QString());
    const NameGrid &w = t.m.prep.wordGrid;
    ASSERT_EQ(w.RowCount(), 2);
    EXPECT_EQ(w.Cell(1, 0), "FSR1");
    EXPECT_EQ(t.m.wordRegs.AddressOf(0), 0x0F10);
    EXPECT_EQ(t.Mask(0x0F), 0x03);
    EXPECT_EQ(t.Mask(0x12), 0xFF);
    EXPECT_EQ(t.m.chip.byteRegisterCount, 10);
    EXPECT_EQ(t.m.chip.wordRegisterCount, 2);

    // A second chip with fewer words: the word grid holds only its names.
    t.Read("#REGWORD\n1AH TMR0 1BH 0 0FFH 0FFH\n");
    ASSERT_EQ(t.m.prep.wordGrid.RowCount(), 2);
    EXPECT_EQ(t.m.prep.wordGrid.Cell(0, 0), "TMR0");
    EXPECT_EQ(t.m.prep.wordGrid.Cell(1, 0), QString());
    EXPECT_EQ(t.m.prep.byteGrid.RowCount(), 0); // the byte grid is emptied by every selection
}

TEST(Description, RegisterSectionsResetLastShownAndIgnoreAddressesBeyondTheChip)
{
    Model t;
    t.m.lastShown[0x29] = 7;
    t.m.lastShown[0x10] = 7;
    t.m.lastShown[0x28] = 7;
    t.Read("#REGBYTE\n29H WORK 0FFH\n0FFFFH FAR 0FFH\n400H FAR2 0FH\n"
           "#REGWORD\n500H W 10H 0 0 0FFH\n"
           "#REGBIT\n3FFH TOP a b c d e f g h\n7FFFH HIGHBIT a\n");
    EXPECT_EQ(t.m.lastShown[0x29], 0);
    EXPECT_EQ(t.m.lastShown[0x10], 0);
    EXPECT_EQ(t.m.lastShown[0x28], 7);
    EXPECT_EQ(t.Mask(0x3FF), 0xFF);
    // The records are kept, but nothing is written outside the 1024 chip addresses.
    EXPECT_EQ(t.m.byteRegs.Count(), 3);
    EXPECT_EQ(t.m.byteRegs.AddressOf(1), 0xFFFF);
    EXPECT_EQ(t.m.bitRegs.AddressOf(1), 0x7FFF);
}

TEST(Description, ListsStopAt512Records)
{
    Model t;
    QString text = "#REGBIT\n";
    for (int i = 0; i < 600; ++i)
        text += QStringLiteral("%1 R%1 a b c d e f g h\n").arg(i % 1024);
    text += "#REGBYTE\n";
    for (int i = 0; i < 600; ++i)
        text += QStringLiteral("%1 B%2 0FFH\n").arg(i + 400).arg(i);
    t.Read(text);
    EXPECT_EQ(t.m.bitRegs.Count(), 512);
    EXPECT_EQ(t.m.chip.bitRegisterCounts[0], 512);
    EXPECT_EQ(t.m.byteRegs.Count(), 512);
    // Names only for stored records: record 511 is the last, in row 2 x (511 / 9).
    EXPECT_EQ(t.m.prep.byteGrid.RowCount(), 2 * (511 / 9) + 2);
    EXPECT_EQ(t.m.prep.byteGrid.Cell(511 % 9, 2 * (511 / 9)), "B511");
    // The 8-bit count wraps as it counts.
    EXPECT_EQ(t.m.chip.byteRegisterCount, 512 % 256);
    EXPECT_EQ(t.Mask(999), 0xFF); // masks of refused records are still set
    EXPECT_EQ(t.Mask(1000), 0);
}

TEST(Description, RegBitStrWithTenQuotedLines)
{
    Model t;
    QString text = "#REGBIT\n23H INTE a b c d e f g h\n#REGBITSTR\n23H\n"
                   "\"Interrupt Enable\"\n";
    for (int b = 7; b >= 0; --b)
        text += QStringLiteral("\"Bit %1 說明\n").arg(b);
    text += "\"tenth line\n";
    t.Read(text);
    const BitRegisterEntry *e = t.m.bitRegs.Item(0);
    EXPECT_EQ(e->description, "Interrupt Enable\""); // case and closing quote kept
    EXPECT_EQ(e->bits[0].description, QStringLiteral("Bit 7 說明"));
    EXPECT_EQ(e->bits[7].description, QStringLiteral("Bit 0 說明"));
    for (const auto &bit : e->bits)
        EXPECT_NE(bit.description, "tenth line");
}

TEST(Description, DescriptionRecordsSurviveSectionsAndUnknownAddresses)
{
    Model t;
    t.Read("#REGBIT\n23H INTE\n24H INTF\n"
           "#REGBYTE\n29H WORK 0FFH\n"
           "#REGWORD\n0FH FSR0 10H 0 3 0FFH\n"
           "#REGBITSTR\n"
           "\"dropped: no current record yet\n"
           "24H\n"
           "\"INTF text\n"
           "#REGBYTESTR\n"
           "29H\n\"first\n\"last wins\n"
           "77H\n\"unknown address: still the work register\n"
           "#REGWORDSTR\n0F10H\n; semicolon line counts as a comment line\n"
           "#REGBITSTR\n"
           "\"bit 7 of INTF, the counter went on\n");
    EXPECT_EQ(t.m.bitRegs.Item(0)->description, QString());
    EXPECT_EQ(t.m.bitRegs.Item(1)->description, "INTF text");
    EXPECT_EQ(t.m.bitRegs.Item(1)->bits[0].description, "bit 7 of INTF, the counter went on");
    EXPECT_EQ(t.m.byteRegs.Item(0)->description, "unknown address: still the work register");
    EXPECT_EQ(t.m.wordRegs.Item(0)->description, " semicolon line counts as a comment line");
}

TEST(Description, LongDescriptionsAreCut)
{
    Model t;
    t.Read("#REGBIT\n23H INTE\n#REGBITSTR\n23H\n\"" + QString(400, u'r') + "\n\"" +
           QString(400, u'b') + "\n");
    EXPECT_EQ(t.m.bitRegs.Item(0)->description.size(), 160);
    EXPECT_EQ(t.m.bitRegs.Item(0)->bits[0].description.size(), 250);
}

TEST(Description, UnknownKeywordsAreOrdinaryLines)
{
    Model t;
    t.Read("#COMPILER\n#OTHER\n#REG3BYTE\n39H ADC0 3BH\n\n  \n;comment\n3CH X\n");
    EXPECT_EQ(t.m.chip.compilerName, "#OTHER");
    EXPECT_EQ(t.m.chip.threeByteRegisterCount, 2);
}

TEST(Description, SelectionResetsSomeFieldsAndKeepsOthers)
{
    Model t;
    t.Read("#PRODUCT\nZR300\n#COMPILER\nCC\n#STACK\n8\n#SIMIC\n3\n#ID\n5\n#ROM\n8192\n"
           "#REG0\n0 7EH\n#RAMBANK1\n100H 17FH\n#REG3BYTE\n1\n#CMP0S\n"
           "#REGBIT\n4 S\n#REGBYTE\n29H W 0FFH\n#REGWORD\n0FH F 10H 0 3 0FFH\n");
    t.Read("; nothing but a comment\n");
    EXPECT_EQ(t.m.chip.productName, "ZR300");
    EXPECT_EQ(t.m.chip.compilerName, "CC");
    EXPECT_EQ(t.m.chip.stackDepth, 8);
    EXPECT_EQ(t.m.chip.simic, 3);
    EXPECT_TRUE(t.m.chip.hasCmpSection);
    EXPECT_EQ(t.m.chip.chipId, 0);
    EXPECT_EQ(t.m.chip.romSize, 4096u);
    EXPECT_FALSE(t.m.chip.reg0.Defined());
    EXPECT_FALSE(t.m.chip.ramBanks[1].Defined());
    EXPECT_EQ(t.m.chip.threeByteRegisterCount, 0);
    EXPECT_EQ(t.m.chip.bitRegisterCounts[0], 0);
    EXPECT_FALSE(t.Shown(t.m.prep.ram, "PBank1"));
    // The lists are only cleared by their own keywords.
    EXPECT_EQ(t.m.bitRegs.Count(), 1);
    EXPECT_EQ(t.m.byteRegs.Count(), 1);
    EXPECT_EQ(t.m.wordRegs.Count(), 1);
}

TEST(Description, ArbitraryBytesNeverCrash)
{
    // A few hostile inputs; the fuzz target covers many more.
    const QByteArray inputs[] = {
        QByteArray("\0\0\0", 3),
        QByteArray(100000, '\xFF'),
        QByteArray("#REGBIT\n") + QByteArray(300000, ' ') + "1 2 3",
        QByteArray("#REGBITSTR\n\"\n#REGBIT\n-1 X\n#REGBITSTR\n-1\n\"x\n"),
        QByteArray("#ADC0S\n37H IN0H 255 255 a\n37H INX0 200 0\n"),
        QByteArray("\r\r\r\n\n#RAMBANK0\n0 0FFFFH\n"),
    };
    for (const QByteArray &in : inputs) {
        ChipModelState m;
        ChipSelectionScope s = m.Scope(QString(), 0);
        SelectFromDescription(in, s);
        EXPECT_LE(m.bitRegs.Count(), 512);
    }
}

TEST(Description, FuzzSeedsAndSampleFilesKeepTheReaderSound)
{
    int replayed = 0;
    for (const QString &dir : {QStringLiteral(VEK_SOURCE_DIR "/tests/fuzz/seeds/chip_description_fuzz"),
                               QStringLiteral(VEK_SOURCE_DIR "/INCLUDE"),
                               QStringLiteral(VEK_SOURCE_DIR "/INCLUDE/Family")}) {
        for (const QFileInfo &f : QDir(dir).entryInfoList(QDir::Files)) {
            QFile file(f.filePath());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_TRUE(ReplayChipDescriptionInput(file.readAll())) << f.fileName().toStdString();
            ++replayed;
        }
    }
    EXPECT_GE(replayed, 11);
}
