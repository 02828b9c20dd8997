// The RAM panel, the register panel and the keypad inside the program, on the simulated board
// with the ZS300 chip files.
#include "app/MainPanel.h"
#include "app/Program.h"
#include "app/context/AppContext.h"
#include "link/ui/LinkWindows.h"
#include "sim/SimUsbBackends.h"
#include "views/ui/ViewWindows.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace vek::test {
namespace {

struct OnBoard {
    QTemporaryDir dir;
    FakeClock clock;
    ScriptedDialogs dialogs;
    sim::SimUsb usb;
    AppContext ctx{clock, dialogs, dir.path() + QLatin1Char('/')};
    std::unique_ptr<Program> program;

    OnBoard()
    {
        const QString from = QStringLiteral(VEK_SOURCE_DIR "/INCLUDE");
        QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString f = it.next();
            const QString to = dir.path() + QStringLiteral("/INCLUDE/") + QDir(from).relativeFilePath(f);
            QDir().mkpath(QFileInfo(to).absolutePath());
            QFile::copy(f, to);
        }
        ctx.usb.hid = &usb.hid;
        ctx.usb.driver = &usb.driver;
        program = std::make_unique<Program>(ctx);
        program->Activate(); // selects chip 0, the ZS300, on the SPI interface
        Up().USBConnect();
        EXPECT_EQ(ctx.chipSlots[0].link.connected, 1);
        usb.board.ClearFrameLog();
    }
    TVek_UP &Up() { return *program->Windows().up; }
    TVek_RAM &Ram() { return *program->Windows().ram; }
    TVek_Reg2 &Reg() { return *program->Windows().reg; }
    TVekPopSelHex &Pop() { return *program->Windows().popHex; }
    uint8_t Chip(uint32_t a) const { return usb.board.memory.Read(a); }
    int Writes() const
    {
        int n = 0;
        for (const auto &f : usb.board.FrameLog())
            n += f.size() > 1 && f[1] == 0x40;
        return n;
    }
};

TEST(RamPanel, ReadRamFillsTheGridAndASecondReadHighlightsOnlyWhatChanged)
{
    OnBoard b;
    EXPECT_TRUE(b.Ram().BankPanel(3)->isVisibleTo(&b.Ram()));
    EXPECT_FALSE(b.Ram().BankPanel(4)->isVisibleTo(&b.Ram()));
    for (uint32_t a = 0; a < 0x400; ++a)
        b.usb.board.memory.Write(a, uint8_t(a ^ 0x3C));
    b.program->Main().Menu_ReadRAMClick();
    EXPECT_EQ(b.Ram().View().Text(0x90), QStringLiteral("AC"));
    EXPECT_EQ(b.ctx.chipSlots[0].image[0x2FF], uint8_t(0x2FF ^ 0x3C));
    b.program->Main().Menu_ReadRAMClick();
    EXPECT_FALSE(b.ctx.views.ChangedFlags[0x90]);
    b.usb.board.memory.Write(0x91, 0x00);
    b.program->Main().Menu_ReadRAMClick();
    EXPECT_FALSE(b.ctx.views.ChangedFlags[0x90]);
    EXPECT_TRUE(b.ctx.views.ChangedFlags[0x91]);
    const QModelIndex cell = b.Ram().SGD()->model()->index(9, 1);
    EXPECT_EQ(cell.data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::blue));

    // A board that goes away in the middle: the partial image stays and status field 0 says so.
    b.usb.board.faults.unplugAfterFrames = b.usb.board.FramesReceived() + 4;
    b.program->Main().Menu_ReadRAMClick();
    EXPECT_EQ(b.ctx.status.Text(0), QStringLiteral("Read Error !!!!!"));
}

