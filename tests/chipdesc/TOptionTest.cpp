// The setup dialog on in-memory serial lines and a fake clock.
#include "app/context/AppContext.h"
#include "chipdesc/ui/TOption.h"
#include "sim/instruments/CalibratorSim.h"
#include "sim/instruments/LoopbackPort.h"
#include "sim/instruments/PowerSupplySim.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vek;
using namespace vek::sim;

namespace {

struct Fixture {
    QTemporaryDir dir;
    FakeClock clock;
    ScriptedDialogs dialogs;
    AppContext ctx{clock, dialogs, dir.path()};
    LoopbackBench lines{clock};
    std::unique_ptr<TOption> dlg;
    QStringList calls; // hooks called, in order

    Fixture()
    {
        ctx.serialPorts.SetOpener(lines.Opener());
        ctx.hooks.readChipList = [] { return QStringList{"ZR100  (2k)", "ZR400"}; };
        ctx.hooks.selectChip = [this](int i) {
            calls << QStringLiteral("select %1").arg(i);
            return i == 1;
        };
        ctx.hooks.setupUartLink = [this] {
            calls << QStringLiteral("uart lists %1").arg(dlg->TXCOM()->isEnabled() ? "on" : "off");
            return true;
        };
        ctx.hooks.startParallelLink = [this] { calls << "parallel"; };
        dlg = std::make_unique<TOption>(ctx);
    }
    // A choice made by the user in a list.
    void Choose(QComboBox *list, int index)
    {
        list->setCurrentIndex(index);
        emit list->activated(index);
    }
    QString Status(int field) const { return ctx.status.Text(field); }
};

std::shared_ptr<PowerSupplySim> Supply(const QByteArray &identity = {})
{
    auto p = std::make_shared<PowerSupplySim>();
    if (!identity.isEmpty())
        p->SetIdentity(identity);
    return p;
}

} // namespace

TEST(TOption, ControlsAsCreated)
{
    Fixture f;
    TOption &d = *f.dlg;
    EXPECT_EQ(d.windowTitle(), "選項");
    EXPECT_EQ(d.size(), QSize(316, 396));
    EXPECT_EQ(d.CbSeluP()->count(), 2);
    EXPECT_EQ(d.CbSeluP()->currentIndex(), 0);
    EXPECT_EQ(d.ChipEntryText(1), "ZR400");
    EXPECT_EQ(d.SelIOLPT()->text(), "Interfafce");
    EXPECT_TRUE(d.SelIOLPT()->isChecked());
    EXPECT_EQ(d.findChild<QGroupBox *>("GroupBox1")->title(), "Communication");
    const QStringList interfaces = {"RS232", "SPI", "Special", "Parallel", "UART"};
    for (int i = 0; i < interfaces.size(); ++i)
        EXPECT_EQ(d.SelLPT()->itemText(i), interfaces[i]);
    EXPECT_EQ(d.TXCOM()->count(), 16);
    EXPECT_EQ(d.TXCOM()->itemText(15), "COM16");
    EXPECT_EQ(d.FlukeCOM()->itemText(0), "COM1");
    EXPECT_EQ(d.PowerCOM()->count(), 16);
    EXPECT_EQ(d.TXBaud()->itemText(9), "115200");
    EXPECT_EQ(d.TXBaud()->currentText(), "9600");
    EXPECT_EQ(d.TXParity()->itemText(1), "Even");
    EXPECT_EQ(d.CLPT()->itemText(2), "PRN1 : 0x3BC");
    EXPECT_EQ(d.CLPT()->currentIndex(), 0);
    EXPECT_FALSE(d.CLPT()->isEnabled());
    EXPECT_EQ(d.Photo()->text(), "光耦合");
    EXPECT_TRUE(d.Photo()->isChecked());
    EXPECT_EQ(d.BtClose()->text(), "關閉");
    EXPECT_EQ(d.Label8()->text(), "======================Fluke5500===================");
    EXPECT_EQ(d.Label13()->text(), "======================Power Supply=================");
    EXPECT_FALSE(d.Label5()->isVisibleTo(&d));
    const QList<QWidget *> instrumentRow = {d.Label8(),  d.FlukeCOM(), d.FlukeSelect(),
                                            d.Label13(), d.PowerCOM(), d.PowerSelect()};
    for (QWidget *w : instrumentRow)
        EXPECT_FALSE(w->isVisibleTo(&d)) << w->objectName().toStdString();
    d.ShowInstrumentControls();
    for (QWidget *w : instrumentRow)
        EXPECT_TRUE(w->isVisibleTo(&d)) << w->objectName().toStdString();
}

