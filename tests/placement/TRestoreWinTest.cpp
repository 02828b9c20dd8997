#include "app/placement/TRestoreWin.h"

#include "app/MainPanel.h"
#include "app/Program.h"
#include "app/base/SafeFile.h"
#include "app/context/AppContext.h"
#include "panels/ui/AnalogPanels.h"
#include "views/ui/ViewWindows.h"
#include "widgets/PanelWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vek;

namespace {

// One run of the program in a given program directory.
struct ProgramRun {
    explicit ProgramRun(const QString &dir) : ctx(clock, dialogs, dir) {}
    FakeClock clock;
    ScriptedDialogs dialogs;
    AppContext ctx;
    Program program{ctx};
    TMainPanel &Main() { return program.Main(); }
    WindowSet &W() { return program.Windows(); }
    // The start-up order of the program: activation, then the first show.
    void Start()
    {
        program.Activate();
        Main().show();
    }
};

QString PlacementPath(const QTemporaryDir &dir)
{
    return dir.path() + '/' +
           QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + ".wst";
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class RefusingWindow : public QWidget {
protected:
    void closeEvent(QCloseEvent *e) override { e->ignore(); }
};

} // namespace

TEST(RestoreWin, FileIsNamedAfterTheProgram)
{
    QWidget w;
    TRestoreWin rw(&w, "/d/", "/x/y/VekTool.exe");
    EXPECT_EQ(rw.objectName(), "RestoreWin1");
    EXPECT_TRUE(rw.Enabled());
    EXPECT_TRUE(rw.AutoShow());
    EXPECT_EQ(rw.FileName(), "/d/VekTool.wst");
    rw.SetExtName("pos");
    EXPECT_EQ(rw.FileName(), "/d/VekTool.pos");
    rw.SetExtName("");
    EXPECT_EQ(rw.ExtName(), "wst");
    TRestoreWin linux(&w, "/d/", "/opt/vek-enobtest");
    EXPECT_EQ(linux.FileName(), "/d/vek-enobtest.wst");
}

TEST(RestoreWin, WindowsReopenWhereTheUserLeftThem)
{
    QTemporaryDir dir;
    {
        ProgramRun r(dir.path());
        r.Start();
        r.Main().move(30, 40);
        r.Main().resize(640, 480);
        r.Main().SMenu_RAMClick();
        r.W().ram->SubWindow()->setGeometry(11, 12, 300, 250);
        r.Main().SMenu_ADCClick(); // the ADC panel's diagram scales with its window
        r.W().adc->SubWindow()->setGeometry(50, 60, 400, 300);
        EXPECT_TRUE(r.Main().close());
    }
    PlacementTable written;
    ASSERT_TRUE(written.Parse(ReadAll(PlacementPath(dir))));
    ASSERT_EQ(written.Entries().size(), 15);
    EXPECT_EQ(written.Entries()[0].name, "MainPanel");
    EXPECT_TRUE(written.Entries()[0].visible);
    EXPECT_EQ(written.Entries()[14].name, "TMP");
    // The panels left open are recorded as shown, although closing hides them.
    EXPECT_TRUE(written.Find("Vek_RAM")->visible);
    EXPECT_TRUE(written.Find("ADCForm")->visible);
    EXPECT_FALSE(written.Find("Vek_Reg2")->visible);

    ProgramRun again(dir.path());
    again.Start();
    EXPECT_EQ(again.Main().pos(), QPoint(30, 40));
    EXPECT_EQ(again.Main().size(), QSize(640, 480));
    EXPECT_EQ(again.W().ram->FrameRect(), QRect(11, 12, 300, 250));
    EXPECT_EQ(again.W().adc->FrameRect(), QRect(50, 60, 400, 300));
    EXPECT_TRUE(again.W().ram->IsShownPanel());
    EXPECT_TRUE(again.W().adc->IsShownPanel());
    EXPECT_FALSE(again.W().reg->IsShownPanel());
}

TEST(RestoreWin, FirstStartWithoutFileKeepsDesignedPlaces)
{
    QTemporaryDir dir;
    ProgramRun r(dir.path());
    const QSize mainSize = r.Main().size();
    r.Start();
    EXPECT_EQ(r.W().ram->FrameRect(), QRect(380, 40, 480, 420));
    EXPECT_EQ(r.Main().size(), mainSize);
    EXPECT_FALSE(QFileInfo::exists(PlacementPath(dir)));
}

TEST(RestoreWin, VisibleEntriesAreShownWithAutoShowOnly)
{
    for (bool autoShow : {true, false}) {
        QTemporaryDir dir;
        ASSERT_TRUE(WriteFileAtomically(PlacementPath(dir),
                                        "1.10\r\n3\r\n"
                                        "Vek_Reg2\r\n   10   20  700  560    0    1\r\n"
                                        "Vek_UP\r\n    0    0  100  100    0    1\r\n"
                                        "OPForm\r\n   70   80  300  200    0    0\r\n"));
        ProgramRun r(dir.path());
        r.Main().RestoreWin1()->SetAutoShow(autoShow);
        r.Start();
        EXPECT_EQ(r.W().reg->IsShownPanel(), autoShow);
        EXPECT_EQ(r.W().reg->FrameRect(), QRect(10, 20, 700, 560));
        EXPECT_FALSE(r.W().op->IsShownPanel());
        EXPECT_EQ(r.W().op->FrameRect().topLeft(), QPoint(70, 80));
        // The link supervisor is never shown.
        EXPECT_FALSE(reinterpret_cast<QWidget *>(r.W().up)->isVisible());
    }
}

TEST(RestoreWin, RestoresOnTheFirstShowOnly)
{
    QTemporaryDir dir;
    ASSERT_TRUE(WriteFileAtomically(
        PlacementPath(dir), "1.10\r\n1\r\nMainPanel\r\n   20   30  500  400    0    1\r\n"));
    ProgramRun r(dir.path());
    r.Start();
    EXPECT_EQ(r.Main().pos(), QPoint(20, 30));
    r.Main().move(70, 80);
    r.Main().hide();
    r.Main().show();
    EXPECT_EQ(r.Main().pos(), QPoint(70, 80));
}

TEST(RestoreWin, DisabledStoreNeitherRestoresNorWrites)
{
    QTemporaryDir dir;
    const QByteArray file = "1.10\r\n1\r\nMainPanel\r\n   20   30  500  400    0    1\r\n";
    ASSERT_TRUE(WriteFileAtomically(PlacementPath(dir), file));
    ProgramRun r(dir.path());
    r.Main().RestoreWin1()->SetEnabled(false);
    r.Main().move(5, 6);
    r.Start();
    EXPECT_EQ(r.Main().pos(), QPoint(5, 6));
    EXPECT_TRUE(r.Main().close());
    EXPECT_EQ(ReadAll(PlacementPath(dir)), file);
}

TEST(RestoreWin, RefusedCloseWritesNothing)
{
    QTemporaryDir dir;
    RefusingWindow w;
    w.setObjectName("Refusing");
    TRestoreWin rw(&w, dir.path() + '/', "prog");
    w.show();
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());

