#pragma once
// The texts the analog panels show for a field's code, and the ADC output word. No widgets here.
#include <QString>
#include <cstdint>

namespace vek {

// A code written in binary with a fixed number of digits ("000" ... "111").
QString CodeText(int code, int digits);
// A combo item text read back as a code: digits 0 and 1 only, exactly `digits` of them; any
// other text gives 0.
int ParseCodeText(const QString &text, int digits);

// The supply label: "VDDA = " + the level's option label (at most 8 characters) + " V" while the
// supply is on, "VDDA = External" otherwise.
QString VddaText(bool on, const QString &levelLabel);

// ADC panel labels.
QString PgaGainText(int code);   // "Off", "x 2", "x 4", "x 8"; above 3 as 3
QString AdGainText(int code);    // "ADGN = 1/4" ... "ADGN = x 16"; above 7 as 0
QString DcSetText(int code);     // "S + 0" ... "S - VRE*3/4"; above 7 as 0
QString OsrText(int code);       // "ADC_CK / 256" ... "ADC_CK / 32768"; above 7 as 0
QString AdcDividerText(int code); // "÷ 1" ... "÷ 128"; above 7 as 0
QString RefGainText(bool one);   // "VRGN= x 1/2" at 1, "VGN= x 1" at 0
QString ChopperText(bool one);   // "SD16 Chopper off" at 1, "SD16 Chopper on" at 0
QString HighGainText(bool one);  // "OPAMP-H" at 1, "OPAMP-L" at 0
// The converter's output data rate beside "ADC Output Rate": "10240 Hz", "0.3125 Hz" (five
// significant digits, a point whatever the locale, no trailing zeros); "-" for a rate of 0 (the
// settings do not determine it).
QString DataRateText(double hz);

// The temperature sensor marks next to the input multiplexers for their codes.
struct TemperatureMarks {
    bool plusH = false;  // "+TPSH"
    bool minusH = false; // "-TPSH"
    bool plusL = false;  // "+TPSL"
    bool minusL = false; // "-TPSL"
};
TemperatureMarks TemperatureMarksFor(int inhCode, int inlCode);

// The ADC output word from its three register bytes; without the high byte, the middle and low
// bytes only.
uint32_t OutputWord(uint8_t high, uint8_t middle, uint8_t low, bool hasHigh);
// The word as a 24-bit value cut to its top 8 + bitIndex bits (bitIndex 0..16 for 8..24 bits). In
// upper-case hexadecimal (mode 0) the raw bits; in decimal (mode 1) their two's-complement value
// at that width, so a negative result reads as one (-1234, not 16775982). A word without the high
// byte is a signed 16-bit result: in decimal its sign fills the missing high byte first.
QString OutputWordText(uint32_t word, int mode, int bitIndex, bool hasHigh);
inline constexpr char kAdcOffText[] = "ADC OFF";

// Op-amp panel labels.
QString OpEnableText(bool one);   // "ON" / "OFF"
// "Chopper HS_DCK/32", "Chopper HS_DCK/64", "Offset Position", "Offset Negative"; "?" above 3.
QString OpModeText(int code);

// Comparator panel: the fixed labels of the reference source (codes 0..3) and the reference level
// (codes 0..15); empty beyond.
QString RefSourceText(int code);
QString RefLevelText(int code);
// The comparator runs ("ON") only when it is enabled and its pin is set up as its output.
QString ComparatorStateText(bool enable, bool pinMode, bool pinDirection, bool pinAnalog);

} // namespace vek
