#pragma once
// What the RAM and register panels last showed at each chip address, and whether it changed at
// the last refresh (changed values are drawn in another colour).
#include <array>
#include <cstdint>

namespace vek {

struct ViewState {
    std::array<uint8_t, 1024> LastShown{};
    std::array<bool, 1024> ChangedFlags{};
    // The RAM panel's bank and the register panel's page are kept with the other settings
    // (AppContext::config.CurrentBank / CurrentPage).
};

} // namespace vek
