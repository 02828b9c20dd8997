#include "chipdesc/ui/TOption.h"

#include "app/context/AppContext.h"
#include "instruments/InstrumentLink.h"
#include "instruments/SetupPorts.h"
#include "chipdesc/ChipList.h"
#include "chipdesc/SelectChip.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace vek {

namespace {

QStringList ComNames()
{
    QStringList names;
    for (int i = 1; i <= kComPortCount; ++i)
        names << QStringLiteral("COM%1").arg(i);
    return names;
}

template <typename W>
W *Make(QWidget *parent, const char *name, QRect geometry)
{
    auto *w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(geometry);
    return w;
}

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text, QRect geometry)
{
    auto *l = Make<QLabel>(parent, name, geometry);
    l->setText(text);
    return l;
}

} // namespace

TOption::TOption(AppContext &ctx, QWidget *parent)
    : PanelWindow(QStringLiteral("Option"), QStringLiteral("選項"), QRect(40, 40, 316, 396), parent),
      m_ctx(ctx)
{
    SetSizeable(false);
    resize(316, 396);

    MakeLabel(this, "Label2", QStringLiteral("Select Chip "), QRect(8, 12, 80, 20));
    m_cbSeluP = Make<QComboBox>(this, "CbSeluP", QRect(90, 10, 216, 22));

    m_groupBox1 = Make<QGroupBox>(this, "GroupBox1", QRect(8, 40, 298, 56));
    m_groupBox1->setTitle(QStringLiteral("Communication"));
    m_selIOLPT = Make<QRadioButton>(m_groupBox1, "SelIOLPT", QRect(8, 24, 90, 20));
    m_selIOLPT->setText(QStringLiteral("Interfafce"));
    m_selIOLPT->setChecked(true);
    m_selLPT = Make<QComboBox>(m_groupBox1, "SelLPT", QRect(100, 22, 188, 22));
    m_selLPT->addItems({QStringLiteral("RS232"), QStringLiteral("SPI"), QStringLiteral("Special"),
                        QStringLiteral("Parallel"), QStringLiteral("UART")});

    MakeLabel(this, "LabelCOM", QStringLiteral("COM"), QRect(8, 108, 40, 20));
    m_txCom = Make<QComboBox>(this, "TXCOM", QRect(52, 106, 90, 22));
    m_txCom->addItems(ComNames());
    MakeLabel(this, "LabelBaud", QStringLiteral("Baud"), QRect(156, 108, 40, 20));
    m_txBaud = Make<QComboBox>(this, "TXBaud", QRect(200, 106, 106, 22));
    m_txBaud->addItems({"300", "600", "1200", "2400", "4800", "9600", "19200", "38400", "57600",
                        "115200"});
    MakeLabel(this, "LabelParity", QStringLiteral("Parity"), QRect(8, 138, 44, 20));
    m_txParity = Make<QComboBox>(this, "TXParity", QRect(52, 136, 90, 22));
    m_txParity->addItems({QStringLiteral("None"), QStringLiteral("Even"), QStringLiteral("Odd")});
    m_photo = Make<QCheckBox>(this, "Photo", QRect(200, 138, 106, 20));
    m_photo->setText(QStringLiteral("光耦合"));
    m_photo->setChecked(m_ctx.config.Photo);

    m_label5 = MakeLabel(this, "Label5", QStringLiteral("LPT Address"), QRect(8, 170, 80, 20));
    m_label5->hide();
    m_clpt = Make<QComboBox>(this, "CLPT", QRect(90, 168, 216, 22));
    m_clpt->addItems({QStringLiteral("LPT1 : 0x378"), QStringLiteral("LPT2 : 0x278"),
                      QStringLiteral("PRN1 : 0x3BC")});

    m_label8 = MakeLabel(this, "Label8",
                         QStringLiteral("======================Fluke5500==================="),
                         QRect(8, 204, 298, 18));
    m_flukeCom = Make<QComboBox>(this, "FlukeCOM", QRect(8, 226, 120, 22));
    m_flukeCom->addItems(ComNames());
    m_flukeSelect = Make<QPushButton>(this, "FlukeSelect", QRect(140, 224, 90, 26));
    m_flukeSelect->setText(QStringLiteral("Select"));
    m_label13 = MakeLabel(this, "Label13",
                          QStringLiteral("======================Power Supply================="),
                          QRect(8, 262, 298, 18));
    m_powerCom = Make<QComboBox>(this, "PowerCOM", QRect(8, 284, 120, 22));
    m_powerCom->addItems(ComNames());
    m_powerSelect = Make<QPushButton>(this, "PowerSelect", QRect(140, 282, 90, 26));
    m_powerSelect->setText(QStringLiteral("Select"));
    // The separators are wider than the dialog: centred, they lose only '=' at both ends.
    m_label8->setAlignment(Qt::AlignCenter);
    m_label13->setAlignment(Qt::AlignCenter);
    for (QWidget *w : std::initializer_list<QWidget *>{m_label8, m_flukeCom, m_flukeSelect,
                                                       m_label13, m_powerCom, m_powerSelect})
        w->hide();
    // The six meter channels, beside the calibrator and the power supply; shown with them.
    m_meterLabel = MakeLabel(this, "LabelMeter", QStringLiteral("==========Meter=========="),
                             QRect(320, 204, 240, 18));
    m_meterLabel->setAlignment(Qt::AlignCenter);
    m_meterWidgets.push_back(m_meterLabel);
    const MeterChoices choices = LoadMeterChoices(m_ctx.ProgramFile(MeterChoicesFileName()));
    for (int c = 0; c < kMeterChannelCount; ++c) {
        const int y = 226 + 26 * c;
        QLabel *label = MakeLabel(this, qPrintable(QStringLiteral("LabelMeter%1").arg(c)),
                                  QStringLiteral("CH %1").arg(c), QRect(320, y + 2, 40, 20));
        auto *combo = Make<QComboBox>(this, qPrintable(QStringLiteral("MeterCOM%1").arg(c)), QRect(362, y, 100, 22));
        combo->addItems(ComNames());
        combo->setCurrentIndex(choices[size_t(c)]);
        auto *select = Make<QPushButton>(this, qPrintable(QStringLiteral("MeterSelect%1").arg(c)),
                                         QRect(470, y - 1, 80, 24));
        select->setText(QStringLiteral("Select"));
        m_meterCom[size_t(c)] = combo;
        m_meterWidgets.insert(m_meterWidgets.end(), {label, combo, select});
        connect(combo, &QComboBox::activated, this, &TOption::SaveMeterChoices);
        connect(select, &QPushButton::clicked, this, [this, c] { MeterSelectClick(c); });
    }
    for (QWidget *w : m_meterWidgets)
        w->hide();

    m_btClose = Make<QPushButton>(this, "BtClose", QRect(216, 352, 90, 30));
    m_btClose->setText(QStringLiteral("關閉"));

    // Only the user's choices run the handlers; positions set by the program do not.
    connect(m_cbSeluP, &QComboBox::activated, this, &TOption::CbSeluPChange);
    connect(m_selLPT, &QComboBox::activated, this, &TOption::SelLPTChange);
    // The instrument port lists are read only by their "Select" buttons.
    connect(m_txCom, &QComboBox::activated, this, &TOption::TXCOMChange);
    connect(m_txBaud, &QComboBox::activated, this, &TOption::TXBaudChange);
    connect(m_txParity, &QComboBox::activated, this, &TOption::TXParityChange);
    connect(m_clpt, &QComboBox::activated, this, &TOption::CLPTChange);
    connect(m_photo, &QCheckBox::clicked, this, &TOption::PhotoClick);
    connect(m_flukeSelect, &QPushButton::clicked, this, &TOption::FlukeSelectClick);
    connect(m_powerSelect, &QPushButton::clicked, this, &TOption::PowerSelectClick);
    connect(m_btClose, &QPushButton::clicked, this, &TOption::BtCloseClick);

    FormCreate();
}

