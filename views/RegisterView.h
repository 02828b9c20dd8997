#pragma once
// The register panel without its widgets: the head values (work register and the two indirect
// pairs), the refresh of the three register lists with their change tracking, where each record
// sits in its grid, and the rules of the bit menu, typing and the indirect edits.
#include "chipdesc/ChipDescription.h"
#include "link/RegisterLists.h"
#include "views/RamView.h"
#include "views/ViewState.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace vek {

// Fixed addresses of the head area.
constexpr uint16_t kWorkRegister = 0x29;
constexpr uint16_t kFsr0High = 0x0F, kFsr0Low = 0x10;
constexpr uint16_t kFsr1High = 0x11, kFsr1Low = 0x12;

// The image byte at an address; 0 outside the image.
uint8_t ImageByte(const ChipImage &image, int address);
// The bits that exist at an address; 0 outside the 1024-entry table.
uint8_t MaskAt(const ChipDescription &chip, int address);

struct HeadValues {
    uint8_t work = 0;
    uint16_t fsr[2] = {0, 0};
    uint8_t ind[2] = {0, 0};
};
// FSRn = image[high] x 256 + image[low]; INDn = the image byte FSRn points at (0 beyond the image).
// IND of an FSR in bank 4 (beyond the image) comes from the RAM panel's copy of that bank, when given.
HeadValues ReadHead(const ChipImage &image, const Bank4Buffer *bank4 = nullptr);

// Which head panels are highlighted after a refresh.
struct HeadHighlight {
    bool work = false;
    bool fsr[2] = {false, false};
    bool ind[2] = {false, false};
};

// What the three register grids show, refreshed from the image.
struct RegisterSnapshot {
    HeadValues head;
    HeadHighlight highlight;
    bool headShown = false; // a value was shown before (the first refresh has nothing to compare)
    std::vector<uint8_t> bitValues;   // per bit record
    std::vector<uint8_t> byteValues;  // per byte record
    std::vector<uint16_t> wordValues; // per word record
};

// The refresh: the head values (highlighted when not quiet and changed since the last refresh),
// then every record of the three lists: value = image AND mask, flagged changed when it differs
// from what its address showed last, which then remembers it. A word register flags its high
// address when the high byte changed, else its low address when the low byte changed.
void RefreshRegisters(RegisterSnapshot &snap, const ChipImage &image, const ChipDescription &chip,
                      const TCRREGBitPtr &bits, const TCRREGBytePtr &bytes, const TCRREGWordPtr &words,
                      ViewState &state, bool quiet);

// The first bit record of a page and how many the page shows.
struct PageSpan {
    int first = 0;
    int count = 0;
};
PageSpan PageRecords(const ChipDescription &chip, int page);

// Where byte or word record i sits: its name in row (i / 9) x 2, its value in the row below.
struct GridCell {
    int column = 0;
    int row = 0;
};
inline GridCell ValueCell(int index) { return {index % 9, (index / 9) * 2 + 1}; }
inline GridCell NameCell(int index) { return {index % 9, (index / 9) * 2}; }
// The record of a cell of the byte or word grid (name or value row), or -1 when none is there.
int RecordAtCell(int column, int row, int count);

// Whether address flags changed at the last refresh (false outside the tables).
bool AddressChanged(const ViewState &state, int address);

// The bit a bit-grid column shows (column 1 shows bit 7, column 8 bit 0).
constexpr int BitOfColumn(int column) { return 8 - column; }
// Whether the bit menu opens for a bit: it exists (its name is not "-") and the register is
// neither 0x31 nor 0x32.
bool BitMenuOffered(const BitRegisterEntry &record, int column);
// The register byte after setting or clearing a bit, from the image.
uint8_t WithBit(const ChipImage &image, int address, int bit, bool set);

// A typed value cell keeps only its last digits (2 for a byte, 4 for a word).
QString KeepLastDigits(const QString &text, int digits);
// The writes of a typed or entered word value: high byte first, then low byte.
struct RegisterWrite {
    uint16_t address = 0;
    uint8_t value = 0;
    bool operator==(const RegisterWrite &o) const { return address == o.address && value == o.value; }
};
std::vector<RegisterWrite> WordWrites(const WordRegisterEntry &record, uint16_t value);
std::vector<RegisterWrite> FsrWrites(int pair, uint16_t value);
// Where an IND edit writes: the address the pair's FSR holds, or nothing when it has no bits or
// lies beyond the image (0x400 or above) outside the chip's bank 4.
std::optional<uint16_t> IndTarget(const ChipImage &image, const ChipDescription &chip, int pair);

// Whether a record address can index the per-address tables.
constexpr bool InTables(int address) { return address >= 0 && address < kChipAddressCount; }

} // namespace vek
