#pragma once
// Chip access: the in-memory image of the chip's data memory and the operations that move bytes
// between it and the real chip through the evaluation board (SPI, Special and UART frame
// dialects), the single-register write every panel uses, and the board's line, status and text
// commands.
#include "link/ParallelLink.h"
#include "link/SerialChipLink.h"
#include "link/UsbTransport.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>

namespace vek {

// Largest transfers a 64-byte frame carries.
constexpr int kMaxWriteBytes = kFrameBytes - 5; // 5-byte header
constexpr int kMaxReadBytes = kFrameBytes;
constexpr int kMaxUartReadBytes = kFrameBytes - 1; // the reply ends with a status byte
constexpr uint8_t kUartReadOk = 0xFA;
constexpr uint8_t kUartWriteOk = 0xAA;
// What the plain Special header reaches: the low address byte only.
constexpr int kPlainSpecialReach = 0x100;

// The values last written to registers 0x3C-0x40 (entries 0-4) and 0x30 (entry 5), one set per
// measurement function of the analysis window ("Scale" 0, "DMM" 1).
struct ScaleDmmMemory {
    int comFun = 0; // the analysis window's current measurement function
    std::array<std::array<uint8_t, 6>, 2> sets{};
};

// What the chip access works on: the transport, the chip slots, the optocoupler option, the
// selected model's product name, the Scale/DMM memory and the panel refresh.
struct ChipPort {
    LinkIo link;
    ChipSlots &chips;
    bool photo;          // optocoupler path of the board ("光耦合")
    QString productName; // of the selected chip model; may be empty
    ScaleDmmMemory &scaleDmm;
    // Redraws the RAM, register, ADC, op-amp and comparator panels from the image.
    const std::function<void()> &refreshPanels;
    // The serial ports of the RS232 interface (null: that interface fails at once); its status
    // output also reports a Special access beyond what the plain header reaches.
    const SerialChipIo *serial = nullptr;
    // The parallel port of the Parallel interface (null: that interface fails at once).
    ParallelLink *parallel = nullptr;
};

// The name of the chip model at a position of the built-in chip list (used when no chip
// description names the product).
QString BuiltInModelName(int modelIndex);
// True when the selected model takes the plain Special header byte (ZR100 and ZR400) rather
// than the banked one carrying the high address bits. The product name of the chip description
// decides; without one, the model's name in the built-in list.
bool UsesPlainSpecialHeader(const QString &productName, int modelIndex);
// The Special dialect's second header byte.
uint8_t SpecialHeaderByte(bool plain, bool read, uint16_t address);

uint8_t GetImageByte(const ChipSlots &chips, int address, int slot);
void SetImageByte(ChipSlots &chips, int address, uint8_t value, int slot);

// Reads count bytes from a chip address; on success they are at transfer buffer 0..count-1.
bool ReadChip(ChipPort &port, uint16_t address, int count, int slot);
// Writes count bytes, taken from transfer buffer 5..5+count-1, to a chip address.
bool WriteChip(ChipPort &port, uint16_t address, int count, int slot);
// Writes one register with read-back, stores what came back in the image and refreshes the
// panels. Stops quietly on a failed transfer.
void WriteRegister(ChipPort &port, uint16_t address, uint8_t value, int slot);
void StoreAndRefresh(ChipPort &port, int address, uint8_t value, int slot);

// The board's UART set-up frame; false at once when the link holds no handle.
bool SetupUartLink(LinkIo &io, UsbLink &link);
// A 100 ms low pulse on the chip's reset line, then 2000 ms for the chip to start. Works on a
// copy of the link record, so a failure here does not mark the link closed.
void PulseReset(LinkIo &io, const UsbLink &link);
// The board status frame; b1..b3 receive reply bytes 1, 2 and 3.
bool ReadBoardStatus(LinkIo &io, UsbLink &link, uint8_t &b1, uint8_t &b2, uint8_t &b3);
// The board's 8-character text.
bool ReadBoardText(LinkIo &io, UsbLink &link, QString &text);
// Writes 0xA5 to chip address 0xFD.
bool SleepChip(ChipPort &port);

} // namespace vek
