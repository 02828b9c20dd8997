// The temperature test's window running on the simulated board and bench, wired as the program
// wires it: the steps go through the analysis window's capture, the result grid shows each
// step's mean, and the files agree with the command-line run's step by step.
#include "analysis/ui/TAnxADC.h"
#include "app/MainPanel.h"
#include "app/Program.h"
#include "app/SimulatedSetup.h"
#include "app/context/AppContext.h"
#include "bench/TemperatureModels.h"
#include "bench/ui/TTMP.h"
#include "chipdesc/SelectChip.h"
#include "chipdesc/ui/TOption.h"
#include "instruments/MeterChannels.h"
#include "sim/SimulatedTempBench.h"

#include <QAccessible>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace vek;

namespace {

// Presses a start button: the click returns at once and the run starts from the event loop;
// the events are processed until the run is over.
void PressAndRun(QPushButton *button, TTMP &tmp)
{
    button->click();
    EXPECT_FALSE(tmp.runState.running); // not started inside the click
    QElapsedTimer t;
    t.start();
    do
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    while ((!tmp.CatchADC()->isEnabled() || tmp.runState.running) && t.elapsed() < 120000);
}

} // namespace

// The program on the simulated board and bench with the instruments selected and ten steps in
// the tables: the calibrator from 0 to 900 mV, the supply off at step 5.
struct WindowRig {
    QTemporaryDir dir;
    const QString programDir = dir.path() + QLatin1Char('/');
    FakeClock clock;
    ScriptedDialogs dialogs;
    AppContext ctx{clock, dialogs, programDir};
    sim::SimulatedBoard board{clock};
    std::unique_ptr<sim::SimulatedTempBench> bench;
    std::unique_ptr<Program> program;

    // `connect`: the link is up before the run (else nobody has looked for the board yet).
    void SetUp(bool connect = true)
    {
        board.SetUpConverter(1, QString(), nullptr);
        UseSimulatedBoard(ctx, board);
        bench = std::make_unique<sim::SimulatedTempBench>(clock, board, ctx.serialPorts);
        program = std::make_unique<Program>(ctx);
        ctx.setup.chipModelIndex = 0;
        const QString keep = ctx.programDir;
        ctx.programDir = QStringLiteral(VEK_SOURCE_DIR "/");
        ASSERT_TRUE(GetSELUP(ctx));
        ctx.programDir = keep;
        ctx.chipSlots[0].interfaceKind = InterfaceKind::SPI;
        LinkIo io = ctx.Link();
        uint8_t status = 0xFF;
        if (connect) {
            ASSERT_TRUE(ConnectLink(io, ctx.chipSlots[0].link, status));
        }
        InstrumentLink link(ctx.serialPorts, clock, ctx.instrumentBuffers, ctx.instrumentPorts);
        SelectCalibrator(link, ctx.serialPorts, ctx.instrumentPorts[kCalibratorPort], QStringLiteral("COM7"));
        SelectPowerSupply(link, ctx.serialPorts, ctx.instrumentPorts[kPowerSupplyPort], QStringLiteral("COM8"));
        for (int c = 0; c < kMeterChannelCount; ++c)
            SelectMeter(link, ctx.serialPorts, ctx.instrumentPorts, c, sim::SimulatedTempBench::MeterCom(c));
        TTMP &tmp = Tmp();
        TAnxADC &anx = *program->Windows().anx;
        anx.SetTXScaleIndex(16);
        anx.SetNPointIndex(3); // 256 samples
        tmp.EModenum()->setText(QStringLiteral("10"));
        tmp.EModenumKeyPress();
        tmp.RegChgModel()->Change([](RegisterStepTable &t) {
            t.SetCell(0, 1, QStringLiteral("40"));
            for (int s = 1; s <= 10; ++s) {
                t.SetCell(s, 1, QString::number(s, 16));
                t.SetCell(s, 11, QStringLiteral("1"));
                t.SetCell(s, 12, QStringLiteral("1.2"));
            }
        });
        for (int s = 1; s <= 10; ++s) {
            ctx.flukeSteps.SetMarker(s, QStringLiteral("1"));
            ctx.flukeSteps.SetCommand(s, QStringLiteral("OUT %1 mV ,0 Hz").arg((s - 1) * 100));
        }
        for (auto [s, command] : {std::pair{1, "VOLT 5.0"}, {5, "OUTP OFF"}, {6, "VOLT 5.0"}}) {
            ctx.powerSteps.SetMarker(s, QStringLiteral("1"));
            ctx.powerSteps.SetCommand(s, QString::fromLatin1(command));
        }
    }
    TTMP &Tmp() { return *program->Windows().tmp; }
};

