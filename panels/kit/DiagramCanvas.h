#pragma once
// The surface of a panel: a block diagram drawn by the program in design units, with the panel's
// controls placed on the parts they control. Diagram and controls scale together with the window;
// the diagram is drawn once per size and kept as a picture, so a redraw of the controls does not
// draw it again.
#include <QColor>
#include <QPixmap>
#include <QPointer>
#include <QRectF>
#include <QWidget>
#include <functional>
#include <initializer_list>
#include <vector>

class QPainter;

namespace vek {

class DiagramCanvas : public QWidget {
    Q_OBJECT
public:
    explicit DiagramCanvas(QSizeF designSize, QWidget *parent = nullptr);

    // Draws the diagram in design units (the painter is already scaled).
    std::function<void(QPainter &)> drawDiagram;
    // Text height in design units for the controls.
    double designFontSize = 11.0;

    // Puts a control at a rectangle in design units (canvas coordinates), on the canvas or inside
    // a container placed before.
    template <class W> W *Place(W *w, QRectF designRect, QWidget *container = nullptr)
    {
        w->setParent(container ? container : this);
        m_places.push_back({w, designRect, container});
        PlaceOne(m_places.back());
        return w;
    }
    double ScaleFactor() const { return m_scale; }
    QPointF Origin() const { return m_origin; }
    // Design units to widget pixels.
    QRect ToPixels(const QRectF &design) const;
    // Drops the kept picture (when what the diagram shows changed).
    void InvalidateDiagram();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    void Relayout();
    struct Placed {
        QPointer<QWidget> w;
        QRectF r; // design units, on the canvas
        QWidget *container = nullptr; // a placed control the widget lies in, if any
    };
    void PlaceOne(const Placed &p);

    QSizeF m_design;
    double m_scale = 1.0;
    QPointF m_origin;
    QPixmap m_picture;
    std::vector<Placed> m_places;
};

// Drawing helpers for diagrams, all in design units.
namespace draw {
void Wire(QPainter &p, std::initializer_list<QPointF> points);
void Node(QPainter &p, QPointF at);
// An amplifier triangle pointing right, with its name inside.
void Amplifier(QPainter &p, const QRectF &r, const QString &name);
// A block with a title on its top edge.
void Block(QPainter &p, const QRectF &r, const QString &title, const QColor &fill);
// A summing node (circle with a plus).
void Sum(QPainter &p, QPointF centre, double radius);
void Text(QPainter &p, const QRectF &r, const QString &text, int flags, double size = 10,
          bool bold = false);
// An arrow head at `to`, pointing from `from`.
void Arrow(QPainter &p, QPointF from, QPointF to);
} // namespace draw

} // namespace vek
