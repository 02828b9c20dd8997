#include "app/MainPanel.h"
#include "app/base/SafeFile.h"
#include "app/config/ConfigFile.h"
#include "app/Program.h"
#include "app/context/AppContext.h"
#include "chipdesc/ui/TOption.h"
#include "views/ui/ViewWindows.h"
#include "analysis/ui/TAnxADC.h"
#include "widgets/PanelWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QScrollBar>
#include "panels/ui/AnalogPanels.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vek;

namespace {

struct Fixture {
    QTemporaryDir dir;
    FakeClock clock;
    ScriptedDialogs dialogs;
    AppContext ctx{clock, dialogs, dir.path()};
    Program program{ctx};
};

} // namespace

TEST(Startup, CreatesFifteenWindowsInOrderWithTheirCaptions)
{
    Fixture f;
    const QList<QWidget *> &forms = f.program.Windows().forms;
    const QStringList names = {"MainPanel", "Vek_BASE", "Vek_UP",     "Option",    "Vek_RAM",
                               "Vek_Reg2",  "ADCForm",  "OPForm",     "CMPForm",   "VekPopSelHex",
                               "AnxADC",    "WeightCAL", "FLUKE",     "FPower",    "TMP"};
    const QStringList captions = {"Vek-ENOBTEST V1.7 HID",
                                  "Vek_BASE",
                                  "uP Center",
                                  "選項",
                                  "記憶體",
                                  "暫存器",
                                  "ADC",
                                  "OP",
                                  "Comparator",
                                  "",
                                  "Analyse ADC",
                                  "Switch ADC Channel Test",
                                  "FLUKE-5500",
                                  "Power Supply",
                                  "Temperature Test"};
    ASSERT_EQ(forms.size(), 15);
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(forms[i]->objectName(), names[i]) << i;
        EXPECT_EQ(forms[i]->windowTitle(), captions[i]) << i;
    }
    TMainPanel &main = f.program.Main();
    EXPECT_FALSE(main.Gauge1()->isVisibleTo(&main));
    EXPECT_EQ(f.ctx.upTickCount, 0);
    EXPECT_EQ(f.ctx.chipSlots[0].comHandle, -1);
}

TEST(Startup, MenusAndTheirVisibility)
{
    Fixture f;
    TMainPanel &main = f.program.Main();
    const QStringList visible = {"Menu_Option", "SMenu_Option", "SMenu_RAM", "SMenu_REG",
                                 "SMenu_ADC",   "SMenu_OP",     "SMenu_CMP", "USBScan",
                                 "Menu_ReadRAM", "Menu_ReadAdc"};
    const QStringList hidden = {"Memu_File", "SLEEP1", "MCALW", "RestoreADC", "Regist", "Fluke1",
                                "Power1"};
    for (const QString &n : visible) {
        QAction *a = main.MenuItem(n);
        ASSERT_NE(a, nullptr) << n.toStdString();
        EXPECT_TRUE(a->isVisible()) << n.toStdString();
    }
    for (const QString &n : hidden) {
        QAction *a = main.MenuItem(n);
        ASSERT_NE(a, nullptr) << n.toStdString();
        EXPECT_FALSE(a->isVisible()) << n.toStdString();
    }
    EXPECT_EQ(main.MenuItem("Regist")->text(), QString("連續讀取"));
    EXPECT_EQ(main.MenuItem("DownLoadFluke1")->text(), QString("DownLoad Fluke"));

    main.ShowInstrumentMenus();
    for (const char *n : {"Memu_File", "Regist", "Fluke1", "Power1"})
        EXPECT_TRUE(main.MenuItem(n)->isVisible()) << n;
    for (const char *n : {"SLEEP1", "MCALW", "RestoreADC"})
        EXPECT_FALSE(main.MenuItem(n)->isVisible()) << n;
}

