#pragma once
// The data memory of the chip on the simulated board: special registers and RAM from 0x000 to
// 0x3FF, and RAM bank 4 at 0x400-0x4FF, which a real chip has although the program's 1024-byte
// image has no room for it. Addresses beyond read 0 and ignore writes, as unimplemented
// addresses do on the chip.
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace vek::sim {

class SimChipMemory {
public:
    static constexpr uint32_t kSize = 0x500;

    uint8_t Read(uint32_t address) const;
    void Write(uint32_t address, uint8_t value);
    // Clears the memory (a power-up).
    void Clear() { m_bytes.fill(0); }
    // The chip's supply. Without it reads give 0xFF (the lines float high) and writes are lost;
    // switching it on again is a power-up.
    void SetPowered(bool on)
    {
        if (on && !m_powered)
            Clear();
        m_powered = on;
    }
    bool Powered() const { return m_powered; }

    // Called after every write the board makes on the chip's behalf, so a firmware model can
    // react (start a capture when a mode bit is set, and the like).
    std::function<void(uint32_t address, uint8_t value)> onWrite;
    // Further firmware models that watch the writes, called after onWrite in the order they
    // were added. A listener may write the memory itself (it is then called again for that
    // write); it must not add listeners while it runs.
    using WriteListener = std::function<void(uint32_t address, uint8_t value)>;
    void AddWriteListener(WriteListener listener) { m_listeners.push_back(std::move(listener)); }

private:
    std::array<uint8_t, kSize> m_bytes{};
    std::vector<WriteListener> m_listeners;
    bool m_powered = true;
};

} // namespace vek::sim
