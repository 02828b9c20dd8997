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

    // Redraws, one per setting: they change only the panel, never the chip.
    void CPIHSwitch(int code) { RedrawMux(*m_cpih, code); }
    void CPILSwitch(int code) { RedrawMux(*m_cpil, code); }
    void CPVCSSwitch(int code) { RedrawMux(*m_cpvcs, code); }
    void CPVRSSwitch(int code) { RedrawMux(*m_cpvrs, code); }
    void ENCPASwitch(bool on) { RedrawSwitch(*m_before[0], on); }
    void CPISTSwitch(bool on) { RedrawSwitch(*m_before[1], on); }
    void CPOIESSwitch(bool on) { RedrawSwitch(*m_before[2], on); }
    // Colours a toggle panel that has no pictures.
    static void CPOXSwitch(TogglePanel *panel, bool on) { panel->SetHighlighted(on); }
    void CPOFRSwitch(bool on) { RedrawSwitch(*m_before[4], on); }
    void CS1Switch(bool on) { RedrawSwitch(*m_before[5], on); }
    void CS2Switch(bool on) { RedrawSwitch(*m_before[6], on); }
    void CAPATSwitch(bool on) { RedrawSwitch(*m_before[7], on); }
    void CPIXSwitch(bool on) { RedrawSwitch(*m_after[0], on); }
    // Both supply labels from this panel's own level binding (read from the image).
    void CMPENVDDASwitch();

private:
    void BuildControls();
    Switch &AddToggle(const QString &field, int target, const QString &panel, const QString &caption, QRectF r,
                      std::vector<Glyph *> atOne = {}, std::vector<Glyph *> atZero = {});

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
