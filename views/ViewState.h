#pragma once
// What the RAM and register panels last showed at each chip address, and whether it changed at
// the last refresh (changed values are drawn in another colour).
#include <array>
#include <cstdint>

namespace vek {

// RAM bank 4 (0x400-0x4FF) exists on some chips but lies beyond the 1024-byte chip image and the
// per-address tables. "Read RAM" keeps what it reads there in this buffer of its own, which the
// RAM panel shows read-only.
struct Bank4Buffer {
    static constexpr int kFirst = 0x400;
    static constexpr int kSize = 256;
    std::array<uint8_t, kSize> bytes{};
    std::array<uint8_t, kSize> lastShown{};
    std::array<bool, kSize> changed{};
    bool Holds(int address) const { return address >= kFirst && address < kFirst + kSize; }
};

struct ViewState {
    std::array<uint8_t, 1024> LastShown{};
    std::array<bool, 1024> ChangedFlags{};
    Bank4Buffer bank4;
    // The RAM panel's bank and the register panel's page are kept with the other settings
    // (AppContext::config.CurrentBank / CurrentPage).
};

} // namespace vek
