#pragma once
// Builds the byte stream a board sends for a list of 24-bit codes.
#include <cstdint>
#include <vector>

namespace vek::test {

inline std::vector<uint8_t> SampleBytes(const std::vector<int32_t> &codes)
{
    std::vector<uint8_t> out;
    out.reserve(codes.size() * 3);
    for (int32_t c : codes) {
        const uint32_t u = static_cast<uint32_t>(c) & 0xFFFFFFu;
        out.push_back(static_cast<uint8_t>(u & 0xFF));
        out.push_back(static_cast<uint8_t>((u >> 8) & 0xFF));
        out.push_back(static_cast<uint8_t>((u >> 16) & 0xFF));
    }
    return out;
}

// Six codes that a capture throws away, then the given ones.
inline std::vector<uint8_t> CaptureBytes(const std::vector<int32_t> &kept)
{
    std::vector<int32_t> all(6, 0x7FFFFF);
    all.insert(all.end(), kept.begin(), kept.end());
    return SampleBytes(all);
}

} // namespace vek::test
