#include "instruments/MeterChannels.h"

#include "app/base/SafeFile.h"

#include <QFile>
#include <QList>

namespace vek {

QByteArray MeterChoicesBytes(const MeterChoices &choices)
{
    QByteArray out;
    for (int c : choices)
        out += QByteArray::number(c).rightJustified(4, ' ') + "\r\n";
    return out;
}

MeterChoices ParseMeterChoices(const QByteArray &bytes)
{
    MeterChoices choices;
    choices.fill(-1);
    const QList<QByteArray> words = bytes.simplified().split(' ');
    for (int i = 0; i < kMeterChannelCount && i < words.size(); ++i) {
        bool ok = false;
        const int v = words[i].toInt(&ok);
        choices[size_t(i)] = ok && v >= 0 && v <= 15 ? v : -1;
    }
    return choices;
}

bool SaveMeterChoices(const QString &path, const MeterChoices &choices)
{
    return WriteFileAtomically(path, MeterChoicesBytes(choices));
}

MeterChoices LoadMeterChoices(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return ParseMeterChoices({});
    return ParseMeterChoices(f.read(4096));
}

SelectOutcome SelectMeter(InstrumentLink &link, SerialPorts &ports, InstrumentPorts &records, int channel,
                          const QString &portName)
{
    if (channel < 0 || channel >= kMeterChannelCount)
        return {};
    const int index = kFirstMeterPort + channel;
    InstrumentPort &record = records[size_t(index)];
    const QString name = QStringLiteral("Meter %1").arg(channel);
    if (record.present)
        return {name + QStringLiteral(" 已經設定"), {}};
    record.portName = portName;
    record.handle = ports.Open(portName);
    SerialPort *port = ports.Port(record.handle);
    if (!port) {
        record.present = false;
        ports.Close(record.handle);
        record.handle = -1;
        return {name + QStringLiteral(" Uart  not  found"), {}};
    }
    CommSettings s;
    port->GetCommState(s);
    s.baudRate = 9600;
    s.byteSize = 8;
    s.parity = kNoParity;
    s.stopBits = kOneStopBit;
    port->SetCommState(s);
    port->PurgeInput();
    const InstrumentLink::MeterResult r = link.MeterRequest(index);
    if (r.ok && r.frameLength >= kMeterFrameLength) {
        record.present = true;
        return {QStringLiteral("Successful Select ") + name + QStringLiteral(" In ") + portName, {}};
    }
    record.present = false;
    ports.Close(record.handle);
    record.handle = -1;
    return {QStringLiteral("Fail Select ") + name + QStringLiteral(" ") + portName,
            QStringLiteral("此通道連接的不是電錶!!")};
}

} // namespace vek