TEST(Panels, StartHiddenAndKeepPlaceWhenShownTwiceOrAgain)
{
    Fixture f;
    TMainPanel &main = f.program.Main();
    main.show();
    f.program.Activate();
    WindowSet &w = f.program.Windows();
    for (PanelWindow *p : w.PanelsInHideOrder())
        EXPECT_FALSE(p->IsShownPanel()) << p->objectName().toStdString();
    EXPECT_TRUE(main.MdiArea()->subWindowList().isEmpty());

    main.SMenu_RAMClick();
    ASSERT_TRUE(w.ram->IsShownPanel());
    EXPECT_EQ(main.MdiArea()->subWindowList().size(), 1);
    // First shown without a stored place: the RAM panel at the top right of the area, the
    // register panel at the bottom right.
    // At the designed size of the main window the two do not overlap.
    const QSize area = main.MdiArea()->viewport()->size();
    const QRect designed(area.width() - 20 - 480, 0, 480, 420);
    EXPECT_EQ(w.ram->FrameRect(), designed);
    main.SMenu_REGClick();
    EXPECT_EQ(w.reg->FrameRect().right() + 1, area.width() - 20);
    EXPECT_EQ(w.reg->FrameRect().bottom() + 1, area.height());
    EXPECT_FALSE(w.reg->FrameRect().intersects(designed)) << area.height();
    main.SetPanelShown(w.reg, false);

    // Showing it again keeps place and size, and does not add a second frame.
    main.SMenu_RAMClick();
    EXPECT_EQ(w.ram->FrameRect(), designed);
    EXPECT_EQ(main.MdiArea()->subWindowList().size(), 1);

    // The user moves it, closes it (which only hides it) and shows it again.
    w.ram->SubWindow()->setGeometry(100, 120, 300, 250);
    w.ram->SubWindow()->close();
    EXPECT_FALSE(w.ram->IsShownPanel());
    EXPECT_TRUE(main.MdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(w.ram->parentWidget(), w.ram->SubWindow()); // not destroyed
    main.SMenu_RAMClick();
    EXPECT_EQ(w.ram->FrameRect(), QRect(100, 120, 300, 250));
    // Minimised, it comes back from its own menu item.
    w.ram->SubWindow()->showMinimized();
    main.SMenu_RAMClick();
    EXPECT_FALSE(w.ram->SubWindow()->isMinimized());
    EXPECT_EQ(w.ram->FrameRect(), QRect(100, 120, 300, 250));
    // A size too small for its controls is widened: the analysis window's captions stay whole.
    w.anx->SetFrameRect(QRect(0, 0, 200, 150));
    main.Menu_ReadAdcClick();
    EXPECT_GE(w.anx->FrameRect().width(), w.anx->SubWindow()->minimumSizeHint().width());
    EXPECT_GE(w.anx->FrameRect().height(), w.anx->SubWindow()->minimumSizeHint().height());
    main.SetPanelShown(w.anx, false);

    main.Menu_ReadAdcClick();
    EXPECT_TRUE(w.anx->IsShownPanel());
    EXPECT_EQ(main.MdiArea()->subWindowList().size(), 2);
}

TEST(Panels, SetupOpensModallyBesideMainWindowWithStoredChoices)
{
    Fixture f;
    TMainPanel &main = f.program.Main();
    WindowSet &w = f.program.Windows();
    w.option->CbSeluP()->clear();
    w.option->CbSeluP()->addItems({"ZR100  (2k)", "ZR200  (4k)"});
    f.ctx.setup.chipModelIndex = 1;
    f.ctx.setup.interfaceIndex = 4;
    main.move(50, 60);
    main.SMenu_OptionClick();
    ASSERT_FALSE(f.dialogs.asked.empty());
    EXPECT_EQ(f.dialogs.asked.back().kind, "modal");
    EXPECT_EQ(w.option->CbSeluP()->currentIndex(), 1);
    EXPECT_EQ(w.option->SelLPT()->currentText(), "UART");
    EXPECT_EQ(w.option->FrameRect().topLeft(), QPoint(main.x() + 40, main.y() + 40));
}

TEST(MainWindow, UsbClientCaptionsNameTheChip)
{
    Fixture f;
    TMainPanel &main = f.program.Main();
    WindowSet &w = f.program.Windows();
    w.option->CbSeluP()->clear();
    w.option->CbSeluP()->addItems({"ZR100  (2k)", "ZR400"});
    f.ctx.setup.chipModelIndex = 1;
    main.USBClient();
    EXPECT_EQ(main.windowTitle(), "Vek-ENOBTEST V1.7 HID ---- Now Chip is  ZR400");
    EXPECT_EQ(w.ram->Caption(), "記憶體 - ZR400");
    EXPECT_EQ(w.anx->Caption(), "Analyse ADC - ZR400");
}

TEST(MainWindow, StatusLineAndGauge)
{
    Fixture f;
    TMainPanel &main = f.program.Main();
    f.ctx.status.SetText(0, "USB On Line");
    EXPECT_EQ(main.StatusField(0)->text(), "USB On Line");
    f.ctx.status.SetGauge(true, 40);
    EXPECT_TRUE(main.Gauge1()->isVisibleTo(&main));
    EXPECT_EQ(main.Gauge1()->value(), 40);
}

TEST(MainWindow, StatusFieldsKeepTheirWidthsAsMinimumsAndGrowToTheirText)
{
    Fixture f;
    TMainPanel &main = f.program.Main();
    main.show();
    const int third = main.StatusField(0)->minimumWidth();
    f.ctx.status.SetText(2, "Read Compelete");
    QCoreApplication::processEvents();
    QLabel *field2 = main.StatusField(2);
    EXPECT_GE(field2->minimumWidth(), 50);
    EXPECT_GE(field2->contentsRect().width(), field2->fontMetrics().horizontalAdvance("Read Compelete"));
    EXPECT_GE(main.StatusField(0)->width(), third);
    EXPECT_GE(main.StatusField(1)->width(), third);
}

TEST(MainWindow, StoredSampleCountIsForcedIntoRangeAtStartUp)
{
    // "128", "131072", "256", "65536", "16"
    const struct {
        int index, target;
    } cases[] = {{2, 256}, {12, 256}, {3, 256}, {11, 65536}, {13, 256}, {7, 4096}};
    for (const auto &c : cases) {
        Fixture f;
        ConfigSettings stored;
        stored.NPointIndex = c.index;
        ASSERT_TRUE(WriteFileAtomically(f.ctx.ProgramFile("VekADC.cfg"), SerializeConfig({}, stored)));
        f.program.Activate();
        EXPECT_EQ(f.ctx.samples.TargetCount, c.target) << c.index;
        EXPECT_EQ(f.ctx.config.NPointIndex, c.index);
    }
}

TEST(MainWindow, MissingConfigurationIsWrittenFirstThenRead)
{
    Fixture f;
    f.ctx.samples.MagnitudeBits = 99;
    f.program.Activate();
    QFile file(f.ctx.ProgramFile("VekADC.cfg"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), SerializeConfig({}, ConfigSettings{}));
    // Read back: the "24"-bit result width was applied.
    EXPECT_EQ(f.ctx.samples.MagnitudeBits, 23);
}

TEST(MainWindow, ForeignConfigurationIsLeftAloneUntilClose)
{
    Fixture f;
    const QString path = f.ctx.ProgramFile("VekADC.cfg");
    const QByteArray foreign = "Vek-ENOBTEST V1.6 HID\r\n   3   0   2   1   1\r\n";
    ASSERT_TRUE(WriteFileAtomically(path, foreign));
    f.program.Activate();
    EXPECT_EQ(f.ctx.setup.chipModelIndex, 0);
    EXPECT_EQ(f.ctx.setup.interfaceIndex, 1);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), foreign);
    file.close();
    // It is kept as a copy before anything replaces it, and the status line says so.
    QFile backup(path + ".bak");
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    EXPECT_EQ(backup.readAll(), foreign);
    EXPECT_EQ(f.ctx.status.Text(0), "VekADC.cfg not loaded (other title), kept as VekADC.cfg.bak");
    // Closing saves the current settings over it.
    f.program.Main().close();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), SerializeConfig({}, ConfigSettings{}));
}