TEST(TOption, ListHelpers)
{
    Fixture f;
    TOption &d = *f.dlg;
    const uint32_t bauds[] = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    for (int i = 0; i < 10; ++i) {
        d.TXBaud()->setCurrentIndex(i);
        EXPECT_EQ(d.BaudRateValue(), bauds[i]);
    }
    d.TXBaud()->setCurrentIndex(-1);
    EXPECT_EQ(d.BaudRateValue(), 0u);
    const struct {
        int position;
        uint8_t code;
        const char *text;
    } parities[] = {{0, kNoParity, "None"}, {1, kEvenParity, "EVEN"}, {2, kOddParity, "ODD"},
                    {-1, kNoParity, "None"}};
    for (const auto &p : parities) {
        d.TXParity()->setCurrentIndex(p.position);
        EXPECT_EQ(d.GetParity(), p.code);
        EXPECT_EQ(d.GetParityText(), p.text);
    }
    d.TXCOM()->setCurrentIndex(11);
    EXPECT_EQ(d.GetCOMString(), "COM12");
    d.TXCOM()->setCurrentIndex(-1); // no choice: the name stays
    EXPECT_EQ(d.GetCOMString(), "COM12");
    d.FlukeCOM()->setCurrentIndex(2);
    EXPECT_EQ(d.GetFlukeCOMString(), "COM3");
    d.PowerCOM()->setCurrentIndex(15);
    EXPECT_EQ(d.GetPowerCOMString(), "COM16");
}

TEST(TOption, ChipComPortStatusTextAndSettings)
{
    Fixture f;
    auto line = f.lines.Attach("COM3");
    TOption &d = *f.dlg;
    f.ctx.setup.interfaceIndex = 0;
    d.TXCOM()->setCurrentIndex(2);
    d.TXParity()->setCurrentIndex(0);
    d.TXCOMChange();
    EXPECT_EQ(f.Status(0), "RS232 COM3 , Baud = 9600, Pariyt = None");
    EXPECT_EQ(f.ctx.chipSlots[0].comOpen, 1);
    EXPECT_EQ(f.ctx.setup.comIndex, 2);

    f.Choose(d.TXParity(), 1);
    EXPECT_EQ(f.Status(0), "RS232 COM3 , Baud = 9600, Pariyt = EVEN");
    EXPECT_EQ(line->settings.parity, kEvenParity);
    EXPECT_EQ(line->settings.byteSize, 8);
    EXPECT_EQ(line->settings.stopBits, kOneStopBit);
    EXPECT_EQ(f.ctx.setup.parityIndex, 1);

    f.Choose(d.TXBaud(), 9);
    EXPECT_EQ(f.Status(0), "RS232 COM3 , Baud = 115200, Pariyt = EVEN");
    EXPECT_EQ(line->settings.baudRate, 115200u);
    EXPECT_EQ(f.ctx.setup.baudIndex, 9);
    f.Choose(d.TXParity(), 2);
    EXPECT_EQ(line->settings.parity, kOddParity);
    EXPECT_TRUE(f.Status(0).endsWith(", Pariyt = ODD"));
}

TEST(TOption, ChipComPortThatIsMissing)
{
    Fixture f;
    f.ctx.setup.interfaceIndex = 0;
    f.ctx.chipSlots[0].comOpen = 1;
    f.Choose(f.dlg->TXCOM(), 4);
    EXPECT_EQ(f.Status(0), "Uart  not  found");
    EXPECT_EQ(f.ctx.chipSlots[0].comOpen, 0);
    EXPECT_EQ(f.ctx.chipComPorts.openedMask, 0u);
}

TEST(TOption, SameComPortTwiceOpensItOnce)
{
    Fixture f;
    auto line = f.lines.Attach("COM1");
    f.ctx.setup.interfaceIndex = 0;
    f.Choose(f.dlg->TXCOM(), 0);
    const int64_t handle = f.ctx.chipSlots[0].comHandle;
    f.Choose(f.dlg->TXCOM(), 0);
    f.Choose(f.dlg->TXBaud(), 3);
    EXPECT_EQ(line->opens, 1);
    EXPECT_EQ(f.ctx.chipSlots[0].comHandle, handle);
    EXPECT_EQ(f.ctx.chipComPorts.openedMask, 1u);
    EXPECT_EQ(line->settings.baudRate, 2400u);
}

