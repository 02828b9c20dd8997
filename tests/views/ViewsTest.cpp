// The RAM and register panels' rules without widgets: keypad bounds, cell addressing and change
// tracking, "Read RAM" plans and their run on the simulated board, RAM files and the
// spreadsheet, and the register panel's refresh and edit rules.
#include "tests/link/LinkFixture.h"
#include "views/HexEntry.h"
#include "views/RamFile.h"
#include "views/RamView.h"
#include "views/RegisterView.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <set>

namespace vek::test {
namespace {

TEST(HexKeypad, DigitBoundsAndCompletion)
{
    HexEntry e(QStringLiteral("FF"));
    EXPECT_EQ(e.Digit(QLatin1Char('a')), HexEntry::Result::Appended);
    EXPECT_EQ(e.Digit(QLatin1Char('5')), HexEntry::Result::Complete);
    EXPECT_EQ(e.Value(), uint16_t(0xA5));

    e.Start(QStringLiteral("FFF"));
    EXPECT_FALSE(e.CanAccept()); // Enter on an empty text gives no value
    EXPECT_EQ(e.Value(), std::nullopt);
    EXPECT_EQ(e.Digit(QLatin1Char('g')), HexEntry::Result::Ignored);
    e.Digit(QLatin1Char('1'));
    e.Digit(QLatin1Char('2'));
    EXPECT_EQ(e.Digit(QLatin1Char('3')), HexEntry::Result::Complete);
    EXPECT_EQ(e.Value(), uint16_t(0x123));

    // Each digit is bounded by the maximum text's digit at its place.
    e.Start(QStringLiteral("1F"));
    EXPECT_EQ(e.Digit(QLatin1Char('2')), HexEntry::Result::Ignored);
    EXPECT_EQ(e.Digit(QLatin1Char('1')), HexEntry::Result::Appended);
    e.Backspace();
    EXPECT_TRUE(e.Text().isEmpty());
}

ChipDescription SmallChip()
{
    ChipDescription c;
    c.reg0 = {0x000, 0x07E};
    c.ramBanks[0] = {0x07F, 0x0FF};
    c.ramBanks[1] = {0x100, 0x17F};
    for (int a = 0x07F; a <= 0x17F; ++a)
        c.addressMask[size_t(a)] = 0xFF;
    c.addressMask[0x04] = 0x0F; // a special register with four bits
    return c;
}

TEST(RamGrid, AddressesLabelsAndWhatMayBeEdited)
{
    EXPECT_EQ(RamCellAddress(1, 3, 2), 0x112);
    EXPECT_EQ(RamRowLabel(1, 1), QStringLiteral("100"));
    EXPECT_EQ(RamRowLabel(0, 16), QStringLiteral("0F0"));
    ChipDescription c = SmallChip();
    EXPECT_FALSE(RamAddressEditable(c, 0x05)); // mask 0
    EXPECT_TRUE(RamAddressEditable(c, 0x112));
    EXPECT_EQ(TypedCellValue(QString()), std::nullopt); // an empty cell never writes 0
    EXPECT_EQ(TypedCellValue(QStringLiteral("A5")), uint8_t(0xA5));
    // Bank 4 exists on the chip but not in the image: shown, never edited.
    c.ramBanks[4] = {0x400, 0x4FF};
    EXPECT_TRUE(RamAddressExists(c, 0x4FF));
    EXPECT_FALSE(RamAddressEditable(c, 0x400));
    EXPECT_FALSE(RamAddressExists(c, 0x500));
}

TEST(RamGrid, RefreshFlagsOnlyWhatChangedAndLeavesRegisterAreasToTheRegisterPanel)
{
    const ChipDescription c = SmallChip();
    ChipImage image{};
    ViewState vs;
    RamBankView view;
    image[0x04] = 0xF3;
    image[0x90] = 0x11;
    RefreshRamView(view, 0, image, c, vs, true);
    EXPECT_EQ(view.Text(0x04), QStringLiteral("03")); // masked
    EXPECT_EQ(view.Text(0x05), QStringLiteral("-"));
    EXPECT_FALSE(vs.ChangedFlags[0x90]); // quiet
    EXPECT_EQ(vs.LastShown[0x90], 0x11);
    EXPECT_EQ(vs.LastShown[0x04], 0); // REG0 area: the register panel remembers it

    RefreshRamView(view, 0, image, c, vs, false);
    EXPECT_FALSE(vs.ChangedFlags[0x90]);
    EXPECT_TRUE(vs.ChangedFlags[0x04]); // differs from what the register panel showed
    image[0x91] = 0x22;
    RefreshRamView(view, 0, image, c, vs, false);
    EXPECT_TRUE(vs.ChangedFlags[0x91]);
    EXPECT_FALSE(vs.ChangedFlags[0x90]);
}

std::set<int> AddressesRead(const RamReadPlan &p)
{
    std::set<int> s;
    for (const ReadBlock &b : p.blocks)
        for (int i = 0; i < b.count; ++i)
            EXPECT_TRUE(s.insert(b.start + i).second) << "read twice: " << b.start + i;
    return s;
}

TEST(RamReadPlans, EachInterfaceReadsItsBlocks)
{
    ChipDescription c = SmallChip();
    c.reg1 = {0x180, 0x1FF};
    c.ramBanks[2] = {0x200, 0x2FF};
    const RamReadPlan spi = MakeRamReadPlan(InterfaceKind::SPI, c);
    const std::vector<ReadBlock> spiExpected = {{0x00, 26},  {0x1C, 36},  {0x40, 64},  {0x80, 64},
                                                {0xC0, 64},  {0x100, 64}, {0x140, 64}, {0x180, 64},
                                                {0x1C0, 64}, {0x200, 64}, {0x240, 64}, {0x280, 64},
                                                {0x2C0, 64}};
    EXPECT_EQ(spi.blocks, spiExpected);
    EXPECT_FALSE(spi.uartSetup);

    const RamReadPlan uart = MakeRamReadPlan(InterfaceKind::UART, c);
    EXPECT_TRUE(uart.uartSetup);
    const std::vector<ReadBlock> uartHead = {{0x00, 26}, {0x1C, 36}, {0x40, 48}, {0x70, 48}, {0xA0, 48},
                                             {0xD0, 48}, {0x100, 48}, {0x130, 48}, {0x160, 32}, {0x180, 48}};
    EXPECT_EQ(std::vector<ReadBlock>(uart.blocks.begin(), uart.blocks.begin() + 10), uartHead);
    EXPECT_EQ(uart.blocks.back(), (ReadBlock{0x2E0, 32}));

    // RS232: bank 0 in three blocks, then each range in two halves (RAMBANK2 before REG1).
    ChipDescription one = SmallChip();
    const RamReadPlan rs = MakeRamReadPlan(InterfaceKind::RS232, one);
    const std::vector<ReadBlock> rsExpected = {{0x00, 26}, {0x1C, 100}, {0x80, 128}, {0x100, 64}, {0x140, 64}};
    EXPECT_EQ(rs.blocks, rsExpected);
    const RamReadPlan rsAll = MakeRamReadPlan(InterfaceKind::RS232, c);
    EXPECT_EQ(rsAll.blocks[5], (ReadBlock{0x200, 128}));
    EXPECT_EQ(rsAll.blocks[7], (ReadBlock{0x180, 64}));

    // Every plan reads each address once, never 0x1A or 0x1B, in blocks its interface carries.
    ChipDescription big = c;
    big.ramBanks[3] = {0x300, 0x3FF};
    big.ramBanks[4] = {0x100, 0x4FF}; // halves of 512 bytes
    for (InterfaceKind k : {InterfaceKind::RS232, InterfaceKind::SPI, InterfaceKind::UART}) {
        const RamReadPlan p = MakeRamReadPlan(k, k == InterfaceKind::RS232 ? big : c);
        const int limit = k == InterfaceKind::RS232 ? 128 : k == InterfaceKind::UART ? 63 : 64;
        for (const ReadBlock &b : p.blocks)
            EXPECT_LE(b.count, limit);
        if (k == InterfaceKind::RS232)
            continue; // the wide bank 4 overlaps the others on purpose
        const std::set<int> s = AddressesRead(p);
        EXPECT_FALSE(s.count(0x1A) || s.count(0x1B));
        EXPECT_EQ(s.size(), size_t(0x300 - 2));
    }
    size_t wide = 0;
    for (const ReadBlock &b : MakeRamReadPlan(InterfaceKind::RS232, big).blocks)
        if (b.start >= 0x100 && b.start < 0x500 && b.count == 128)
            ++wide;
    EXPECT_GE(wide, 8u); // 0x100-0x4FF as eight blocks of 128
}

struct SimRead : LinkBench {
    ChipDescription chip = SmallChip();
    Bank4Buffer bank4;

