#pragma once
// The ADC panel: the chip's sigma-delta ADC front end as a clickable block diagram (input and
// reference multiplexers, buffers, gain stages, DC set, modulator, filter, clock, chopper and
// supply) with the ADC output word.
#include "panels/kit/FieldPanel.h"

namespace vek {

struct AppContext;

class TADCForm : public FieldPanel {
    Q_OBJECT
public:
    explicit TADCForm(AppContext &ctx, QWidget *parent = nullptr);

    void DataUpdate() override;

    // Edits, one register write each.
    void INX11Click();      // cycles the input crossing through its codes
    void TXADCOMDChange();  // output notation: only shown, kept in the configuration
    void TXADCObitChange(); // output width
    void Button1Click();    // "Read ADC"


    // Redraws, one per setting: they change only the panel, never the chip.
    void INHSwitch(int code);
    void INLSwitch(int code);
    void VRHSwitch(int code) { RedrawMux(*m_vrh, code); }
    void VRLSwitch(int code) { RedrawMux(*m_vrl, code); }
    void INXSwitch(int code);
    void INISSwitch(bool on) { RedrawSwitch(*m_inis, on); }
    void PGAGNSwitch(int code) { RedrawSelector(*m_pgagn, code); }
    void ENHIGNSwitch(bool on) { RedrawSwitch(*m_enhign, on); }
    void ENCHPSwitch(bool on) { RedrawSwitch(*m_enchp, on); }
    void ADGNSwitch(int code) { RedrawSelector(*m_adgn, code); }
    void INBUFFSwitch(bool on) { RedrawSwitch(*m_inbuf, on); }
    void VERBUFFSwitch(bool on) { RedrawSwitch(*m_vrbuf, on); }
    void VRGNSwitch(bool on) { RedrawSwitch(*m_vrgn, on); }
    void ADCCKSwitch(bool on) { RedrawSwitch(*m_adcck, on); }
    void DCSETSwitch(int code) { RedrawSelector(*m_dcset, code); }
    void OSRSwitch(int code) { RedrawSelector(*m_osr, code); }
    void ADCSSwitch(int code) { RedrawSelector(*m_adcs, code); }
    // A stopped converter shows "ADC OFF" in place of the output word.
    void ENADCSwitch(bool on);
    // The supply: reads its flag and level from the image, shows "VDDA = ..." and the level.
    void ADCENVDDASwitch();

private:
    void BuildControls();
    Switch MakeSwitch(const QString &field, int target, const QString &panelName, const QString &caption,
                      QRectF panelRect);
    void ShowOutputWord();
    // The output data rate the settings in the image give (only read, never written).
    void ShowDataRate();

    AppContext &m_ctx;
    Mux *m_inh = nullptr, *m_inl = nullptr, *m_vrh = nullptr, *m_vrl = nullptr;
    Switch *m_inis = nullptr, *m_enhign = nullptr, *m_enchp = nullptr, *m_inbuf = nullptr, *m_vrbuf = nullptr,
           *m_vrgn = nullptr, *m_adcck = nullptr, *m_enadc = nullptr, *m_envdda = nullptr;
    Selector *m_pgagn = nullptr, *m_adgn = nullptr, *m_dcset = nullptr, *m_osr = nullptr, *m_adcs = nullptr;
    Glyph *m_inx[4] = {};
    QComboBox *m_txinx = nullptr, *m_txvdda = nullptr, *m_mode = nullptr, *m_bits = nullptr;
    QLabel *m_output = nullptr, *m_vddaText = nullptr, *m_adif = nullptr, *m_rate = nullptr;
    QLabel *m_marks[4] = {}; // +TPSH, -TPSH, +TPSL, -TPSL
    int m_adifShown = -1;   // the flag's colours last set
};

// The diagram under the ADC panel's controls, in the panel's design units.
void DrawAdcDiagram(QPainter &p);
constexpr double kAdcDesignWidth = 1000, kAdcDesignHeight = 710;

} // namespace vek
