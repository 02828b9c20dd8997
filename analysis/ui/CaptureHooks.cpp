#include "analysis/ui/CaptureHooks.h"

#include "analysis/Acquisition.h"
#include "analysis/SingleConversion.h"
#include "app/base/NumberText.h"
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
        io.idleTimeoutMs = anx.captureIdleTimeoutMs;
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
    // "Cal. Valtage": three single conversions; the millivolts of the edit and the last result
    // become the calibration pair. A pair is only kept when the last conversion succeeded.
    anx.hooks.calibrate = [&anx, &ctx]() {
        ChipPort chip = ctx.Chip();
        SingleConversionSettings settings;
        settings.interfaceIndex = ctx.setup.interfaceIndex;
        settings.photo = ctx.config.Photo;
        settings.modeIndex = anx.CFunADCIndex();
        settings.adcAddressText = anx.PreADCAddr()->text();
        settings.scaleDivisor = ctx.samples.ScaleDivisor;
        int32_t last = 0;
        // Up to six seconds when the board does not answer: the window keeps repainting, and
        // the button cannot start a second run meanwhile.
        anx.BCALVal()->setEnabled(false);
        const bool ok = CalibrationConversions(
            ctx.clock,
            [&](int32_t &value) {
                QCoreApplication::processEvents();
                return RetADCValue(chip, 0, settings, value);
            },
            last);
        anx.BCALVal()->setEnabled(true);
        if (ok)
            anx.SetCalibrationPair(ParseDecimal(anx.CalVal()->text().trimmed()), last);
        else
            ctx.status.SetText(2, QStringLiteral("Read Error !!!!!"));
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
