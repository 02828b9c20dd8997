#pragma once
// The RAM panel, the register panel and the hex entry popup.
#include "chipdesc/PanelPreparation.h"
#include "views/HexEntry.h"
#include "views/RamFile.h"
#include "views/RamView.h"
#include "views/RegisterView.h"
#include "widgets/PanelWindow.h"

#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QString>
#include <array>
#include <functional>

class QAction;
class QHBoxLayout;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;

namespace vek {

struct AppContext;
class TVek_UP;
class TVekPopSelHex;
class RamGridModel;
class RegisterGridModel;

// A raised or lowered panel with a caption that reports clicks (bank and page buttons, the
// register panel's head panels). Other controls can be put into its row after the caption.
class ClickPanel : public QFrame {
    Q_OBJECT
public:
    ClickPanel(const QString &name, const QString &caption, QWidget *parent = nullptr);
    // Raised with a background colour, or lowered with the button face colour.
    void SetRaised(bool raised, const QColor &background = QColor());
    QString text() const { return m_caption->text(); }
    QHBoxLayout *Row() const { return m_row; }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    QLabel *m_caption;
    QHBoxLayout *m_row;
};

class TVek_RAM : public PanelWindow {
    Q_OBJECT
public:
    explicit TVek_RAM(AppContext &ctx, QWidget *parent = nullptr);
    ~TVek_RAM() override;
    // The link supervisor that reaches the chip, and the keypad.
    void AttachDoors(TVek_UP *up, TVekPopSelHex *popup);

    // Rewrites the grid of the current bank from the image.
    void RefreshRamView(bool quiet);
    // "Read RAM": reads the chip memory block by block into the image, then redraws every panel.
    void ReadAllRam();
    // Shows one bank (0-4).
    void SelectBank(int bank);
    // Applies what a chip selection prepared: the bank buttons and menu items shown.
    void ApplyChipSelection();

    // The popup menu's items.
    void SetMarkClick();
    void newcolor1Click();
    void RstMarkClick();
    void RstAllMarkClick();
    void SetHint1Click() {}
    void ResetHint1Click();
    void ResetAllHint1Click();
    void LoadRamClick();
    void SaveRamClick();
    void Excel1Click();
    // The same with a chosen file (the dialogs' part done).
    bool SaveRamFile(const QString &path);
    bool LoadRamFile(const QString &path);
    bool SaveSheet(const QString &path);

    // The cell a typed text was entered in: writes it to the chip (an empty text writes nothing).
    void CellTyped(int address, const QString &text);
    // Double click on a cell (column and row 1-16): the keypad, then the write.
    void SGDDblClick(int column, int row);
    // The cell that marks and hints act on (the last mouse-down position; column and row 1-16).
    void SetMouseDownCell(int column, int row) { m_downColumn = column; m_downRow = row; }

    const RamBankView &View() const { return m_view; }
    RamMarks &Marks() { return m_marks; }
    QTableView *SGD() const { return m_sgd; }
    ClickPanel *BankPanel(int n) const { return m_bankPanels[size_t(n)]; }
    QMenu *PopupMenu1() const { return m_popup; }
    bool Reading() const { return m_reading; }
    // Disables the main menus that start board traffic while the read runs.
    std::function<void(bool enabled)> setBoardMenusEnabled;

protected:
    void showEvent(QShowEvent *event) override;

private:
    int Bank() const;
    // The address under the last mouse-down position, or -1 when marks may not act there.
    int MarkAddress() const;
    void RepaintGrid();

    AppContext &m_ctx;
    TVek_UP *m_up = nullptr;
    TVekPopSelHex *m_pop = nullptr;
    RamBankView m_view;
    RamMarks m_marks;
    uint32_t m_colour = 0x808080; // the colour dialog's colour
    RamGridModel *m_model = nullptr;
    QTableView *m_sgd = nullptr;
    std::array<ClickPanel *, kRamBanks> m_bankPanels{};
    std::array<QAction *, kRamBanks> m_bankItems{};
    QMenu *m_popup = nullptr;
    int m_downColumn = 0, m_downRow = 0;
    bool m_reading = false;
};

class TVek_Reg2 : public PanelWindow {
    Q_OBJECT
public:
    enum class Grid { Bit, Byte, Word };