    QWidget plain;
    plain.setObjectName("Plain");
    TRestoreWin rw2(&plain, dir.path() + '/', "prog");
    plain.show();
    EXPECT_TRUE(plain.close());
    EXPECT_TRUE(ReadAll(dir.path() + "/prog.wst").startsWith("1.10\r\n1\r\nPlain\r\n"));
}

TEST(RestoreWin, ClosingTheMainWindowWritesBothSettingsFiles)
{
    QTemporaryDir dir;
    ProgramRun r(dir.path());
    r.Start();
    QFile::remove(dir.filePath("VekADC.cfg")); // the first run wrote it at start-up
    r.ctx.config.CurrentBank = 3;
    EXPECT_TRUE(r.Main().close());
    const QByteArray cfg = ReadAll(dir.filePath("VekADC.cfg"));
    EXPECT_EQ(cfg.count("\r\n"), 26);
    EXPECT_TRUE(cfg.startsWith("Vek-ENOBTEST V1.7 HID\r\n"));
    EXPECT_TRUE(cfg.contains("\r\nFALSE\r\n 0\r\n 3\r\n"));
    EXPECT_TRUE(QFileInfo::exists(PlacementPath(dir)));
    // The channel switch test's settings too; each written whole through a temporary file that
    // is gone again.
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("StepADC.txt")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3);
}
