#include "panels/kit/DiagramCanvas.h"

#include <QPainter>
#include <QResizeEvent>
#include <cmath>

namespace vek {

DiagramCanvas::DiagramCanvas(QSizeF designSize, QWidget *parent) : QWidget(parent), m_design(designSize)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize DiagramCanvas::sizeHint() const { return m_design.toSize(); }

QRect DiagramCanvas::ToPixels(const QRectF &r) const
{
    const QPointF tl = m_origin + r.topLeft() * m_scale;
    const QPointF br = m_origin + r.bottomRight() * m_scale;
    return QRect(QPoint(int(std::lround(tl.x())), int(std::lround(tl.y()))),
                 QPoint(int(std::lround(br.x())) - 1, int(std::lround(br.y())) - 1));
}

void DiagramCanvas::InvalidateDiagram()
{
    m_picture = QPixmap();
    update();
}

void DiagramCanvas::PlaceOne(const Placed &p)
{
    if (!p.w)
        return;
    QRect g = ToPixels(p.r);
    if (p.container)
        for (const Placed &c : m_places)
            if (c.w == p.container)
                g.translate(-ToPixels(c.r).topLeft());
    p.w->setGeometry(g);
}

void DiagramCanvas::Relayout()
{
    const double sx = width() / m_design.width(), sy = height() / m_design.height();
    m_scale = std::max(0.05, std::min(sx, sy));
    m_origin = QPointF((width() - m_design.width() * m_scale) / 2, (height() - m_design.height() * m_scale) / 2);
    QFont f = font();
    f.setPixelSize(std::max(6, int(std::lround(designFontSize * m_scale))));
    setFont(f);
    for (const Placed &p : m_places)
        PlaceOne(p);
    m_picture = QPixmap();
}

void DiagramCanvas::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    Relayout();
}

void DiagramCanvas::paintEvent(QPaintEvent *e)
{
    if (m_picture.size() != size() * devicePixelRatioF()) {
        m_picture = QPixmap(size() * devicePixelRatioF());
        m_picture.setDevicePixelRatio(devicePixelRatioF());
        m_picture.fill(palette().color(QPalette::Window));
        QPainter p(&m_picture);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.translate(m_origin);
        p.scale(m_scale, m_scale);
        if (drawDiagram)
            drawDiagram(p);
    }
    QPainter p(this);
    p.drawPixmap(e->rect(), m_picture, QRectF(QPointF(e->rect().topLeft()) * devicePixelRatioF(),
                                              QSizeF(e->rect().size()) * devicePixelRatioF()));
}

namespace draw {

namespace {
const QColor kInk(50, 60, 80);
}

void Wire(QPainter &p, std::initializer_list<QPointF> points)
{
    p.setPen(QPen(kInk, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const QPointF *prev = nullptr;
    for (const QPointF &pt : points) {
        if (prev)
            p.drawLine(*prev, pt);
        prev = &pt;
    }
}

void Node(QPainter &p, QPointF at)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(at, 3, 3);
}

void Amplifier(QPainter &p, const QRectF &r, const QString &name)
{
    p.setPen(QPen(kInk, 1.8));
    p.setBrush(QColor(255, 250, 225));
    p.drawPolygon(QPolygonF({r.topLeft(), QPointF(r.right(), r.center().y()), r.bottomLeft()}));
    Text(p, QRectF(r.left() + 2, r.top(), r.width() * 0.7, r.height()), name, Qt::AlignVCenter | Qt::AlignLeft,
         10, true);
}

void Block(QPainter &p, const QRectF &r, const QString &title, const QColor &fill)
{
    p.setPen(QPen(kInk, 1.6));
    p.setBrush(fill);
    p.drawRoundedRect(r, 6, 6);
    if (!title.isEmpty())
        Text(p, QRectF(r.left() + 6, r.top() + 3, r.width() - 12, 16), title, Qt::AlignLeft | Qt::AlignTop, 10,
             true);
}

void Sum(QPainter &p, QPointF c, double radius)
{
    p.setPen(QPen(kInk, 1.6));
    p.setBrush(Qt::white);
    p.drawEllipse(c, radius, radius);
    p.drawLine(c - QPointF(radius * 0.55, 0), c + QPointF(radius * 0.55, 0));
    p.drawLine(c - QPointF(0, radius * 0.55), c + QPointF(0, radius * 0.55));
}

void Text(QPainter &p, const QRectF &r, const QString &text, int flags, double size, bool bold)
{
    QFont f = p.font();
    f.setPixelSize(std::max(1, int(std::lround(size))));
    f.setBold(bold);
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(r, flags, text);
}

void Arrow(QPainter &p, QPointF from, QPointF to)
{
    const QPointF d = to - from;
    const double len = std::hypot(d.x(), d.y());
    if (len <= 0)
        return;
    const QPointF u = d / len, n(-u.y(), u.x());
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPolygon(QPolygonF({to, to - u * 8 + n * 4, to - u * 8 - n * 4}));
}

} // namespace draw

} // namespace vek
