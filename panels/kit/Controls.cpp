#include "panels/kit/Controls.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace vek {

QColor ActiveBackground(const QPalette &p) { return p.color(QPalette::Active, QPalette::Highlight); }
QColor ActiveText(const QPalette &p) { return p.color(QPalette::Active, QPalette::Base); }
QColor PlainBackground(const QPalette &p) { return p.color(QPalette::Active, QPalette::Button); }

Glyph::Glyph(Kind kind, const QString &name, QWidget *parent) : QWidget(parent), m_kind(kind)
{
    setObjectName(name);
    setAccessibleName(name);
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::PointingHandCursor);
}

void Glyph::Click()
{
    if (isEnabled())
        emit clicked();
}

void Glyph::mousePressEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton)
        Click();
}

void Glyph::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    double w = width(), h = height();
    const bool closedLook = m_kind == Kind::SwitchClosed || m_kind == Kind::SwitchClosedV;
    QColor ink = !isEnabled() ? QColor(170, 170, 170) : closedLook ? QColor(0, 90, 200) : QColor(40, 40, 40);
    const double pen = std::max(1.2, std::min(w, h) * 0.09);
    p.setPen(QPen(ink, pen, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    auto dot = [&](QPointF c) {
        p.setBrush(ink);
        p.drawEllipse(c, pen * 1.1, pen * 1.1);
        p.setBrush(Qt::NoBrush);
    };
    switch (m_kind) {
    case Kind::SwitchClosedV:
    case Kind::SwitchOpenV:
        p.translate(w, 0);
        p.rotate(90);
        std::swap(w, h);
        [[fallthrough]];
    case Kind::SwitchClosed:
    case Kind::SwitchOpen: {
        const double y = h / 2, a = w * 0.3, b = w * 0.7;
        p.drawLine(QPointF(0, y), QPointF(a, y));
        p.drawLine(QPointF(b, y), QPointF(w, y));
        dot({a, y});
        dot({b, y});
        if (closedLook)
            p.drawLine(QPointF(a, y), QPointF(b, y));
        else
            p.drawLine(QPointF(a, y), QPointF(b - pen, y - h * 0.38));
        break;
    }
    case Kind::EdgeRising:
    case Kind::EdgeFalling: {
        const bool up = m_kind == Kind::EdgeRising;
        const double lo = h * 0.8, hi = h * 0.2, x = w / 2;
        QPainterPath path;
        path.moveTo(w * 0.1, up ? lo : hi);
        path.lineTo(x, up ? lo : hi);
        path.lineTo(x, up ? hi : lo);
        path.lineTo(w * 0.9, up ? hi : lo);
        p.drawPath(path);
        const double ay = h / 2, s = std::min(w, h) * 0.14;
        p.setBrush(ink);
        p.drawPolygon(QPolygonF({QPointF(x, up ? ay - s : ay + s), QPointF(x - s, ay), QPointF(x + s, ay)}));
        break;
    }
    case Kind::ThrowUp:
    case Kind::ThrowDown: {
        const double y = h / 2, a = w * 0.25, b = w * 0.75, top = h * 0.2, bottom = h * 0.8;
        p.drawLine(QPointF(0, y), QPointF(a, y));
        p.drawLine(QPointF(b, top), QPointF(w, top));
        p.drawLine(QPointF(b, bottom), QPointF(w, bottom));
        dot({a, y});
        dot({b, top});
        dot({b, bottom});
        p.drawLine(QPointF(a, y), QPointF(b, m_kind == Kind::ThrowUp ? top : bottom));
        break;
    }
    case Kind::Straight:
    case Kind::Crossed:
    case Kind::TieHigh:
    case Kind::TieLow: {
        const double t = h * 0.2, b = h * 0.8, a = w * 0.2, c = w * 0.8;
        p.drawLine(QPointF(0, t), QPointF(a, t));
        p.drawLine(QPointF(0, b), QPointF(a, b));
        p.drawLine(QPointF(c, t), QPointF(w, t));
        p.drawLine(QPointF(c, b), QPointF(w, b));
        if (m_kind == Kind::Straight) {
            p.drawLine(QPointF(a, t), QPointF(c, t));
            p.drawLine(QPointF(a, b), QPointF(c, b));
        } else if (m_kind == Kind::Crossed) {
            p.drawLine(QPointF(a, t), QPointF(c, b));
            p.drawLine(QPointF(a, b), QPointF(c, t));
        } else {
            const double from = m_kind == Kind::TieHigh ? t : b;
            p.drawLine(QPointF(a, from), QPointF(c, t));
            p.drawLine(QPointF(a, from), QPointF(c, b));
            dot({a, from});
        }
        p.setPen(QPen(ink, pen * 0.6, Qt::DotLine));
        p.drawRect(QRectF(a * 0.6, pen, w - a * 1.2, h - 2 * pen));
        break;
    }
    case Kind::InputPin: {
        const double y = h / 2, r = std::min(w, h) * 0.28;
        p.setBrush(isEnabled() ? QColor(255, 240, 200) : Qt::white);
        p.drawEllipse(QPointF(r + pen, y), r, r);
        p.drawLine(QPointF(2 * r + pen, y), QPointF(w, y));
        break;
    }
    case Kind::Sensor: {
        // A diode pair with a thermometer bulb between.
        const double x = w / 2, r = std::min(w, h) * 0.14;
        p.drawLine(QPointF(x, h * 0.08), QPointF(x, h * 0.62));
        p.setBrush(QColor(220, 40, 40));
        p.drawEllipse(QPointF(x, h * 0.75), r, r);
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(x - r * 0.55, h * 0.05, r * 1.1, h * 0.62), r * 0.5, r * 0.5);
        break;
    }
    }
}

