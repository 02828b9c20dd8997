#pragma once
// The ADC, op-amp and comparator panels: each analog block as a clickable diagram.
#include "widgets/PanelWindow.h"

namespace vek {

struct AppContext;

class TADCForm : public PanelWindow {
    Q_OBJECT
public:
    explicit TADCForm(AppContext &ctx, QWidget *parent = nullptr);
    // Redraws the panel from the chip image.
    void DataUpdate();

private:
    AppContext &m_ctx;
};

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
