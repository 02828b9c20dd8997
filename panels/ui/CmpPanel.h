#pragma once
// The comparator panel: the chip's analog comparator as a clickable diagram (input multiplexers,
// reference source and ladder, switch options, output edge, output routing and analog supply).
#include "panels/kit/FieldPanel.h"

namespace vek {

struct AppContext;

class TCMPForm : public FieldPanel {
    Q_OBJECT
public:
    explicit TCMPForm(AppContext &ctx, QWidget *parent = nullptr);
    void DataUpdate() override;

private:
    void BuildControls();
    Switch &AddToggle(const QString &field, int target, const QString &panel, const QString &caption, QRectF r,
                      std::vector<Glyph *> atOne = {}, std::vector<Glyph *> atZero = {});
    void CMPENVDDASwitch();

    AppContext &m_ctx;
    Mux *m_cpih = nullptr, *m_cpil = nullptr, *m_cpvcs = nullptr, *m_cpvrs = nullptr;
    // The switches in redraw order: ENCPA, CPIST, CPOIES, CPOX, CPOFR, CS1, CS2, CAPAT (before the
    // reference), CPIX, PTMX, TRISCX, PTDAX (after it), ENREF (last).
    std::vector<Switch *> m_before, m_after;
    Switch *m_envdda = nullptr, *m_enref = nullptr;
    TogglePanel *m_cpoif = nullptr;
    QComboBox *m_txvdda = nullptr;
    QLabel *m_vddaText = nullptr, *m_vddaText1 = nullptr, *m_state = nullptr;
};

void DrawCmpDiagram(QPainter &p);

} // namespace vek