TEST(TempWindowRun, TenStepsThroughTheWindow)
{
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.SetUp());
    AppContext &ctx = rig.ctx;
    Program &program = *rig.program;
    const QString &programDir = rig.programDir;
    TTMP &tmp = rig.Tmp();
    program.Main().show();
    program.Main().RegistClick(); // "連續讀取": the timer runs and the window is shown
    EXPECT_TRUE(tmp.Timer1()->isActive());
    int grabbed = 0;
    ctx.status.onText = [&](int field, const QString &text) {
        if (field == 1 && text == QStringLiteral("Channel - 6 , Step - 7") && grabbed++ == 0) {
            EXPECT_FALSE(tmp.CatchADC()->isEnabled()); // the start buttons are off while it runs
            // An edit during the run reaches the steps not yet begun.
            ctx.flukeSteps.SetCommand(9, QStringLiteral("OUT 50 mV ,0 Hz"));
            // "Download Reg" during the run leaves the means of the steps done in the grid.
            ASSERT_TRUE(tmp.SaveReg());
            ASSERT_TRUE(tmp.DownloadReg());
            EXPECT_FALSE(ctx.stepResults.Cell(1, 6).isEmpty());
            EXPECT_TRUE(tmp.Button2()->isEnabled());
            tmp.Timer1Timer();
            const QString path = QString::fromLocal8Bit(qgetenv("VEK_SHOT_DIR"));
            if (!path.isEmpty())
                tmp.grab().save(path + "/ttmp_during_run.png");
        }
    };
    PressAndRun(tmp.CatchADC(), tmp);
    EXPECT_EQ(grabbed, 1);
    EXPECT_TRUE(tmp.CatchADC()->isEnabled());
    tmp.Timer1Timer();
    const QString shots = QString::fromLocal8Bit(qgetenv("VEK_SHOT_DIR"));
    if (!shots.isEmpty()) {
        tmp.grab().save(shots + "/ttmp_after_run.png");
        tmp.resize(1100, 800);
        tmp.grab().save(shots + "/ttmp_after_run_large.png");
    }

    // The grid shows each step's mean; step 5 had no supply.
    EXPECT_EQ(ctx.stepResults.Cell(1, 5), QStringLiteral("nan"));
    EXPECT_NEAR(ctx.stepResults.Cell(1, 4).toDouble(), 0.3 * 0.25 / 1.2 * 4194304.0 + 37, 10);
    EXPECT_NEAR(ctx.stepResults.Cell(1, 10).toDouble(), 0.9 * 0.25 / 1.2 * 4194304.0 + 37, 10);
    EXPECT_NEAR(ctx.stepResults.Cell(1, 9).toDouble(), 0.05 * 0.25 / 1.2 * 4194304.0 + 37, 10);
    ctx.flukeSteps.SetCommand(9, QStringLiteral("OUT 800 mV ,0 Hz"));
    QFile a(programDir + "VekTEMPA.CSV");
    ASSERT_TRUE(a.open(QIODevice::ReadOnly));
    const QByteArray aBytes = a.readAll();
    EXPECT_EQ(aBytes.count("\r\n"), 13);
    EXPECT_TRUE(aBytes.endsWith("\r\nRun finished: 10 of 10 steps done, 1 Test Fail\r\n"));
    EXPECT_EQ(ctx.status.Text(0), QStringLiteral("Run finished: 10 of 10 steps done, 1 Test Fail"));
    EXPECT_TRUE(QFile::exists(programDir + "VekTEMPBryMen.CSV"));

    // "Ca.Flash": the same steps from the series the chip records on its own side.
    tmp.CADCBRY()->setCurrentIndex(TTMP::kAdcOnly);
    PressAndRun(tmp.BFlashRD(), tmp);
    EXPECT_EQ(ctx.stepResults.Cell(1, 5), QStringLiteral("nan"));
    EXPECT_NEAR(ctx.stepResults.Cell(1, 4).toDouble(), 0.3 * 0.25 / 1.2 * 4194304.0 + 37, 10);
    EXPECT_EQ(ctx.samples.SampleCount, 256);

    // "ADC": the block the firmware captured into its RAM at each step.
    PressAndRun(tmp.BADC(), tmp);
    EXPECT_NEAR(ctx.stepResults.Cell(1, 9).toDouble(), 0.8 * 0.25 / 1.2 * 4194304.0 + 37, 10);
    EXPECT_EQ(ctx.stepResults.Cell(1, 5), QStringLiteral("nan")); // no supply: the RAM block read as 0xFF
    EXPECT_EQ(ctx.samples.SampleCount, 126); // 41 samples from 0x103 and 85 from 0x200
}

