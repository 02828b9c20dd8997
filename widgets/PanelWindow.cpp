#include "widgets/PanelWindow.h"

#include <QCloseEvent>

namespace vek {

PanelWindow::PanelWindow(const QString &componentName, const QString &caption, QRect designedFrame,
                         QWidget *parent)
    : QWidget(parent), m_frame(designedFrame)
{
    setObjectName(componentName);
    setWindowTitle(caption);
}

void PanelWindow::SetCaption(const QString &caption)
{
    setWindowTitle(caption);
    if (m_sub)
        m_sub->setWindowTitle(caption);
}

QRect PanelWindow::FrameRect() const
{
    return IsShownPanel() ? m_sub->geometry() : m_frame;
}

void PanelWindow::SetFrameRect(const QRect &r)
{
    m_frame = r;
    m_placed = true;
    if (IsShownPanel())
        m_sub->setGeometry(r);
}

bool PanelWindow::IsShownPanel() const
{
    return m_sub && m_sub->mdiArea() && m_sub->isVisible();
}

PanelSubWindow::PanelSubWindow(PanelWindow *panel) : m_panel(panel)
{
    setObjectName(panel->objectName() + QStringLiteral("_Frame"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWidget(panel);
    setWindowTitle(panel->windowTitle());
}

void PanelSubWindow::closeEvent(QCloseEvent *event)
{
    // Panels live until the program ends: closing one only hides it.
    event->ignore();
    if (m_panel)
        m_panel->ClosedByUser();
    if (onCloseRequest)
        onCloseRequest(m_panel);
}

} // namespace vek
