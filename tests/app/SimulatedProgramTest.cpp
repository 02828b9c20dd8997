// The program on the simulated board, wired the way main() wires it: every shipped chip model
// captures in the analysis window, and the window's figures are those of the command-line
// measurement on the same codes.
#include "analysis/EnobMeasurement.h"
#include "analysis/ui/TAnxADC.h"
#include "app/MainPanel.h"
#include "app/Program.h"
#include "app/SimulatedSetup.h"
#include "app/context/AppContext.h"
#include "chipdesc/ChipList.h"
#include "chipdesc/SelectChip.h"
#include "sim/SimulatedBoard.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <numeric>
#include <random>

using namespace vek;

namespace {

std::vector<int32_t> NoisyCodes(int n)
{
    std::mt19937 rng(5);
    std::normal_distribution<double> noise(0, 300);
    std::vector<int32_t> codes;
    for (int i = 0; i < n; ++i)
        codes.push_back(int32_t(std::lround(20000 + noise(rng))));
    return codes;
}

} // namespace

TEST(SimulatedProgram, EveryChipModelCapturesInTheWindowWithTheCommandLinesFigures)
{
    const QString programDir = QStringLiteral(VEK_SOURCE_DIR "/");
    const int models = int(ReadChipList(programDir).size());
    ASSERT_GE(models, 4);
    for (int model = 0; model < models; ++model) {
        SCOPED_TRACE(model);
        FakeClock clock;
        ScriptedDialogs dialogs;
        AppContext ctx(clock, dialogs, programDir);
        sim::SimulatedBoard board(clock);
        board.adc.asFastAsPossible = true;
        board.adc.Replay(NoisyCodes(2000));
        // The real gain is 1 while the image, never read back, says 0x00 (gain 0.25).
        board.usb.board.memory.Write(0x3C, 0x02);
        UseSimulatedBoard(ctx, board);
        Program program(ctx);
        ctx.setup.chipModelIndex = model;
        if (!GetSELUP(ctx))
            continue; // a listed model without its description file
        ctx.chipSlots[0].interfaceKind = static_cast<InterfaceKind>(ctx.setup.interfaceIndex);
        LinkIo io = ctx.Link();
        uint8_t status = 0xFF;
        ASSERT_TRUE(ConnectLink(io, ctx.chipSlots[0].link, status));
        ASSERT_EQ(ctx.chipSlots[0].image[0x3C], 0);

        TAnxADC &anx = *program.Windows().anx;
        anx.SetTXScaleIndex(16); // 24 bits
        anx.SetNPointIndex(5);   // 1024 samples
        anx.CatchADCClick();
        ASSERT_EQ(ctx.status.Text(2), QStringLiteral("Read Compelete")) << ctx.chip.productName.toStdString();
        const AnalysisResults window = ctx.analysisResults;

        // The command line's measurement of the same codes on a board set up by the same code.
        sim::SimulatedBoard again(clock);
        again.adc.asFastAsPossible = true;
        again.adc.Replay(NoisyCodes(2000));
        again.usb.board.memory.Write(0x3C, 0x02);
        again.SetUpForChip(ctx.chip.productName, model, ctx.bindings);
        UsbBus bus;
        bus.hid = &again.usb.hid;
        bus.driver = &again.usb.driver;
        TransferBuffer buffer{};
        uint8_t hidMode = 0;
        ChipSlots chips{};
        chips[0].interfaceKind = ctx.chipSlots[0].interfaceKind;
        ScaleDmmMemory scaleDmm;
        const std::function<void()> noRefresh;
        LinkIo io2{bus, buffer, hidMode, clock};
        ChipPort port{io2, chips, false, ctx.chip.productName, scaleDmm, noRefresh, nullptr};
        ASSERT_TRUE(ConnectLink(io2, chips[0].link, status));
        SampleStore store;
        AnalysisResults line;
        EnobOptions options;
        options.samples = ctx.samples.TargetCount;
        const EnobRun run = MeasureEnob(port, chips[0].interfaceKind, store, options, line);
        ASSERT_TRUE(run.ok) << run.error.toStdString();
        EXPECT_EQ(run.gain, 1.0);
        EXPECT_DOUBLE_EQ(window.mean, line.mean);
        EXPECT_DOUBLE_EQ(window.vppNv, line.vppNv);
        EXPECT_DOUBLE_EQ(window.rmsNv, line.rmsNv);
        EXPECT_DOUBLE_EQ(window.enob, line.enob);
        EXPECT_DOUBLE_EQ(window.vppCount, line.vppCount);
        EXPECT_DOUBLE_EQ(window.sigma, line.sigma);
        EXPECT_DOUBLE_EQ(window.noiseFree, line.noiseFree);
    }
}