    explicit TVek_Reg2(AppContext &ctx, QWidget *parent = nullptr);
    ~TVek_Reg2() override;
    void AttachDoors(TVek_UP *up, TVekPopSelHex *popup);

    // Redraws the head panels and the three grids from the image.
    void Refresh(bool quiet);
    // Shows a register page (0-3): the bit grid is rebuilt, then refreshed quietly.
    void SelectPage(int page);
    // Applies what a chip selection prepared: names, page buttons, caption.
    void ApplyChipSelection();

    // Double click on a grid cell; the bit menu's items; typing in the byte and word grids.
    void GridDblClick(Grid grid, int column, int row);
    void PMBitSetClick();
    void PMBitClrClick();
    void CellTyped(Grid grid, int record, const QString &text);
    // The head panels' menus.
    void PMRegModifyClick();
    void PMIND_INDClick(int pair);
    void PMIND_FSRClick(int pair);

    const RegisterSnapshot &Snapshot() const { return m_snap; }
    QTableView *GridView(Grid grid) const;
    ClickPanel *PagePanel(int page) const { return m_pagePanels[size_t(page)]; }
    QLabel *Head(const QString &name) const;
    QMenu *BitMenu() const { return m_bitMenu; }
    QAction *BitSetItem() const { return m_bitSet; }
    QAction *BitClearItem() const { return m_bitClr; }

    // Data for the grid models.
    QString CellText(Grid grid, int column, int row) const;
    QString CellTip(Grid grid, int column, int row) const;
    bool CellEditable(Grid grid, int column, int row) const;
    void CellColours(Grid grid, int column, int row, QColor &text, QColor &background) const;

private:
    void BuildHead(QWidget *base);
    void PaintHead();
    void PaintPages();
    void ResizeGrids();
    // Asks the keypad under a widget rectangle; false when nothing was entered.
    bool AskUnder(QWidget *w, const QRect &rect, uint16_t &value, const QString &max, const QString &range,
                  const QString &title);
    void Write(uint16_t address, uint8_t value);

    AppContext &m_ctx;
    TVek_UP *m_up = nullptr;
    TVekPopSelHex *m_pop = nullptr;
    RegisterSnapshot m_snap;
    NameGrid m_bitNames;
    QLabel *m_work = nullptr, *m_fsr[2] = {nullptr, nullptr}, *m_ind[2] = {nullptr, nullptr};
    QTableView *m_views[3] = {nullptr, nullptr, nullptr};
    RegisterGridModel *m_models[3] = {nullptr, nullptr, nullptr};
    std::array<ClickPanel *, 4> m_pagePanels{};
    QMenu *m_bitMenu = nullptr, *m_indMenu = nullptr, *m_regMenu = nullptr;
    QAction *m_bitSet = nullptr, *m_bitClr = nullptr, *m_indFsr = nullptr;
    int m_menuRecord = -1, m_menuBit = 0, m_indPair = 0;
};

class TVekPopSelHex : public QWidget {
    Q_OBJECT
public:
    explicit TVekPopSelHex(AppContext &ctx, QWidget *parent = nullptr);

    // Shows the keypad modally at (x, y), moved left or up to stay on the screen there. True
    // when a value was entered.
    bool Ask(int x, int y, uint16_t &value, const QString &maxText, const QString &rangeText,
             const QString &title);
    // Opens under a rectangle of a widget (a grid cell, a panel).
    bool AskUnder(QWidget *w, const QRect &rect, uint16_t &value, const QString &maxText,
                  const QString &rangeText, const QString &title);

    // The keys and buttons while the keypad is shown.
    void DigitClick(QChar digit);
    void EnterClick();
    void ClearClick();
    void CancelClick();

    QLineEdit *ENum() const { return m_eNum; }
    QLabel *PnlStatus() const { return m_status; }
    QPushButton *Button(const QString &caption) const;
    // Runs once the keypad is up (tests answer it here).
    std::function<void(TVekPopSelHex &)> onShown;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Close(bool accepted);

    AppContext &m_ctx;
    HexEntry m_entry;
    QLineEdit *m_eNum = nullptr;
    QLabel *m_status = nullptr;
    bool m_accepted = false;
    bool m_open = false;
    QPointer<QScreen> m_screenHint;
};

} // namespace vek
