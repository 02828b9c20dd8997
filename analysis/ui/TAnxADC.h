#pragma once
// The ENOB test window: capture, figures, chart and result file.
#include "widgets/PanelWindow.h"

namespace vek {

struct AppContext;

class TAnxADC : public PanelWindow {
    Q_OBJECT
public:
    explicit TAnxADC(AppContext &ctx, QWidget *parent = nullptr);
    // Re-applies the register set of the current "Scale"/"DMM" mode ("Restore ADC").
    void ComFunChange();

private:
    AppContext &m_ctx;
};

} // namespace vek
