// Soak run of the device link on the simulated board: thousands of streamed captures and
// "Read RAM"-sized block reads, each with the board pulled out at a random frame and plugged in
// again after a random 0-2 s on the fake clock, then a scan until the link is back. Prints the
// counts that show every capture and read recovers; not a test.
#include "analysis/EnobMeasurement.h"
#include "app/base/Clock.h"
#include "app/base/CommandLine.h"
#include "link/ChipAccess.h"
#include "link/UsbTransport.h"
#include "sim/SimulatedBoard.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

using namespace vek;

namespace {

struct Counts {
    int runs = 0, sawUnplug = 0, failures = 0, failuresWithoutUnplug = 0, successesThroughUnplug = 0;
    int hangs = 0, partialFigures = 0, reconnects = 0, lostForGood = 0;
    double longestReplugToOnlineMs = 0;
};

// The path: 0 HID, 1 the maker's driver (bulk pipes).
void Soak(int path, bool capture, int runs, Counts &c)
{
    FakeClock clock;
    sim::SimulatedBoard board(clock);
    board.adc.asFastAsPossible = true;
    if (path == 1) {
        board.usb.hid.devices.clear();
        board.usb.driver.devices.push_back(sim::SimDriverDevice{sim::kBoardDriverVendor, sim::kBoardDriverProduct,
                                                                &board.usb.board, false});
    }
    UsbBus bus;
    bus.hid = &board.usb.hid;
    bus.driver = &board.usb.driver;
    TransferBuffer buffer{};
    uint8_t hidMode = 0;
    ChipSlots chips{};
    chips[0].interfaceKind = InterfaceKind::SPI;
    ScaleDmmMemory scaleDmm;
    const std::function<void()> noRefresh;
    LinkIo io{bus, buffer, hidMode, clock};
    ChipPort port{io, chips, false, QString(), scaleDmm, noRefresh, nullptr};
    std::mt19937 rng(1234u + unsigned(path) * 7u + (capture ? 1u : 0u));
    uint8_t status = 0xFF;
    if (!ConnectLink(io, chips[0].link, status)) {
        std::fprintf(stderr, "no simulated board on path %d\n", path);
        std::exit(1);
    }
    // One run without a fault says how many frames a run takes, so every unplug falls inside one.
    auto doRun = [&](bool &partial) {
        partial = false;
        if (capture) {
            SampleStore store;
            AnalysisResults results;
            EnobOptions options;
            options.samples = 1024;
            const EnobRun r = MeasureEnob(port, InterfaceKind::SPI, store, options, results);
            partial = r.ok && r.sampleCount < 1024;
            return r.ok;
        }
        bool ok = true;
        for (int block = 0; block < 16 && ok; ++block)
            ok = ReadChip(port, uint16_t(block * 64), 64, 0);
        return ok;
    };
    bool partial = false;
    const int cleanStart = board.usb.board.FramesReceived();
    if (!doRun(partial)) {
        std::fprintf(stderr, "a run without faults failed on path %d\n", path);
        std::exit(1);
    }
    const int framesPerRun = board.usb.board.FramesReceived() - cleanStart;
    for (int run = 0; run < runs; ++run) {
        ++c.runs;
        const int framesBefore = board.usb.board.FramesReceived();
        const int unplugAt = framesBefore + std::uniform_int_distribution<int>(1, std::max(1, framesPerRun - 1))(rng);
        const int replugMs = std::uniform_int_distribution<int>(0, 2000)(rng);
        board.usb.board.faults.unplugAfterFrames = unplugAt;
        board.usb.board.faults.replugAfterMs = replugMs;
        const int generation = board.usb.board.Generation();
        const double start = clock.NowDays();
        const bool ok = doRun(partial);
        c.partialFigures += partial ? 1 : 0;
        const double tookMs = (clock.NowDays() - start) * kMsPerDay;
        if (tookMs > 60000)
            ++c.hangs;
        const bool unplugged = !board.usb.board.Plugged() || board.usb.board.Generation() != generation;
        const double unpluggedAt = clock.NowDays();
        c.sawUnplug += unplugged ? 1 : 0;
        if (!ok) {
            ++c.failures;
            c.failuresWithoutUnplug += unplugged ? 0 : 1;
        } else if (unplugged) {
            // The board went away right after the run's last frame: only the scan sees it.
            ++c.successesThroughUnplug;
        }
        board.usb.board.faults.unplugAfterFrames = -1;
        if (!unplugged && chips[0].link.handle >= 0)
            continue;
        // The supervisor's scan, every 500 ms, until the board is back (30 s at most).
        ReleaseBoard(io, chips[0].link);
        bool back = false;
        for (int tries = 0; tries < 60 && !back; ++tries) {
            back = ConnectLink(io, chips[0].link, status);
            if (!back)
                WaitMs(clock, 500);
        }
        if (!back) {
            ++c.lostForGood;
            continue;
        }
        ++c.reconnects;
        const double onlineMs = (clock.NowDays() - unpluggedAt) * kMsPerDay - replugMs;
        c.longestReplugToOnlineMs = std::max(c.longestReplugToOnlineMs, onlineMs);
    }
}

} // namespace

int main(int argc, char **argv)
{
    // soak_bench [RUNS]: runs per path and kind, 1000 when not given.
    if (argc > 2)
        return vek::RefuseArguments("soak_bench", QStringLiteral("takes at most one argument, RUNS"));
    int runs = 1000;
    if (argc == 2) {
        const auto n = vek::ParseWholeNumber(QString::fromLocal8Bit(argv[1]), 1, 1000000);
        if (!n)
            return vek::RefuseArguments("soak_bench", QStringLiteral("RUNS \"%1\": a whole number from 1 to 1000000")
                                                          .arg(QString::fromLocal8Bit(argv[1])));
        runs = int(*n);
    }
    const char *pathNames[2] = {"HID", "driver"};
    bool clean = true;
    for (int path = 0; path < 2; ++path)
        for (bool capture : {true, false}) {
            Counts c;
            Soak(path, capture, runs, c);
            std::printf("%-6s %-16s runs %d, unplugged %d, failed %d (failed without an unplug %d, "
                        "unplugged after their last frame %d), hangs %d, crashes 0, figures from a partial capture %d, "
                        "reconnects %d, never back %d, longest replug to on line %.0f ms (fake clock)\n",
                        pathNames[path], capture ? "streamed capture" : "RAM block reads", c.runs, c.sawUnplug,
                        c.failures, c.failuresWithoutUnplug, c.successesThroughUnplug, c.hangs, c.partialFigures,
                        c.reconnects, c.lostForGood, c.longestReplugToOnlineMs);
            clean &= c.failuresWithoutUnplug == 0 && c.hangs == 0 && c.partialFigures == 0 && c.lostForGood == 0;
        }
    std::printf("%s\n", clean ? "every run recovered" : "SOME RUNS DID NOT RECOVER");
    return clean ? 0 : 1;
}