TEST(MainWindow, ForeignConfigurationThatCannotBeKeptIsNotReplaced)
{
    Fixture f;
    const QString path = f.ctx.ProgramFile("VekADC.cfg");
    const QByteArray foreign = "\xEF\xBB\xBFVek-ENOBTEST V1.7 HID\r\n";
    ASSERT_TRUE(WriteFileAtomically(path, foreign));
    ASSERT_TRUE(QDir().mkpath(path + ".bak")); // a folder stands where the copy would go
    f.program.Activate();
    EXPECT_EQ(f.ctx.status.Text(0), "VekADC.cfg not loaded (other title), left unchanged");
    f.program.Main().close();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), foreign);
}

TEST(MainWindow, UnwritableProgramDirectoryIsSkippedQuietly)
{
    FakeClock clock;
    ScriptedDialogs dialogs;
    AppContext ctx{clock, dialogs, QStringLiteral("/nonexistent/vek/dir")};
    Program program{ctx};
    program.Activate();
    program.Main().show();
    EXPECT_TRUE(program.Main().close());
    EXPECT_FALSE(QFileInfo::exists("/nonexistent/vek/dir/VekADC.cfg"));
    EXPECT_TRUE(dialogs.asked.empty());
    EXPECT_EQ(ctx.samples.TargetCount, 256);
}

