#pragma once
// The channel switch test and the temperature test windows.
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
