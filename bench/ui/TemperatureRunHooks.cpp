#include "bench/ui/TemperatureRunHooks.h"

#include "analysis/Acquisition.h"
#include "analysis/ResultFile.h"
#include "analysis/ui/TAnxADC.h"
#include "app/context/AppContext.h"
#include "bench/TempRun.h"
#include "bench/TemperatureModels.h"
#include "bench/ui/TTMP.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

namespace vek {

namespace {

// The run and the instrument link it talks through, living as long as the window.
class TemperatureRunner : public QObject {
public:
    TemperatureRunner(AppContext &ctx, QObject *parent)
        : QObject(parent), link(ctx.serialPorts, ctx.clock, ctx.instrumentBuffers, ctx.instrumentPorts),
          run(ctx.clock, link, ctx.instrumentPorts, ctx.programDir)
    {
    }
    InstrumentLink link;
    TemperatureRun run;
};

} // namespace

void ConnectTemperatureRun(TTMP &tmp, TAnxADC &anx, AppContext &ctx)
{
    auto *runner = new TemperatureRunner(ctx, &tmp);
    TemperatureRun &run = runner->run;

    run.board.connected = [&ctx] { return ctx.chipSlots[0].link.connected != 0; };
    run.board.connect = [&tmp] {
        if (tmp.connectBoard)
            tmp.connectBoard();
    };
    run.board.pulseReset = [&ctx] {
        LinkIo io = ctx.Link();
        PulseReset(io, ctx.chipSlots[0].link);
    };
    run.board.writeRegister = [&ctx](uint16_t address, uint8_t value) {
        ChipPort chip = ctx.Chip();
        WriteRegister(chip, address, value, 0);
    };
    run.board.clearSamples = [&anx] { anx.ClrTMP(); };
    run.board.trigger = [&ctx] {
        ChipPort chip = ctx.Chip();
        TMPTRIGER(chip, 0);
    };
    run.board.measure = [&anx, &ctx](int mode, const QString &refVolt, AnalysisResults &results) {
        anx.EREFV()->setText(refVolt);
        bool ok = false;
        if (mode == kTempModeStreamed || mode == kTempModeFlash) {
            // Nobody watches an unattended run: a board that sends nothing fails the step.
            anx.captureIdleTimeoutMs = 3000;
            anx.recordKind = QStringLiteral("temperature-step"); // in the results history
            ok = mode == kTempModeStreamed ? anx.CatchACDCOM(refVolt) : anx.BFlashRDCOM(refVolt);
            anx.recordKind = QStringLiteral("enob");
            anx.recordStep = -1;
            anx.captureIdleTimeoutMs = 0;
            if (ok)
                anx.ReCalADC();
        } else {
            ok = anx.TmpRAMADC(refVolt);
        }
        results = ctx.analysisResults;
        return ok && !SilentChipRecord(ctx.samples);
    };
    run.board.stopCapture = [&ctx] { ctx.samples.CaptureIdle = true; };
    run.board.saveFullFile = [&ctx](const QString &path, const AnalysisResults &figures) {
        return SaveResultFile(path, ctx.samples, figures);
    };
    // Each step reads its rows as it reaches them: edits and loads during a run count.
    // A row the tables no longer show (a smaller step count typed meanwhile) keeps what the run
    // copied at its start.
    run.refreshStep = [&ctx, &anx](int step, TempTables &t) {
        anx.recordStep = step; // the step of the capture's record
        for (int row : {0, step})
            if (row < int(t.reg.size()) && row <= ctx.registerSteps.Steps())
                for (int c = 1; c < kRegTableColumns; ++c)
                    t.reg[size_t(row)][size_t(c)] = ctx.registerSteps.Cell(row, c);
        if (step <= int(t.fluke.size()) && step <= ctx.flukeSteps.Rows())
            t.fluke[size_t(step - 1)] = {ctx.flukeSteps.Marker(step), ctx.flukeSteps.Command(step)};
        if (step <= int(t.power.size()) && step <= ctx.powerSteps.Rows())
            t.power[size_t(step - 1)] = {ctx.powerSteps.Marker(step), ctx.powerSteps.Command(step)};
    };
    run.view.pumpMessages = [] { QCoreApplication::processEvents(); };
    run.view.status = [&ctx](int field, const QString &text) { ctx.status.SetText(field, text); };
    run.view.prepareGrid = [&ctx, &tmp](int steps) {
        ctx.stepResults.Prepare(steps);
        tmp.TMPDataModel()->Refresh();
    };
    run.view.showMean = [&ctx, &tmp](int step, const QString &text) {
        ctx.stepResults.SetStepText(step, text);
        tmp.TMPDataModel()->Refresh();
    };

    TemperatureRunHooks hooks;
    hooks.run = [&tmp, &ctx, &run](int mode) {
        if (run.Running())
            return;
        const QList<QPushButton *> buttons = {tmp.CatchADC(), tmp.BADC(), tmp.BFlashRD(), tmp.ENSave()};
        for (QPushButton *b : buttons)
            b->setEnabled(false);
        if (mode == kTempModeStreamed)
            run.ResetFullFileNumber();
        TempSettings settings;
        settings.stepLimit = tmp.Modenum();
        settings.powerDelayText = tmp.PDlyT()->text();
        settings.keepCalibratorOn = tmp.FkNOINT()->isChecked();
        settings.fullFiles = tmp.CHFULL()->isChecked();
        settings.measure = static_cast<TempMeasure>(std::clamp(tmp.CADCBRY()->currentIndex(), 0, 2));
        tmp.runState.running = true;
        const TempRunOutcome out =
            run.Run(mode, TempTablesFrom(ctx.registerSteps, ctx.flukeSteps, ctx.powerSteps), settings);
        tmp.runState.running = false;
        tmp.runState.registerColumns = run.RegisterColumns();
        tmp.runState.steps = run.StepCount();
        tmp.runState.fullFileNumber = run.FullFileNumber();
        for (QPushButton *b : buttons)
            b->setEnabled(true);
        // Every outcome is said: a run that did not start or could not write its files in a
        // message box as well.
        if (out.end == TempRunEnd::NotStarted || out.end == TempRunEnd::Failed) {
            const QString text = out.end == TempRunEnd::Failed ? out.lastLine : out.error;
            ctx.status.SetText(0, text);
            ctx.dialogs.Message(&tmp, QStringLiteral("Error"), text, MsgButtons::Ok, MsgIcon::Error);
        } else {
            ctx.status.SetText(0, out.lastLine);
        }
    };
    hooks.saveData = [&run, &ctx] {
        const QString error = run.ENSaveClick();
        if (!error.isEmpty())
            ctx.status.SetText(0, error);
    };
    hooks.rangeLock = [&tmp, &run] {
        run.LKENTER(tmp.LK3V()->isChecked()     ? RangeLock::Lock3V
                    : tmp.LK330mV()->isChecked() ? RangeLock::Lock330mV
                                                 : RangeLock::None);
    };
    hooks.stop = [&run] { run.Stop(); };
    tmp.AttachRun(std::move(hooks));
    // Closing the main window, SIGINT and SIGTERM stop a run the same way.
    ctx.stopRequests.push_back([&run] { run.Stop(); });
}

} // namespace vek
