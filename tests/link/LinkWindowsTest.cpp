#include "app/MainPanel.h"
#include "app/Program.h"
#include "app/context/AppContext.h"
#include "link/ui/LinkWindows.h"
#include "sim/SimParallelChip.h"
#include "sim/SimUsbBackends.h"

#include <QLabel>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace vek::test {
namespace {

// The whole program on the simulated board.
struct Simulated {
    QTemporaryDir dir;
    FakeClock clock;
    ScriptedDialogs dialogs;
    sim::SimUsb usb;
    AppContext ctx{clock, dialogs, dir.path()};
    std::unique_ptr<Program> program;

    Simulated()
    {
        ctx.usb.hid = &usb.hid;
        ctx.usb.driver = &usb.driver;
        program = std::make_unique<Program>(ctx);
    }
    TVek_UP &Up() { return *program->Windows().up; }
};

TEST(LinkSupervisor, TimerRunsEveryTwoSecondsFromCreation)
{
    Simulated s;
    EXPECT_TRUE(s.Up().Timer1()->isActive());
    EXPECT_EQ(s.Up().Timer1()->interval(), 2000);
    EXPECT_TRUE(s.Up().isHidden());
}

TEST(LinkSupervisor, FifteenthTickConnectsTheBoard)
{
    Simulated s;
    s.ctx.setup.interfaceIndex = 2; // Special
    for (int i = 0; i < 14; ++i)
        s.Up().Timer1Timer();
    EXPECT_EQ(s.usb.board.FramesReceived(), 0);
    EXPECT_EQ(s.ctx.status.Text(0), QString());
    s.Up().Timer1Timer();
    EXPECT_EQ(s.ctx.status.Text(0), QStringLiteral("USB On Line"));
    EXPECT_EQ(s.program->Main().StatusField(0)->text(), QStringLiteral("USB On Line"));
    EXPECT_EQ(s.ctx.chipSlots[0].link.connected, 1);
    EXPECT_EQ(s.ctx.upTickCount, 0);

    // The board goes away: the next check says so, and the one after a re-plug finds it again.
    s.usb.board.Unplug();
    for (int i = 0; i < 15; ++i)
        s.Up().Timer1Timer();
    EXPECT_EQ(s.ctx.status.Text(0), QStringLiteral("USB not Connect !!!"));
    EXPECT_EQ(s.usb.hid.OpenHandles(), 0);
    s.usb.board.Plug();
    for (int i = 0; i < 15; ++i)
        s.Up().Timer1Timer();
    EXPECT_EQ(s.ctx.status.Text(0), QStringLiteral("USB On Line"));
}

TEST(LinkSupervisor, SerialAndParallelNeverTouchUsb)
{
    for (int iface : {0, 3}) {
        Simulated s;
        s.ctx.setup.interfaceIndex = iface;
        for (int i = 0; i < 30; ++i)
            s.Up().Timer1Timer();
        EXPECT_EQ(s.usb.hid.OpensTried(), 0) << iface;
        EXPECT_EQ(s.ctx.status.Text(0), QString()) << iface;
    }
}

TEST(LinkSupervisor, ParallelLinkStartsWithItsOutcomeInTheStatusLine)
{
    Simulated s;
    sim::SimParallelChip chip{s.usb.board.memory, nullptr};
    sim::SimParallelPlatform platform{chip};
    s.ctx.parallel.platform = &platform;
    s.ctx.setup.interfaceIndex = 3;
    s.ctx.setup.lptBaseAddress = 0x278;
    platform.openError = ParallelOpenError::Permission;
    ASSERT_TRUE(s.ctx.hooks.startParallelLink);
    s.ctx.hooks.startParallelLink();
    EXPECT_EQ(s.program->Main().StatusField(0)->text(),
              QStringLiteral("LPT simulated parport0: permission denied"));
    EXPECT_FALSE(s.Up().ReadChip(0x40, 1));

    platform.openError = ParallelOpenError::None;
    s.ctx.hooks.startParallelLink();
    EXPECT_EQ(s.ctx.status.Text(0), QStringLiteral("LPT simulated parport0"));
    EXPECT_TRUE(chip.ByteMode());
    // A register write from the windows reaches the chip and reads back into the image.
    s.Up().WriteRegister(0x45, 0x9C);
    EXPECT_EQ(s.usb.board.memory.Read(0x45), 0x9C);
    EXPECT_EQ(s.Up().GetImageByte(0x45), 0x9C);
    EXPECT_EQ(s.usb.board.FramesReceived(), 0);
}

TEST(LinkSupervisor, UsbScanFindsTheBoardAndNamesTheChip)
{
    Simulated s;
    s.ctx.setup.interfaceIndex = 1;
    s.ctx.setup.chipModelIndex = 2;
    s.program->Main().USBScanClick();
    EXPECT_EQ(s.ctx.status.Text(0), QStringLiteral("USB On Line"));
    EXPECT_TRUE(s.program->Main().windowTitle().startsWith(
        QStringLiteral("Vek-ENOBTEST V1.7 HID ---- Now Chip is  ")));

    // Chip access from the windows reaches the board's chip.
    s.ctx.transferBuffer[5] = 0x3C;
    EXPECT_TRUE(s.Up().WriteChip(0x80, 1));
    EXPECT_EQ(s.usb.board.memory.Read(0x80), 0x3C);
    s.Up().WriteRegister(0x81, 0x44);
    EXPECT_EQ(s.Up().GetImageByte(0x81), 0x44);
    s.Up().SleepChip();
    EXPECT_EQ(s.usb.board.memory.Read(0xFD), 0xA5);
}

TEST(LinkSupervisor, UsbScanWithoutBoardSaysNotConnected)
{
    Simulated s;
    s.usb.board.Unplug();
    s.ctx.setup.interfaceIndex = 4;
    s.program->Main().USBScanClick();
    EXPECT_EQ(s.ctx.status.Text(0), QStringLiteral("USB not Connect !!!"));
}

TEST(LinkSupervisor, ProgramEndReleasesTheBoard)
{
    Simulated s;
    s.ctx.setup.interfaceIndex = 1;
    s.program->Main().USBScanClick();
    ASSERT_EQ(s.usb.board.protocol.state.boardNumber, 0);
    s.usb.board.ClearFrameLog();
    s.program.reset();
    ASSERT_EQ(s.usb.board.FrameLog().size(), 1u);
    const std::vector<uint8_t> &f = s.usb.board.FrameLog()[0];
    EXPECT_EQ(std::vector<uint8_t>(f.begin(), f.begin() + 4), (std::vector<uint8_t>{0xF9, 0x01, 0xFF, 0xFF}));
    EXPECT_EQ(s.usb.board.protocol.state.boardNumber, 0xFFFF);
    EXPECT_EQ(s.usb.hid.OpenHandles(), 0);
}

} // namespace
} // namespace vek::test
