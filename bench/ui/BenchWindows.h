#pragma once
// The temperature test window.
#include "widgets/PanelWindow.h"

#include <QTimer>

namespace vek {

struct AppContext;

class TTMP : public PanelWindow {
    Q_OBJECT
public:
    explicit TTMP(AppContext &ctx, QWidget *parent = nullptr);
    // Repaints the result grid every 1000 ms while enabled.
    QTimer *Timer1() const { return m_timer; }

private:
    AppContext &m_ctx;
    QTimer *m_timer;
};

} // namespace vek