TEST(TOption, ChipHoldsOnlyThePortChosenWhileTheInterfaceIsRS232)
{
    // Another port lets the first go; going back opens and configures it afresh.
    Fixture f;
    auto com1 = f.lines.Attach("COM1");
    auto com2 = f.lines.Attach("COM2");
    TOption &d = *f.dlg;
    f.Choose(d.SelLPT(), 0);
    f.Choose(d.TXCOM(), 1);
    EXPECT_FALSE(com1->open);
    EXPECT_TRUE(com2->open);
    f.Choose(d.TXCOM(), 0);
    f.Choose(d.TXBaud(), 0);
    EXPECT_EQ(com1->settings.baudRate, 300u);
    EXPECT_EQ(com2->settings.baudRate, 9600u);
    EXPECT_FALSE(com2->open);
    EXPECT_EQ(com1->opens, 2);
    EXPECT_EQ(f.ctx.chipComPorts.openedMask, 1u);
    // Another interface lets the port go; the serial lists then open nothing.
    f.Choose(d.SelLPT(), 1);
    EXPECT_FALSE(com1->open);
    EXPECT_EQ(f.ctx.chipSlots[0].comOpen, 0);
    f.dlg->TXCOMChange();
    EXPECT_EQ(com1->opens, 2);
}

TEST(TOption, InstrumentPortsAreNeverTheChipsPort)
{
    Fixture f;
    auto com1 = f.lines.Attach("COM1", std::make_shared<CalibratorSim>());
    TOption &d = *f.dlg;
    d.ShowInstrumentControls();
    f.ctx.status.SetText(0, "USB On Line");
    // Choosing the calibrator's port neither opens the chip's port nor touches field 0.
    f.Choose(d.FlukeCOM(), 0);
    EXPECT_EQ(f.Status(0), "USB On Line");
    EXPECT_EQ(com1->opens, 0);
    d.FlukeSelect()->click();
    EXPECT_EQ(f.Status(1), "Successful Select Fluke In COM1");
    // The chip on "RS232" does not take the port the calibrator is on.
    f.Choose(d.SelLPT(), 0);
    EXPECT_EQ(f.Status(0), "Uart  not  found");
    EXPECT_EQ(f.ctx.chipSlots[0].comOpen, 0);
    EXPECT_EQ(com1->opens, 1);
    EXPECT_TRUE(com1->open);
}

TEST(TOption, InterfaceChoices)
{
    Fixture f;
    f.lines.Attach("COM1");
    TOption &d = *f.dlg;
    auto lists = [&] {
        return QString("%1%2%3 lpt %4")
            .arg(d.TXBaud()->isEnabled())
            .arg(d.TXCOM()->isEnabled())
            .arg(d.TXParity()->isEnabled())
            .arg(d.CLPT()->isEnabled());
    };
    f.Choose(d.SelLPT(), 3);
    EXPECT_EQ(lists(), "000 lpt 1");
    EXPECT_EQ(f.ctx.setup.interfaceIndex, 3);
    EXPECT_EQ(f.ctx.chipSlots[0].interfaceKind, InterfaceKind::Parallel);
    f.Choose(d.SelLPT(), 0);
    EXPECT_EQ(lists(), "111 lpt 0");
    EXPECT_EQ(f.Status(0), "RS232 COM1 , Baud = 9600, Pariyt = None");
    f.Choose(d.SelLPT(), 2);
    EXPECT_EQ(lists(), "000 lpt 0");
    EXPECT_TRUE(f.calls.isEmpty());
    // UART: the board's UART set-up runs while the lists are still as they were.
    f.Choose(d.SelLPT(), 0);
    f.Choose(d.SelLPT(), 4);
    EXPECT_EQ(f.calls, QStringList{"uart lists on"});
    EXPECT_EQ(lists(), "000 lpt 0");
    EXPECT_EQ(f.ctx.chipSlots[0].interfaceKind, InterfaceKind::UART);
}

TEST(TOption, ParallelPortPhotoAndChipModel)
{
    Fixture f;
    TOption &d = *f.dlg;
    const uint16_t bases[] = {0x378, 0x278, 0x3BC};
    for (int i = 0; i < 3; ++i) {
        f.Choose(d.CLPT(), i);
        EXPECT_EQ(f.ctx.config.CLPT, i);
        EXPECT_EQ(f.ctx.setup.lptBaseAddress, bases[i]);
    }
    d.Photo()->click();
    EXPECT_FALSE(f.ctx.config.Photo);
    d.Photo()->click();
    EXPECT_TRUE(f.ctx.config.Photo);
    f.Choose(d.CbSeluP(), 1);
    EXPECT_EQ(f.ctx.setup.chipModelIndex, 1);
    EXPECT_EQ(f.calls, QStringList{"select 1"});
    // Positions set by the program run no handler.
    d.CbSeluP()->setCurrentIndex(0);
    d.TXCOM()->setCurrentIndex(3);
    EXPECT_EQ(f.calls.size(), 1);
    EXPECT_EQ(f.Status(0), "");
}

