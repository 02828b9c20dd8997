#include "app/MainPanel.h"

#include "analysis/ui/LongRunWindow.h"
#include "analysis/ui/NoiseTableWindow.h"
#include "history/ui/HistoryWindow.h"

#include "analysis/ui/TAnxADC.h"
#include "app/base/SafeFile.h"
#include "app/base/SettingsText.h"
#include "app/config/ConfigFile.h"
#include "app/context/AppContext.h"
#include "app/placement/TRestoreWin.h"
#include "bench/ui/TTMP.h"
#include "bench/ui/TWeightCAL.h"
#include "chipdesc/ui/TOption.h"
#include "instruments/ui/StepTableWindows.h"
#include "link/ClaimRecord.h"
#include "link/ui/LinkWindows.h"
#include "panels/ui/AnalogPanels.h"
#include "views/ui/ViewWindows.h"
#include "widgets/PanelWindow.h"
#include "widgets/QtDialogs.h"

#include <QCloseEvent>
#include <QLayout>
#include <algorithm>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace vek {

QList<PanelWindow *> WindowSet::PanelsInHideOrder() const
{
    return {op, adc, cmp, ram, reg, option, anx, weightCal, fluke, power, tmp};
}

TMainPanel::TMainPanel(AppContext &ctx) : QMainWindow(nullptr), m_ctx(ctx)
{
    setObjectName(QStringLiteral("MainPanel"));
    setWindowTitle(QStringLiteral("Main"));
    resize(893, 813);

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_mdi = new QMdiArea(central);
    m_mdi->setObjectName(QStringLiteral("MdiArea"));
    // A window larger than the area (the ADC panel, the temperature test) is reached by scrolling.
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    layout->addWidget(m_mdi, 1);
    m_gauge = new QProgressBar(central);
    m_gauge->setObjectName(QStringLiteral("Gauge1"));
    m_gauge->setFixedHeight(12);
    m_gauge->setRange(0, 100);
    m_gauge->setValue(0);
    m_gauge->setTextVisible(false);
    layout->addWidget(m_gauge);
    m_button1 = new QPushButton(QStringLiteral("Button1"), central);
    m_button1->setObjectName(QStringLiteral("Button1"));
    m_button1->hide();
    connect(m_button1, &QPushButton::clicked, this, &TMainPanel::Button1Click);
    setCentralWidget(central);

    BuildMenus();
    BuildStatusBar();

    // Every window reopens where the user left it.
    m_restoreWin = new TRestoreWin(this, m_ctx.programDir, QCoreApplication::applicationFilePath());
    m_restoreWin->SetExtName(QStringLiteral("wst"));
    m_restoreWin->SetAutoShow(true);
    m_restoreWin->SetEnabled(true);
    m_restoreWin->windows = [this]() { return m_w ? m_w->forms : QList<QWidget *>{this}; };
    m_restoreWin->showWindow = [this](QWidget *w) {
        // Panels are shown the one way panels are shown; the hidden base window, the link
        // supervisor and the hex popup are never shown from here.
        if (w == this) {
            show();
            return;
        }
        if (m_w)
            for (PanelWindow *p : m_w->PanelsInHideOrder())
                if (p == w)
                    SetPanelShown(p, true);
    };

    m_ctx.status.onText = [this](int field, const QString &text) {
        if (field >= 0 && field < 3) {
            m_fields[field]->setText(text);
            m_fields[field]->setToolTip(text); // the fixed-width field may cut a long text
        }
    };
    m_ctx.status.onGauge = [this](bool visible, int percent) {
        m_gauge->setValue(percent);
        m_gauge->setVisible(visible);
    };
    // A chip description that asks for the instruments shows their menus.
    m_ctx.showInstrumentMenus = [this] { ShowInstrumentMenus(); };

    FormCreate();
}

TMainPanel::~TMainPanel()
{
    FormDestroy();
    m_ctx.status.onText = nullptr;
    m_ctx.status.onGauge = nullptr;
    m_ctx.showInstrumentMenus = nullptr;
}

