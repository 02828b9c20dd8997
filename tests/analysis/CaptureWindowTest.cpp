// "Catch ADC" in the analysis window against the simulated board: a whole capture, a capture
// stopped by a second click, and a board pulled out in the middle.
#include "analysis/Acquisition.h"
#include "analysis/SampleGridModel.h"
#include "analysis/ui/CaptureHooks.h"
#include "analysis/ui/TAnxADC.h"
#include "app/context/AppContext.h"
#include "sim/SimAdc.h"
#include "sim/SimChipMonitor.h"
#include "sim/instruments/LoopbackPort.h"
#include "instruments/SetupPorts.h"
#include "sim/SimUsbBackends.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace vek;

namespace {

struct Rig {
    QTemporaryDir dir;
    FakeClock clock;
    ScriptedDialogs dialogs;
    AppContext ctx{clock, dialogs, dir.path()};
    sim::SimUsb usb;
    sim::SimAdc adc{usb.board, clock};
    TAnxADC anx{ctx};
    std::vector<bool> menus;

    Rig()
    {
        usb.board.keepFrameLog = false;
        ctx.usb.hid = &usb.hid;
        ctx.usb.driver = &usb.driver;
        Connect();
        ConnectCaptureHooks(anx, ctx);
        anx.hooks.setBoardMenusEnabled = [this](bool on) { menus.push_back(on); };
    }
    void Connect()
    {
        LinkIo io = ctx.Link();
        uint8_t status = 0xFF;
        EXPECT_TRUE(ConnectLink(io, ctx.chipSlots[0].link, status));
    }
    uint8_t Mode() const { return usb.board.memory.Read(kCaptureModeAddress); }
};

} // namespace

TEST(CaptureWindow, CatchAdcCapturesAndShowsTheFigures)
{
    Rig rig;
    rig.adc.asFastAsPossible = true;
    rig.anx.SetNPointIndex(rig.anx.NPointIndex() + 2); // 1024 samples
    rig.anx.CatchADCClick();
    EXPECT_EQ(rig.ctx.status.Text(2), QStringLiteral("Read Compelete"));
    EXPECT_GE(rig.ctx.samples.SampleCount, 1024);
    EXPECT_FALSE(rig.anx.ResultBox("TXENOB")->text().isEmpty());
    EXPECT_FALSE(rig.ctx.status.GaugeVisible());
    EXPECT_EQ(rig.Mode() & kStreamBit, 0);
    EXPECT_EQ(rig.menus, (std::vector<bool>{false, true}));
}

TEST(CaptureWindow, SecondClickStopsTheCapture)
{
    Rig rig;
    rig.anx.SetNPointIndex(11); // 65536 at the data rate: a long capture
    const int32_t target = rig.ctx.samples.TargetCount;
    // The click arrives through the message pump the capture runs between blocks.
    QTimer::singleShot(0, &rig.anx, [&rig] {
        EXPECT_TRUE(rig.adc.Streaming());
        rig.anx.CatchADCClick();
    });
    rig.anx.CatchADCClick();
    EXPECT_EQ(rig.ctx.status.Text(2), QStringLiteral("Read Error !!!!!"));
    EXPECT_LT(rig.ctx.samples.SampleCount, target);
    EXPECT_EQ(rig.Mode() & kStreamBit, 0) << "streaming switched off after a stop";
    EXPECT_FALSE(rig.ctx.status.GaugeVisible());
    EXPECT_TRUE(rig.ctx.samples.CaptureIdle);
}

TEST(CaptureWindow, ClickReturnsAtOnceAndStopIsReachableThroughTheAccessibilityLayer)
{
    Rig rig;
    rig.anx.SetNPointIndex(11); // 65536 at the data rate: a long capture
    rig.anx.CatchADC()->click();
    EXPECT_FALSE(rig.adc.Streaming()) << "the capture must not run inside the click";
    EXPECT_TRUE(rig.ctx.samples.CaptureIdle);

    // The event loop keeps turning during the capture; after some turns the button is pressed
    // again through the accessibility layer, as a screen reader would, and stops it.
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        QThread::msleep(2); // a bench's pace: the press below takes effect on the button's release
        if (rig.adc.Streaming() && ++ticks == 5) {
            QAccessibleInterface *button = QAccessible::queryAccessibleInterface(rig.anx.CatchADC());
            ASSERT_TRUE(button && button->actionInterface());
            EXPECT_EQ(button->text(QAccessible::Name), QStringLiteral("Catch ADC"));
            button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        }
    });
    ticker.start(0);
    QElapsedTimer wall;
    wall.start();
    while (rig.ctx.status.Text(2) != QStringLiteral("Read Error !!!!!") && wall.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_GE(ticks, 5);
    EXPECT_EQ(rig.ctx.status.Text(2), QStringLiteral("Read Error !!!!!"));
    EXPECT_LT(rig.ctx.samples.SampleCount, 65536);
    EXPECT_EQ(rig.Mode() & kStreamBit, 0);
    EXPECT_TRUE(rig.ctx.samples.CaptureIdle);
}

