#pragma once
// The setup dialog: chip model, interface, serial settings of the chip's COM port, parallel port,
// optocoupler option and the COM ports of the bench instruments.
#include "widgets/PanelWindow.h"

class QComboBox;

namespace vek {

struct AppContext;

class TOption : public PanelWindow {
    Q_OBJECT
public:
    explicit TOption(AppContext &ctx, QWidget *parent = nullptr);

    // The chip list (`CbSeluP`) and the interface list (`SelLPT`).
    QComboBox *CbSeluP() const { return m_cbSeluP; }
    QComboBox *SelLPT() const { return m_selLPT; }
    // The text of the chip list entry at index, empty when there is none.
    QString ChipEntryText(int index) const;
    // Selects the chip model at the stored chip model index (the argument has no effect).
    bool GetSELUP(int = 0);

private:
    AppContext &m_ctx;
    QComboBox *m_cbSeluP;
    QComboBox *m_selLPT;
};

} // namespace vek