void TMainPanel::BuildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    // Native menu bars would move the menu out of the window on some desktops.
    bar->setNativeMenuBar(false);

    auto item = [this](QMenu *menu, const char *caption, const char *name, void (TMainPanel::*slot)(),
                       bool visible = true) {
        QAction *a = menu ? menu->addAction(QString::fromUtf8(caption))
                          : menuBar()->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromLatin1(name));
        a->setVisible(visible);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };

    QMenu *file = bar->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("Memu_File"));
    file->menuAction()->setObjectName(QStringLiteral("Memu_File"));
    file->menuAction()->setVisible(false);
    item(file, "Save Fluke", "SaveFluke1", &TMainPanel::SaveFluke1Click);
    item(file, "Save Reg", "SaveReg1", &TMainPanel::SaveReg1Click);
    item(file, "Save Power", "SavePower1", &TMainPanel::SavePower1Click);
    item(file, "DownLoad Fluke", "DownLoadFluke1", &TMainPanel::DownLoadFluke1Click);
    item(file, "Download Reg", "DownloadReg1", &TMainPanel::DownloadReg1Click);
    item(file, "Download Power", "DownloadPower1", &TMainPanel::DownloadPower1Click);

    QMenu *option = bar->addMenu(QStringLiteral("Option"));
    option->setObjectName(QStringLiteral("Menu_Option"));
    option->menuAction()->setObjectName(QStringLiteral("Menu_Option"));
    item(option, "Setup", "SMenu_Option", &TMainPanel::SMenu_OptionClick);
    item(option, "RAM Panel", "SMenu_RAM", &TMainPanel::SMenu_RAMClick);
    item(option, "REG Panel", "SMenu_REG", &TMainPanel::SMenu_REGClick);
    item(option, "ADC Panel", "SMenu_ADC", &TMainPanel::SMenu_ADCClick);
    item(option, "OP Panel", "SMenu_OP", &TMainPanel::SMenu_OPClick);
    item(option, "CMP Panel", "SMenu_CMP", &TMainPanel::SMenu_CMPClick);
    // Beside the ENOB test: its noise table and its long captures.
    option->addSeparator();
    item(option, "Noise Table", "Menu_NoiseTable", &TMainPanel::Menu_NoiseTableClick);
    item(option, "Long Run", "Menu_LongRun", &TMainPanel::Menu_LongRunClick);
    item(option, "History", "Menu_History", &TMainPanel::Menu_HistoryClick);

    item(nullptr, "USB Scan", "USBScan", &TMainPanel::USBScanClick);
    item(nullptr, "Read RAM", "Menu_ReadRAM", &TMainPanel::Menu_ReadRAMClick);
    item(nullptr, "ENOB Test", "Menu_ReadAdc", &TMainPanel::Menu_ReadAdcClick);

    item(nullptr, "SLEEP", "SLEEP1", &TMainPanel::SLEEP1Click, false);
    item(nullptr, "Switch Test", "MCALW", &TMainPanel::MCALWClick, false);
    item(nullptr, "Restore ADC", "RestoreADC", &TMainPanel::RestoreADCClick, false);
    item(nullptr, "連續讀取", "Regist", &TMainPanel::RegistClick, false);
    item(nullptr, "Fluke", "Fluke1", &TMainPanel::Fluke1Click, false);
    item(nullptr, "Power", "Power1", &TMainPanel::Power1Click, false);
}

void TMainPanel::BuildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(true);
    static const int kDesigned[3] = {300, 50, 50};
    for (int i = 0; i < 3; ++i) {
        m_fields[i] = new QLabel(bar);
        m_fields[i]->setObjectName(QStringLiteral("StatusField%1").arg(i));
        m_fields[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        // The designed width is the least a field takes; a longer text widens it.
        m_fields[i]->setMinimumWidth(kDesigned[i]);
        bar->addWidget(m_fields[i], i == 2 ? 1 : 0);
    }
}

QLabel *TMainPanel::StatusField(int i) const
{
    return (i >= 0 && i < 3) ? m_fields[i] : nullptr;
}

QAction *TMainPanel::MenuItem(const QString &componentName) const
{
    const auto actions = menuBar()->findChildren<QAction *>(componentName);
    return actions.isEmpty() ? nullptr : actions.first();
}

