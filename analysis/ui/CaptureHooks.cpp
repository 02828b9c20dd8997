#include "analysis/ui/CaptureHooks.h"

#include "analysis/Acquisition.h"
#include "analysis/ui/TAnxADC.h"
#include "app/context/AppContext.h"

#include <QCoreApplication>

namespace vek {

void ConnectCaptureHooks(TAnxADC &anx, AppContext &ctx)
{
    anx.hooks.streamCapture = [&anx, &ctx]() {
        ChipPort chip = ctx.Chip();
        AcquisitionIo io(chip);
        io.kind = static_cast<InterfaceKind>(ctx.setup.interfaceIndex);
        io.blockDecoded = [&anx](const DecodedRange &range, int byteCount) {
            anx.CaptureBlockDecoded(range, byteCount);
        };
        io.gauge = [&ctx](bool visible, int percent) { ctx.status.SetGauge(visible, percent); };
        // A click on "Catch ADC" arrives here and asks the capture to stop.
        io.pumpMessages = [] { QCoreApplication::processEvents(); };
        return ReadADCALL(io, ctx.samples).ok();
    };
    anx.hooks.readChipByte = [&ctx](int address, uint8_t &value) {
        ChipPort chip = ctx.Chip();
        if (address < 0 || address >= kChipMemorySize || !ReadChip(chip, uint16_t(address), 1, 0))
            return false;
        value = ctx.transferBuffer[0];
        return true;
    };
    anx.hooks.writeChipByte = [&ctx](int address, uint8_t value) {
        if (address < 0 || address >= kChipMemorySize)
            return false;
        ChipPort chip = ctx.Chip();
        ctx.transferBuffer[5] = value;
        return WriteChip(chip, uint16_t(address), 1, 0);
    };
}

} // namespace vek
