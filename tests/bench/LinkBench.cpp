// Speed of the device link on the simulated board: the host time of one frame exchange through
// the HID path, and the processor time a 50 ms pause costs. Prints the figures; not a test.
#include "app/base/CommandLine.h"
#include "app/base/Clock.h"
#include "link/UsbTransport.h"
#include "sim/SimUsbBackends.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    if (const int rc = vek::RefuseEveryArgument("link_bench", argc, argv))
        return rc;
    using namespace vek;
    SystemClock clock;
    sim::SimUsb usb;
    usb.board.keepFrameLog = false;
    UsbBus bus;
    bus.hid = &usb.hid;
    bus.driver = &usb.driver;
    TransferBuffer buffer{};
    uint8_t hidMode = 0;
    LinkIo io{bus, buffer, hidMode, clock};
    UsbLink link;
    uint8_t status = 0;
    if (!ConnectLink(io, link, status)) {
        std::fprintf(stderr, "the simulated board was not found\n");
        return 1;
    }

    // One exchange: the identity frame out, its 8-byte reply back, as whole 65-byte reports.
    constexpr int kExchanges = 200000;
    const auto start = std::chrono::steady_clock::now();
    int good = 0;
    for (int i = 0; i < kExchanges; ++i)
        good += IdentifyBoard(io, link) ? 1 : 0;
    const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    std::printf("frame exchange through the simulated HID path: %.3f us (%d exchanges, %d identified; "
                "target under 20 us)\n",
                us / kExchanges, kExchanges, good);

    // The 50 ms pause after every chip access.
    constexpr int kPauses = 20;
    const double cpu0 = CpuMs();
    const auto wall0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kPauses; ++i)
        WaitDays(clock, 50.0 / kMsPerDay);
    const double cpu = (CpuMs() - cpu0) / kPauses;
    const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall0).count() / kPauses;
    std::printf("50 ms pause: %.3f ms of processor time, %.3f ms on the wall clock (%d pauses; "
                "target near zero processor time)\n",
                cpu, wall, kPauses);
    return good == kExchanges ? 0 : 1;
}
