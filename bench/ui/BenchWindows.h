#pragma once
// The channel switch test window (the temperature test window is TTMP.h).
#include "widgets/PanelWindow.h"

#include <QTimer>

namespace vek {

struct AppContext;

class TWeightCAL : public PanelWindow {
    Q_OBJECT
public:
    explicit TWeightCAL(AppContext &ctx, QWidget *parent = nullptr);

private:
    AppContext &m_ctx;
};

} // namespace vek
