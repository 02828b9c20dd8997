#pragma once
// The ADC, op-amp and comparator panels: each analog block as a clickable diagram.
#include "panels/ui/AdcPanel.h"
#include "widgets/PanelWindow.h"

namespace vek {

struct AppContext;

class TOPForm : public PanelWindow {
    Q_OBJECT
public:
    explicit TOPForm(AppContext &ctx, QWidget *parent = nullptr);
    void DataUpdate();

private:
    AppContext &m_ctx;
};

class TCMPForm : public PanelWindow {
    Q_OBJECT
public:
    explicit TCMPForm(AppContext &ctx, QWidget *parent = nullptr);
    void DataUpdate();

private:
    AppContext &m_ctx;
};

} // namespace vek
