#pragma once
// The six meter channels of the setup dialog: which COM port each is on, kept in "VekMeter.txt"
// in the program directory (one line per channel: the COM list position right-aligned in four
// characters, -1 for none), and the search that opens a channel's port and marks it present
// when a meter answers the request with a valid frame.
#include "instruments/InstrumentLink.h"
#include "instruments/SetupPorts.h"

#include <QByteArray>
#include <QString>
#include <array>

namespace vek {

constexpr int kMeterChannelCount = 6;
using MeterChoices = std::array<int, kMeterChannelCount>; // COM list positions, -1 none

inline QString MeterChoicesFileName() { return QStringLiteral("VekMeter.txt"); }
QByteArray MeterChoicesBytes(const MeterChoices &choices);
// Reads whitespace-separated integers, one per channel; a missing or unreadable entry, or one
// outside the COM list, is -1.
MeterChoices ParseMeterChoices(const QByteArray &bytes);
bool SaveMeterChoices(const QString &path, const MeterChoices &choices);
MeterChoices LoadMeterChoices(const QString &path);

// Opens the port of meter channel `channel` (0..5) into its instrument record, configures it
// (9600 baud, 8 data bits, no parity, 1 stop bit) and asks for one reading: a frame with both
// markers and at least 22 bytes marks the channel present; otherwise the port is closed.
SelectOutcome SelectMeter(InstrumentLink &link, SerialPorts &ports, InstrumentPorts &records, int channel,
                          const QString &portName);

} // namespace vek