void TOption::FormCreate()
{
    // The chip list is read once, while the dialog is created.
    m_cbSeluP->addItems(m_ctx.hooks.readChipList ? m_ctx.hooks.readChipList()
                                                 : ReadChipList(m_ctx.programDir));
    m_cbSeluP->setCurrentIndex(m_cbSeluP->count() > 0 ? 0 : -1);
    m_selLPT->setCurrentIndex(m_ctx.setup.interfaceIndex);
    m_txCom->setCurrentIndex(m_ctx.setup.comIndex);
    m_txBaud->setCurrentIndex(m_ctx.setup.baudIndex);
    m_txParity->setCurrentIndex(m_ctx.setup.parityIndex);
    m_flukeCom->setCurrentIndex(0);
    m_powerCom->setCurrentIndex(0);
    m_ctx.chipComPorts.openedMask = 0;
    m_clpt->setCurrentIndex(0);
    m_clpt->setEnabled(false);
}

QString TOption::ChipEntryText(int index) const
{
    return (index >= 0 && index < m_cbSeluP->count()) ? m_cbSeluP->itemText(index) : QString();
}

bool TOption::GetSELUP()
{
    // Tests put their own selection in; the program selects from the chip description files.
    return m_ctx.hooks.selectChip ? m_ctx.hooks.selectChip(m_ctx.setup.chipModelIndex)
                                  : vek::GetSELUP(m_ctx);
}

