// The chip selection inside the program: the setup dialog's chip list and the main window's
// instrument menus.
#include "app/MainPanel.h"
#include "app/Program.h"
#include "app/context/AppContext.h"
#include "chipdesc/SelectChip.h"
#include "chipdesc/ui/TOption.h"
#include "panels/ui/AnalogPanels.h"
#include "views/ui/ViewWindows.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vek;

namespace {

struct Fixture {
    QTemporaryDir dir;
    FakeClock clock;
    ScriptedDialogs dialogs;
    AppContext ctx{clock, dialogs, dir.path()};
    std::unique_ptr<Program> program;

    void Write(const QString &relative, const QByteArray &bytes)
    {
        QDir().mkpath(dir.path() + "/INCLUDE");
        QFile f(dir.path() + "/INCLUDE/" + relative);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void Start() { program = std::make_unique<Program>(ctx); }
};

} // namespace

TEST(SelectChipApp, SetupDialogListsTheChipsAtCreation)
{
    Fixture f;
    f.Write("VekSel.INC", "a.inc ZR1 (2K)\r\nb.inc ZR2 (4K)\r\n");
    f.Start();
    QComboBox *list = f.program->Windows().option->CbSeluP();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->itemText(1), "ZR2  (4K)");
    EXPECT_EQ(list->currentIndex(), 0);
}

TEST(SelectChipApp, FlukeSectionShowsTheInstrumentMenus)
{
    Fixture f;
    f.Write("VekSel.INC", "a.inc ZR1 (2K)\r\nb.inc ZR2 (4K)\r\n");
    f.Write("a.inc", "#PRODUCT\r\nZR1\r\n");
    f.Write("b.inc", "#PRODUCT\r\nZR2\r\n#FLUKE\r\n#REGBIT\r\n23H INTE\r\n");
    f.Start();
    int notified = 0;
    f.ctx.onChipSelected = [&] { ++notified; };
    TMainPanel &main = f.program->Main();
    EXPECT_TRUE(f.program->Windows().option->GetSELUP());
    EXPECT_EQ(notified, 1);
    EXPECT_FALSE(main.MenuItem("Fluke1")->isVisible());

    f.ctx.setup.chipModelIndex = 1;
    f.ctx.config.CurrentPage = 3;
    EXPECT_TRUE(GetSELUP(f.ctx));
    EXPECT_EQ(notified, 2);
    for (const char *name : {"Memu_File", "Regist", "Fluke1", "Power1"})
        EXPECT_TRUE(main.MenuItem(name)->isVisible()) << name;
    EXPECT_EQ(f.ctx.chip.productName, "ZR2");
    EXPECT_EQ(f.ctx.bitRegs.Count(), 1);
    EXPECT_EQ(f.ctx.config.CurrentPage, 0);
    EXPECT_EQ(f.ctx.chip.addressMask[0x23], 0xFF);

    f.ctx.setup.chipModelIndex = 5;
    EXPECT_FALSE(GetSELUP(f.ctx));
    EXPECT_EQ(notified, 3);
    EXPECT_EQ(f.ctx.chip.addressMask[0x23], 0);
}

TEST(SelectChipApp, ZR100SwitchesTheStoredInterfaceToSpecial)
{
    Fixture f;
    f.Write("VekSel.INC", "a.inc ZR100 (2K)\r\n");
    f.Write("a.inc", "#PRODUCT\r\nZR100\r\n");
    f.Start();
    f.ctx.setup.interfaceIndex = 1;
    f.ctx.chipSlots[0].interfaceKind = InterfaceKind::SPI;
    EXPECT_TRUE(GetSELUP(f.ctx));
    EXPECT_EQ(f.ctx.setup.interfaceIndex, 2);
    EXPECT_EQ(f.ctx.chipSlots[0].interfaceKind, InterfaceKind::Special);
}

// The chip-dependent captions follow the selection at once, not only the next board search.
TEST(SelectChipApp, CaptionsNameTheSelectedModelAtOnce)
{
    Fixture f;
    f.Write("VekSel.INC", "a.inc ZR1 (2K)\r\nb.inc ZR2 (4K)\r\n");
    f.Write("a.inc", "#PRODUCT\r\nZR1\r\n");
    f.Write("b.inc", "#PRODUCT\r\nZR2\r\n");
    f.Start();
    f.ctx.setup.chipModelIndex = 1;
    EXPECT_TRUE(GetSELUP(f.ctx));
    EXPECT_EQ(f.program->Main().windowTitle(), "Vek-ENOBTEST V1.7 HID ---- Now Chip is  ZR2  (4K)");
    EXPECT_EQ(f.program->Windows().op->Caption(), "OP - ZR2  (4K)");
    f.ctx.setup.chipModelIndex = 0;
    EXPECT_TRUE(GetSELUP(f.ctx));
    EXPECT_EQ(f.program->Windows().ram->Caption(), "記憶體 - ZR1  (2K)");
}