    SimRead()
    {
        BoardOnDriver();
        chips[0].interfaceKind = InterfaceKind::SPI;
        EXPECT_TRUE(Connect());
        board.ClearFrameLog();
    }
    RamReadResult Run(const RamReadPlan &plan)
    {
        ChipPort port = Port();
        RamReader r;
        r.readChip = [&port](uint16_t a, int n) { return ReadChip(port, a, n, 0); };
        r.buffer = &buffer;
        r.setImageByte = [this](int a, uint8_t v) { SetImageByte(chips, a, v, 0); };
        return RunRamRead(plan, r, bank4);
    }
};

TEST(RamRead, SpiPlanFillsTheImageAndBank4FromTheSimulatedChip)
{
    SimRead s;
    s.chip.ramBanks[4] = {0x400, 0x4FF};
    for (uint32_t a = 0; a < 0x500; ++a)
        s.board.memory.Write(a, uint8_t(a * 7 + 1));
    ASSERT_EQ(s.Run(MakeRamReadPlan(InterfaceKind::SPI, s.chip)), RamReadResult::Complete);
    const auto frames = s.Frames(5);
    ASSERT_GE(frames.size(), 3u);
    EXPECT_EQ(frames[0], QByteArray("BC C0 00 00 1A"));
    EXPECT_EQ(frames[1], QByteArray("BC C0 1C 00 24"));
    EXPECT_EQ(frames[2], QByteArray("BC C0 40 00 40"));
    EXPECT_EQ(s.chips[0].image[0x1A], 0); // never read
    EXPECT_EQ(s.chips[0].image[0x1C], uint8_t(0x1C * 7 + 1));
    EXPECT_EQ(s.chips[0].image[0x17F], uint8_t(0x17F * 7 + 1));
    EXPECT_EQ(s.bank4.bytes[0xFF], uint8_t(0x4FF * 7 + 1));
}

TEST(RamRead, AFailedBlockStopsAndKeepsWhatWasRead)
{
    SimRead s;
    for (uint32_t a = 0; a < 0x200; ++a)
        s.board.memory.Write(a, 0x5A);
    s.board.faults.unplugAfterFrames = s.board.FramesReceived() + 3;
    EXPECT_EQ(s.Run(MakeRamReadPlan(InterfaceKind::SPI, s.chip)), RamReadResult::Failed);
    EXPECT_EQ(s.chips[0].image[0x00], 0x5A);
    EXPECT_EQ(s.chips[0].image[0x100], 0x00);
}

TEST(RamFile, HoldsAddressesZeroTo511AndRoundTrips)
{
    ChipDescription c; // a 1024-byte chip
    c.addressMask.fill(0xFF);
    c.addressMask[3] = 0;
    ChipImage image{};
    for (int a = 0; a < kChipAddressCount; ++a)
        image[size_t(a)] = uint8_t(a);
    RamMarks marks;
    marks.mark[1] = true;
    marks.colour[1] = 0x112233;
    marks.hint[2] = true;
    marks.hintText[2] = QStringLiteral("計數器 counter");
    const QByteArray text = WriteRamFile(image, c, marks);
    const QList<QByteArray> lines = text.split('\n');
    ASSERT_EQ(lines.size(), 512 * 4 + 1);
    EXPECT_EQ(lines[0], "00\r");
    EXPECT_EQ(lines[3], "-\r");
    EXPECT_EQ(lines[511], "FF\r");
    EXPECT_EQ(lines[512 + 3], " 1 0\r");
    EXPECT_EQ(lines[512 + 4], QByteArray::number(0x332211) + "\r"); // 0x00BBGGRR
    // The hint in Big5, as the program's other files: 計 is AD 70 there.
    EXPECT_TRUE(lines[512 + 3 * 2 + 2].startsWith("\xAD\x70")) << lines[512 + 8].toHex().toStdString();

    RamFileContents back;
    ASSERT_TRUE(ParseRamFile(text, back));
    EXPECT_EQ(LoadedByte(back, c, 0x1FF), 0xFF);
    EXPECT_EQ(LoadedByte(back, c, 3), 0);
    EXPECT_TRUE(back.mark[1]);
    EXPECT_EQ(back.colour[1], 0x112233u);
    EXPECT_EQ(back.hintText[2], marks.hintText[2]);
    RamMarks again;
    for (int a = 0; a < kRamFileSize; ++a) {
        again.mark[size_t(a)] = back.mark[size_t(a)];
        again.colour[size_t(a)] = back.colour[size_t(a)];
        again.hint[size_t(a)] = back.hint[size_t(a)];
        again.hintText[size_t(a)] = back.hintText[size_t(a)];
    }
    EXPECT_EQ(WriteRamFile(image, c, again), text);

    QString why;
    EXPECT_FALSE(ParseRamFile("00\r\n11\r\n", back, &why));
    EXPECT_FALSE(why.isEmpty());
}

TEST(RamSheet, IsAWorkbookWithTheUserDataSheet)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        GTEST_SKIP() << "no python3 to read the workbook";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ram.xlsx"));
    ChipDescription c;
    c.addressMask.fill(0xFF);
    c.addressMask[1] = 0;
    ChipImage image{};
    image[0] = 0x5A;
    image[0x1FF] = 0x07;
    ASSERT_TRUE(WriteRamSheet(path, image, c));
    // Cell C3 holds address 0 as a number, T3 its text; D3/U3 the missing address 1.
    const char *script = R"(
import re, sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
assert z.testzip() is None
assert 'name="USER Data"' in z.read('xl/workbook.xml').decode()
sheet = z.read('xl/worksheets/sheet1.xml').decode()
strings = re.findall(r'<t[^>]*>([^<]*)</t>', z.read('xl/sharedStrings.xml').decode())
def cell(ref):
    m = re.search(r'<c r="%s"([^>]*)>(?:<f>.*?</f>)?<v>([^<]*)</v>' % ref, sheet)
    attrs, v = m.group(1), m.group(2)
    return strings[int(v)] if 't="s"' in attrs else v
print(cell('C3'), cell('T3'), cell('D3'), cell('U3'), cell('R34'), cell('AI34'))
)";
    QProcess p;
    p.start(python, {QStringLiteral("-c"), QString::fromLatin1(script), path});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_EQ(p.readAllStandardOutput().trimmed(), QByteArray("90 5Ah - - 7 07h"));
}

