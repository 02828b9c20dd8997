#pragma once
// The controls that lie on a panel's diagram: pictures drawn by the program (switch glyphs,
// edges, throws), toggle panels coloured by their field, and multiplexer option labels. Each is a
// named control; clicks come as signals only from the user, never from a redraw.
#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QPalette>
#include <QWidget>

namespace vek {

class Glyph : public QWidget {
    Q_OBJECT
public:
    enum class Kind {
        SwitchClosed, // a closed switch, wire left to right
        SwitchOpen,
        SwitchClosedV, // the same, wire top to bottom
        SwitchOpenV,
        EdgeRising,
        EdgeFalling,
        ThrowUp, // a change-over switch on its upper contact
        ThrowDown,
        Straight, // two wires passed straight through
        Crossed,  // two wires swapped
        TieHigh,  // both outputs from the upper wire
        TieLow,   // both outputs from the lower wire
        InputPin,
        Sensor,
    };
    Glyph(Kind kind, const QString &name, QWidget *parent = nullptr);
    Kind GlyphKind() const { return m_kind; }
    // What a mouse click does: nothing while disabled.
    void Click();

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;

private:
    Kind m_kind;
};

// A raised panel with a caption, filled with the active-caption colour while its field is 1 and
// with the button face while it is 0. A left click toggles; a right click offers the popup.
class TogglePanel : public QFrame {
    Q_OBJECT
public:
    TogglePanel(const QString &name, const QString &caption, QWidget *parent = nullptr);
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &caption);
    bool Highlighted() const { return m_highlighted; }
    void SetHighlighted(bool on);
    // Panels that only show a flag take no clicks.
    void SetClickable(bool on) { m_clickable = on; }
    void Click();

signals:
    void clicked();
    void popupRequested(const QPoint &globalPos);

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;

private:
    QString m_caption;
    bool m_highlighted = false;
    bool m_clickable = true;
};

// A multiplexer option's label: black with window-coloured text while its option is chosen,
// button face with black text otherwise. A click chooses the option like its switch pictures.
class OptionLabel : public QLabel {
    Q_OBJECT
public:
    OptionLabel(const QString &name, const QString &text, QWidget *parent = nullptr);
    bool Selected() const { return m_selected; }
    void SetSelected(bool on);
    void Click();

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *e) override;

private:
    bool m_selected = false;
};

// The two colour schemes of toggle panels and flags, from the system palette.
QColor ActiveBackground(const QPalette &p); // active caption
QColor ActiveText(const QPalette &p);       // window
QColor PlainBackground(const QPalette &p);  // button face

} // namespace vek
