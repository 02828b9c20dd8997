#pragma once
// The RAM panel, the register panel and the hex entry popup.
#include "widgets/PanelWindow.h"

namespace vek {

struct AppContext;

class TVek_RAM : public PanelWindow {
    Q_OBJECT
public:
    explicit TVek_RAM(AppContext &ctx, QWidget *parent = nullptr);
    // Reads the whole chip RAM into the image and shows it ("Read RAM").
    void ReadWholeRam();

private:
    AppContext &m_ctx;
};

class TVek_Reg2 : public PanelWindow {
    Q_OBJECT
public:
    explicit TVek_Reg2(AppContext &ctx, QWidget *parent = nullptr);

private:
    AppContext &m_ctx;
};

class TVekPopSelHex : public QWidget {
    Q_OBJECT
public:
    explicit TVekPopSelHex(AppContext &ctx, QWidget *parent = nullptr);

private:
    AppContext &m_ctx;
};

} // namespace vek