void TOption::CbSeluPChange()
{
    m_ctx.setup.chipModelIndex = m_cbSeluP->currentIndex();
    GetSELUP();
}

void TOption::EnableSerialLists(bool enabled)
{
    m_txBaud->setEnabled(enabled);
    m_txCom->setEnabled(enabled);
    m_txParity->setEnabled(enabled);
}

void TOption::SelLPTChange()
{
    const int kind = m_selLPT->currentIndex();
    m_ctx.setup.interfaceIndex = kind;
    if (kind >= 0 && kind <= 4)
        m_ctx.chipSlots[0].interfaceKind = InterfaceKind(kind);
    // The chip's COM port is held only while the interface is "RS232".
    if (kind != 0)
        ReleaseChipComPort(m_ctx.serialPorts, m_ctx.chipComPorts, m_ctx.chipSlots[0]);
    switch (kind) {
    case 0: // RS232
        EnableSerialLists(true);
        m_clpt->setEnabled(false);
        TXCOMChange();
        break;
    case 3: // Parallel
        EnableSerialLists(false);
        m_clpt->setEnabled(true);
        break;
    case 4: // UART: the board's UART is set up before anything else changes
        if (m_ctx.hooks.setupUartLink)
            m_ctx.hooks.setupUartLink();
        EnableSerialLists(false);
        m_clpt->setEnabled(false);
        break;
    default: // SPI, Special
        EnableSerialLists(false);
        m_clpt->setEnabled(false);
        break;
    }
}

QString TOption::GetCOMString()
{
    ComNameOfPosition(m_txCom->currentIndex(), m_ctx.chipComPorts.portName);
    return m_ctx.chipComPorts.portName;
}

QString TOption::GetFlukeCOMString()
{
    QString &name = m_ctx.instrumentPorts[kCalibratorPort].portName;
    ComNameOfPosition(m_flukeCom->currentIndex(), name);
    return name;
}

QString TOption::GetPowerCOMString()
{
    QString &name = m_ctx.instrumentPorts[kPowerSupplyPort].portName;
    ComNameOfPosition(m_powerCom->currentIndex(), name);
    return name;
}

uint32_t TOption::BaudRateValue() const
{
    return vek::BaudRateValue(m_txBaud->currentIndex());
}

uint8_t TOption::GetParity() const
{
    return ParityOfPosition(m_txParity->currentIndex());
}

QString TOption::GetParityText() const
{
    return ParityText(m_txParity->currentIndex());
}

void TOption::TXCOMChange()
{
    m_ctx.setup.comIndex = m_txCom->currentIndex();
    if (m_ctx.setup.interfaceIndex != 0)
        return;
    const QString status = ApplyChipComPort(m_ctx.serialPorts, m_ctx.chipComPorts, m_ctx.chipSlots[0],
                                            m_ctx.setup.comIndex, m_txBaud->currentIndex(),
                                            m_txParity->currentIndex(), m_ctx.instrumentPorts);
    m_ctx.status.SetText(0, status);
}

void TOption::TXBaudChange()
{
    m_ctx.setup.baudIndex = m_txBaud->currentIndex();
    TXCOMChange();
}

void TOption::TXParityChange()
{
    m_ctx.setup.parityIndex = m_txParity->currentIndex();
    TXCOMChange();
}

void TOption::CLPTChange()
{
    m_ctx.config.CLPT = m_clpt->currentIndex();
    m_ctx.setup.lptBaseAddress = LptBaseAddress(m_ctx.config.CLPT);
}

void TOption::PhotoClick()
{
    m_ctx.config.Photo = m_photo->isChecked();
}

bool TOption::ChennalComChange()
{
    m_cbSeluP->setCurrentIndex(m_ctx.setup.chipModelIndex);
    m_selLPT->setCurrentIndex(m_ctx.setup.interfaceIndex);
    m_txCom->setCurrentIndex(m_ctx.setup.comIndex);
    m_txBaud->setCurrentIndex(m_ctx.setup.baudIndex);
    m_txParity->setCurrentIndex(m_ctx.setup.parityIndex);
    SelLPTChange();
    return GetSELUP();
}

void TOption::BtCloseClick()
{
    // The hide event starts the parallel-port link when that interface is chosen.
    hide();
}

void TOption::hideEvent(QHideEvent *event)
{
    PanelWindow::hideEvent(event);
    if (event->spontaneous())
        return;
    if (m_ctx.setup.interfaceIndex == 3 && m_ctx.hooks.startParallelLink)
        m_ctx.hooks.startParallelLink();
}