void TMainPanel::AttachWindows(WindowSet *windows)
{
    m_w = windows;
}

void TMainPanel::FormCreate()
{
    // 1. The program directory is recorded by the context that main() made.
    // 2. No handler for the change of the active window is needed.
    // 3. Keep the window on the screen.
    FitToScreen(this);
    // 4. Gauge hidden; fields 0 and 1 each take a third of the status bar.
    m_gauge->hide();
    const int third = width() / 3;
    m_fields[0]->setMinimumWidth(third);
    m_fields[1]->setMinimumWidth(third);
    // 5. No chip serial port and no USB device is open yet.
    ChipSlot &slot0 = m_ctx.chipSlots[0];
    slot0.comHandle = -1;
    slot0.comOpen = 0;
    slot0.link.openedByDriver = false;
    slot0.link.handle = -1;
    // 6. Title.
    setWindowTitle(QString::fromLatin1(kTitle));
    // 7. The link supervisor counts its ticks from 0.
    m_ctx.upTickCount = 0;
}

void TMainPanel::FormActivate()
{
    for (PanelWindow *p : m_w->PanelsInHideOrder())
        SetPanelShown(p, false);
    // A save cut short by a kill leaves its temporary beside the program's own file; nothing
    // else would ever remove it.
    static const QStringList kOwnExtensions = {"cfg", "txt", "wst", "csv", "json", "png", "ram", "xlsx"};
    RemoveStaleTemporaries(m_ctx.programDir, kOwnExtensions);
    RemoveStaleTemporaries(m_ctx.ProgramFile(QStringLiteral("TEMP")), kOwnExtensions);
    LoadConfig(m_ctx.ProgramFile(QStringLiteral("VekADC.cfg")));
    m_w->weightCal->LoadConfig(m_ctx.ProgramFile(QStringLiteral("StepADC.txt")));
    int &target = m_ctx.samples.TargetCount;
    if (target < 256 || target > 65536)
        target = 256;
}

void TMainPanel::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // The board is looked for once as soon as the window is up, so "Read RAM" and a capture work
    // from the first minute; the 30-second checks go on as before. The search runs from the event
    // loop, after the window has been drawn.
    if (m_searchedOnShow)
        return;
    m_searchedOnShow = true;
    QTimer::singleShot(0, this, [this] {
        if (!m_closed && m_w)
            USBScanClick();
    });
}

void TMainPanel::closeEvent(QCloseEvent *event)
{
    // A capture or test still running ends at its next message pump; the settings are saved now
    // and the program ends when control is back in the message loop.
    m_ctx.RequestStopAll();
    FormClose();
    event->accept();
}

void TMainPanel::FormClose()
{
    if (m_closed)
        return;
    m_closed = true;
    SaveConfig(m_ctx.ProgramFile(QStringLiteral("VekADC.cfg")));
    if (m_w && m_w->weightCal) {
        m_w->weightCal->SaveConfig(m_ctx.ProgramFile(QStringLiteral("StepADC.txt")));
        // A channel switch test still running ends at its next check.
        m_w->weightCal->PSTPClick();
    }
    m_ctx.bitRegs.Clear();
    m_ctx.byteRegs.Clear();
    m_ctx.wordRegs.Clear();
    if (m_w)
        for (PanelWindow *p : m_w->PanelsInHideOrder())
            SetPanelShown(p, false);
}

void TMainPanel::FormDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    // The chip's COM ports opened in this run (each keeps its own handle).
    for (int64_t &handle : m_ctx.chipComPorts.handles) {
        m_ctx.serialPorts.Close(handle);
        handle = -1;
    }
    m_ctx.chipComPorts.openedMask = 0;
    m_ctx.chipSlots[0].comHandle = -1;
    m_ctx.chipSlots[0].comOpen = 0;
    // Give the board's number back so the next run (or another program) can claim it.
    LinkIo io = m_ctx.Link();
    ReleaseBoard(io, m_ctx.chipSlots[0].link);
    SaveClaimRecord(m_ctx.ProgramFile(QLatin1String(kClaimRecordFileName)), m_ctx.usb);
}

