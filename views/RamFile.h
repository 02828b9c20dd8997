#pragma once
// RAM files (".ram"): the image of addresses 0 to 511 with the RAM panel's marks and hints, and
// the spreadsheet export of the same addresses.
#include "chipdesc/ChipDescription.h"
#include "views/RamView.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace vek {

// The RAM panel's marks and hints, one entry per chip address. Colours are 0xRRGGBB.
struct RamMarks {
    std::array<bool, kChipAddressCount> mark{};
    std::array<uint32_t, kChipAddressCount> colour{};
    std::array<bool, kChipAddressCount> hint{};
    std::array<QString, kChipAddressCount> hintText;
};

// A colour as 0xRRGGBB and as the file keeps it, 0x00BBGGRR.
uint32_t RgbToFileColour(uint32_t rgb);
uint32_t FileColourToRgb(uint32_t fileColour);

// The file's text, lines ended by CR LF: 512 value lines ("5A", or "-" for an address that does
// not exist; the image byte as stored), then three lines per address: mark and hint flags
// right-aligned in 2 characters each, the mark colour in decimal, the hint text.
QByteArray WriteRamFile(const ChipImage &image, const ChipDescription &chip, const RamMarks &marks);

// What a RAM file holds for addresses 0 to 511.
struct RamFileContents {
    std::array<QString, kRamFileSize> valueTexts;
    std::array<bool, kRamFileSize> mark{};
    std::array<uint32_t, kRamFileSize> colour{};
    std::array<bool, kRamFileSize> hint{};
    std::array<QString, kRamFileSize> hintText;
};

// Reads a RAM file. False, with a reason, when it does not hold 512 value lines; mark records
// that are missing at the end read as unmarked and without hint.
bool ParseRamFile(const QByteArray &bytes, RamFileContents &out, QString *error = nullptr);

// The byte an address of a loaded file puts into the image: the line's value for an address that
// exists, 0 for one that does not.
uint8_t LoadedByte(const RamFileContents &file, const ChipDescription &chip, int address);

// Writes the spreadsheet of addresses 0 to 511 (sheet "USER Data"; row block i = address / 16,
// column j = address mod 16: row i + 3, column j + 3 the value as a number, column j + 20 the
// value as "5Ah"; "-" in both for an address that does not exist). Written whole or not at all.
bool WriteRamSheet(const QString &path, const ChipImage &image, const ChipDescription &chip,
                   QString *error = nullptr);

} // namespace vek
