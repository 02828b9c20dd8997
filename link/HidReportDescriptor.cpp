#include "link/HidReportDescriptor.h"

#include <algorithm>
#include <array>

namespace vek {

namespace {

struct Globals {
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint32_t reportId = 0;
};

constexpr int kMaxPushDepth = 16;
// Bits beyond this are not a real report; the count stops growing there.
constexpr uint64_t kBitCap = 8ull * 65535;

uint16_t BytesWithId(uint64_t bits)
{
    if (bits == 0)
        return 0;
    const uint64_t bytes = (bits + 7) / 8 + 1;
    return uint16_t(std::min<uint64_t>(bytes, 65535));
}

} // namespace

HidReportLengths ParseHidReportDescriptor(const uint8_t *data, size_t size)
{
    HidReportLengths out;
    std::array<uint64_t, 256> inputBits{}, outputBits{};
    std::array<Globals, kMaxPushDepth> stack{};
    int depth = 0;
    Globals g;
    size_t pos = 0;
    while (pos < size) {
        const uint8_t prefix = data[pos];
        if (prefix == 0xFE) { // long item: size, tag, data
            if (pos + 3 > size)
                return out;
            const size_t len = data[pos + 1];
            pos += 3 + len;
            if (pos > size)
                return out;
            continue;
        }
        const size_t len = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (pos + 1 + len > size)
            return out;
        uint32_t value = 0;
        for (size_t i = 0; i < len; ++i)
            value |= uint32_t(data[pos + 1 + i]) << (8 * i);
        const int type = (prefix >> 2) & 3;
        const int tag = prefix >> 4;
        pos += 1 + len;
        if (type == 1) { // global
            switch (tag) {
            case 7: g.reportSize = value; break;
            case 8:
                g.reportId = value & 0xFF;
                out.usesReportIds = true;
                break;
            case 9: g.reportCount = value; break;
            case 10:
                if (depth >= kMaxPushDepth)
                    return out;
                stack[size_t(depth++)] = g;
                break;
            case 11:
                if (depth == 0)
                    return out;
                g = stack[size_t(--depth)];
                break;
            default: break;
            }
        } else if (type == 0 && (tag == 8 || tag == 9)) { // input, output
            auto &bits = tag == 8 ? inputBits : outputBits;
            const uint64_t add = uint64_t(g.reportSize) * g.reportCount;
            bits[g.reportId] = std::min(bits[g.reportId] + add, kBitCap);
        }
    }
    out.valid = true;
    out.input = BytesWithId(*std::max_element(inputBits.begin(), inputBits.end()));
    out.output = BytesWithId(*std::max_element(outputBits.begin(), outputBits.end()));
    return out;
}

} // namespace vek
