#pragma once
// What a chip selection prepares on the windows, kept as data: the selection itself touches no
// widget. Each window applies the entries of its controls (found by their names) after a
// selection; an entry that a selection never set leaves the control as it is.
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace vek {

struct ControlPrep {
    std::optional<bool> enabled;
    std::optional<bool> visible;
    std::optional<QString> caption;   // label text or panel caption
    std::optional<QStringList> items; // item list of a combo box, in order
    std::optional<int> currentIndex;  // selected item of a combo box (-1: none)
    std::optional<bool> highlighted;  // a toggle panel drawn in its 1 (true) or 0 (false) state
};

// The prepared controls of one window, by control name.
class ControlPreps {
public:
    ControlPrep &operator[](const QString &name) { return m_controls[name]; }
    // nullptr when the selections never touched the control.
    const ControlPrep *Find(const QString &name) const;
    const std::map<QString, ControlPrep> &All() const { return m_controls; }

private:
    std::map<QString, ControlPrep> m_controls;
};

// A grid of names, 9 columns wide (the register panel's grids).
class NameGrid {
public:
    static constexpr int kColumns = 9;
    int RowCount() const { return static_cast<int>(m_rows.size()); }
    // Rows beyond the new count are dropped; new rows are empty.
    void SetRowCount(int rows);
    // Empty for a cell outside the grid.
    QString Cell(int column, int row) const;
    // Ignored for a cell outside the grid.
    void SetCell(int column, int row, const QString &text);
    void ClearRow(int row);

private:
    std::vector<std::array<QString, kColumns>> m_rows;
};

struct PanelPreparation {
    ControlPreps adc;    // ADC panel
    ControlPreps op;     // op-amp panel
    ControlPreps cmp;    // comparator panel
    ControlPreps ram;    // RAM panel: bank panels PBank0-4 and bank menu items RAMBANK0-4
    ControlPreps reg;    // register panel: page panels PPage1, PPAGE2, PPAGE3, PPAGE4
    ControlPreps option; // setup dialog: the calibrator and power-supply rows
    // Register panel caption: product name followed by "Register".
    std::optional<QString> registerCaption;
    NameGrid bitGrid;  // SREG: the current page's bit registers (name, bit 7 ... bit 0)
    NameGrid byteGrid; // SByteReg: names in rows 0, 2, 4, ...; value rows between
    NameGrid wordGrid; // SWordReg: likewise
    // Goes up by one with every chip selection, so a window can tell it has news.
    uint32_t generation = 0;
};

} // namespace vek
