// Channel switch test figures: the program's own work per 48-byte result block (decoding and
// placement alone, and a whole block request against the simulated board), and a full
// 8 x 64 x 256 run on the simulated board's timing (the 50 ms pause after every access, the
// converter's data rate), measured on a fake clock.
#include "app/base/CommandLine.h"
#include "bench/SwitchRun.h"
#include "link/ChipBlockTransfer.h"
#include "sim/SimAdc.h"
#include "sim/SimBlockTransfer.h"
#include "sim/SimSwitchTest.h"
#include "sim/SimUsbBackends.h"

#include <chrono>
#include <cstdio>

using namespace vek;
using Wall = std::chrono::steady_clock;

namespace {

double Seconds(Wall::time_point since) { return std::chrono::duration<double>(Wall::now() - since).count(); }

struct Rig {
    FakeClock clock;
    sim::SimUsb usb;
    sim::SimAdc adc{usb.board, clock};
    sim::SimBlockTransfer transfer{usb.board.memory};
    sim::SimSwitchTest firmware{usb.board, adc, clock, transfer};
    UsbBus bus;
    TransferBuffer buffer{};
    uint8_t hidMode = 0;
    ChipSlots chips{};
    ScaleDmmMemory scaleDmm;
    std::function<void()> refresh;
    LinkIo io{bus, buffer, hidMode, clock};
    ChipPort port{io, chips, false, QString(), scaleDmm, refresh, nullptr};

    Rig()
    {
        bus.hid = &usb.hid;
        bus.driver = &usb.driver;
        usb.board.keepFrameLog = false;
        uint8_t s = 0;
        ConnectLink(io, chips[0].link, s);
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (const int rc = vek::RefuseEveryArgument("switch_run_bench", argc, argv))
        return rc;
    // 1. Decoding and placement of one block.
    {
        SwitchTest t;
        std::vector<uint8_t> block(48);
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = uint8_t(i * 37);
        const std::vector<int> channels = {0, 1, 2, 3, 4, 5, 6, 7};
        const int blocks = 200000;
        const auto start = Wall::now();
        int q = 0;
        for (int b = 0; b < blocks; ++b) {
            if (q >= 8 * 64 * 256)
                q = 0;
            PlaceSwitchResults(block.data(), 48, q, channels, 64, 256, t);
        }
        std::printf("decode and place: %.3f us per 48-byte block\n", Seconds(start) / blocks * 1e6);
    }
    // 2. A whole block request (offset, length, request bit, poll, read, placement) against the
    // simulated board: processor time, the board's part included.
    {
        Rig rig;
        rig.transfer.data.assign(3 * 16 * 4096, 0x5A);
        SwitchTest t;
        const std::vector<int> channels = {0};
        ChipPoll poll;
        const int blocks = 4096;
        const auto start = Wall::now();
        int q = 0;
        for (int b = 0; b < blocks; ++b) {
            if (FetchChipBlock(rig.port, uint32_t(q) * 3, 48, 0, poll) != BlockResult::Ok) {
                std::printf("block request failed\n");
                return 1;
            }
            PlaceSwitchResults(rig.buffer.data(), 48, q, channels, 64, 1, t);
        }
        std::printf("block request on the simulated board: %.3f ms processor time per block, %.1f ms board time\n",
                    Seconds(start) / blocks * 1e3, rig.clock.SleptMs() / blocks);
    }
    // 3. A full run: 8 channels, 64 samples, 256 loops, at two oversampling ratios.
    for (uint8_t osr : {0, 3}) {
        Rig rig;
        SwitchTest t;
        t.checked.fill(true);
        ApplySampleIndex(t, 6);
        ApplyLoopIndex(t, 8);
        for (ChannelSet &s : t.sets)
            s.values[1] = osr; // register 0x30
        SwitchRunIo io(rig.port);
        bool stop = false;
        io.stop = &stop;
        const double begin = rig.clock.NowDays();
        const auto start = Wall::now();
        const SwitchRunOutcome out = RunSwitchTest(io, t);
        const double simulated = (rig.clock.NowDays() - begin) * 86400;
        std::printf("full run 8 x 64 x 256, OSR %d: %s, %d results; converting %.1f s, whole run %.0f s "
                    "(%.1f min) on the board's timing; %.2f s processor time\n",
                    32 << osr, out.end == SwitchRunEnd::Complete ? "complete" : "FAILED", out.received,
                    rig.firmware.LastRunSeconds(), simulated, simulated / 60, Seconds(start));
    }
    return 0;
}
