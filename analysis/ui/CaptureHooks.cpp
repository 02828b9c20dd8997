#include "analysis/ui/CaptureHooks.h"

#include "analysis/Acquisition.h"
#include "analysis/ui/TAnxADC.h"
#include "app/context/AppContext.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

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
    // "ADC": the firmware captures a block into its RAM; the block is read and analysed.
    anx.hooks.readRamBlock = [&anx, &ctx]() {
        anx.ClrTMP();
        ChipPort chip = ctx.Chip();
        BlockCaptureIo io(chip);
        io.kind = static_cast<InterfaceKind>(ctx.setup.interfaceIndex);
        io.layout = UsesPlainSpecialHeader(ctx.chip.productName, ctx.setup.chipModelIndex)
                        ? RamBlockLayout::SmallModel
                        : RamBlockLayout::Banked;
        io.bank1Present = ctx.chip.ramBanks[1].Defined();
        io.bank2Present = ctx.chip.ramBanks[2].Defined();
        io.waitSeconds = BlockWaitSeconds(anx.Edit1()->text());
        io.waitTick = [&ctx](int seconds) {
            ctx.status.SetText(2, QString::number(seconds));
            QCoreApplication::processEvents();
        };
        io.setBusy = [&anx](bool busy) { anx.BADC()->setEnabled(!busy); };
        const bool ok = TriggerBlockCapture(io) && ReadRamBlock(io);
        // Enabled again after a failed read too: the user can try once more.
        anx.BADC()->setEnabled(true);
        if (ok)
            anx.AnalyseRamBlock(anx.EREFV()->text(), io.layout, io.bank2Present);
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
