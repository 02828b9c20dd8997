#pragma once
// The setup dialog: chip model, interface, serial settings of the chip's COM port, parallel port,
// optocoupler option and the COM ports of the bench instruments.
#include "instruments/MeterChannels.h"
#include "instruments/SetupPorts.h"
#include "widgets/PanelWindow.h"

#include <array>
#include <cstdint>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace vek {

struct AppContext;

class TOption : public PanelWindow {
    Q_OBJECT
public:
    explicit TOption(AppContext &ctx, QWidget *parent = nullptr);

    // Controls.
    QComboBox *CbSeluP() const { return m_cbSeluP; }
    QComboBox *SelLPT() const { return m_selLPT; }
    QComboBox *TXCOM() const { return m_txCom; }
    QComboBox *TXBaud() const { return m_txBaud; }
    QComboBox *TXParity() const { return m_txParity; }
    QComboBox *CLPT() const { return m_clpt; }
    QComboBox *FlukeCOM() const { return m_flukeCom; }
    QComboBox *PowerCOM() const { return m_powerCom; }
    QCheckBox *Photo() const { return m_photo; }
    QRadioButton *SelIOLPT() const { return m_selIOLPT; }
    QPushButton *FlukeSelect() const { return m_flukeSelect; }
    QPushButton *PowerSelect() const { return m_powerSelect; }
    QPushButton *BtClose() const { return m_btClose; }
    QLabel *Label5() const { return m_label5; }
    QLabel *Label8() const { return m_label8; }
    QLabel *Label13() const { return m_label13; }

    // The text of the chip list entry at index, empty when there is none.
    QString ChipEntryText(int index) const;

    void FormCreate();
    void CbSeluPChange();
    void SelLPTChange();
    // Opens and configures the chip's COM port while the interface is "RS232".
    void TXCOMChange();
    void TXBaudChange();
    void TXParityChange();
    void CLPTChange();
    void PhotoClick();
    // Applies the stored choices to the lists, runs the interface choice and selects the chip.
    bool ChennalComChange();
    void BtCloseClick();
    void FlukeSelectClick();
    void PowerSelectClick();

    QString GetCOMString();
    QString GetFlukeCOMString();
    QString GetPowerCOMString();
    // The meter channels: the port chosen for channel 0..5, the search behind its "Select", and
    // the six choices written to "VekMeter.txt".
    QString GetMeterCOMString(int channel);
    void MeterSelectClick(int channel);
    void SaveMeterChoices();
    QComboBox *MeterCOM(int channel) const { return m_meterCom[size_t(channel)]; }
    static constexpr int kWidthWithMeters = 566;
    uint32_t BaudRateValue() const;
    uint8_t GetParity() const;
    QString GetParityText() const;
    // Selects the chip model at the stored chip model index.
    bool GetSELUP();

    // Shows the calibrator and power-supply rows (the chip description asks for the instruments).
    void ShowInstrumentControls();
    // Puts the stored COM, baud, parity and parallel port positions and the optocoupler option
    // into their controls without running any change handler (after the settings were loaded).
    void ShowStoredChoices();
    // Applies the stored interface the way the settings loader does: the serial lists enabled
    // and the chip's COM port opened for "RS232", else the lists disabled; the parallel port
    // list enabled only for "Parallel".
    void ApplyStoredInterface();

protected:
    void hideEvent(QHideEvent *event) override;

private:
    using InstrumentSearch = SelectOutcome (*)(InstrumentLink &, SerialPorts &, InstrumentPort &,
                                               const QString &);
    // Opens and identifies one bench instrument and reports the outcome.
    void RunInstrumentSearch(int recordIndex, QString (TOption::*chosenPort)(),
                             InstrumentSearch search);

    void EnableSerialLists(bool enabled);
    void ShowMessage(const QString &text);

    AppContext &m_ctx;
    QComboBox *m_cbSeluP, *m_selLPT, *m_txCom, *m_txBaud, *m_txParity, *m_clpt, *m_flukeCom,
        *m_powerCom;
    QCheckBox *m_photo;
    QRadioButton *m_selIOLPT;
    QGroupBox *m_groupBox1;
    QPushButton *m_flukeSelect, *m_powerSelect, *m_btClose;
    QLabel *m_label5, *m_label8, *m_label13;
    QLabel *m_meterLabel = nullptr;
    std::array<QComboBox *, kMeterChannelCount> m_meterCom{};
    std::vector<QWidget *> m_meterWidgets;
};

} // namespace vek
