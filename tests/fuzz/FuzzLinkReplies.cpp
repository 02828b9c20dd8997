// Arbitrary replies from a board to every exchange of the link: the search, the identity check,
// the chip access dialects and the board commands must end with a clear result, never a crash.
#include "app/base/Clock.h"
#include "link/ChipAccess.h"
#include "link/UsbTransport.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>

namespace {

// A HID bus with one device whose attributes and replies come from the fuzz input.
class ReplayHid final : public vek::HidBackend {
public:
    ReplayHid(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}
    int64_t Hid_GetDeviceH(uint8_t &found, int index) override
    {
        found = index == 0 ? 1 : 0;
        return index == 0 ? 7 : -1;
    }
    bool Hid_Get_att(int64_t, uint16_t &in, uint16_t &out, vek::HidAttributes &att) override
    {
        in = uint16_t(Next() % 80);
        out = uint16_t(Next() % 80);
        att = {0x04D8, 0x2008, 0x0727};
        if (Next() & 1)
            att.versionNumber = 0x0728;
        return true;
    }
    bool WriteReport(int64_t, const uint8_t *, size_t) override { return (Next() & 7) != 0; }
    int ReadReport(int64_t, uint8_t *report, size_t length) override
    {
        if (m_pos >= m_size)
            return -1;
        const size_t n = std::min<size_t>(Next() % (length + 1), length);
        for (size_t i = 0; i < n; ++i)
            report[i] = Next();
        return int(n);
    }
    void Close(int64_t) override {}

private:
    uint8_t Next() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    vek::FakeClock clock;
    ReplayHid hid(data, size);
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
