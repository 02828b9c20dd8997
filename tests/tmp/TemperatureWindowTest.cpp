#include "app/MainPanel.h"
#include "app/Program.h"
#include "app/context/AppContext.h"
#include "bench/TemperatureModels.h"
#include "bench/ui/TTMP.h"
#include "instruments/StepTableModel.h"
#include "instruments/ui/StepTableWindows.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace vek;

namespace {

struct Bench {
    FakeClock clock;
    ScriptedDialogs dialogs;
    AppContext ctx;
    Program program{ctx};
    explicit Bench(const QString &dir) : ctx(clock, dialogs, dir) {}
    TTMP &Tmp() { return *program.Windows().tmp; }
    StepTableWindow &Fluke() { return *program.Windows().fluke; }
    StepTableWindow &Power() { return *program.Windows().power; }
    void Menu(const char *name) { program.Main().MenuItem(QString::fromLatin1(name))->trigger(); }
    void SetSteps(const char *n)
    {
        Tmp().EModenum()->setText(QString::fromLatin1(n));
        Tmp().EModenumKeyPress();
    }
};

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

QString FlukeCommand(int s)
{
    return QStringLiteral("OUT %1 mV ,0 Hz").arg(s * 10);
}
QString PowerCommand(int s)
{
    return s % 2 ? QStringLiteral("VOLT %1").arg(s) : "OUTP OFF";
}

} // namespace

TEST(TemperatureTables, SixtyStepsSurviveSaveRestartAndLoad)
{
    QTemporaryDir dir;
    QByteArray flukeFile, powerFile;
    {
        Bench r(dir.path());
        r.SetSteps("60");
        StepTableModel *fluke = r.Fluke().Model();
        StepTableModel *power = r.Power().Model();
        ASSERT_EQ(fluke->rowCount(), 60);
        ASSERT_EQ(power->rowCount(), 60); // grown past its 48 rows
        for (int s = 1; s <= 60; ++s) {
            // Calibrator markers need a leading digit; power markers may be any hex number.
            fluke->setData(fluke->index(s - 1, 1), QString::number(s));
            fluke->setData(fluke->index(s - 1, 2), FlukeCommand(s));
            power->setData(power->index(s - 1, 1), QString::number(s + 160, 16).toUpper());
            power->setData(power->index(s - 1, 2), PowerCommand(s));
            flukeFile +=
                QByteArray::number(s).rightJustified(4, ' ') + FlukeCommand(s).toLatin1() + "\r\n";
            powerFile += QByteArray::number(s + 160, 16).toUpper().rightJustified(4, ' ') +
                         PowerCommand(s).toLatin1() + "\r\n";
        }
        r.Menu("SaveFluke1");
        r.Menu("SavePower1");
    }
    EXPECT_EQ(ReadAll(dir.filePath("Fluke.txt")), flukeFile);
    EXPECT_EQ(ReadAll(dir.filePath("Power.txt")), powerFile);
    ASSERT_TRUE(flukeFile.startsWith("   1OUT 10 mV ,0 Hz\r\n  "));

    Bench r(dir.path());
    // The step count is typed again (no file keeps it); the loads grow the tables to it.
    r.Tmp().EModenum()->setText(QStringLiteral("60"));
    r.Menu("DownLoadFluke1");
    r.Menu("DownloadPower1");
    for (int s = 1; s <= 60; ++s) {
        EXPECT_EQ(r.ctx.flukeSteps.Marker(s), QString::number(s));
        EXPECT_EQ(r.ctx.flukeSteps.Command(s), FlukeCommand(s));
        EXPECT_EQ(r.ctx.powerSteps.Marker(s), QString::number(s + 160, 16).toUpper());
        EXPECT_EQ(r.ctx.powerSteps.Command(s), PowerCommand(s));
    }
    EXPECT_EQ(r.Fluke().Model()->rowCount(), 60);
}

TEST(TemperatureTables, SavingAnEmptyTableOverAFileAsksFirst)
{
    QTemporaryDir dir;
    Bench r(dir.path());
    QFile power(dir.filePath("Power.txt"));
    ASSERT_TRUE(power.open(QIODevice::WriteOnly));
    power.write("   1VOLT 5.0\r\n");
    power.close();
    r.dialogs.messageAnswers = {MsgResult::No};
    r.Menu("SavePower1"); // the table was never loaded: nothing in it
    ASSERT_EQ(r.dialogs.asked.size(), 1u);
    EXPECT_TRUE(r.dialogs.asked[0].text.endsWith(" exist! Overwrite?"));
    EXPECT_EQ(ReadAll(dir.filePath("Power.txt")), "   1VOLT 5.0\r\n");
    r.dialogs.messageAnswers = {MsgResult::Yes};
    r.Menu("SavePower1");
    EXPECT_EQ(ReadAll(dir.filePath("Power.txt")), "");
}

