#pragma once
// The serial ports of the bench instruments: 0 calibrator, 1 power supply, 2..7 meter channels;
// the buffers their exchanges share; and the chip's own COM ports opened by the setup dialog.
#include <QString>
#include <array>
#include <cstdint>

namespace vek {

struct InstrumentPort {
    int64_t handle = -1; // open port of the serial layer; -1 when closed
    QString portName;
    bool present = false;
};

constexpr int kInstrumentPortCount = 8;
constexpr int kCalibratorPort = 0;
constexpr int kPowerSupplyPort = 1;
constexpr int kFirstMeterPort = 2;
using InstrumentPorts = std::array<InstrumentPort, kInstrumentPortCount>;

// The buffers shared by every instrument exchange (one exchange runs at a time).
struct InstrumentBuffers {
    // Raw input of a reply line, and the reply text once it is complete.
    std::array<uint8_t, 516> transmit{};
    // Input that is thrown away, and the raw reply of a query.
    std::array<uint8_t, 516> flush{};
    // The last meter reply frame and its length.
    std::array<uint8_t, 572> meterFrame{};
    int meterFrameLength = 0;
};

// The chip's COM port (the RS232 interface). The chip holds at most one port, and only while
// the interface is "RS232": choosing another port or interface closes it. The port in use and
// its open flag are in chip slot 0.
constexpr int kComPortCount = 16;
struct ChipComPorts {
    QString portName;    // name of the port last chosen
    uint32_t openedMask = 0; // the bit of the COM index held open
    std::array<int64_t, kComPortCount> handles = [] {
        std::array<int64_t, kComPortCount> h{};
        h.fill(-1);
        return h;
    }();
};

} // namespace vek
