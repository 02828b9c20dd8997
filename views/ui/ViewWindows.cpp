#include "views/ui/ViewWindows.h"

#include "app/base/NumberText.h"
#include "app/context/AppContext.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

namespace vek {

ClickPanel::ClickPanel(const QString &name, const QString &caption, QWidget *parent)
    : QFrame(parent), m_caption(new QLabel(caption, this)), m_row(new QHBoxLayout(this))
{
    setObjectName(name);
    setAccessibleName(caption);
    setAutoFillBackground(true);
    setLineWidth(1);
    m_row->setContentsMargins(4, 2, 4, 2);
    m_row->setSpacing(1);
    m_caption->setAlignment(Qt::AlignCenter);
    m_row->addWidget(m_caption);
    SetRaised(false);
}

void ClickPanel::SetRaised(bool raised, const QColor &background)
{
    setFrameStyle(QFrame::Panel | (raised ? QFrame::Raised : QFrame::Sunken));
    QPalette p = palette();
    const QColor fill = raised && background.isValid() ? background : QGuiApplication::palette().color(QPalette::Button);
    p.setColor(QPalette::Window, fill);
    // The caption stays readable on a dark fill (the green of PAGE2).
    const QColor text = fill.lightness() < 100 ? QColor(Qt::white) : QGuiApplication::palette().color(QPalette::WindowText);
    p.setColor(QPalette::WindowText, text);
    setPalette(p);
    m_caption->setPalette(p);
}

void ClickPanel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QFrame::mousePressEvent(event);
}

// ---------------------------------------------------------------------------------------------
// The hex entry popup.

TVekPopSelHex::TVekPopSelHex(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("VekPopSelHex"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
    setFocusPolicy(Qt::StrongFocus);
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setSpacing(2);
    m_eNum = new QLineEdit(this);
    m_eNum->setObjectName(QStringLiteral("ENum"));
    m_eNum->setAccessibleName(QStringLiteral("ENum"));
    m_eNum->setReadOnly(true);
    m_eNum->setFocusPolicy(Qt::NoFocus);
    m_eNum->setAlignment(Qt::AlignCenter);
    grid->addWidget(m_eNum, 0, 0, 1, 4);
    const auto button = [this](const QString &caption, auto handler) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QStringLiteral("Bt") + caption);
        b->setAccessibleName(caption);
        b->setFocusPolicy(Qt::NoFocus);
        b->setMinimumSize(40, 26);
        b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    for (int d = 0; d < 16; ++d) {
        const QChar c = FormatHex(d, 1).at(0);
        grid->addWidget(button(QString(c), [this, c]() { DigitClick(c); }), 1 + d / 4, d % 4);
    }
    grid->addWidget(button(QStringLiteral("Enter"), [this]() { EnterClick(); }), 5, 0, 1, 4);
    grid->addWidget(button(QStringLiteral("Clear"), [this]() { ClearClick(); }), 6, 0, 1, 2);
    grid->addWidget(button(QStringLiteral("Cancel"), [this]() { CancelClick(); }), 6, 2, 1, 2);
    // The range text is kept in a status panel that is never shown.
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("PnlStatus"));
    m_status->hide();
    adjustSize();
    setFixedSize(sizeHint());
}

QPushButton *TVekPopSelHex::Button(const QString &caption) const
{
    return findChild<QPushButton *>(QStringLiteral("Bt") + caption);
}

bool TVekPopSelHex::Ask(int x, int y, uint16_t &value, const QString &maxText, const QString &rangeText,
                        const QString &title)
{
    setWindowTitle(title);
    m_status->setText(rangeText);
    m_entry.Start(maxText);
    m_eNum->clear();
    m_accepted = false;
    // Kept on the screen that holds the point asked for.
    const QScreen *screen = m_screenHint ? m_screenHint.data() : QGuiApplication::screenAt(QPoint(x, y));
    m_screenHint = nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    QPoint at(x, y);
    if (screen) {
        const QRect area = screen->availableGeometry();
        const QSize size = frameGeometry().size().expandedTo(sizeHint());
        if (at.x() + size.width() > area.right())
            at.setX(area.right() - size.width());
        if (at.y() + size.height() > area.bottom())
            at.setY(area.bottom() - size.height());
        at.setX(std::max(at.x(), area.left()));
        at.setY(std::max(at.y(), area.top()));
    }
    move(at);
    setFocus();
    m_open = true;
    if (onShown)
        onShown(*this);
    if (m_open)
        m_ctx.dialogs.ShowModal(this);
    m_open = false;
    const std::optional<uint16_t> v = m_entry.Value();
    if (!m_accepted || !v)
        return false;
    value = *v;
    return true;
}

bool TVekPopSelHex::AskUnder(QWidget *w, const QRect &rect, uint16_t &value, const QString &maxText,
                             const QString &rangeText, const QString &title)
{
    const QPoint below = w ? w->mapToGlobal(rect.bottomLeft() + QPoint(0, 1)) : QPoint();
    // The screen that holds the cell, even when the point below it lies off every screen.
    m_screenHint = w ? w->screen() : nullptr;
    return Ask(below.x(), below.y(), value, maxText, rangeText, title);
}

void TVekPopSelHex::Close(bool accepted)
{
    m_accepted = accepted;
    m_open = false;
    hide();
}

void TVekPopSelHex::DigitClick(QChar digit)
{
    const HexEntry::Result r = m_entry.Digit(digit);
    m_eNum->setText(m_entry.Text());
    if (r == HexEntry::Result::Complete)
        Close(true);
}

void TVekPopSelHex::EnterClick()
{
    // An empty text closes without a value.
    Close(m_entry.CanAccept());
}

void TVekPopSelHex::ClearClick()
{
    m_entry.Clear();
    m_eNum->clear();
}

void TVekPopSelHex::CancelClick() { Close(false); }

void TVekPopSelHex::keyPressEvent(QKeyEvent *event)
{
    // Every key stops here; only digits, Enter, Esc and backspace act.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        EnterClick();
        break;
    case Qt::Key_Escape:
        CancelClick();
        break;
    case Qt::Key_Backspace:
        m_entry.Backspace();
        m_eNum->setText(m_entry.Text());
        break;
    default:
        if (const QString t = event->text(); t.size() == 1 && !HexDigitOf(t.at(0)).isNull())
            DigitClick(t.at(0));
        break;
    }
    event->accept();
}

} // namespace vek
