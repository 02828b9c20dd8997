// Speed of the parallel-port link on the simulated chip: host time per bit through the port
// registers, and how many register accesses (one ioctl each on ppdev) a byte costs. Prints the
// figures; not a test.
#include "app/base/CommandLine.h"
#include "link/ChipAccess.h"
#include "link/ParallelLink.h"
#include "sim/SimParallelChip.h"

#include <chrono>
#include <cstdio>

int main(int argc, char **argv)
{
    if (const int rc = vek::RefuseEveryArgument("parallel_bench", argc, argv))
        return rc;
    using namespace vek;
    sim::SimChipMemory memory;
    sim::SimParallelChip chip(memory, nullptr);
    sim::SimParallelPlatform platform(chip);
    ParallelLink link;
    link.platform = &platform;
    if (!link.InitParallel(0x378)) {
        std::fprintf(stderr, "the simulated port did not open\n");
        return 1;
    }

    // Bits out and in, inside one frame so the chip shifts every one of them.
    constexpr int kBytes = 2000000;
    link.BeginFrame();
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kBytes; ++i)
        link.SendByte(uint8_t(i));
    const double sendNs =
        std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() / (kBytes * 8.0);
    link.EndFrame();
    link.BeginFrame();
    link.SendByte(0xC0);
    link.SendByte(0);
    link.SendByte(0);
    volatile uint8_t sink = 0; // keeps the received bytes from being optimised away
    uint8_t b = 0;
    start = std::chrono::steady_clock::now();
    for (int i = 0; i < kBytes; ++i) {
        link.ReceiveByte(b);
        sink = uint8_t(sink ^ b);
    }
    const double receiveNs =
        std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() / (kBytes * 8.0);
    link.EndFrame();
    std::printf("host time per bit through the simulated port: send %.1f ns, receive %.1f ns "
                "(%d bytes each way; target under 1000 ns)\n",
                sendNs, receiveNs, kBytes);

    // Register accesses, each one ioctl on ppdev.
    auto accessesOf = [&](auto &&work) {
        const uint64_t before = platform.accesses;
        work();
        return (unsigned long long)(platform.accesses - before);
    };
    const auto send = accessesOf([&] { link.SendByte(0x5A); });
    const auto receive = accessesOf([&] { link.ReceiveByte(b); });
    const auto pause = accessesOf([&] { link.PortWait(kParallelBytePause); });
    FakeClock clock;
    TransferBuffer buffer{};
    const auto read1 = accessesOf([&] { ParallelChipRead(&link, buffer, clock, 0x100, 1); });
    const auto read64 = accessesOf([&] { ParallelChipRead(&link, buffer, clock, 0x100, 64); });
    std::printf("register accesses (ioctls on ppdev): SendByte %llu, ReceiveByte %llu, pause between bytes "
                "%llu; one byte with its pause %llu; chip read of 1 byte %llu, of 64 bytes %llu "
                "(%.1f per data byte)\n",
                send, receive, pause, receive + pause, read1, read64, double(read64 - read1) / 63.0);
    return 0;
}
