#include "analysis/SingleConversion.h"

#include "analysis/Capture.h"
#include "app/base/NumberText.h"

namespace vek {

std::array<uint8_t, 9> SingleConversionRequest(int interfaceIndex, bool photo, int modeIndex,
                                               const QString &adcAddressText)
{
    const bool spi = interfaceIndex == 1;
    std::array<uint8_t, 9> r{};
    if (spi)
        r[0] = photo ? 0xBD : 0xBB;
    else
        r[0] = photo ? 0xBE : 0xBA;
    r[1] = interfaceIndex == 2 ? 1 : 0;
    r[2] = static_cast<uint8_t>(modeIndex >= 0 && modeIndex <= 3 ? modeIndex : 0);
    const int32_t address = ParseHex(adcAddressText);
    r[3] = static_cast<uint8_t>(address & 0xFF);
    r[4] = static_cast<uint8_t>((address >> 8) & 0xFF);
    r[5] = 0xF0;
    r[6] = 0x00;
    r[7] = 0x08;
    r[8] = 0x64;
    return r;
}

bool ReadSingleConversionReply(std::span<const uint8_t> reply, int modeIndex, int32_t scaleDivisor,
                               int32_t &value)
{
    if (reply.size() < 7)
        return false;
    const int32_t a = ScaleTowardZero(DecodeSampleCode(reply[1], reply[2], reply[3]), scaleDivisor);
    const int32_t b = ScaleTowardZero(DecodeSampleCode(reply[4], reply[5], reply[6]), scaleDivisor);
    switch (modeIndex) {
    case 1:
    case 2:
        value = a - b;
        break;
    case 3:
        value = (a - b) / 2;
        break;
    default:
        value = a;
        break;
    }
    return reply[0] == 0xFA;
}

} // namespace vek
