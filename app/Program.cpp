#include "app/Program.h"

#include "analysis/ui/CaptureHooks.h"
#include "analysis/ui/LongRunWindow.h"
#include "analysis/ui/NoiseTableWindow.h"
#include "history/HistoryRouting.h"
#include "history/ui/HistoryWindow.h"
#include "analysis/ui/TAnxADC.h"
#include "app/MainPanel.h"
#include "app/context/AppContext.h"
#include "bench/SwitchRun.h"
#include "bench/ui/TTMP.h"
#include "bench/ui/TemperatureRunHooks.h"
#include "bench/ui/TWeightCAL.h"
#include "chipdesc/ui/TOption.h"
#include "instruments/ui/StepTableWindows.h"
#include "link/ui/LinkWindows.h"
#include "panels/ui/AnalogPanels.h"
#include "views/ui/ViewWindows.h"

#include <QAction>
#include <QComboBox>

namespace vek {

Program::Program(AppContext &ctx) : m_ctx(ctx)
{
    auto add = [this](auto *w) {
        m_w.forms.append(w);
        m_owned.emplace_back(w);
        return w;
    };
    m_w.main = add(new TMainPanel(ctx));
    m_w.base = add(new TVek_BASE(ctx));
    m_w.up = add(new TVek_UP(ctx));
    m_w.option = add(new TOption(ctx));
    m_w.ram = add(new TVek_RAM(ctx));
    m_w.reg = add(new TVek_Reg2(ctx));
    m_w.adc = add(new TADCForm(ctx));
    m_w.op = add(new TOPForm(ctx));
    m_w.cmp = add(new TCMPForm(ctx));
    m_w.popHex = add(new TVekPopSelHex(ctx));
    m_w.anx = add(new TAnxADC(ctx));
    m_w.weightCal = add(new TWeightCAL(ctx));
    m_w.fluke = add(new TFLUKE(ctx));
    m_w.power = add(new TFPower(ctx));
    m_w.tmp = add(new TTMP(ctx));
    // The noise table and the long run come after the fifteen and keep out of their list.
    m_w.noiseTable = new NoiseTableWindow(ctx);
    m_owned.emplace_back(m_w.noiseTable);
    m_w.longRun = new LongRunWindow(ctx);
    m_owned.emplace_back(m_w.longRun);
    m_w.history = new HistoryWindow(ctx);
    m_owned.emplace_back(m_w.history);
    m_w.main->AttachWindows(&m_w);
    // A capture keeps the menus that would start other board traffic disabled.
    m_w.anx->hooks.setBoardMenusEnabled = [main = m_w.main](bool enabled) {
        for (const char *name : {"Memu_File", "Menu_Option", "Menu_ReadRAM", "Menu_ReadAdc", "Menu_NoiseTable", "Menu_LongRun"})
            if (QAction *a = main->MenuItem(QString::fromLatin1(name)))
                a->setEnabled(enabled);
    };
    ConnectCaptureHooks(*m_w.anx, m_ctx);
    // The noise table and the long run keep the same menus off while they run and stop with the
    // program.
    m_w.noiseTable->setBoardMenusEnabled = m_w.anx->hooks.setBoardMenusEnabled;
    m_w.longRun->setBoardMenusEnabled = m_w.anx->hooks.setBoardMenusEnabled;
    m_ctx.stopRequests.push_back([this] { m_w.noiseTable->StopClick(); });
    m_ctx.stopRequests.push_back([this] { m_w.longRun->StopClick(); });

    // "Ca.Flash" puts port 2's output low first, as the channel switch test does before a run.
    m_w.anx->hooks.beforeFlash = [this]() {
        ChipPort chip = m_ctx.Chip();
        PT2OUTLOW(chip, 0);
    };
    ConnectTemperatureRun(*m_w.tmp, *m_w.anx, m_ctx);
    m_w.tmp->connectBoard = [this]() { m_w.main->USBScanClick(); };
    m_w.up->onBoardFound = [this]() { m_w.main->USBClient(); };
    // The "Scale" lists of the analysis window and the channel switch test follow each other.
    m_w.anx->hooks.scaleIndexChanged = [this](int index) { m_w.weightCal->SetTXScaleIndex(index); };
    m_w.weightCal->scaleIndexChanged = [this](int index) { m_w.anx->TXScaleBox()->setCurrentIndex(index); };
    // "Restore ADC" and a change of the measurement mode write the mode's register set back to
    // the chip: registers 0x3C to 0x40, then 0x30.
    m_w.anx->hooks.applyRegisterPreset = [this](const std::array<uint8_t, 6> &row) {
        static const uint16_t kAddresses[6] = {0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x30};
        for (int i = 0; i < 6; ++i)
            m_w.up->WriteRegister(kAddresses[i], row[size_t(i)]);
    };
    m_ctx.hooks.setupUartLink = [this]() { return m_w.up->SetupUartLink(0); };
    // InitParallel on the chosen base; the outcome (device, or why it failed) goes to status
    // field 0 once, not with every access.
    m_ctx.hooks.startParallelLink = [this]() {
        m_ctx.parallel.InitParallel(m_ctx.setup.lptBaseAddress);
        m_ctx.status.SetText(0, m_ctx.parallel.StatusText());
    };
    // A chip description that asks for the instruments shows their menus and setup rows.
    m_ctx.showInstrumentMenus = [this]() {
        m_w.main->ShowInstrumentMenus();
        m_w.option->ShowInstrumentControls();
    };
    // A step count read in the temperature test window grows both step tables to it (a table
    // keeps its texts); Enter in its step count rebuilds the calibrator table with that many rows.
    m_w.tmp->onStepCount = [this](int steps) {
        m_w.fluke->GrowTo(steps);
        m_w.power->GrowTo(steps);
    };
    m_w.tmp->onStepCountEntered = [this](int steps) { m_w.fluke->INI(steps); };
    // The RAM and register panels reach the chip through the link supervisor and ask for values
    // with the keypad; "Read RAM" keeps the other board traffic off while it runs.
    m_w.ram->AttachDoors(m_w.up, m_w.popHex);
    m_w.reg->AttachDoors(m_w.up, m_w.popHex);
    m_w.ram->setBoardMenusEnabled = m_w.anx->hooks.setBoardMenusEnabled;
    // After a chip selection the two views show the chip's banks, pages and register names.
    m_ctx.onChipSelected = [this, before = m_ctx.onChipSelected]() {
        if (before)
            before();
        m_w.ram->ApplyChipSelection();
        m_w.reg->ApplyChipSelection();
        m_w.main->ShowChipCaptions();
    };
    // The RAM panel keeps the top right corner of the area, the register panel the bottom right.
    m_w.ram->SetAnchor(PanelWindow::Corner::TopRight);
    m_w.reg->SetAnchor(PanelWindow::Corner::BottomRight);
    // Every change of the image redraws, in this order, the RAM panel, the register panel and
    // the ADC, op-amp and comparator panels.
    m_ctx.refreshPanels = [this]() {
        m_w.ram->RefreshRamView(false);
        m_w.reg->Refresh(false);
        m_w.adc->DataUpdate();
        m_w.op->DataUpdate();
        m_w.cmp->DataUpdate();
    };
    ConnectAnalogPanels();
}

void Program::ConnectAnalogPanels()
{
    // The analog panels reach the chip through the link supervisor, on slot 0.
    PanelChip chip;
    TVek_UP *up = m_w.up;
    chip.imageByte = [up](int address) { return up->GetImageByte(address); };
    chip.writeRegister = [up](uint16_t address, uint8_t value) { up->WriteRegister(address, value); };
    chip.readChip = [up](uint16_t address, int count) { return up->ReadChip(address, count); };
    chip.transferByte = [this](int index) { return m_ctx.transferBuffer[size_t(index)]; };
    chip.storeAndRefresh = [up](int address, uint8_t value) { up->StoreAndRefresh(address, value); };
    m_w.adc->chip = chip;
    m_w.op->chip = chip;
    m_w.cmp->chip = chip;
    // Every chip selection prepares the panels' controls and redraws them.
    m_ctx.onChipSelected = [this, before = std::move(m_ctx.onChipSelected)]() {
        if (before)
            before();
        m_w.adc->ApplyPreparation();
        m_w.op->ApplyPreparation();
        m_w.cmp->ApplyPreparation();
    };
}

Program::~Program()
{
    m_ctx.refreshPanels = nullptr;
    m_ctx.onChipSelected = nullptr;
    m_ctx.showInstrumentMenus = nullptr;
    m_ctx.hooks.setupUartLink = nullptr;
    m_ctx.hooks.startParallelLink = nullptr;
    // Newest first, the main window last, so its FormDestroy runs after every other window is
    // gone. A panel shown as an MDI child is deleted together with its frame.
    for (auto it = m_owned.rbegin(); it != m_owned.rend(); ++it) {
        QWidget *w = it->data();
        if (!w)
            continue;
        if (auto *panel = qobject_cast<PanelWindow *>(w); panel && panel->SubWindow())
            delete panel->SubWindow();
        else
            delete w;
    }
}

void Program::KeepHistory()
{
    m_ctx.recordMeasurement = [this](MeasurementRecord record) { Record(std::move(record)); };
}

void Program::Record(MeasurementRecord record)
{
    record.programVersion = QStringLiteral("1.7");
    // The lab's server when VekHistory.cfg names one (what it cannot take is kept in the local
    // file and sent later), else the local file. Only what goes wrong is said, in field 0.
    RecordRouted(std::move(record), m_ctx.programDir, QString(), [this](const QString &text) {
        if (!text.startsWith(QLatin1String("results history record")) || text.contains(QLatin1String("kept in")))
            m_ctx.status.SetText(0, QStringLiteral("Results history: ") + text);
    });
}

void Program::Activate()
{
    m_w.main->FormActivate();
}

} // namespace vek
