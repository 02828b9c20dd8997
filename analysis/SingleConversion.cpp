#include "analysis/SingleConversion.h"

#include "analysis/Capture.h"
#include "app/base/NumberText.h"

#include <algorithm>

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

bool RetADCValue(ChipPort &chip, int slot, const SingleConversionSettings &settings, int32_t &value)
{
    UsbLink &link = chip.chips[size_t(std::clamp(slot, 0, kChipSlotCount - 1))].link;
    const std::array<uint8_t, 9> request = SingleConversionRequest(
        settings.interfaceIndex, settings.photo, settings.modeIndex, settings.adcAddressText);
    std::copy(request.begin(), request.end(), chip.link.buffer.begin());
    if (!LinkWrite(chip.link, link, int(request.size())) || !LinkRead(chip.link, link, 7))
        return false;
    return ReadSingleConversionReply({chip.link.buffer.data(), 7}, settings.modeIndex,
                                     settings.scaleDivisor, value);
}

bool CalibrationConversions(Clock &clock, const std::function<bool(int32_t &)> &convert, int32_t &last)
{
    constexpr double kRetryMs = 2000.0;
    constexpr int32_t kPauseMs = 10;
    bool ok = false;
    for (int i = 0; i < 3; ++i) {
        const double start = clock.NowDays();
        for (;;) {
            int32_t value = 0;
            ok = convert && convert(value);
            if (ok) {
                last = value;
                break;
            }
            const double elapsedMs = (clock.NowDays() - start) * kMsPerDay;
            if (elapsedMs >= kRetryMs || elapsedMs < 0)
                break;
            WaitMs(clock, kPauseMs);
        }
    }
    return ok;
}

} // namespace vek
