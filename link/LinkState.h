#pragma once
// The shared records of the device link: the transfer buffer, the USB connection record and the
// chip slots with their chip image.
#include <QString>
#include <array>
#include <cstdint>

namespace vek {

// Frames to the board are built at the start of this buffer and replies land there. Frames are
// at most 64 bytes; the room behind them is never read but keeps a stray index harmless.
constexpr int kFrameBytes = 64;
using TransferBuffer = std::array<uint8_t, 128>;

// The chip's data memory: special registers and RAM in one space, 0x000-0x3FF.
constexpr int kChipMemorySize = 1024;
constexpr int kChipSlotCount = 16;

enum class InterfaceKind : uint16_t { RS232 = 0, SPI = 1, Special = 2, Parallel = 3, UART = 4 };

// One USB connection to an evaluation board. The handle names an open device of the platform
// layer; -1 when closed.
struct UsbLink {
    int64_t handle = -1;
    QString deviceName;
    int32_t state = -1;
    int16_t index = -1;
    uint8_t openMarker = 0;
    std::array<uint8_t, 148> deviceDescriptor{};
    std::array<uint8_t, 16> interfaceInfo{};
    std::array<std::array<uint8_t, 20>, 4> pipes{};
    uint8_t connected = 0;
    // True when the link was opened through the driver path (released with a board command at exit).
    bool openedByDriver = false;
};

struct ChipSlot {
    uint16_t chipModel = 0;
    std::array<uint8_t, kChipMemorySize> image{};
    InterfaceKind interfaceKind = InterfaceKind::SPI;
    int32_t comPort = 0, comBaud = 0, comParity = 0;
    int64_t comHandle = -1;
    uint8_t comOpen = 0;
    UsbLink link;
};

using ChipSlots = std::array<ChipSlot, kChipSlotCount>;

} // namespace vek
