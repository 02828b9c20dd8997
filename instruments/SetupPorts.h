#pragma once
// The port work of the setup dialog, without widgets: list positions to port names, baud rates
// and parity codes; opening and configuring the chip's COM port; finding the calibrator and the
// power supply on the ports the user chose.
#include "instruments/InstrumentLink.h"
#include "instruments/InstrumentPorts.h"
#include "instruments/serial/SerialPorts.h"
#include "link/LinkState.h"

#include <QString>

namespace vek {

// "COM1" .. for list positions 0 .. 16; any other position leaves name unchanged.
void ComNameOfPosition(int position, QString &name);
// 300 ... 115200 for positions 0 to 9, else 0.
uint32_t BaudRateValue(int position);
// Parity code of a parity list position: 1 ("Even") even, 2 ("Odd") odd, else none.
uint8_t ParityOfPosition(int position);
// "EVEN", "ODD", otherwise "None".
QString ParityText(int position);
// Parallel port base address of a list position: 1 gives 0x278, 2 gives 0x3BC, else 0x378.
uint16_t LptBaseAddress(int position);

// Opens and configures the chip's COM port and points chip slot 0 at it; a port the chip held
// before under another name is closed first. A port an instrument is open on is not taken.
// Returns the status text for status field 0.
QString ApplyChipComPort(SerialPorts &ports, ChipComPorts &com, ChipSlot &slot, int comIndex,
                         int baudIndex, int parityIndex, const InstrumentPorts &instruments = {});
// Closes the chip's COM port (the interface is no longer "RS232"); the slot's port is closed.
void ReleaseChipComPort(SerialPorts &ports, ChipComPorts &com, ChipSlot &slot);

// The outcome of an instrument search: the status field 1 text and, when the port opened but
// the instrument did not identify itself, the message for the user.
struct SelectOutcome {
    QString statusText;
    QString messageText; // empty: no message
};

// Opens the calibrator port, checks that it echoes "*OPT", and marks it present. A failure
// leaves the record closed and absent.
SelectOutcome SelectCalibrator(InstrumentLink &link, SerialPorts &ports, InstrumentPort &record,
                               const QString &portName);
// Opens the power-supply port, puts the supply in remote mode, sets it safe (0 V, 0 A, output
// off) and checks its identity. A failure leaves the record closed and absent.
SelectOutcome SelectPowerSupply(InstrumentLink &link, SerialPorts &ports, InstrumentPort &record,
                                const QString &portName);

} // namespace vek