TEST(RegisterPanel, RefreshTracksBitByteAndWordRegisters)
{
    ChipDescription c;
    TCRREGBitPtr bits;
    TCRREGBytePtr bytes;
    TCRREGWordPtr words;
    BitRegisterEntry b;
    b.address = 0x04;
    bits.Add(b);
    b.address = 0x800; // from a chip file, beyond the tables: read as 0, indexes nothing
    bits.Add(b);
    ByteRegisterEntry y;
    y.address = 0x29;
    bytes.Add(y);
    WordRegisterEntry w;
    w.highAddress = 0x0F;
    w.lowAddress = 0x10;
    words.Add(w);
    for (int a : {0x04, 0x29, 0x0F, 0x10})
        c.addressMask[size_t(a)] = 0xFF;
    c.addressMask[0x0F] = 0x03;

    ChipImage image{};
    ViewState vs;
    RegisterSnapshot snap;
    RefreshRegisters(snap, image, c, bits, bytes, words, vs, false);
    image[0x04] = 0x81;
    image[0x0F] = 0xFF; // masked to 0x03
    image[0x10] = 0x34;
    image[0x29] = 0x5A;
    RefreshRegisters(snap, image, c, bits, bytes, words, vs, false);
    EXPECT_EQ(snap.bitValues, (std::vector<uint8_t>{0x81, 0x00}));
    EXPECT_EQ(snap.byteValues, std::vector<uint8_t>{0x5A});
    EXPECT_EQ(snap.wordValues, std::vector<uint16_t>{0x0334});
    EXPECT_TRUE(vs.ChangedFlags[0x04]);
    EXPECT_TRUE(vs.ChangedFlags[0x0F]); // the high byte changed, so only it is flagged
    EXPECT_FALSE(vs.ChangedFlags[0x10]);
    EXPECT_TRUE(snap.highlight.work);
    EXPECT_TRUE(snap.highlight.fsr[0]);
    RefreshRegisters(snap, image, c, bits, bytes, words, vs, true);
    EXPECT_FALSE(snap.highlight.work);
    EXPECT_FALSE(vs.ChangedFlags[0x04]);
}