TEST(RamPanel, TypingWritesTheChipAndMaskZeroCellsIgnoreKeys)
{
    OnBoard b;
    b.program->Main().show();
    b.program->Main().SMenu_RAMClick();
    b.Ram().SelectBank(1);
    QTableView *grid = b.Ram().SGD();
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(1, 2)); // row 2, column 3
    QTest::keyClicks(grid, QStringLiteral("a"));
    QLineEdit *editor = grid->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("A"));
    QTest::keyClicks(editor, QStringLiteral("5g"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the editor commits through the event loop
    EXPECT_EQ(b.Chip(0x112), 0xA5);
    EXPECT_EQ(b.Ram().View().Text(0x12), QStringLiteral("A5"));

    b.Ram().SelectBank(0);
    const int before = b.Writes();
    grid->setCurrentIndex(grid->model()->index(0, 5)); // 0x005 has no bits on this chip
    QTest::keyClicks(grid, QStringLiteral("7"));
    if (QLineEdit *e = grid->findChild<QLineEdit *>(); e && e->isVisible())
        QTest::keyClick(e, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(b.Writes(), before);
}

TEST(RamPanel, KeypadOpensWithTheCellTitleAndWritesItsValue)
{
    OnBoard b;
    b.Ram().SelectBank(1);
    QString title;
    b.Pop().onShown = [&](TVekPopSelHex &p) {
        title = p.windowTitle();
        p.DigitClick(QLatin1Char('5'));
        p.DigitClick(QLatin1Char('A')); // the second digit accepts at once
    };
    b.usb.board.memory.Write(0x123, 0x11);
    b.program->Main().Menu_ReadRAMClick();
    b.Ram().SGDDblClick(4, 3);
    EXPECT_EQ(title, QStringLiteral("Ram0123=11"));
    EXPECT_EQ(b.Chip(0x123), 0x5A);
    // Enter on an empty keypad writes nothing.
    b.Pop().onShown = [](TVekPopSelHex &p) { p.EnterClick(); };
    const int before = b.Writes();
    b.Ram().SGDDblClick(4, 3);
    EXPECT_EQ(b.Writes(), before);
}

TEST(RamPanel, RamFilesRoundTripWithoutTouchingTheChipAndNoKeepsTheOldFile)
{
    OnBoard b;
    for (uint32_t a = 0; a < 0x200; ++a)
        b.usb.board.memory.Write(a, uint8_t(a * 3));
    b.program->Main().Menu_ReadRAMClick();
    b.Ram().SetMouseDownCell(2, 9); // 0x81
    b.Ram().SetMarkClick();
    const QString path = b.dir.filePath(QStringLiteral("a.ram"));
    ASSERT_TRUE(b.Ram().SaveRamFile(path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray saved = f.readAll();
    f.close();

    b.ctx.chipSlots[0].image.fill(0);
    b.Ram().Marks().mark.fill(false);
    b.usb.board.ClearFrameLog();
    ASSERT_TRUE(b.Ram().LoadRamFile(path));
    EXPECT_TRUE(b.usb.board.FrameLog().empty());
    EXPECT_EQ(b.ctx.chipSlots[0].image[0x17F], uint8_t(0x17F * 3));
    EXPECT_EQ(b.ctx.chipSlots[0].image[0x1F0], 0); // no bits there on this chip
    EXPECT_TRUE(b.Ram().Marks().mark[0x81]);
    EXPECT_TRUE(b.ctx.status.Text(0).contains(QStringLiteral("a.ram")));
    const QString again = b.dir.filePath(QStringLiteral("b.ram"));
    ASSERT_TRUE(b.Ram().SaveRamFile(again));
    QFile g(again);
    ASSERT_TRUE(g.open(QIODevice::ReadOnly));
    EXPECT_EQ(g.readAll(), saved);

    // "No" on the overwrite question leaves the file as it was.
    b.ctx.chipSlots[0].image[0x90] ^= 0xFF;
    b.dialogs.fileAnswers.push_back(path);
    b.dialogs.messageAnswers.push_back(MsgResult::No);
    b.dialogs.asked.clear();
    b.Ram().SaveRamClick();
    // Asked once: the file dialog leaves the question to the panel.
    ASSERT_EQ(b.dialogs.asked.size(), 2u);
    EXPECT_EQ(b.dialogs.asked[0].kind, "save");
    EXPECT_EQ(b.dialogs.asked[0].text, QString());
    EXPECT_EQ(b.dialogs.asked[1].text, QStringLiteral("File ") + path + QStringLiteral(" exist! Overwrite?"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), saved);
    // A read from the chip ends the file's notice in field 0.
    b.program->Main().Menu_ReadRAMClick();
    EXPECT_FALSE(b.ctx.status.Text(0).contains(QStringLiteral("a.ram")));
}

TEST(RegisterPanel, ShowsThePageAndItsBitMenuSetsTheBitOnTheChip)
{
    OnBoard b;
    TVek_Reg2 &reg = b.Reg();
    QAbstractItemModel *bits = reg.GridView(TVek_Reg2::Grid::Bit)->model();
    ASSERT_EQ(bits->rowCount(), 4); // STATUS, INTE, INTF, OSCCR
    EXPECT_EQ(bits->index(1, 0).data().toString(), QStringLiteral("INTE"));
    EXPECT_EQ(bits->index(1, 1).data().toString(), QStringLiteral("GIE"));
    EXPECT_TRUE(bits->index(1, 0).data(Qt::ToolTipRole).toString().contains(QStringLiteral("Interrupt enable")));

    reg.GridDblClick(TVek_Reg2::Grid::Bit, 1, 1);
    EXPECT_EQ(reg.BitSetItem()->text(), QStringLiteral("GIE=1"));
    reg.BitMenu()->hide();
    reg.PMBitSetClick();
    EXPECT_EQ(b.Chip(0x23) & 0x80, 0x80);
    EXPECT_EQ(reg.Snapshot().bitValues[1] & 0x80, 0x80);
    EXPECT_EQ(bits->index(1, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::blue));

    reg.SelectPage(3);
    EXPECT_EQ(bits->rowCount(), 5);
    EXPECT_EQ(bits->index(3, 0).data().toString(), QStringLiteral("CKCR2"));

    // A word typed into the word grid goes out high byte first.
    b.usb.board.ClearFrameLog();
    reg.CellTyped(TVek_Reg2::Grid::Word, 1, QStringLiteral("0234"));
    EXPECT_EQ(b.Chip(0x11), 0x02);
    EXPECT_EQ(b.Chip(0x12), 0x34);
    ASSERT_GE(b.usb.board.FrameLog().size(), 3u);
    EXPECT_EQ(b.usb.board.FrameLog()[0][2], 0x11);
}

// A digit typed into a register's value cell is added to the value shown: "3" over "05" is 53.
TEST(RegisterPanel, TypingAddsToTheValueShownAndPage2IsReadable)
{
    OnBoard b;
    b.program->Main().show();
    QCoreApplication::processEvents(); // the search when the window is shown
    b.program->Main().SMenu_REGClick();
    b.Up().WriteRegister(0x29, 0x05); // WORK, the first 8-bit register of the ZS300
    QTableView *grid = b.Reg().GridView(TVek_Reg2::Grid::Byte);
    ASSERT_EQ(grid->model()->index(1, 0).data().toString(), QStringLiteral("05"));
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(1, 0));
    QTest::keyClicks(grid, QStringLiteral("3"));
    QLineEdit *editor = grid->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("53"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(b.Chip(0x29), 0x53);

    b.Reg().SelectPage(1);
    QWidget *page2 = b.Reg().findChild<QWidget *>(QStringLiteral("PPAGE2"));
    ASSERT_NE(page2, nullptr);
    EXPECT_GT(page2->palette().color(QPalette::WindowText).lightness(), 200); // light on the green
}

TEST(RegisterPanel, IndEditsBeyondTheImageAreRefused)
{
    OnBoard b;
    b.Up().WriteRegister(0x0F, 0x04);
    b.Up().WriteRegister(0x10, 0x51);
    EXPECT_EQ(b.Reg().Snapshot().head.fsr[0], 0x451);
    bool asked = false;
    b.Pop().onShown = [&](TVekPopSelHex &p) {
        asked = true;
        p.CancelClick();
    };
    b.Reg().PMIND_INDClick(0);
    EXPECT_FALSE(asked);
    b.Up().WriteRegister(0x0F, 0x00);
    b.Up().WriteRegister(0x10, 0x90);
    b.Reg().PMIND_INDClick(0);
    EXPECT_TRUE(asked);
}

} // namespace
} // namespace vek::test
