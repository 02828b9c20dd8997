#pragma once
// One conversion on request ("Cal. Valtage"): the request frame and the reading of its reply.
#include "app/base/Clock.h"
#include "link/ChipAccess.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
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

struct SingleConversionSettings {
    int interfaceIndex = 1;
    bool photo = false;
    int modeIndex = 0;
    QString adcAddressText = QStringLiteral("D4");
    int32_t scaleDivisor = 1;
};

// One conversion (RetADCValue): the request over the board link of the slot, the 7-byte reply.
// True only when the board answered with the success status; value is the mode's result.
bool RetADCValue(ChipPort &chip, int slot, const SingleConversionSettings &settings, int32_t &value);

// The calibration conversions of "Cal. Valtage": `convert` three times in a row, each retried
// until it succeeds or 2000 ms have passed (with a short pause between tries, so a board that
// is gone does not keep the processor busy). True when the last conversion succeeded; `last`
// then holds its result.
bool CalibrationConversions(Clock &clock, const std::function<bool(int32_t &value)> &convert, int32_t &last);

} // namespace vek
