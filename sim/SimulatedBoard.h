#pragma once
// The simulated evaluation board with the chip's converter, as the program and vek-enob use it.
// Both set it up for the selected chip model through SetUpForChip, so a model captures the same
// way in the window and on the command line.
#include "app/base/Clock.h"
#include "chipdesc/FieldBindings.h"
#include "sim/SimAdc.h"
#include "sim/SimAdcOutput.h"
#include "sim/SimBlockTransfer.h"
#include "sim/SimChipMonitor.h"
#include "sim/SimRecorder.h"
#include "sim/SimSwitchTest.h"
#include "sim/SimUsbBackends.h"

#include <QString>
#include <cstdint>

namespace vek::sim {

class SimulatedBoard {
public:
    explicit SimulatedBoard(Clock &clock);
    SimulatedBoard(const SimulatedBoard &) = delete;
    SimulatedBoard &operator=(const SimulatedBoard &) = delete;

    SimUsb usb;
    SimAdc adc;
    // While the converter is enabled its latest result stands in the output registers.
    SimAdcOutput adcOutput;
    // The chip's own test programs hand what they recorded out through the block transfer.
    SimBlockTransfer transfer;
    SimSwitchTest switchTest;
    // The recording of the board-buffered capture.
    SimRecorder recorder;
    // What the chip's serial monitor does wrong (the program hands it to the monitor it starts).
    ChipMonitorFaults monitorFaults;

    // Switches on one misbehaviour named as on the command line ("unplug-after=200", "silent",
    // "serial=noack", ...). False with a message for a text that names none.
    bool ApplyFault(const QString &fault, QString *error);
    // The list of fault texts, for --help; withSerial adds the chip's serial monitor faults
    // (only a program that offers the RS232 interface uses them).
    static QString FaultHelp(bool withSerial = true);

    // Adds a sine to the converter's input, given as on the command line: "AMP,FREQ[,THD]" with
    // the peak amplitude in volts, the frequency in hertz and the harmonic distortion in dBc.
    // False with a message for text that is not such a sine.
    bool ApplySine(const QString &text, QString *error);
    // What --sine takes, for --help.
    static QString SineHelp();

    // The converter's noise seed and, when replayPath is not empty, the codes it streams instead.
    // False with a message when the replay file cannot be used.
    bool SetUpConverter(uint64_t seed, const QString &replayPath, QString *error);
    // The chip model's Special header style and the register fields its converter reads. Call it
    // after every chip selection.
    void SetUpForChip(const QString &productName, int chipModelIndex, const FieldBindings &bindings);
};

} // namespace vek::sim
