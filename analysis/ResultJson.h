#pragma once
// The results of an ENOB measurement as one JSON object: the settings, the seven figures of the
// result file and the windowed spectrum's figures. Numbers are written with the point; a figure
// without a value (not finite) is written as null.
#include "analysis/SampleStore.h"
#include "analysis/WindowedSpectrum.h"

#include "chipdesc/FieldBindings.h"
#include "link/ChipAccess.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <span>
#include <vector>

namespace vek {

struct RunDescription {
    QString chip;
    QString interfaceName; // "SPI", "Special", "UART", "Parallel", "RS232"
    int width = 24;
    QString reference;     // the reference voltage as entered
    int averaging = 1;
    int32_t samples = 0;
    double elapsedMs = 0;
    double dataRateHz = 0;
    QString dataRateSource; // "settings" (the converter's clock and settings) or "measured"
    double gain = 1;
    QString window;        // WindowShortName of the spectrum's window
    QString route;         // the board's route: "optocoupler" or "direct"; empty: none (UART, Parallel)
};

// "RS232", "SPI", "Special", "Parallel" or "UART" for an interface index of the setup.
QString InterfaceDisplayName(int interfaceIndex);

// Samples kept per second of the capture; 0 when no time passed.
double CaptureDataRateHz(const SampleStore &store);
// The points the figures were computed over, in units of the result width: the first
// SampleCount / averaging of RawSamples (block means after averaging). Their rate is
// CaptureDataRateHz / averaging.
std::vector<double> AnalysedCodes(const SampleStore &store, int averaging);

// The converter settings a capture depends on, read from the chip by their bindings (OSR0, ADCS0,
// ADCCK0, AD0GN, PGA0GN, VRE0GN, ENCHP0, IN0IS, IN0H, IN0L): name to code, the unbound left out.
QJsonObject ReadCaptureSettings(ChipPort &chip, const PanelBindings &adc);
// The same from a chip image (no board traffic).
QJsonObject CaptureSettingsFromImage(std::span<const uint8_t> image, const PanelBindings &adc);
// The board a link reached, as records name it: its device name, its release number from the
// device descriptor when it gave one ("VekUSB-0 release 1.02"), or "USB board" when unnamed.
QString BoardIdentity(const UsbLink &link);
// The seven figures of the result file as a JSON object (the keys of the "figures" object).
QJsonObject FiguresJson(const AnalysisResults &r);

// The object, indented, ending in a newline. A figure set that is not valid carries its reason.
QByteArray ResultJson(const RunDescription &run, const AnalysisResults &figures, const ToneAnalysis &tone);

} // namespace vek