void TMainPanel::LoadConfig(const QString &fileName)
{
    // A first run writes the start-up settings and then reads them back like any other file.
    if (!QFileInfo::exists(fileName))
        SaveConfig(fileName);
    QByteArray bytes;
    if (!ReadSettingsFile(fileName, bytes))
        return;
    const ConfigLoad load = ParseConfig(bytes);
    // A file of another program or version changes nothing, not even the chip selection; it is
    // kept as a copy before the close replaces it (or, when no copy can be made, not replaced).
    if (!load.titleMatched) {
        const KeptConfig kept = KeepUnloadedConfig(fileName, bytes);
        m_configReplaceable = kept.kept;
        m_ctx.status.SetText(0, kept.statusText);
        return;
    }
    ApplyLoadedConfig(m_ctx, load);
    ShowLoadedConfig(load);
    // Even a short file ends with the chip selection and the interface.
    SelectChipAndInterface();
}

void TMainPanel::ShowLoadedConfig(const ConfigLoad &load)
{
    // The loaded values are in m_ctx.setup and m_ctx.config now; the windows that exist show them
    // in their controls. Setting a list here runs no change handler unless the load rules say so.
    ConfigSettings &c = m_ctx.config;
    for (int mode = 0; mode < 2; ++mode)
        if (load.Has(18 + mode))
            m_ctx.scaleDmm.sets[size_t(mode)] = c.ModeRegisters[size_t(mode)];
    if (load.Has(20))
        m_ctx.scaleDmm.comFun = c.ComFun;
    if (!m_w)
        return;
    if (load.Has(2) || load.Has(16) || load.Has(22))
        m_w->option->ShowStoredChoices();
    TAnxADC *anx = m_w->anx;
    if (load.Has(13)) {
        anx->SetNPointIndex(c.NPointIndex); // runs NPointIndexChange
        // The stored count itself goes through the start-up range rule (so "131072" and "128"
        // start as 256), not through the window's own cap at the array size.
        if (const int32_t count = SamplePointCount(c.NPointIndex); count > 0)
            m_ctx.samples.TargetCount = count;
        anx->SetGridShown(true);            // chart hidden, data table shown
        m_ctx.samples.CaptureIdle = true;
        anx->SetTXScaleIndex(c.TXScale); // runs TXScaleChange
    }
    if (load.Has(14))
        anx->SetFrequencyView(false);
    if (load.Has(15))
        anx->SetCFunADCIndex(c.CFunADC);
    if (load.Has(17))
        anx->SetCalibrationPair(c.CalInput, c.CalResult);
    if (load.Has(20))
        anx->SetComFunIndex(c.ComFun);
    // The shift list only shows the stored choice; nothing is written to the chip here.
    if (load.Has(21) && m_w->weightCal)
        m_w->weightCal->SetADShiftIndex(c.ADShift);
    if (load.Has(23))
        anx->SetEREFVText(c.EREFV);
    if (load.Has(24))
        anx->SetCMAVRIndex(c.CMAVR);
    if (load.Has(26)) {
        anx->SetKeyAddressText(c.EKEYADDR);
        anx->SetKeyDataText(c.EKEYDATA);
    }
}

void TMainPanel::GatherConfig()
{
    // The file writes back what the windows show now.
    ConfigSettings &c = m_ctx.config;
    c.ModeRegisters = m_ctx.scaleDmm.sets;
    if (!m_w)
        return;
    const TAnxADC *anx = m_w->anx;
    c.NPointIndex = anx->NPointIndex();
    c.TXScale = anx->TXScaleIndex();
    c.FrequencyView = m_ctx.samples.FrequencyView;
    c.CFunADC = anx->CFunADCIndex();
    c.CalInput = anx->CalibrationInput();
    c.CalResult = anx->CalibrationResult();
    c.ComFun = anx->ComFunIndex();
    if (m_w->weightCal)
        c.ADShift = m_w->weightCal->ADShiftIndex();
    c.EREFV = anx->EREFVText();
    c.CMAVR = anx->CMAVRIndex();
    c.EKEYADDR = anx->KeyAddressText();
    c.EKEYDATA = anx->KeyDataText();
}

