// Arbitrary replies from a board to every exchange of the link: the search, the identity check,
// the chip access dialects and the board commands must end with a clear result, never a crash.
#include "app/base/Clock.h"
#include "link/ChipAccess.h"
#include "link/UsbTransport.h"
#include "FuzzHid.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>


extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    vek::FakeClock clock;
    vek::fuzz::ReplayHid hid(data, size);
    vek::UsbBus bus;
    bus.hid = &hid;
    vek::TransferBuffer buffer{};
    uint8_t hidMode = 0;
    vek::LinkIo io{bus, buffer, hidMode, clock};
    vek::ChipSlots chips{};
    vek::ScaleDmmMemory scaleDmm;
    std::function<void()> refresh;
    vek::ChipPort port{io, chips, true, QString(), scaleDmm, refresh, nullptr};
    vek::UsbLink &link = chips[0].link;
    uint8_t status = 0;
    vek::ConnectLink(io, link, status);
    for (vek::InterfaceKind kind : {vek::InterfaceKind::SPI, vek::InterfaceKind::Special, vek::InterfaceKind::UART}) {
        chips[0].interfaceKind = kind;
        link.connected = 1; // keep the dialects talking even after a failed transfer
        vek::ReadChip(port, 0x123, 8, 0);
        vek::WriteRegister(port, 0x1B, 0x55, 0);
        vek::WriteRegister(port, 0x3D, 0x66, 0);
    }
    uint8_t b1, b2, b3;
    vek::ReadBoardStatus(io, link, b1, b2, b3);
    QString text;
    vek::ReadBoardText(io, link, text);
    vek::PulseReset(io, link);
    vek::ReleaseBoard(io, link);
    return 0;
}
