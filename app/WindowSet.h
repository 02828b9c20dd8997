#pragma once
// The fifteen windows of the program, created once at start-up and kept until the end.
#include <QList>
#include <QWidget>
#include <memory>

namespace vek {

class TMainPanel;
class TVek_BASE;
class TVek_UP;
class TOption;
class TVek_RAM;
class TVek_Reg2;
class TADCForm;
class TOPForm;
class TCMPForm;
class TVekPopSelHex;
class TAnxADC;
class TWeightCAL;
class TFLUKE;
class TFPower;
class TTMP;
class NoiseTableWindow;
class LongRunWindow;
class HistoryWindow;
class PanelWindow;

struct WindowSet {
    TMainPanel *main = nullptr;
    TVek_BASE *base = nullptr;
    TVek_UP *up = nullptr;
    TOption *option = nullptr;
    TVek_RAM *ram = nullptr;
    TVek_Reg2 *reg = nullptr;
    TADCForm *adc = nullptr;
    TOPForm *op = nullptr;
    TCMPForm *cmp = nullptr;
    TVekPopSelHex *popHex = nullptr;
    TAnxADC *anx = nullptr;
    TWeightCAL *weightCal = nullptr;
    TFLUKE *fluke = nullptr;
    TFPower *power = nullptr;
    TTMP *tmp = nullptr;
    // Beside the fifteen: the noise table, the long run and the history (created after them, not in
    // `forms`).
    NoiseTableWindow *noiseTable = nullptr;
    LongRunWindow *longRun = nullptr;
    HistoryWindow *history = nullptr;

    // Every window in creation order.
    QList<QWidget *> forms;
    // The eleven switchable panels, in the order the main window hides them.
    QList<PanelWindow *> PanelsInHideOrder() const;
};

} // namespace vek