void TMainPanel::SelectChipAndInterface()
{
    if (!m_w)
        return;
    // Select the chip model at the stored index, then apply the interface to the setup dialog
    // (for RS232 this opens the chip's COM port); the parallel port link starts for interface 3.
    m_w->option->GetSELUP();
    m_w->option->ApplyStoredInterface();
    if (m_ctx.setup.interfaceIndex == 3 && m_ctx.hooks.startParallelLink)
        m_ctx.hooks.startParallelLink();
}

void TMainPanel::SaveConfig(const QString &fileName)
{
    GatherConfig();
    if (!m_configReplaceable)
        return;
    // Written whole or not at all; a file that cannot be written is skipped without a message.
    WriteFileAtomically(fileName, SerializeConfig(m_ctx.setup, m_ctx.config));
}

void TMainPanel::USBClient()
{
    if (!m_w)
        return;
    // The stored interface and serial settings apply to the board just found.
    m_w->option->ChennalComChange();
    ShowChipCaptions();
    m_w->ram->RefreshRamView(false);
    m_w->reg->Refresh(false);
    m_w->adc->DataUpdate();
    m_w->op->DataUpdate();
    m_w->cmp->DataUpdate();
}

void TMainPanel::ShowChipCaptions()
{
    if (!m_w)
        return;
    const QString name = m_w->option->ChipEntryText(m_ctx.setup.chipModelIndex);
    m_w->ram->SetCaption(QStringLiteral("記憶體 - ") + name);
    m_w->reg->SetCaption(QStringLiteral("暫存器 - ") + name);
    m_w->adc->SetCaption(QStringLiteral("ADC - ") + name);
    m_w->cmp->SetCaption(QStringLiteral("Comparator - ") + name);
    m_w->op->SetCaption(QStringLiteral("OP - ") + name);
    m_w->anx->SetCaption(QStringLiteral("Analyse ADC - ") + name);
    setWindowTitle(QString::fromLatin1(kTitle) + QStringLiteral(" ---- Now Chip is  ") + name);
}

void TMainPanel::SetPanelShown(PanelWindow *window, bool shown)
{
    if (!window)
        return;
    PanelSubWindow *sub = window->SubWindow();
    if (!shown) {
        if (sub && sub->mdiArea()) {
            window->SetFrameRect(window->FrameRect());
            m_mdi->removeSubWindow(sub);
        }
        if (sub)
            sub->hide();
        else
            window->hide();
        return;
    }
    if (window->IsShownPanel()) {
        // A minimised panel comes back as it was before.
        if (sub->isMinimized())
            sub->showNormal();
        sub->raise();
        m_mdi->setActiveSubWindow(sub);
        return;
    }
    QRect frame = window->FrameRect();
    // A panel that keeps a corner of the area (the RAM and register panels) takes it the first
    // time it is shown, unless the placement store or the user has put it somewhere.
    const bool anchored = !sub && !window->Placed() && window->Anchor() != PanelWindow::Corner::None;
    if (!sub) {
        sub = new PanelSubWindow(window);
        sub->onCloseRequest = [this](PanelWindow *p) { SetPanelShown(p, false); };
        window->AttachSubWindow(sub);
    }
    if (!sub->mdiArea())
        m_mdi->addSubWindow(sub);
    window->show();
    if (sub->isMinimized())
        sub->showNormal();
    sub->show();
    sub->setGeometry(frame);
    // Never smaller than the window's controls need: a stored or designed size that would cut a
    // caption or a column is widened (what lies beyond the area is reached by scrolling).
    QSize need = sub->minimumSizeHint();
    if (window->layout())
        need = need.expandedTo(window->layout()->minimumSize() + (sub->size() - window->size()));
    frame.setSize(frame.size().expandedTo(need));
    if (anchored) {
        // The panel at the bottom is no taller than its contents, so it leaves the one at the top
        // (the RAM panel, all sixteen rows of a bank) uncovered where the area allows.
        if (window->Anchor() == PanelWindow::Corner::BottomRight)
            frame.setHeight(std::min(frame.height(), std::max(need.height(), sub->sizeHint().height())));
        const QSize area = m_mdi->viewport()->size();
        const int left = std::max(0, area.width() - frame.width() - kAnchorMargin);
        const int top = window->Anchor() == PanelWindow::Corner::TopRight ? 0
                                                                         : std::max(0, area.height() - frame.height());
        frame.moveTo(left, top);
    }
    if (frame != sub->geometry())
        sub->setGeometry(frame);
    window->SetFrameRect(frame);
    sub->raise();
    m_mdi->setActiveSubWindow(sub);
}