TEST(SimulatedProgram, ClosingTheWindowOrTheProgramStopsACaptureOnASilentBoard)
{
    for (int way = 0; way < 2; ++way) {
        SCOPED_TRACE(way);
        QTemporaryDir dir;
        FakeClock clock;
        ScriptedDialogs dialogs;
        AppContext ctx(clock, dialogs, dir.path());
        sim::SimulatedBoard board(clock);
        board.adc.asFastAsPossible = true;
        board.adc.Replay(NoisyCodes(300)); // then the board sends nothing more
        UseSimulatedBoard(ctx, board);
        Program program(ctx);
        LinkIo io = ctx.Link();
        uint8_t status = 0xFF;
        ASSERT_TRUE(ConnectLink(io, ctx.chipSlots[0].link, status));
        TAnxADC &anx = *program.Windows().anx;
        anx.SetNPointIndex(5); // 1024 samples, more than the board sends
        int pumps = 0;
        bool settingsLocked = false;
        // The capture pumps messages between passes: the close arrives there.
        std::function<void()> poke = [&] {
            if (++pumps == 50) {
                settingsLocked = !anx.findChild<QComboBox *>(QStringLiteral("TXScale"))->isEnabled() &&
                                 !anx.findChild<QComboBox *>(QStringLiteral("CMAVR"))->isEnabled();
                if (way == 0)
                    anx.ClosedByUser();
                else
                    program.Main().close(); // as SIGINT and SIGTERM do
            }
            if (pumps == 2000) {
                ctx.samples.CaptureIdle = true; // the test's own way out of a capture that goes on
                return;
            }
            QTimer::singleShot(0, &anx, poke);
        };
        QTimer::singleShot(0, &anx, poke);
        anx.CatchADCClick();
        EXPECT_GE(pumps, 50);
        EXPECT_LT(pumps, 2000) << "the capture went on after the close";
        EXPECT_TRUE(settingsLocked);
        EXPECT_TRUE(ctx.samples.CaptureIdle);
        EXPECT_EQ(board.usb.board.memory.Read(kCaptureModeAddress) & kStreamBit, 0);
        EXPECT_TRUE(anx.findChild<QComboBox *>(QStringLiteral("TXScale"))->isEnabled());
        if (way == 1) {
            EXPECT_TRUE(QFile::exists(ctx.ProgramFile(QStringLiteral("VekADC.cfg")))) << "settings saved";
        }
    }
}

TEST(SimulatedProgram, AnUnpluggedBoardFailsTheCaptureAndComesBackAtTheNextScan)
{
    QTemporaryDir dir;
    FakeClock clock;
    ScriptedDialogs dialogs;
    AppContext ctx(clock, dialogs, dir.path());
    sim::SimulatedBoard board(clock);
    board.adc.asFastAsPossible = true;
    QString error;
    ASSERT_TRUE(board.ApplyFault(QStringLiteral("unplug-after=30"), &error));
    EXPECT_FALSE(board.ApplyFault(QStringLiteral("unplug"), &error));
    UseSimulatedBoard(ctx, board);
    Program program(ctx);
    program.Main().USBScanClick();
    ASSERT_EQ(ctx.status.Text(0), QStringLiteral("USB On Line"));
    TAnxADC &anx = *program.Windows().anx;
    anx.SetNPointIndex(7); // 4096 samples
    anx.CatchADCClick();
    EXPECT_EQ(ctx.status.Text(2), QStringLiteral("Read Error !!!!!"));
    program.Main().USBScanClick();
    EXPECT_EQ(ctx.status.Text(0), QStringLiteral("USB On Line"));
    anx.CatchADCClick();
    EXPECT_EQ(ctx.status.Text(2), QStringLiteral("Read Compelete"));
}

// The board is looked for once, as soon as the main window is shown: "Read RAM" works in the
// first minute. The program's end gives the board's number back even after a capture failed.
TEST(SimulatedProgram, TheBoardIsFoundWhenTheWindowIsShownAndGivenBackAtTheEnd)
{
    QTemporaryDir dir;
    FakeClock clock;
    ScriptedDialogs dialogs;
    AppContext ctx(clock, dialogs, dir.path() + "/");
    sim::SimulatedBoard board(clock);
    board.adc.asFastAsPossible = true;
    UseSimulatedBoard(ctx, board);
    {
        Program program(ctx);
        ctx.setup.interfaceIndex = 1; // SPI
        program.Main().show();
        EXPECT_EQ(ctx.chipSlots[0].link.connected, 0);
        QCoreApplication::processEvents();
        ASSERT_EQ(ctx.chipSlots[0].link.connected, 1);
        EXPECT_EQ(ctx.status.Text(0), QStringLiteral("USB On Line"));
        EXPECT_TRUE(program.Main().windowTitle().contains(QStringLiteral("Now Chip is")));
        // Shown again (after a minimise): no second search.
        board.usb.board.ClearFrameLog();
        program.Main().hide();
        program.Main().show();
        QCoreApplication::processEvents();
        EXPECT_TRUE(board.usb.board.FrameLog().empty());
        // A reply goes missing in a capture: the failed transfer closes the link, the board
        // keeps the number this program gave it.
        board.usb.board.faults.noReply = true;
        program.Windows().anx->SetNPointIndex(7);
        program.Windows().anx->CatchADCClick();
        ASSERT_EQ(ctx.chipSlots[0].link.connected, 0);
        board.usb.board.faults = {};
        ASSERT_NE(board.usb.board.protocol.state.boardNumber, 0xFFFF);
    }
    EXPECT_EQ(board.usb.board.protocol.state.boardNumber, 0xFFFF);
}
