#include "instruments/SetupPorts.h"

#include <algorithm>

namespace vek {

namespace {

constexpr uint32_t kBauds[] = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

void CloseRecord(SerialPorts &ports, InstrumentPort &record)
{
    ports.Close(record.handle);
    record.handle = -1;
}

// Sets the four fields of the device control block and leaves the rest as the port had them.
void Configure(SerialPort *port, uint32_t baud, uint8_t parity, uint8_t stopBits)
{
    if (!port)
        return;
    CommSettings s;
    port->GetCommState(s);
    s.baudRate = baud;
    s.byteSize = 8;
    s.parity = parity;
    s.stopBits = stopBits;
    port->SetCommState(s);
}

} // namespace

void ComNameOfPosition(int position, QString &name)
{
    if (position >= 0 && position <= 16)
        name = QStringLiteral("COM%1").arg(position + 1);
}

uint32_t BaudRateValue(int position)
{
    return (position >= 0 && position < int(std::size(kBauds))) ? kBauds[position] : 0;
}

uint8_t ParityOfPosition(int position)
{
    switch (position) {
    case 1: return kEvenParity;
    case 2: return kOddParity;
    default: return kNoParity;
    }
}

QString ParityText(int position)
{
    switch (position) {
    case 1: return QStringLiteral("EVEN");
    case 2: return QStringLiteral("ODD");
    default: return QStringLiteral("None");
    }
}

uint16_t LptBaseAddress(int position)
{
    switch (position) {
    case 1: return 0x278;
    case 2: return 0x3BC;
    default: return 0x378;
    }
}

void ReleaseChipComPort(SerialPorts &ports, ChipComPorts &com, ChipSlot &slot)
{
    for (int64_t &handle : com.handles) {
        ports.Close(handle);
        handle = -1;
    }
    com.openedMask = 0;
    slot.comHandle = -1;
    slot.comOpen = 0;
}

QString ApplyChipComPort(SerialPorts &ports, ChipComPorts &com, ChipSlot &slot, int comIndex,
                         int baudIndex, int parityIndex, const InstrumentPorts &instruments)
{
    ComNameOfPosition(comIndex, com.portName);
    const uint8_t parity = ParityOfPosition(parityIndex);
    const uint32_t baud = BaudRateValue(baudIndex);
    const uint32_t bit = (comIndex >= 0 && comIndex < kComPortCount) ? 1u << comIndex : 0u;
    // The chip holds one port at a time: the one it held under another name is let go.
    if (com.openedMask & ~bit)
        ReleaseChipComPort(ports, com, slot);
    const bool instrumentOnIt = std::any_of(instruments.begin(), instruments.end(), [&](const InstrumentPort &p) {
        return ports.Port(p.handle) && p.portName.compare(com.portName, Qt::CaseInsensitive) == 0;
    });
    if (!bit || instrumentOnIt) {
        ReleaseChipComPort(ports, com, slot);
        return QStringLiteral("Uart  not  found");
    }
    if (!(com.openedMask & bit)) {
        const int64_t handle = ports.Open(com.portName);
        if (handle < 0) {
            slot.comOpen = 0;
            return QStringLiteral("Uart  not  found");
        }
        com.openedMask |= bit;
        com.handles[size_t(comIndex)] = handle;
    }
    slot.comHandle = com.handles[size_t(comIndex)];
    slot.comOpen = 1;
    slot.comPort = comIndex;
    slot.comBaud = baudIndex;
    slot.comParity = parityIndex;

    SerialPort *port = ports.Port(slot.comHandle);
    Configure(port, baud, parity, kOneStopBit);
    CommSettings readBack;
    if (port)
        port->GetCommState(readBack);
    else
        readBack.baudRate = 0;
    return QStringLiteral("RS232 ") + com.portName + QStringLiteral(" , Baud = ") +
           QString::number(readBack.baudRate) + QStringLiteral(", Pariyt = ") +
           ParityText(parityIndex);
}

// Opens an instrument's port into its record; on failure the record is left closed and absent.
SerialPort *OpenInstrumentPort(SerialPorts &ports, InstrumentPort &record, const QString &portName)
{
    record.portName = portName;
    record.handle = ports.Open(portName);
    SerialPort *port = ports.Port(record.handle);
    if (!port) {
        record.present = false;
        CloseRecord(ports, record);
    }
    return port;
}

SelectOutcome SelectCalibrator(InstrumentLink &link, SerialPorts &ports, InstrumentPort &record,
                               const QString &portName)
{
    if (record.present)
        return {QStringLiteral("Fluke 已經設定"), {}};
    SerialPort *port = OpenInstrumentPort(ports, record, portName);
    if (!port)
        return {QStringLiteral("Fluke Uart  not  found"), {}};
    Configure(port, 9600, kNoParity, kOneStopBit);
    port->PurgeInput();

    link.SendText(record, "*OPT");
    link.SendText(record, "\r");
    link.WaitSpan(0.5 / 86400.0);
    link.ClearReply();
    const int count = link.ReadReplyLine(record);
    const QByteArray reply = link.ReplyText(count);
    if (count != 0 &&
        IsCalibratorEcho(int(reply.size()), reinterpret_cast<const uint8_t *>(reply.constData()))) {
        record.present = true;
        return {QStringLiteral("Successful Select Fluke In ") + portName, {}};
    }
    record.present = false;
    CloseRecord(ports, record);
    return {QStringLiteral("Fail Select Fluke ") + portName,
            QStringLiteral("此通道連接的不是Fluke5500A!!")};
}

SelectOutcome SelectPowerSupply(InstrumentLink &link, SerialPorts &ports, InstrumentPort &record,
                                const QString &portName)
{
    if (record.present)
        return {QStringLiteral("Power Supply 已經設定"), {}};
    SerialPort *port = OpenInstrumentPort(ports, record, portName);
    if (!port)
        return {QStringLiteral("Power Supply Uart  not  found"), {}};
    Configure(port, 9600, kNoParity, kTwoStopBits);
    port->SetDtr(false);
    port->PurgeInput();
    port->SetDtr(true);

    static const char kRemote[] = "SYST:REM\r\n";
    port->Write(reinterpret_cast<const uint8_t *>(kRemote), 10);

    QByteArray reply;
    link.QueryText(record, "VOLT 0.0", reply);
    link.QueryText(record, "CURR 0.0", reply);
    link.QueryText(record, "OUTP OFF", reply);
    QByteArray identity;
    const bool answered = link.QueryText(record, "*IDN?", identity);
    if (IsPowerSupplyIdentity(answered, identity)) {
        record.present = true;
        return {QStringLiteral("Successful Select Power Supply In ") + portName, {}};
    }
    record.present = false;
    CloseRecord(ports, record);
    return {QStringLiteral("Fail Select Power Supply ") + portName,
            QStringLiteral("此通道連接的不是Power Supply!!")};
}

} // namespace vek
