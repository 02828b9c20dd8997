#pragma once
// The simulated evaluation board with the chip's converter, as the program and vek-enob use it.
// Both set it up for the selected chip model through SetUpForChip, so a model captures the same
// way in the window and on the command line.
#include "app/base/Clock.h"
#include "chipdesc/FieldBindings.h"
#include "sim/SimAdc.h"
#include "sim/SimBlockTransfer.h"
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
    // The chip's own test programs hand what they recorded out through the block transfer.
    SimBlockTransfer transfer;
    SimSwitchTest switchTest;
    // The recording of the board-buffered capture.
    SimRecorder recorder;

    // The converter's noise seed and, when replayPath is not empty, the codes it streams instead.
    // False with a message when the replay file cannot be used.
    bool SetUpConverter(uint64_t seed, const QString &replayPath, QString *error);
    // The chip model's Special header style and the register fields its converter reads. Call it
    // after every chip selection.
    void SetUpForChip(const QString &productName, int chipModelIndex, const FieldBindings &bindings);
};

} // namespace vek::sim