TEST(TempWindowRun, MeterRowsOfTheSetupDialog)
{
    QTemporaryDir dir;
    const QString programDir = dir.path() + QLatin1Char('/');
    FakeClock clock;
    ScriptedDialogs dialogs;
    AppContext ctx(clock, dialogs, programDir);
    sim::SimulatedBoard board(clock);
    UseSimulatedBoard(ctx, board);
    sim::SimulatedTempBench bench(clock, board, ctx.serialPorts);
    Program program(ctx);
    TOption &option = *program.Windows().option;
    EXPECT_TRUE(option.MeterCOM(0)->isHidden());
    option.ShowInstrumentControls();
    EXPECT_FALSE(option.MeterCOM(0)->isHidden());
    option.MeterCOM(2)->setCurrentIndex(10); // COM11, meter channel 2 of the simulated bench
    option.MeterSelectClick(2);
    EXPECT_TRUE(ctx.instrumentPorts[size_t(kFirstMeterPort + 2)].present);
    EXPECT_EQ(ctx.status.Text(1), QStringLiteral("Successful Select Meter 2 In COM11"));
    EXPECT_EQ(LoadMeterChoices(programDir + MeterChoicesFileName())[2], 10);
    const QString shots = QString::fromLocal8Bit(qgetenv("VEK_SHOT_DIR"));
    if (!shots.isEmpty())
        option.grab().save(shots + "/option_meters.png");
}

TEST(TempWindowRun, StartReturnsAtOnceAndStopIsReachableThroughAccessibility)
{
    WindowRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.SetUp());
    rig.program->Main().show();
    rig.program->Main().RegistClick();
    TTMP &tmp = rig.Tmp();
    QAccessibleInterface *start = QAccessible::queryAccessibleInterface(tmp.CatchADC());
    QAccessibleInterface *stop = QAccessible::queryAccessibleInterface(tmp.Button2());
    ASSERT_TRUE(start && start->actionInterface() && stop && stop->actionInterface());

    // A timer ticks all through the run: the event loop keeps turning. At step 3 "Stop" is
    // pressed the way a screen reader presses it.
    int ticks = 0;
    bool stopPressed = false, inTick = false;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        ++ticks;
        if (inTick || stopPressed || rig.ctx.status.Text(1) != QStringLiteral("Channel - 6 , Step - 3"))
            return;
        inTick = stopPressed = true;
        stop->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QElapsedTimer t;
        t.start();
        while (tmp.runState.running && t.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        inTick = false;
    });
    ticker.start();
    // The click's handlers return before the first step: nothing of the run happens inside them.
    QString stepWhenClickReturned = QStringLiteral("(no click)");
    QObject::connect(tmp.CatchADC(), &QPushButton::clicked, [&] { stepWhenClickReturned = rig.ctx.status.Text(1); });
    start->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_FALSE(tmp.runState.running); // the press returned before the run began
    QElapsedTimer t;
    t.start();
    while (!QFile::exists(rig.programDir + "VekTEMPA.CSV") || tmp.runState.running || !tmp.CatchADC()->isEnabled()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_LT(t.elapsed(), 60000);
    }
    ticker.stop();
    EXPECT_TRUE(stopPressed);
    EXPECT_FALSE(stepWhenClickReturned.startsWith(QStringLiteral("Channel - "))) << stepWhenClickReturned.toStdString();
    EXPECT_NE(stepWhenClickReturned, QStringLiteral("(no click)"));
    EXPECT_GT(ticks, 100);
    QFile a(rig.programDir + "VekTEMPA.CSV");
    ASSERT_TRUE(a.open(QIODevice::ReadOnly));
    EXPECT_TRUE(a.readAll().endsWith("\r\nRun stopped after step 2 of 10\r\n"));
    EXPECT_EQ(rig.ctx.status.Text(0), QStringLiteral("Run stopped after step 2 of 10"));
}

TEST(TempWindowRun, WithoutALinkTheRunLooksForTheBoardOrDoesNotStart)
{
    {   // Nobody looked for the board yet: the run does, and measures.
        WindowRig rig;
        ASSERT_NO_FATAL_FAILURE(rig.SetUp(false));
        ASSERT_FALSE(rig.ctx.chipSlots[0].link.connected);
        PressAndRun(rig.Tmp().CatchADC(), rig.Tmp());
        EXPECT_TRUE(rig.ctx.chipSlots[0].link.connected);
        EXPECT_EQ(rig.ctx.status.Text(0), QStringLiteral("Run finished: 10 of 10 steps done, 1 Test Fail"));
    }
    {   // No board that answers: nothing runs, nothing is written, and the user is told.
        WindowRig rig;
        ASSERT_NO_FATAL_FAILURE(rig.SetUp(false));
        rig.board.usb.board.faults.noReply = true;
        PressAndRun(rig.Tmp().CatchADC(), rig.Tmp());
        EXPECT_EQ(rig.ctx.status.Text(0), QStringLiteral("USB not Connect !!!"));
        ASSERT_FALSE(rig.dialogs.asked.empty());
        EXPECT_EQ(rig.dialogs.asked.back().text, QStringLiteral("USB not Connect !!!"));
        EXPECT_FALSE(QFile::exists(rig.programDir + "VekTEMPB.CSV"));
        EXPECT_TRUE(rig.Tmp().CatchADC()->isEnabled());
    }
}