TEST(MainWindow, UsbScanOnlyForBoardInterfaces)
{
    Fixture f;
    // With RS232 or Parallel, the scan leaves the status line alone.
    for (int iface : {0, 3}) {
        f.ctx.setup.interfaceIndex = iface;
        f.ctx.status.SetText(0, "before");
        f.program.Main().USBScanClick();
        EXPECT_EQ(f.ctx.status.Text(0), "before");
    }
}

TEST(MainWindow, WindowSettingsSurviveARestart)
{
    QTemporaryDir dir;
    FakeClock clock;
    ScriptedDialogs dialogs;
    {
        AppContext ctx{clock, dialogs, dir.path()};
        Program program{ctx};
        program.Activate();
        TAnxADC *anx = program.Windows().anx;
        anx->SetEREFVText("2.5");
        anx->SetCMAVRIndex(3);
        anx->SetNPointIndex(8);
        anx->SetComFunIndex(1);
        anx->SetRegisterRow(1, {1, 2, 3, 4, 5, 6});
        ctx.config.Photo = false;
        program.Main().close();
    }
    AppContext ctx{clock, dialogs, dir.path()};
    Program program{ctx};
    program.Activate();
    TAnxADC *anx = program.Windows().anx;
    EXPECT_EQ(anx->EREFVText(), "2.5");
    EXPECT_EQ(anx->CMAVRIndex(), 3);
    EXPECT_EQ(anx->NPointIndex(), 8);
    EXPECT_EQ(ctx.samples.TargetCount, 8192);
    EXPECT_EQ(anx->ComFunIndex(), 1);
    EXPECT_EQ(ctx.scaleDmm.comFun, 1);
    EXPECT_EQ(anx->RegisterRow(1), (std::array<uint8_t, 6>{1, 2, 3, 4, 5, 6}));
    EXPECT_FALSE(program.Windows().option->Photo()->isChecked());
}

TEST(Startup, ActivationRemovesTemporariesThatAKilledSaveLeft)
{
    Fixture f;
    const QString dir = f.dir.path() + "/";
    f.ctx.programDir = dir;
    for (const char *name : {"StepADC.txt.a1B2c3", "VekADC.cfg.Q9w8E7"})
        ASSERT_TRUE(WriteFileAtomically(dir + name, "half"));
    f.program.Activate();
    EXPECT_FALSE(QFileInfo::exists(dir + "StepADC.txt.a1B2c3"));
    EXPECT_FALSE(QFileInfo::exists(dir + "VekADC.cfg.Q9w8E7"));
    EXPECT_TRUE(QFileInfo::exists(dir + "VekADC.cfg"));
}

// A stored placement of the narrow dialog does not hide the meter rows that a chip with
// instruments shows.
TEST(Panels, SetupDialogKeepsRoomForTheMeterRows)
{
    Fixture f;
    TMainPanel &main = f.program.Main();
    WindowSet &w = f.program.Windows();
    w.option->SetFrameRect(QRect(10, 10, 316, 396)); // as a placement file from before has it
    w.option->ShowInstrumentControls();
    main.SMenu_OptionClick();
    QWidget *select = w.option->findChild<QWidget *>("MeterSelect5");
    ASSERT_NE(select, nullptr);
    EXPECT_TRUE(w.option->rect().contains(select->geometry())) << w.option->width();
}

// A panel wider and taller than the area (the ADC panel, 940 x 700) is reached by scrolling.
TEST(Panels, APanelLargerThanTheAreaIsReachedByScrolling)
{
    Fixture f;
    TMainPanel &main = f.program.Main();
    main.show();
    main.resize(893, 600);
    f.program.Windows().adc->SetFrameRect(QRect(0, 0, 940, 700));
    main.SMenu_ADCClick();
    QCoreApplication::processEvents();
    QMdiArea *area = main.MdiArea();
    QScrollBar *h = area->horizontalScrollBar();
    QScrollBar *v = area->verticalScrollBar();
    ASSERT_GT(h->maximum(), 0);
    ASSERT_GT(v->maximum(), 0);
    h->setValue(h->maximum());
    v->setValue(v->maximum());
    QCoreApplication::processEvents();
    const QRect frame = f.program.Windows().adc->SubWindow()->geometry();
    EXPECT_LE(frame.right(), area->viewport()->width());
    EXPECT_LE(frame.bottom(), area->viewport()->height());
}