TEST(TOption, ChennalComChangeAppliesTheStoredChoices)
{
    Fixture f;
    auto line = f.lines.Attach("COM5");
    f.ctx.setup = {1, 0, 4, 8, 1};
    EXPECT_TRUE(f.dlg->ChennalComChange());
    EXPECT_EQ(f.dlg->CbSeluP()->currentIndex(), 1);
    EXPECT_EQ(f.dlg->SelLPT()->currentText(), "RS232");
    EXPECT_EQ(f.dlg->TXCOM()->currentText(), "COM5");
    EXPECT_EQ(f.Status(0), "RS232 COM5 , Baud = 57600, Pariyt = EVEN");
    EXPECT_EQ(line->settings.parity, kEvenParity);
    EXPECT_EQ(f.calls, QStringList{"select 1"});

    f.ctx.setup.chipModelIndex = 0;
    f.ctx.setup.interfaceIndex = 9; // not in the list: no interface chosen
    EXPECT_FALSE(f.dlg->ChennalComChange());
    EXPECT_EQ(f.dlg->SelLPT()->currentIndex(), -1);
    EXPECT_EQ(f.ctx.setup.interfaceIndex, -1);
}

TEST(TOption, StoredChoicesFromTheSettingsFile)
{
    Fixture f;
    auto line = f.lines.Attach("COM2");
    f.ctx.setup.comIndex = 1;
    f.ctx.setup.baudIndex = 2;
    f.ctx.setup.parityIndex = 2;
    f.ctx.config.CLPT = 7; // out of the list: no choice, base 0x378
    f.ctx.config.Photo = false;
    f.ctx.setup.interfaceIndex = 0;
    f.dlg->ShowStoredChoices();
    EXPECT_EQ(f.dlg->TXBaud()->currentText(), "1200");
    EXPECT_EQ(f.dlg->CLPT()->currentIndex(), -1);
    EXPECT_EQ(f.ctx.setup.lptBaseAddress, 0x378);
    EXPECT_FALSE(f.dlg->Photo()->isChecked());
    EXPECT_EQ(f.Status(0), ""); // nothing opened yet
    f.dlg->ApplyStoredInterface();
    EXPECT_EQ(f.Status(0), "RS232 COM2 , Baud = 1200, Pariyt = ODD");
    EXPECT_EQ(line->opens, 1);
    f.ctx.setup.interfaceIndex = 3;
    f.dlg->ApplyStoredInterface();
    EXPECT_TRUE(f.dlg->CLPT()->isEnabled());
    EXPECT_FALSE(f.dlg->TXCOM()->isEnabled());
}

TEST(TOption, CloseStartsTheParallelLinkOnlyForParallel)
{
    Fixture f;
    f.dlg->show();
    f.dlg->BtCloseClick();
    EXPECT_FALSE(f.dlg->isVisible());
    EXPECT_TRUE(f.calls.isEmpty());
    f.Choose(f.dlg->SelLPT(), 3);
    f.dlg->show();
    f.dlg->BtClose()->click();
    EXPECT_EQ(f.calls, QStringList{"parallel"});
}

TEST(TOption, CalibratorSearch)
{
    Fixture f;
    auto cal = std::make_shared<CalibratorSim>();
    auto line = f.lines.Attach("COM3", cal);
    TOption &d = *f.dlg;
    line->Inject("left over"); // thrown away before the question
    d.FlukeCOM()->setCurrentIndex(2);
    d.FlukeSelect()->click();
    EXPECT_EQ(f.Status(1), "Successful Select Fluke In COM3");
    const InstrumentPort &rec = f.ctx.instrumentPorts[kCalibratorPort];
    EXPECT_TRUE(rec.present);
    EXPECT_EQ(rec.portName, "COM3");
    EXPECT_EQ(line->written, "*OPT\r");
    EXPECT_EQ(line->settings.baudRate, 9600u);
    EXPECT_EQ(line->settings.parity, kNoParity);
    EXPECT_EQ(line->settings.stopBits, kOneStopBit);
    EXPECT_TRUE(f.dialogs.asked.empty());

    d.FlukeCOM()->setCurrentIndex(5);
    d.FlukeSelectClick();
    EXPECT_EQ(f.Status(1), "Fluke 已經設定");
    EXPECT_EQ(rec.portName, "COM3");
    EXPECT_EQ(line->opens, 1);
}

