// Meter reply bytes of any shape: parsed as a frame, and delivered through the meter exchange
// (at once or in two pieces) on an in-memory line and a fake clock.
#include "instruments/InstrumentLink.h"
#include "instruments/MeterFrame.h"
#include "sim/instruments/LoopbackPort.h"

#include <cmath>
#include <cstdlib>

using namespace vek;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    MeterReading direct;
    ParseMeterFrame(data, int(size), direct);
    if (!std::isfinite(direct.value) || direct.exponent < 0 || direct.exponent > 9)
        std::abort();

    if (size < 2)
        return 0;
    // Byte 0: where the input is cut; byte 1: how late the second piece comes (x 10 ms).
    const size_t cut = std::min<size_t>(data[0], size - 2);
    const int lateMs = data[1] * 10;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 2), int(size - 2));

    FakeClock clock;
    sim::LoopbackBench lines(clock);
    SerialPorts ports;
    ports.SetOpener(lines.Opener());
    auto line = lines.Attach("COM1");
    InstrumentBuffers buffers;
    InstrumentPorts records{};
    records[2].handle = ports.Open("COM1");
    line->scheduled.push_back({clock.NowDays(), bytes.left(int(cut))});
    line->scheduled.push_back({clock.NowDays() + lateMs / kMsPerDay, bytes.mid(int(cut))});
    InstrumentLink link(ports, clock, buffers, records);
    MeterReading r;
    const double v = link.ReadMeterValue(2, r);
    if (!std::isfinite(v) || buffers.meterFrameLength < 0 ||
        buffers.meterFrameLength > int(buffers.meterFrame.size()))
        std::abort();
    return 0;
}
