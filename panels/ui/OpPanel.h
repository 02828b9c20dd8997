#pragma once
// The op-amp panel: the chip's operational amplifier as a clickable diagram (positive and
// negative input multiplexers, input short, enable, mode and the analog supply).
#include "panels/kit/FieldPanel.h"

namespace vek {

struct AppContext;

class TOPForm : public FieldPanel {
    Q_OBJECT
public:
    explicit TOPForm(AppContext &ctx, QWidget *parent = nullptr);
    void DataUpdate() override;

    // Redraws, one per setting: they change only the panel, never the chip.
    void OP0PSwitch(int code) { RedrawMux(*m_op0p, code); }
    void OP0NSwitch(int code) { RedrawMux(*m_op0n, code); }
    void ENOPSwitch(bool on) { RedrawSwitch(*m_enop, on); }
    void OP0MSwitch(int code) { RedrawSelector(*m_op0m, code); }
    void OP0ISSwitch(bool on) { RedrawSwitch(*m_op0is, on); }
    // The supply labels from this panel's own level binding (read from the image).
    void OPENVDDASwitch();

private:
    void BuildControls();

    AppContext &m_ctx;
    Mux *m_op0p = nullptr, *m_op0n = nullptr;
    Switch *m_enop = nullptr, *m_op0is = nullptr, *m_envdda = nullptr;
    Selector *m_op0m = nullptr;
    QComboBox *m_txvdda = nullptr;
    QLabel *m_vddaText = nullptr;
};

void DrawOpDiagram(QPainter &p);

} // namespace vek