TEST(RegisterPanel, EditRules)
{
    BitRegisterEntry r;
    r.address = 0x23;
    r.bits[2].name = QStringLiteral("-");
    r.bits[0].name = QStringLiteral("GIE");
    EXPECT_TRUE(BitMenuOffered(r, 1));
    EXPECT_FALSE(BitMenuOffered(r, 3)); // a "-" bit
    r.address = 0x31;
    EXPECT_FALSE(BitMenuOffered(r, 1));

    ChipImage image{};
    image[0x23] = 0x80;
    EXPECT_EQ(WithBit(image, 0x23, 0, true), 0x81);
    EXPECT_EQ(WithBit(image, 0x23, 7, false), 0x00);

    EXPECT_EQ(KeepLastDigits(QStringLiteral("123"), 2), QStringLiteral("23"));
    EXPECT_EQ(KeepLastDigits(QStringLiteral("x12g34"), 4), QStringLiteral("1234"));
    WordRegisterEntry w;
    w.highAddress = 0x11;
    w.lowAddress = 0x12;
    EXPECT_EQ(WordWrites(w, 0x1234), (std::vector<RegisterWrite>{{0x11, 0x12}, {0x12, 0x34}}));
    EXPECT_EQ(RecordAtCell(2, 3, 12), 11);
    EXPECT_EQ(RecordAtCell(3, 3, 12), -1);

    // IND edits go where FSR points, only inside the image and on an address with bits.
    ChipDescription c;
    c.addressMask[0x051] = 0xFF;
    image[0x0F] = 0x04;
    image[0x10] = 0x51;
    EXPECT_EQ(ReadHead(image).fsr[0], 0x451);
    EXPECT_EQ(ReadHead(image).ind[0], 0);
    EXPECT_EQ(IndTarget(image, c, 0), std::nullopt);
    image[0x0F] = 0x00;
    EXPECT_EQ(IndTarget(image, c, 0), uint16_t(0x51));
    image[0x10] = 0x52;
    EXPECT_EQ(IndTarget(image, c, 0), std::nullopt); // mask 0
    // 0x451 on a chip with bank 4 is its memory.
    image[0x0F] = 0x04;
    image[0x10] = 0x51;
    c.ramBanks[4] = {0x400, 0x4FF};
    EXPECT_EQ(IndTarget(image, c, 0), uint16_t(0x451));
    Bank4Buffer bank4; // what "Read RAM" brought from bank 4
    bank4.bytes[0x51] = 0x77;
    EXPECT_EQ(ReadHead(image, &bank4).ind[0], 0x77);
}

} // namespace
} // namespace vek::test