TEST(TOption, CalibratorThatAnswersWithoutEchoIsRefused)
{
    Fixture f;
    auto cal = std::make_shared<CalibratorSim>();
    cal->SetFault(CalibratorFault::NoEcho);
    auto line = f.lines.Attach("COM1", cal);
    f.dlg->FlukeSelectClick();
    EXPECT_EQ(f.Status(1), "Fail Select Fluke COM1");
    ASSERT_EQ(f.dialogs.asked.size(), 1u);
    EXPECT_EQ(f.dialogs.asked[0].text, "此通道連接的不是Fluke5500A!!");
    EXPECT_FALSE(f.ctx.instrumentPorts[0].present);
    EXPECT_FALSE(line->open);
    EXPECT_EQ(f.ctx.instrumentPorts[0].handle, -1);
    f.dlg->FlukeSelectClick(); // a second try searches again
    EXPECT_EQ(line->opens, 2);
}

TEST(TOption, CalibratorPortNotFound)
{
    Fixture f;
    f.dlg->FlukeSelectClick();
    EXPECT_EQ(f.Status(1), "Fluke Uart  not  found");
    EXPECT_TRUE(f.dialogs.asked.empty());
}

TEST(TOption, PowerSupplySearchSequence)
{
    Fixture f;
    auto supply = Supply();
    auto line = f.lines.Attach("COM2", supply);
    f.dlg->PowerCOM()->setCurrentIndex(1);
    const double start = f.clock.NowDays();
    f.dlg->PowerSelectClick();
    EXPECT_EQ(f.Status(1), "Successful Select Power Supply In COM2");
    EXPECT_TRUE(f.ctx.instrumentPorts[kPowerSupplyPort].present);
    EXPECT_NEAR((f.clock.NowDays() - start) * kMsPerDay, 2000, 1);
    const QStringList expected = {"open",     "state 9600 8 0 2", "dtr 0",   "purge",  "dtr 1",
                                  "write 10", "write 10",         "write 10", "write 10", "write 7"};
    EXPECT_EQ(line->events, expected);
    EXPECT_EQ(line->written, "SYST:REM\r\nVOLT 0.0\r\nCURR 0.0\r\nOUTP OFF\r\n*IDN?\r\n");
    EXPECT_FALSE(supply->State().output);
    f.dlg->PowerSelectClick();
    EXPECT_EQ(f.Status(1), "Power Supply 已經設定");
}

TEST(TOption, PowerSupplyIdentityLengths)
{
    struct Case {
        QByteArray identity; // sent with CR LF after it
        bool accepted;
    } cases[] = {
        {"HEWLET", false},           // 8 with CR LF
        {"HEWLETT", false},          // 9
        {"HEWLETT-PACK", false},     // 14
        {"HEWLETT-PACKARD", true},   // 17
        {"HEWLETT-PACKARD,E3632A,0,1.4-5.0-1.0", true},
        {"AGILENT,E3632A,0,1.4", false},
    };
    for (const Case &c : cases) {
        Fixture f;
        auto line = f.lines.Attach("COM1", Supply(c.identity));
        f.dlg->PowerSelectClick();
        EXPECT_EQ(f.ctx.instrumentPorts[1].present, c.accepted) << c.identity.constData();
        EXPECT_EQ(line->open, c.accepted);
        if (c.accepted) {
            EXPECT_TRUE(f.dialogs.asked.empty());
        } else {
            EXPECT_EQ(f.Status(1), "Fail Select Power Supply COM1");
            ASSERT_EQ(f.dialogs.asked.size(), 1u);
            EXPECT_EQ(f.dialogs.asked[0].text, "此通道連接的不是Power Supply!!");
        }
    }
}

TEST(TOption, PowerSupplyPortNotFound)
{
    Fixture f;
    f.dlg->PowerSelectClick();
    EXPECT_EQ(f.Status(1), "Power Supply Uart  not  found");
    EXPECT_EQ(f.ctx.instrumentPorts[1].handle, -1);
}

TEST(TOption, InstrumentPortChoiceLeavesTheChipPortAlone)
{
    Fixture f;
    auto chip = f.lines.Attach("COM1");
    f.ctx.setup.interfaceIndex = 0; // even on "RS232"
    f.Choose(f.dlg->FlukeCOM(), 4);
    f.Choose(f.dlg->PowerCOM(), 5);
    EXPECT_EQ(f.Status(0), "");
    EXPECT_EQ(chip->opens, 0);
    EXPECT_EQ(f.ctx.instrumentPorts[0].portName, ""); // read only by "Select"
}
