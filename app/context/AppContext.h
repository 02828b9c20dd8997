#pragma once
// The program-wide state that every window and operation shares. main() creates one and hands it
// to the windows; each test creates its own, so nothing is kept in mutable globals.
#include "analysis/SampleStore.h"
#include "app/base/Clock.h"
#include "app/base/Dialogs.h"
#include "app/config/ConfigSettings.h"
#include "bench/RegisterSteps.h"
#include "bench/StepResultGrid.h"
#include "chipdesc/ChipDescription.h"
#include "chipdesc/FieldBindings.h"
#include "chipdesc/PanelPreparation.h"
#include "history/ResultsStore.h"
#include "instruments/InstrumentPorts.h"
#include "instruments/StepTable.h"
#include "instruments/serial/SerialPorts.h"
#include "link/ChipAccess.h"
#include "link/LinkState.h"
#include "link/RegisterLists.h"
#include "views/ViewState.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

namespace vek {

// The three fields of the main window's status bar and its progress gauge, kept as data so that
// headless code can write them and tests can read them. The main window mirrors every change.
class StatusLine {
public:
    static constexpr int kFields = 3;
    void SetText(int field, const QString &text);
    QString Text(int field) const;
    void SetGauge(bool visible, int percent);
    bool GaugeVisible() const { return m_gaugeVisible; }
    int GaugePercent() const { return m_gaugePercent; }
    std::function<void(int field, const QString &text)> onText;
    std::function<void(bool visible, int percent)> onGauge;

private:
    std::array<QString, kFields> m_texts;
    bool m_gaugeVisible = false;
    int m_gaugePercent = 0;
};

// The choices of the setup dialog, kept as list positions.
struct SetupChoices {
    int chipModelIndex = 0;
    int interfaceIndex = 1; // 0 RS232, 1 SPI, 2 Special, 3 Parallel, 4 UART
    int comIndex = 0;
    int baudIndex = 5;
    int parityIndex = 0;
    // The parallel port's base address, from the parallel port list (0x378, 0x278 or 0x3BC).
    // The list position itself and the optocoupler option are kept in `config` (CLPT, Photo).
    uint16_t lptBaseAddress = 0x378;
};

// Operations of other subsystems that the setup dialog calls. Each does nothing until the
// program start wires it; tests put their own in.
struct AppHooks {
    // The entries of the chip list, for the setup dialog's chip model list.
    std::function<QStringList()> readChipList;
    // Selects the chip model at a chip list position (GetSELUP); true when it was read whole.
    std::function<bool(int chipModelIndex)> selectChip;
    // The board's UART set-up on slot 0's link (SetupUartLink).
    std::function<bool()> setupUartLink;
    // Starts the parallel-port driver link.
    std::function<void()> startParallelLink;
};

struct AppContext {
    AppContext(Clock &clock, Dialogs &dialogs, QString programDir);
    // Hooks inside refer back to this object.
    AppContext(const AppContext &) = delete;
    AppContext &operator=(const AppContext &) = delete;

    Clock &clock;
    Dialogs &dialogs;
    // Directory of the executable with a trailing '/'; every file of the program is named from it.
    QString programDir;

    SetupChoices setup;
    AppHooks hooks;
    // The rest of what the configuration file keeps between runs.
    ConfigSettings config;

    // Device link.
    TransferBuffer transferBuffer{};
    uint8_t hidMode = 0;
    ChipSlots chipSlots{};
    int upTickCount = 0;
    // The platform doors to the board, the frame trace and the transport's own state.
    UsbBus usb;
    // Register values remembered per measurement function of the analysis window.
    ScaleDmmMemory scaleDmm;
    // Redraws every panel that shows the chip image (RAM, register, ADC, op-amp, comparator).
    std::function<void()> refreshPanels;

    // Chip description of the selected model, its register lists, the field bindings of the
    // analog panels and what the last selection prepared on the windows.
    ChipDescription chip;
    TCRREGBitPtr bitRegs;
    TCRREGBytePtr byteRegs;
    TCRREGWordPtr wordRegs;
    FieldBindings bindings;
    PanelPreparation panelPrep;
    // Shows the main window's instrument menus (a chip description asked for the instruments).
    std::function<void()> showInstrumentMenus;
    // Runs after every chip selection, before onChipSelected: the board side learns the model
    // (the simulated board takes its header style and converter fields).
    std::function<void()> setUpBoardForChip;
    // Runs after every chip selection, so the windows apply panelPrep and redraw.
    std::function<void()> onChipSelected;

    // RAM and register views.
    ViewState views;

    // Analysis.
    SampleStore samples;
    AnalysisResults analysisResults;
    // Adds a measurement to the results history (set by the program; a failure to write it is
    // said once and never stops the measurement).
    std::function<void(MeasurementRecord)> recordMeasurement;
    void Record(MeasurementRecord record)
    {
        if (recordMeasurement)
            recordMeasurement(std::move(record));
    }

    // Serial ports (instruments and the chip's COM port).
    SerialPorts serialPorts;
    ChipComPorts chipComPorts;

    // Instruments.
    InstrumentPorts instrumentPorts{};
    InstrumentBuffers instrumentBuffers;

    // The tables a temperature test run is made of: the calibrator's and the power supply's
    // command per step, the register values per step, and the mean measured at each step.
    StepTable flukeSteps;
    StepTable powerSteps;
    RegisterStepTable registerSteps;
    StepResultGrid stepResults;

    StatusLine status;
    // The RS232 interface's way to the chip's COM port and to status field 1.
    SerialChipIo serialChip;
    // The Parallel interface's port; main() gives it ppdev or the simulated chip.
    ParallelLink parallel;

    // What the transport and the chip access work on.
    LinkIo Link() { return LinkIo{usb, transferBuffer, hidMode, clock}; }
    ChipPort Chip() { return ChipPort{Link(), chipSlots, config.Photo, chip.productName, scaleDmm, refreshPanels, &serialChip, &parallel}; }

    // Asks a running capture (and every running test that registered in stopRequests) to stop at
    // its next message pump: closing the main window, SIGINT and SIGTERM end the program this way.
    void RequestStopAll()
    {
        samples.CaptureIdle = true;
        for (const auto &stop : stopRequests)
            if (stop)
                stop();
    }
    std::vector<std::function<void()>> stopRequests;

    // A file name in the program directory.
    QString ProgramFile(const QString &name) const { return programDir + name; }
};

// The directory of a program file with a trailing separator.
QString DirectoryWithSeparator(const QString &filePath);

} // namespace vek