TEST(CaptureWindow, BoardPulledOutMidCaptureThenNextClickWorks)
{
    Rig rig;
    rig.adc.asFastAsPossible = true;
    rig.anx.SetNPointIndex(11); // 65536
    rig.usb.board.faults.unplugAfterFrames = rig.usb.board.FramesReceived() + 20;
    rig.anx.CatchADCClick();
    EXPECT_EQ(rig.ctx.status.Text(2), QStringLiteral("Read Error !!!!!"));
    EXPECT_FALSE(rig.ctx.status.GaugeVisible());
    EXPECT_TRUE(rig.ctx.samples.CaptureIdle);
    EXPECT_EQ(rig.menus.back(), true) << "menus enabled again";

    rig.usb.board.Plug();
    rig.Connect();
    rig.anx.SetNPointIndex(0);
    rig.anx.CatchADCClick(); // one click starts a new capture
    EXPECT_EQ(rig.ctx.status.Text(2), QStringLiteral("Read Compelete"));
}

TEST(CaptureWindow, CalibrationVoltageTakesTheLastConversion)
{
    Rig rig;
    rig.adc.frontNoiseVolts = 0;
    rig.adc.converterNoiseVolts = 0;
    rig.anx.CalVal()->setText(QStringLiteral("750"));
    // Full width, so the result is the code itself. The chip's gain register (all zero) gives
    // 0.25: 10 mV then reads as 8738 at 1.2 V (2^22 codes to the reference), plus the converter's
    // offset of 37.
    rig.anx.SetTXScaleIndex(16); // 24 bits
    ASSERT_EQ(rig.ctx.samples.ScaleDivisor, 1);
    ASSERT_EQ(rig.adc.Gain(), 0.25);
    rig.anx.SetCFunADCIndex(0); // "Free": the input conversion as it is
    rig.anx.BCALValClick();
    EXPECT_EQ(rig.anx.CalibrationInput(), 750);
    EXPECT_EQ(rig.anx.CalibrationResult(), 8738 + 37);
    rig.anx.SetCFunADCIndex(3); // "Chopper": half the difference to the zero conversion
    rig.anx.BCALValClick();
    EXPECT_EQ(rig.anx.CalibrationResult(), 8738 / 2);
    rig.anx.SetCFunADCIndex(1); // "Cancel Pos Zero": the zero conversion taken off
    rig.anx.BCALValClick();
    EXPECT_EQ(rig.anx.CalibrationResult(), 8738);
    EXPECT_TRUE(rig.anx.BCALVal()->isEnabled());

    // Without a board the three conversions give up after two seconds each and keep the pair.
    rig.usb.board.Unplug();
    rig.anx.CalVal()->setText(QStringLiteral("100"));
    const double start = rig.clock.NowDays();
    rig.anx.BCALValClick();
    EXPECT_NEAR((rig.clock.NowDays() - start) * kMsPerDay, 6000.0, 50.0);
    EXPECT_EQ(rig.anx.CalibrationInput(), 750);
    EXPECT_EQ(rig.anx.CalibrationResult(), 8738);
    EXPECT_EQ(rig.ctx.status.Text(2), QStringLiteral("Read Error !!!!!"));
    EXPECT_TRUE(rig.anx.BCALVal()->isEnabled());
}

TEST(CaptureWindow, CatchAdcOnTheChipsComPort)
{
    Rig rig;
    rig.adc.asFastAsPossible = true;
    sim::LoopbackBench bench(rig.clock);
    auto line = bench.Attach("COM3", std::make_shared<sim::SimChipMonitor>(rig.usb.board.memory, &rig.adc));
    rig.ctx.serialPorts.SetOpener(bench.Opener());
    // What the setup dialog does for "RS232" on COM3 at 115200 baud.
    rig.ctx.setup.interfaceIndex = 0;
    rig.ctx.chipSlots[0].interfaceKind = InterfaceKind::RS232;
    ApplyChipComPort(rig.ctx.serialPorts, rig.ctx.chipComPorts, rig.ctx.chipSlots[0], 2, 10, 0);
    ASSERT_EQ(rig.ctx.chipSlots[0].comOpen, 1);

    rig.anx.SetNPointIndex(rig.anx.NPointIndex() + 2); // 1024 samples: several passes
    rig.anx.CatchADCClick();
    EXPECT_EQ(rig.ctx.status.Text(2), QStringLiteral("Read Compelete"));
    EXPECT_GE(rig.ctx.samples.SampleCount, 1024);
    EXPECT_FALSE(rig.anx.ResultBox("TXENOB")->text().isEmpty());
    EXPECT_EQ(rig.Mode() & kStreamBit, 0);
    EXPECT_TRUE(line->written.startsWith(QByteArray::fromHex("55c0f0000155")));
    // Values wider than a column can be read from the cell's tool tip.
    SampleGridModel *grid = rig.anx.GridModel();
    const QModelIndex cell = grid->index(3, 5);
    EXPECT_FALSE(grid->data(cell).toString().isEmpty());
    EXPECT_EQ(grid->data(cell, Qt::ToolTipRole).toString(), grid->data(cell).toString());
    EXPECT_EQ(rig.ctx.status.Text(1), QString()); // a clean line
}