TogglePanel::TogglePanel(const QString &name, const QString &caption, QWidget *parent)
    : QFrame(parent), m_caption(caption)
{
    setObjectName(name);
    setAccessibleName(caption);
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setCursor(Qt::PointingHandCursor);
}

void TogglePanel::SetCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    setAccessibleName(caption);
    update();
}

void TogglePanel::SetHighlighted(bool on)
{
    if (on == m_highlighted)
        return;
    m_highlighted = on;
    update();
}

void TogglePanel::Click()
{
    if (isEnabled() && m_clickable)
        emit clicked();
}

void TogglePanel::mousePressEvent(QMouseEvent *e)
{
    if (!isEnabled() || !m_clickable)
        return;
    if (e->button() == Qt::LeftButton)
        Click();
    else if (e->button() == Qt::RightButton)
        emit popupRequested(e->globalPosition().toPoint());
}

void TogglePanel::paintEvent(QPaintEvent *e)
{
    {
        QPainter p(this);
        const QPalette &pal = palette();
        p.fillRect(rect(), m_highlighted ? ActiveBackground(pal) : PlainBackground(pal));
        QColor text = m_highlighted ? ActiveText(pal) : QColor(Qt::black);
        if (!isEnabled())
            text = QColor(140, 140, 140);
        p.setPen(text);
        p.drawText(rect(), Qt::AlignCenter, m_caption);
    }
    QFrame::paintEvent(e);
}

OptionLabel::OptionLabel(const QString &name, const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setObjectName(name);
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    setCursor(Qt::PointingHandCursor);
    m_selected = true; // so the first SetSelected paints
    SetSelected(false);
}

void OptionLabel::SetSelected(bool on)
{
    if (on == m_selected)
        return;
    m_selected = on;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, on ? QColor(Qt::black) : PlainBackground(pal));
    pal.setColor(QPalette::WindowText, on ? ActiveText(pal) : QColor(Qt::black));
    setPalette(pal);
}

void OptionLabel::Click()
{
    if (isEnabled())
        emit clicked();
}

void OptionLabel::mousePressEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton)
        Click();
}

} // namespace vek
