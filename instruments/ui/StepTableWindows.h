#pragma once
// The calibrator and power-supply step table windows.
#include "widgets/PanelWindow.h"

namespace vek {

struct AppContext;

class TFLUKE : public PanelWindow {
    Q_OBJECT
public:
    explicit TFLUKE(AppContext &ctx, QWidget *parent = nullptr);

private:
    AppContext &m_ctx;
};

class TFPower : public PanelWindow {
    Q_OBJECT
public:
    explicit TFPower(AppContext &ctx, QWidget *parent = nullptr);

private:
    AppContext &m_ctx;
};

} // namespace vek
