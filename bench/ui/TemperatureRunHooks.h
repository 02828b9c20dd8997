#pragma once
// Puts the temperature test's run behind the buttons of its window: the board side through the
// analysis window's captures and the chip access of slot 0, the instruments through their port
// records, the display through the status bar and the result grid.
namespace vek {
struct AppContext;
class TAnxADC;
class TTMP;

void ConnectTemperatureRun(TTMP &tmp, TAnxADC &anx, AppContext &ctx);
} // namespace vek
