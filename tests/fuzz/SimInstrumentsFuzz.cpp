// Bytes of any shape sent to the simulated instruments, in pieces.
#include "sim/instruments/CalibratorSim.h"
#include "sim/instruments/MeterSim.h"
#include "sim/instruments/PowerSupplySim.h"

#include <cmath>
#include <cstdlib>

using namespace vek::sim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CalibratorSim calibrator;
    PowerSupplySim supply;
    MeterSim meter;
    size_t at = 0, out = 0;
    while (at < size) {
        const size_t piece = std::min<size_t>(size - at, 1 + data[at] % 32);
        const QByteArray bytes(reinterpret_cast<const char *>(data + at), int(piece));
        for (InstrumentProtocol *p : {static_cast<InstrumentProtocol *>(&calibrator),
                                      static_cast<InstrumentProtocol *>(&supply),
                                      static_cast<InstrumentProtocol *>(&meter)})
            for (const TimedReply &r : p->Feed(bytes))
                out += size_t(r.bytes.size());
        at += piece;
        // The answers never grow far beyond what came in.
        if (out > 16 * at + 512)
            std::abort();
    }
    if (!std::isfinite(calibrator.OutputVolts()) || !std::isfinite(supply.OutputVolts()))
        std::abort();
    return 0;
}
