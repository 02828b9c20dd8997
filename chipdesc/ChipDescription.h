#pragma once
// The selected chip model as its description file gives it.
#include <QString>
#include <array>
#include <cstdint>

namespace vek {

constexpr int kChipAddressCount = 1024;

// The bits that exist at each chip address (0 where nothing is).
using AddressMask = std::array<uint8_t, kChipAddressCount>;

// A start and end address, both included.
struct AddressRange {
    uint16_t start = 0;
    uint16_t end = 0;
    // A range exists when its end lies above its start.
    bool Defined() const { return start < end; }
};

struct ChipDescription {
    static constexpr uint32_t kDefaultRomSize = 4096;
    static constexpr int kRamBanks = 5;
    static constexpr int kRegisterPages = 4;

    QString productName;  // "#PRODUCT"; selects model-specific behaviour ("ZR100", "ZR400")
    QString compilerName; // "#COMPILER"
    uint16_t chipId = 0;  // "#ID"
    uint32_t romSize = kDefaultRomSize; // "#ROM"
    AddressRange reg0;    // "#REG0": first special-register area
    AddressRange reg1;    // "#REG1": second special-register area
    std::array<AddressRange, kRamBanks> ramBanks{}; // "#RAMBANK0" ... "#RAMBANK4"
    // Bit registers per register page ("#REGBIT", "#REGBIT1", "#REGBIT2", "#REGBIT3").
    std::array<uint16_t, kRegisterPages> bitRegisterCounts{};
    uint8_t byteRegisterCount = 0;      // "#REGBYTE"
    uint8_t wordRegisterCount = 0;      // "#REGWORD"
    uint8_t threeByteRegisterCount = 0; // "#REG3BYTE"
    uint8_t stackDepth = 0;             // "#STACK"
    uint16_t simic = 0;                 // "#SIMIC"
    bool hasAdcSection = false;         // "#ADC0S" met
    bool hasOpSection = false;          // "#OP0S" met
    bool hasCmpSection = false;         // "#CMP0S" met (never reset by a selection)
    // "#ADCCLK": the frequency of ADC_CK in Hz with ADCCK0 = 0 (entry 0) and 1 (entry 1); 0 where
    // the description does not say.
    std::array<uint32_t, 2> adcClockHz{};
    AddressMask addressMask{};
};

} // namespace vek
