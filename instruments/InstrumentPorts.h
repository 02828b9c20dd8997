#pragma once
// The serial ports of the bench instruments: 0 calibrator, 1 power supply, 2..7 meter channels.
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
using InstrumentPorts = std::array<InstrumentPort, kInstrumentPortCount>;

} // namespace vek
