// "Catch ADC" in the analysis window against the simulated board: a whole capture, a capture
// stopped by a second click, and a board pulled out in the middle.
#include "analysis/Acquisition.h"
#include "analysis/ui/CaptureHooks.h"
#include "analysis/ui/TAnxADC.h"
#include "app/context/AppContext.h"
#include "sim/SimAdc.h"
#include "sim/SimUsbBackends.h"

#include <QComboBox>
#include <QLabel>
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
