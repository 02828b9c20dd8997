// Reply bytes of any shape from the calibrator or the power supply: collected as a reply line
// (in pieces), taken as a query reply, and judged by the identity checks.
#include "instruments/InstrumentLink.h"
#include "instruments/MeterFrame.h"
#include "sim/instruments/LoopbackPort.h"

#include <cstdlib>

using namespace vek;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t cut = std::min<size_t>(data[0], size - 1);
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), int(size - 1));

    ReplyLineCollector c;
    c.Add(reinterpret_cast<const uint8_t *>(bytes.constData()), int(cut));
    c.Add(reinterpret_cast<const uint8_t *>(bytes.constData()) + cut, int(bytes.size() - cut));
    if (c.Count() < 0 || c.Count() > ReplyLineCollector::kCapacity)
        std::abort();
    IsCalibratorEcho(c.Count(), c.Data());
    IsPowerSupplyIdentity(true, bytes);

    FakeClock clock;
    sim::LoopbackBench lines(clock);
    SerialPorts ports;
    ports.SetOpener(lines.Opener());
    auto line = lines.Attach("COM1");
    InstrumentBuffers buffers;
    InstrumentPorts records{};
    records[0].handle = ports.Open("COM1");
    InstrumentLink link(ports, clock, buffers, records);

    line->scheduled.push_back({clock.NowDays(), bytes.left(int(cut))});
    line->scheduled.push_back({clock.NowDays() + 100 / kMsPerDay, bytes.mid(int(cut))});
    link.ClearReply();
    const int n = link.ReadReplyLine(records[0]);
    if (n < 0 || n > ReplyLineCollector::kCapacity || (n > 0 && buffers.transmit[size_t(n)] != 0))
        std::abort();

    line->input.clear();
    line->scheduled.clear();
    line->scheduled.push_back({clock.NowDays() + 10 / kMsPerDay, bytes});
    QByteArray reply;
    const bool answered = link.QueryText(records[0], "*IDN?", reply);
    if (answered && (reply.isEmpty() || reply.size() > int(buffers.flush.size())))
        std::abort();
    IsPowerSupplyIdentity(answered, reply);
    return 0;
}
