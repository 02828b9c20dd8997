#pragma once
// The RAM panel without its widgets: which address a grid cell shows, what it shows and whether
// it may be edited, the refresh that tracks changed values, and "Read RAM": the block plan of
// each interface and its run.
#include "chipdesc/ChipDescription.h"
#include "link/LinkState.h"
#include "views/ViewState.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace vek {

// RAM files and the spreadsheet cover addresses 0 to 511, whatever the chip.
constexpr int kRamFileSize = 512;
constexpr int kRamBanks = 5;
constexpr int kBankBytes = 256;

using ChipImage = std::array<uint8_t, kChipMemorySize>;

// The address of grid cell (column, row), both 1-16, in a bank.
constexpr int RamCellAddress(int bank, int column, int row)
{
    return bank * kBankBytes + (row - 1) * 16 + (column - 1);
}
// The label of grid row 1-16: "000" .. "0F0" in bank 0, "100" .. "1F0" in bank 1.
QString RamRowLabel(int bank, int row);

// The bits that exist at an address; 0 for an address without a table entry, except that the
// #RAMBANK4 range has all its bits (bank 4 has no entry in the 1024-entry tables).
uint8_t RamAddressMask(const ChipDescription &chip, int address);
// Whether an address exists on the selected chip.
inline bool RamAddressExists(const ChipDescription &chip, int address)
{
    return RamAddressMask(chip, address) != 0;
}
// Whether typing, the keypad, marks and hints may act on an address: it exists and lies in the
// chip image (bank 4 is shown read-only).
bool RamAddressEditable(const ChipDescription &chip, int address);
// Whether an address lies inside the #REG0 or #REG1 range (the register panel's areas).
bool InRegisterArea(const ChipDescription &chip, int address);

// What the 256 cells of the bank on show hold after a refresh: the value shown, or nothing for
// an address that does not exist ("-").
struct RamBankView {
    int bank = 0;
    std::array<std::optional<uint8_t>, kBankBytes> values{};
    QString Text(int index) const;
};

// Rewrites the view of a bank from the image (bank 4 from its own buffer): the value shown is
// the image byte masked by the address's bits. An address whose value differs from what it
// showed before is flagged changed, unless quiet; afterwards it remembers the value, except in
// the register areas, whose remembered values the register panel keeps.
void RefreshRamView(RamBankView &view, int bank, const ChipImage &image, const ChipDescription &chip,
                    ViewState &state, bool quiet);
// Whether an address was flagged changed at the last refresh.
bool RamAddressChanged(const ViewState &state, int address);

// The value a typed cell writes: its hexadecimal text, or nothing for an empty cell (which must
// not write 0).
std::optional<uint8_t> TypedCellValue(const QString &text);

// One block read of "Read RAM".
struct ReadBlock {
    uint16_t start = 0;
    int count = 0;
    bool operator==(const ReadBlock &o) const { return start == o.start && count == o.count; }
};

struct RamReadPlan {
    bool uartSetup = false; // the board's UART set-up comes first; its failure ends the read
    std::vector<ReadBlock> blocks;
    bool Empty() const { return blocks.empty() && !uartSetup; }
};

// The blocks "Read RAM" reads over an interface, in order. Bank 0 comes in fixed blocks; each
// further range follows when the chip description defines it. Addresses 0x1A and 0x1B are never
// read, and no block is larger than the interface carries.
RamReadPlan MakeRamReadPlan(InterfaceKind kind, const ChipDescription &chip);

// The doors "Read RAM" goes through.
struct RamReader {
    std::function<bool()> setupUart;
    // Reads count bytes from an address; on success they are at buffer 0..count-1.
    std::function<bool(uint16_t address, int count)> readChip;
    const TransferBuffer *buffer = nullptr;
    // Stores one byte of the image (addresses beyond the image are not passed here).
    std::function<void(int address, uint8_t value)> setImageByte;
    // Runs after every block, so the window can process its messages.
    std::function<void()> afterBlock;
};

enum class RamReadResult { Complete, Failed };

// Runs a plan: every block's bytes go into the image, bank 4's into its own buffer. The first
// failed step ends the read; what was read before stays.
RamReadResult RunRamRead(const RamReadPlan &plan, RamReader &reader, Bank4Buffer &bank4);

} // namespace vek