void TMainPanel::ShowInstrumentMenus()
{
    for (const char *name : {"Memu_File", "Regist", "Fluke1", "Power1"})
        if (QAction *a = MenuItem(QString::fromLatin1(name)))
            a->setVisible(true);
}

// The step tables cover the temperature test's step count, read afresh for every file.
void TMainPanel::SaveFluke1Click() { m_w->fluke->SaveSteps(m_w->tmp->Modenum()); }
void TMainPanel::SaveReg1Click() { m_w->tmp->SaveReg(); }
void TMainPanel::SavePower1Click() { m_w->power->SaveSteps(m_w->tmp->Modenum()); }
void TMainPanel::DownLoadFluke1Click() { m_w->fluke->LoadSteps(m_w->tmp->Modenum()); }
void TMainPanel::DownloadReg1Click() { m_w->tmp->DownloadReg(); }
void TMainPanel::DownloadPower1Click() { m_w->power->LoadSteps(m_w->tmp->Modenum()); }

void TMainPanel::SMenu_OptionClick()
{
    TOption *dlg = m_w->option;
    const QRect f = dlg->FrameRect();
    // The dialog keeps the room its shown rows need (the meter channels widen it).
    dlg->SetFrameRect(QRect(x() + 40, y() + 40, std::max(f.width(), dlg->minimumWidth()), f.height()));
    dlg->CbSeluP()->setCurrentIndex(m_ctx.setup.chipModelIndex);
    dlg->SelLPT()->setCurrentIndex(m_ctx.setup.interfaceIndex);
    SetPanelShown(dlg, false);
    // Shown as a modal dialog of its own, at the place given above.
    dlg->setParent(this, Qt::Dialog);
    dlg->setGeometry(dlg->FrameRect());
    m_ctx.dialogs.ShowModal(dlg);
}

void TMainPanel::SMenu_RAMClick() { SetPanelShown(m_w->ram, true); }
void TMainPanel::SMenu_REGClick() { SetPanelShown(m_w->reg, true); }
void TMainPanel::SMenu_ADCClick() { SetPanelShown(m_w->adc, true); }
void TMainPanel::SMenu_OPClick() { SetPanelShown(m_w->op, true); }
void TMainPanel::SMenu_CMPClick() { SetPanelShown(m_w->cmp, true); }

void TMainPanel::USBScanClick()
{
    const int i = m_ctx.setup.interfaceIndex;
    if (i == 1 || i == 2 || i == 4)
        m_w->up->USBConnect();
}

void TMainPanel::Menu_ReadRAMClick() { m_w->ram->ReadAllRam(); }
void TMainPanel::Menu_ReadAdcClick() { SetPanelShown(m_w->anx, true); }
void TMainPanel::Menu_NoiseTableClick()
{
    if (m_w->noiseTable)
        SetPanelShown(m_w->noiseTable, true);
}
void TMainPanel::Menu_LongRunClick()
{
    if (m_w->longRun)
        SetPanelShown(m_w->longRun, true);
}
void TMainPanel::Menu_HistoryClick()
{
    if (m_w->history)
        SetPanelShown(m_w->history, true);
}
void TMainPanel::SLEEP1Click() { m_w->up->SleepChip(); }
void TMainPanel::MCALWClick() { SetPanelShown(m_w->weightCal, true); }
void TMainPanel::RestoreADCClick() { m_w->anx->ComFunChange(); }

void TMainPanel::RegistClick()
{
    m_w->tmp->Timer1()->start();
    SetPanelShown(m_w->tmp, true);
}

void TMainPanel::Fluke1Click() { SetPanelShown(m_w->fluke, true); }
void TMainPanel::Power1Click() { SetPanelShown(m_w->power, true); }
void TMainPanel::Button1Click() { m_w->up->WriteProbeByte(); }

} // namespace vek
