#pragma once
// Base of every window of the program other than the main window. A window keeps its frame
// rectangle (left, top, width, height as the user sees them) whether it is shown as an MDI child
// or hidden, so hiding and showing never moves or resizes it.
#include <QMdiSubWindow>
#include <QRect>
#include <QWidget>
#include <functional>

namespace vek {

class PanelSubWindow;

class PanelWindow : public QWidget {
    Q_OBJECT
public:
    // How the window is placed when first shown: at its designed place, or where the system puts it.
    enum class Placement { Designed, Default };

    PanelWindow(const QString &componentName, const QString &caption, QRect designedFrame,
                QWidget *parent = nullptr);

    // The window's caption (on its MDI frame when shown).
    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString &caption);

    // Frame rectangle in the main window's MDI area coordinates.
    QRect FrameRect() const;
    void SetFrameRect(const QRect &r);

    bool Sizeable() const { return m_sizeable; }
    void SetSizeable(bool s) { m_sizeable = s; }
    Placement PlacementMode() const { return m_placement; }
    void SetPlacementMode(Placement p) { m_placement = p; }
    // A corner of the main window's area the window takes on its first show, when nothing has
    // placed it before (SetFrameRect).
    enum class Corner { None, TopRight, BottomRight };
    Corner Anchor() const { return m_anchor; }
    void SetAnchor(Corner a) { m_anchor = a; }
    bool Placed() const { return m_placed; }

    // The MDI frame that carries this window while it is shown (created on first show).
    PanelSubWindow *SubWindow() const { return m_sub; }
    void AttachSubWindow(PanelSubWindow *sub) { m_sub = sub; }
    bool IsShownPanel() const;

    // Runs when the user closes the window's frame, before it is hidden.
    virtual void ClosedByUser() {}

private:
    QRect m_frame;
    bool m_sizeable = true;
    Placement m_placement = Placement::Designed;
    Corner m_anchor = Corner::None;
    bool m_placed = false;
    PanelSubWindow *m_sub = nullptr;
};

// The MDI frame of a panel. Its close box hides the panel instead of closing it.
class PanelSubWindow : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit PanelSubWindow(PanelWindow *panel);
    // Called when the user closes the frame; the owner hides the panel.
    std::function<void(PanelWindow *)> onCloseRequest;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    PanelWindow *m_panel;
};

} // namespace vek
