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


private:
    void BuildControls();
    Switch MakeSwitch(const QString &field, int target, const QString &panelName, const QString &caption,
                      QRectF panelRect);
    void RedrawTemperatureMarks(int inh, int inl);
    void INXSwitch(int code);
    void ShowOutputWord();
    // The supply: reads its flag and level from the image, shows "VDDA = ..." and the level.
    void ADCENVDDASwitch();

    AppContext &m_ctx;
    Mux *m_inh = nullptr, *m_inl = nullptr, *m_vrh = nullptr, *m_vrl = nullptr;
    Switch *m_inis = nullptr, *m_enhign = nullptr, *m_enchp = nullptr, *m_inbuf = nullptr, *m_vrbuf = nullptr,
           *m_vrgn = nullptr, *m_adcck = nullptr, *m_enadc = nullptr, *m_envdda = nullptr;
    Selector *m_pgagn = nullptr, *m_adgn = nullptr, *m_dcset = nullptr, *m_osr = nullptr, *m_adcs = nullptr;
    Glyph *m_inx[4] = {};
    QComboBox *m_txinx = nullptr, *m_txvdda = nullptr, *m_mode = nullptr, *m_bits = nullptr;
    QLabel *m_output = nullptr, *m_vddaText = nullptr, *m_adif = nullptr;
    QLabel *m_marks[4] = {}; // +TPSH, -TPSH, +TPSL, -TPSL
};

// The diagram under the ADC panel's controls, in the panel's design units.
void DrawAdcDiagram(QPainter &p);
constexpr double kAdcDesignWidth = 1000, kAdcDesignHeight = 710;

} // namespace vek
