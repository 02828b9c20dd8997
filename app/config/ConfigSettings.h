#pragma once
// The settings that "VekADC.cfg" keeps between runs, apart from the setup dialog's five list
// positions (AppContext::setup). Most of them belong to controls of other windows; those windows
// set the control from here when the file has been loaded and keep the value here current when
// the user changes it, so the file always writes back what the user sees. Values hold their
// start-up defaults, which are what a first run writes.
#include <QString>
#include <array>
#include <cstdint>

namespace vek {

// Row 0 holds the "Scale" mode's registers, row 1 the "DMM" mode's; each row lists chip
// registers 0x3C, 0x3D, 0x3E, 0x3F, 0x40, then 0x30.
using ModeRegisterRows = std::array<std::array<uint8_t, 6>, 2>;

struct ConfigSettings {
    // Lines 3 to 8: six flags kept and written back; selecting a chip without an ADC binding
    // section clears the third.
    std::array<bool, 6> ReservedFlags{};
    // Line 9: register panel page, 0 to 3. Line 10: RAM panel bank, 0 to 4.
    int CurrentPage = 0;
    int CurrentBank = 0;
    // Lines 11, 12: the ADC panel's output notation ("HEX", "DEC") and output width
    // ("8" ... "24") list positions.
    int TXADCOMD = 0;
    int TXADCObit = 7;
    // Line 13: the analysis window's "Sample Point" and "Scale" list positions; the channel
    // switch test's "Scale" list follows the analysis window's.
    int NPointIndex = 3;
    int TXScale = 16;
    // Line 14: the chart shows the spectrum instead of the time record. Written as it is, but
    // loading always clears it.
    bool FrequencyView = false;
    // Line 15: the analysis window's hidden chopper / zero function list position.
    int CFunADC = 0;
    // Line 16: the setup dialog's parallel port list position.
    int CLPT = 0;
    // Line 17: the calibration input value and the ADC result taken for it.
    int32_t CalInput = 500000;
    int32_t CalResult = 50000;
    // Lines 18, 19: the last values written to the mode registers while "Scale" / "DMM" was the
    // measurement mode.
    ModeRegisterRows ModeRegisters{};
    // Line 20: measurement mode list position (0 "Scale", 1 "DMM").
    int ComFun = 0;
    // Line 21: the channel switch test's shift list position ("shift 0" ... "shift 15").
    int ADShift = 7;
    // Line 22: the setup dialog's optocoupler check box.
    bool Photo = true;
    // Line 23: the analysis window's reference voltage text.
    QString EREFV = QStringLiteral("1.2");
    // Line 24: the analysis window's averaging list position ("1" ... "32").
    int CMAVR = 0;
    // Line 25: the temperature test's "save the full file" check box.
    bool CHFULL = false;
    // Line 26: the analysis window's key address and key data texts (hexadecimal).
    QString EKEYADDR;
    QString EKEYDATA;
};

} // namespace vek
