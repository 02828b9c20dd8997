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

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace vek;

TEST(TempWindowRun, TenStepsThroughTheWindow)
{
    QTemporaryDir dir;
    const QString programDir = dir.path() + QLatin1Char('/');
    FakeClock clock;
    ScriptedDialogs dialogs;
    AppContext ctx(clock, dialogs, programDir);
    sim::SimulatedBoard board(clock);
    board.SetUpConverter(1, QString(), nullptr);
    UseSimulatedBoard(ctx, board);
    sim::SimulatedTempBench bench(clock, board, ctx.serialPorts);
    Program program(ctx);
    ctx.setup.chipModelIndex = 0;
    {
        AppContext &c = ctx;
        const QString keep = c.programDir;
        c.programDir = QStringLiteral(VEK_SOURCE_DIR "/");
        ASSERT_TRUE(GetSELUP(c));
        c.programDir = keep;
    }
    ctx.chipSlots[0].interfaceKind = InterfaceKind::SPI;
    LinkIo io = ctx.Link();
    uint8_t status = 0xFF;
    ASSERT_TRUE(ConnectLink(io, ctx.chipSlots[0].link, status));
    InstrumentLink link(ctx.serialPorts, clock, ctx.instrumentBuffers, ctx.instrumentPorts);
    SelectCalibrator(link, ctx.serialPorts, ctx.instrumentPorts[kCalibratorPort], QStringLiteral("COM7"));
    SelectPowerSupply(link, ctx.serialPorts, ctx.instrumentPorts[kPowerSupplyPort], QStringLiteral("COM8"));
    for (int c = 0; c < kMeterChannelCount; ++c)
        SelectMeter(link, ctx.serialPorts, ctx.instrumentPorts, c, sim::SimulatedTempBench::MeterCom(c));

    TTMP &tmp = *program.Windows().tmp;
    TAnxADC &anx = *program.Windows().anx;
    anx.SetTXScaleIndex(16);
    anx.SetNPointIndex(3); // 256 samples
    tmp.EModenum()->setText(QStringLiteral("10"));
    tmp.EModenumKeyPress();
    RegisterStepModel &reg = *tmp.RegChgModel();
    reg.Change([](RegisterStepTable &t) {
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
    ctx.powerSteps.SetMarker(1, QStringLiteral("1"));
    ctx.powerSteps.SetCommand(1, QStringLiteral("VOLT 5.0"));
    ctx.powerSteps.SetMarker(5, QStringLiteral("1"));
    ctx.powerSteps.SetCommand(5, QStringLiteral("OUTP OFF"));
    ctx.powerSteps.SetMarker(6, QStringLiteral("1"));
    ctx.powerSteps.SetCommand(6, QStringLiteral("VOLT 5.0"));

    program.Main().show();
    program.Main().RegistClick(); // "連續讀取": the timer runs and the window is shown
    EXPECT_TRUE(tmp.Timer1()->isActive());
    int grabbed = 0;
    ctx.status.onText = [&](int field, const QString &text) {
        if (field == 1 && text == QStringLiteral("Channel - 6 , Step - 7") && grabbed++ == 0) {
            EXPECT_FALSE(tmp.CatchADC()->isEnabled()); // the start buttons are off while it runs
            EXPECT_TRUE(tmp.Button2()->isEnabled());
            tmp.Timer1Timer();
            const QString path = QString::fromLocal8Bit(qgetenv("VEK_SHOT_DIR"));
            if (!path.isEmpty())
                tmp.grab().save(path + "/ttmp_during_run.png");
        }
    };
    tmp.CatchADC()->click();
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
    QFile a(programDir + "VekTEMPA.CSV");
    ASSERT_TRUE(a.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll().count("\r\n"), 12);
    EXPECT_TRUE(QFile::exists(programDir + "VekTEMPBryMen.CSV"));

    // "Ca.Flash": the same steps from the series the chip records on its own side.
    tmp.CADCBRY()->setCurrentIndex(TTMP::kAdcOnly);
    tmp.BFlashRD()->click();
    EXPECT_EQ(ctx.stepResults.Cell(1, 5), QStringLiteral("nan"));
    EXPECT_NEAR(ctx.stepResults.Cell(1, 4).toDouble(), 0.3 * 0.25 / 1.2 * 4194304.0 + 37, 10);
    EXPECT_EQ(ctx.samples.SampleCount, 256);

    // "ADC": the block the firmware captured into its RAM at each step.
    tmp.BADC()->click();
    EXPECT_NEAR(ctx.stepResults.Cell(1, 9).toDouble(), 0.8 * 0.25 / 1.2 * 4194304.0 + 37, 10);
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
