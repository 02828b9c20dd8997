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

private:
    void BuildControls();
    // The supply labels from this panel's own level binding.
    void OPENVDDASwitch();

    AppContext &m_ctx;
    Mux *m_op0p = nullptr, *m_op0n = nullptr;
    Switch *m_enop = nullptr, *m_op0is = nullptr, *m_envdda = nullptr;
    Selector *m_op0m = nullptr;
    QComboBox *m_txvdda = nullptr;
    QLabel *m_vddaText = nullptr;
};

void DrawOpDiagram(QPainter &p);

} // namespace vek