void TOption::ShowMessage(const QString &text)
{
    m_ctx.dialogs.Message(this, QStringLiteral("Warning"), text, MsgButtons::Yes, MsgIcon::Warning);
}

void TOption::FlukeSelectClick()
{
    RunInstrumentSearch(kCalibratorPort, &TOption::GetFlukeCOMString, SelectCalibrator);
}

void TOption::PowerSelectClick()
{
    RunInstrumentSearch(kPowerSupplyPort, &TOption::GetPowerCOMString, SelectPowerSupply);
}

void TOption::RunInstrumentSearch(int recordIndex, QString (TOption::*chosenPort)(),
                                  InstrumentSearch search)
{
    // An instrument already found keeps its port; otherwise the port chosen in its list is tried.
    InstrumentPort &record = m_ctx.instrumentPorts[size_t(recordIndex)];
    const QString name = record.present ? record.portName : (this->*chosenPort)();
    InstrumentLink link(m_ctx.serialPorts, m_ctx.clock, m_ctx.instrumentBuffers,
                        m_ctx.instrumentPorts);
    const SelectOutcome outcome = search(link, m_ctx.serialPorts, record, name);
    m_ctx.status.SetText(1, outcome.statusText);
    if (!outcome.messageText.isEmpty())
        ShowMessage(outcome.messageText);
}

void TOption::ShowInstrumentControls()
{
    for (QWidget *w : std::initializer_list<QWidget *>{m_label8, m_flukeCom, m_flukeSelect,
                                                       m_label13, m_powerCom, m_powerSelect})
        w->setVisible(true);
    for (QWidget *w : m_meterWidgets)
        w->setVisible(true);
    // Room for the meter channels beside the other instruments, whatever size a stored
    // placement or the designed frame gives the dialog.
    setMinimumWidth(kWidthWithMeters);
    if (width() < kWidthWithMeters)
        resize(kWidthWithMeters, height());
    QRect frame = FrameRect();
    if (frame.width() < kWidthWithMeters) {
        frame.setWidth(kWidthWithMeters);
        SetFrameRect(frame);
    }
}

QString TOption::GetMeterCOMString(int channel)
{
    QString &name = m_ctx.instrumentPorts[size_t(kFirstMeterPort + channel)].portName;
    ComNameOfPosition(m_meterCom[size_t(channel)]->currentIndex(), name);
    return name;
}

void TOption::SaveMeterChoices()
{
    MeterChoices choices;
    for (int c = 0; c < kMeterChannelCount; ++c)
        choices[size_t(c)] = m_meterCom[size_t(c)]->currentIndex();
    vek::SaveMeterChoices(m_ctx.ProgramFile(MeterChoicesFileName()), choices);
}

void TOption::MeterSelectClick(int channel)
{
    if (channel < 0 || channel >= kMeterChannelCount)
        return;
    SaveMeterChoices();
    InstrumentPort &record = m_ctx.instrumentPorts[size_t(kFirstMeterPort + channel)];
    const QString name = record.present ? record.portName : GetMeterCOMString(channel);
    InstrumentLink link(m_ctx.serialPorts, m_ctx.clock, m_ctx.instrumentBuffers, m_ctx.instrumentPorts);
    const SelectOutcome outcome = SelectMeter(link, m_ctx.serialPorts, m_ctx.instrumentPorts, channel, name);
    m_ctx.status.SetText(1, outcome.statusText);
    if (!outcome.messageText.isEmpty())
        ShowMessage(outcome.messageText);
}

void TOption::ShowStoredChoices()
{
    m_txBaud->setCurrentIndex(m_ctx.setup.baudIndex);
    m_txCom->setCurrentIndex(m_ctx.setup.comIndex);
    m_txParity->setCurrentIndex(m_ctx.setup.parityIndex);
    m_clpt->setCurrentIndex(m_ctx.config.CLPT);
    m_ctx.setup.lptBaseAddress = LptBaseAddress(m_ctx.config.CLPT);
    m_photo->setChecked(m_ctx.config.Photo);
}

void TOption::ApplyStoredInterface()
{
    const int kind = m_ctx.setup.interfaceIndex;
    if (kind >= 0 && kind <= 4)
        m_ctx.chipSlots[0].interfaceKind = InterfaceKind(kind);
    if (kind == 0) {
        EnableSerialLists(true);
        m_clpt->setEnabled(false);
        TXCOMChange();
    } else {
        ReleaseChipComPort(m_ctx.serialPorts, m_ctx.chipComPorts, m_ctx.chipSlots[0]);
        EnableSerialLists(false);
        m_clpt->setEnabled(kind == 3);
    }
}

} // namespace vek
