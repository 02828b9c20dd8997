#pragma once
// Connects the analysis window's board traffic to the device link of the program context.
namespace vek {
struct AppContext;
class TAnxADC;

// "Catch ADC" streams over slot 0 with the chosen link; the key polling reads and writes one
// chip RAM byte on slot 0.
void ConnectCaptureHooks(TAnxADC &anx, AppContext &ctx);
} // namespace vek
