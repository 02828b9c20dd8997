#pragma once
// The pattern every analog panel follows: settings bound to register fields, controls on a
// diagram, every edit one register write computed from the chip image, and a redraw that reads
// everything back from the image without writing. A panel describes its settings once (which
// controls belong to which field) and the kit does the clicks, combo edits, toggle panels, the
// chip selection's preparation and the redraws.
#include "chipdesc/FieldBindings.h"
#include "chipdesc/PanelPreparation.h"
#include "panels/kit/Controls.h"
#include "panels/kit/DiagramCanvas.h"
#include "panels/logic/FieldAccess.h"
#include "widgets/PanelWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <functional>
#include <memory>
#include <vector>

namespace vek {

class FieldPanel : public PanelWindow {
    Q_OBJECT
public:
    FieldPanel(const QString &componentName, const QString &caption, QRect designedFrame, QSizeF designSize,
               PanelBindings &bindings, const ControlPreps &prep, QWidget *parent = nullptr);

    // The chip access of the panel (the program wires it to the link supervisor).
    PanelChip chip;

    // Reads every setting from the chip image and redraws the panel. Never writes to the chip.
    virtual void DataUpdate() = 0;
    // Applies what the last chip selection prepared on this panel's controls, disables the controls
    // of every setting the panel cannot use (unbound, or a field outside a register of the image),
    // then redraws.
    void ApplyPreparation();

    // Toggle panels: a left click sets the toggle target to the panel's index and sets its field
    // to 0 when it is 1, to 1 otherwise; the popup's "1" and "0" set the current target.
    void PopUpClick(int target);
    void TIncerClick();
    void DecerClick();
    int ToggleTarget() const { return m_toggleTarget; }

    DiagramCanvas *Canvas() const { return m_canvas; }
    QMenu *Popup() const { return m_popup; }

    // The settings' descriptions.
    // A multiplexer: one closed and one open picture and a label per code, and a combo box.
    struct Mux {
        QString field;
        int codes = 0;
        int digits = 0;
        std::vector<Glyph *> closed, open;
        std::vector<OptionLabel *> labels;
        QComboBox *combo = nullptr;
        // The combo lists the code texts of the options the chip has (true), or every code in
        // order so that its index is the code (false).
        bool comboByText = true;
        // A code outside the range: no option drawn chosen (true), or drawn as code 0 (false).
        bool outOfRangeShowsNone = false;
        std::vector<QWidget *> extra; // further controls that follow the binding (input pictures)
    };
    // A 1-bit setting: pictures shown at 1 and at 0, a toggle panel and a label.
    struct Switch {
        QString field;
        int target = -1; // toggle target index, -1 for none
        TogglePanel *panel = nullptr;
        std::vector<Glyph *> shownAtOne, shownAtZero;
        QLabel *label = nullptr;
        std::function<QString(bool)> text;
        // The new code when its pictures are clicked.
        std::function<int(int)> flip = [](int v) { return v == 0 ? 1 : 0; };
    };
    // A selector: a combo box whose index is the code and a label with the code's text.
    struct Selector {
        QString field;
        QComboBox *combo = nullptr;
        QLabel *label = nullptr;
        std::function<QString(int)> text;
        int shownMax = 7;          // codes above: shown as shownAsCode
        int shownAsCode = 0;
    };

    // Where a multiplexer's controls lie: per code a row of input picture (optional), label and
    // switch pictures; rows run down in columns.
    struct MuxLayout {
        QPointF topLeft;
        double labelWidth = 56;
        double pitch = 26;
        int rowsPerColumn = 16;
        double columnStep = 0;
        QRectF comboRect;
        QString inputPrefix;      // input pictures ("ImAP" gives ImAP0, ImAP1, ...), none if empty
        bool labelByCode = false; // labels named by code text ("LCPVCS01") rather than index
    };

protected:
    // Creates the controls of a multiplexer (pictures prefix + code text + "on"/"off", labels
    // labelPrefix + index or code text) with its combo box listing every code text.
    Mux MakeMux(const QString &field, const QString &prefix, const QString &labelPrefix, const QString &combo,
                int codes, const MuxLayout &at);
    // The row rectangle of a multiplexer's code (label and switch), for drawing its wires.
    static QRectF MuxRow(const MuxLayout &at, int code);
    static constexpr double kGlyphWidth = 50, kRowHeight = 20;

    // The supply setting: highlights its toggle panel, reads the level from the image and shows
    // "VDDA = <level label> V" (or "VDDA = External") on every label, and the level's combo index.
    void UpdateSupply(Switch &envdda, const QString &levelField, QComboBox *levelCombo,
                      std::initializer_list<QLabel *> texts);

    // Registration (at creation). The controls are already placed on the canvas.
    Mux &AddMux(Mux m);
    Switch &AddSwitch(Switch s);
    Selector &AddSelector(Selector s);
    // Controls that follow a binding without being a setting of their own (disabled when unusable).
    void AddFollower(const QString &field, QWidget *w);

    // Creating controls on the canvas (design units).
    Glyph *MakeGlyph(Glyph::Kind kind, const QString &name, QRectF r);
    OptionLabel *MakeOptionLabel(const QString &name, const QString &text, QRectF r);
    TogglePanel *MakeToggle(const QString &name, const QString &caption, QRectF r);
    QComboBox *MakeCombo(const QString &name, const QStringList &items, QRectF r);
    QLabel *MakeLabel(const QString &name, const QString &text, QRectF r,
                      Qt::Alignment align = Qt::AlignCenter);

    FieldBinding &Binding(const QString &field);
    // Reads a field's code from the image and keeps it as the working value.
    int ReadField(const QString &field);
    // Redraws from a code (no chip access).
    void RedrawMux(Mux &m, int code);
    void RedrawSwitch(Switch &s, int code);
    void RedrawSelector(Selector &s, int code);

    // Edits: one register write each, then DataUpdate.
    void ChooseOption(Mux &m, int code);
    void ComboEdit(const QString &field, int code);
    void FlipSwitch(Switch &s);

    Mux *FindMux(const QString &field);
    Switch *FindSwitchByTarget(int target);

private:
    std::vector<QWidget *> ControlsOf(const QString &field) const;

    PanelBindings &m_bindings;
    const ControlPreps &m_prep;
    DiagramCanvas *m_canvas;
    QMenu *m_popup;
    int m_toggleTarget = 0;
    // Stable addresses: handlers keep pointers to their setting.
    std::vector<std::unique_ptr<Mux>> m_muxes;
    std::vector<std::unique_ptr<Switch>> m_switches;
    std::vector<std::unique_ptr<Selector>> m_selectors;
    std::vector<std::pair<QString, QWidget *>> m_followers;
};

// Sets a combo box's selection from a redraw: no change handler runs.
void SelectQuietly(QComboBox *combo, int index);
// Rebuilds a combo box's item list from a redraw.
void SetItemsQuietly(QComboBox *combo, const QStringList &items);
// Applies one prepared control.
void ApplyControlPrep(QWidget *w, const ControlPrep &prep);
// Code texts "00".."11" or "000".."111" (count codes of `digits` digits).
QStringList CodeTexts(int count, int digits);

} // namespace vek
