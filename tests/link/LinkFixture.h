#pragma once
// A simulated bench for the link tests: one simulated board that can sit on the HID bus or the
// driver bus, the transport state, the chip slots and a fake clock.
#include "app/base/Clock.h"
#include "link/ChipAccess.h"
#include "link/UsbTransport.h"
#include "sim/SimUsbBackends.h"

#include <QByteArray>
#include <functional>
#include <vector>

namespace vek::test {

struct LinkBench {
    FakeClock clock;
    sim::SimBoard board;
    sim::SimHidBackend hid;
    sim::SimUsbDriverBackend driver;
    UsbBus bus;
    TransferBuffer buffer{};
    uint8_t hidMode = 0;
    ChipSlots chips{};
    ScaleDmmMemory scaleDmm;
    int refreshes = 0;
    std::function<void()> refresh = [this]() { ++refreshes; };
    bool photo = true;
    QString productName;

    LinkBench()
    {
        bus.hid = &hid;
        bus.driver = &driver;
    }
    void BoardOnHid(int foreignBefore = 0)
    {
        for (int i = 0; i < foreignBefore; ++i)
            hid.devices.push_back({HidAttributes{0x046D, 0xC52B, 0x1200}, nullptr});
        hid.devices.push_back({sim::kBoardHidAttributes, &board});
    }
    void BoardOnDriver(int foreignBefore = 0)
    {
        for (int i = 0; i < foreignBefore; ++i)
            driver.devices.push_back({0x1D6B, 0x0002, nullptr});
        driver.devices.push_back({sim::kBoardDriverVendor, sim::kBoardDriverProduct, &board});
    }
    LinkIo Io() { return LinkIo{bus, buffer, hidMode, clock}; }
    ChipPort Port() { return ChipPort{Io(), chips, photo, productName, scaleDmm, refresh, nullptr}; }
    UsbLink &Link() { return chips[0].link; }
    bool Connect(uint8_t *statusOut = nullptr)
    {
        uint8_t status = 0;
        LinkIo io = Io();
        const bool ok = ConnectLink(io, Link(), status);
        if (statusOut)
            *statusOut = status;
        return ok;
    }
    // The frames the board received since the log was last cleared, as hex texts.
    std::vector<QByteArray> Frames(size_t bytesEach = 0) const
    {
        std::vector<QByteArray> out;
        for (const auto &f : board.FrameLog()) {
            const size_t n = bytesEach ? std::min(bytesEach, f.size()) : f.size();
            out.push_back(QByteArray(reinterpret_cast<const char *>(f.data()), qsizetype(n)).toHex(' ').toUpper());
        }
        return out;
    }
};

} // namespace vek::test
