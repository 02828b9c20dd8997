#pragma once
// One conversion on request ("Cal. Valtage"): the request frame and the reading of its reply.
#include <QString>
#include <array>
#include <cstdint>
#include <span>

namespace vek {

// The request of 9 bytes. interfaceIndex: 0 RS232, 1 SPI, 2 Special, 3 Parallel, 4 UART;
// photo: the setup dialog's opto-coupler box; modeIndex: "Free", "Cancel Pos Zero",
// "Cancel Neg Zero", "Chopper" (anything else counts as "Free"); adcAddressText: hexadecimal.
std::array<uint8_t, 9> SingleConversionRequest(int interfaceIndex, bool photo, int modeIndex,
                                               const QString &adcAddressText);

// Reads the 7-byte reply (status, value A, value B; each value three bytes, least significant
// first, scaled to the result width toward zero) into the conversion result of the mode:
// A; A - B for the two zero-cancelling modes; (A - B) / 2 for "Chopper". True only when the
// status byte is 0xFA and the reply is complete.
bool ReadSingleConversionReply(std::span<const uint8_t> reply, int modeIndex, int32_t scaleDivisor,
                               int32_t &value);

} // namespace vek