TEST(TemperatureTables, DownloadRegWithoutRegisterFileLeavesTheTable)
{
    QTemporaryDir dir;
    Bench r(dir.path());
    RegisterStepModel *reg = r.Tmp().RegChgModel();
    ASSERT_TRUE(reg->setData(reg->index(0, 1), QStringLiteral("3C")));
    ASSERT_TRUE(reg->setData(reg->index(1, 1), QStringLiteral("A5")));
    ASSERT_TRUE(reg->setData(reg->index(1, 11), QStringLiteral("030")));
    r.Menu("DownloadReg1");
    EXPECT_EQ(r.ctx.registerSteps.Cell(1, 1), "A5");
    EXPECT_EQ(r.ctx.status.Text(0), "Cannot read Register.txt");

    // Saved and loaded back: the result grid is sized for the one step and the load reported.
    r.Menu("SaveReg1");
    reg->setData(reg->index(1, 1), QStringLiteral("00"));
    r.Menu("DownloadReg1");
    EXPECT_EQ(r.ctx.registerSteps.Cell(1, 1), "A5");
    EXPECT_EQ(r.ctx.registerSteps.Cell(1, 11), "30");
    EXPECT_EQ(r.ctx.registerSteps.Cell(1, 12), ""); // an empty reference voltage stays empty
    EXPECT_EQ(r.ctx.status.Text(0), "Download Register Value OK !!!");
    EXPECT_EQ(r.Tmp().TMPDataModel()->columnCount(), 2);
}

TEST(TemperatureWindow, StepCountControlsAndTheRunButtons)
{
    QTemporaryDir dir;
    Bench r(dir.path());
    TTMP &t = r.Tmp();
    for (const char *bad : {"0", "10001", "-3"}) {
        r.SetSteps(bad);
        EXPECT_EQ(t.EModenum()->text(), "48") << bad;
        EXPECT_EQ(t.RegChgModel()->rowCount(), 49) << bad;
    }
    r.SetSteps("12");
    EXPECT_EQ(t.RegChgModel()->rowCount(), 13);
    EXPECT_EQ(r.Fluke().Model()->rowCount(), 12); // the calibrator table is rebuilt
    EXPECT_EQ(r.Power().Model()->rowCount(), 48); // the power table keeps its rows

    EXPECT_EQ(t.CADCBRY()->currentText(), "ADC & Brymen");
    EXPECT_EQ(t.PDlyT()->text(), "2000");
    EXPECT_TRUE(t.Timer1()->isActive());
    // Checking one range lock clears the other.
    t.LK3V()->click();
    t.LK330mV()->click();
    EXPECT_FALSE(t.LK3V()->isChecked());

    // The program attaches the run; without one the buttons are disabled.
    QList<QPushButton *> buttons = {t.CatchADC(), t.BADC(),   t.BFlashRD(),
                                    t.Button2(),  t.ENSave(), t.LKENTER()};
    for (QPushButton *b : buttons)
        EXPECT_TRUE(b->isEnabled()) << b->text().toStdString();
    t.AttachRun({});
    for (QPushButton *b : buttons)
        EXPECT_FALSE(b->isEnabled()) << b->text().toStdString();
    std::vector<int> modes;
    t.AttachRun({[&](int mode) { modes.push_back(mode); }, [] {}, [] {}, [] {}});
    for (QPushButton *b : buttons)
        EXPECT_TRUE(b->isEnabled()) << b->text().toStdString();
    // Each click returns before its run starts; the run starts from the event loop.
    for (QPushButton *b : {t.CatchADC(), t.BADC(), t.BFlashRD()}) {
        const size_t before = modes.size();
        b->click();
        EXPECT_EQ(modes.size(), before);
        EXPECT_FALSE(t.CatchADC()->isEnabled());
        QCoreApplication::processEvents();
        EXPECT_EQ(modes.size(), before + 1);
        EXPECT_TRUE(t.CatchADC()->isEnabled());
    }
    EXPECT_EQ(modes, (std::vector<int>{1, 0, 2}));
    // "Stop" before the queued start began: no run.
    t.CatchADC()->click();
    t.Button2()->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(modes.size(), 3u);
    EXPECT_TRUE(t.CatchADC()->isEnabled());
}

TEST(TemperatureWindow, RegisterCellsTakeWhatTheFilesHold)
{
    QTemporaryDir dir;
    Bench r(dir.path());
    QTableView *grid = r.Tmp().RegChg();
    r.program.Main().show();
    r.program.Main().SetPanelShown(&r.Tmp(), true);
    auto type = [&](int row, int column, const char *keys) {
        const QModelIndex at = grid->model()->index(row, column);
        grid->setCurrentIndex(at);
        grid->edit(at);
        QLineEdit *editor = nullptr;
        for (QLineEdit *e : grid->findChildren<QLineEdit *>())
            if (e->isVisible())
                editor = e; // closed editors are hidden until they are deleted
        ASSERT_NE(editor, nullptr);
        QTest::keyClicks(editor, QString::fromLatin1(keys));
        emit grid->itemDelegate()->commitData(editor);
        emit grid->itemDelegate()->closeEditor(editor);
    };
    type(1, 1, "12G345");
    type(1, 11, "1234567");
    EXPECT_EQ(r.ctx.registerSteps.Cell(1, 1), "1234");
    EXPECT_EQ(r.ctx.registerSteps.Cell(1, 11), "123456");
}
