#include "app/placement/TRestoreWin.h"

#include "app/base/SafeFile.h"
#include "app/base/SettingsText.h"
#include "widgets/PanelWindow.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace vek {

namespace {

WindowShowState StateOf(Qt::WindowStates s)
{
    if (s & Qt::WindowMinimized)
        return WindowShowState::Minimized;
    if (s & Qt::WindowMaximized)
        return WindowShowState::Maximized;
    return WindowShowState::Normal;
}

Qt::WindowStates QtState(WindowShowState s)
{
    switch (s) {
    case WindowShowState::Maximized:
        return Qt::WindowMaximized;
    case WindowShowState::Minimized:
        return Qt::WindowMinimized;
    default:
        return Qt::WindowNoState;
    }
}

PlacementEntry Capture(QWidget *w)
{
    PlacementEntry e;
    e.name = w->objectName();
    QRect r(w->x(), w->y(), w->width(), w->height());
    if (auto *panel = qobject_cast<PanelWindow *>(w)) {
        r = panel->FrameRect();
        e.visible = panel->IsShownPanel();
        e.state = panel->SubWindow() ? StateOf(panel->SubWindow()->windowState())
                                     : WindowShowState::Normal;
    } else {
        e.visible = w->isVisible();
        e.state = StateOf(w->windowState());
    }
    e.left = r.x();
    e.top = r.y();
    e.width = r.width();
    e.height = r.height();
    return e;
}

} // namespace

TRestoreWin::TRestoreWin(QWidget *mainWindow, QString programDir, QString programFile)
    : QObject(mainWindow), m_main(mainWindow), m_programDir(std::move(programDir)),
      m_programFile(std::move(programFile))
{
    setObjectName(QStringLiteral("RestoreWin1"));
    m_main->installEventFilter(this);
}

void TRestoreWin::SetExtName(const QString &ext)
{
    m_extName = ext.isEmpty() ? QStringLiteral("wst") : ext;
}

QString TRestoreWin::FileName() const
{
    return m_programDir + QFileInfo(m_programFile).completeBaseName() + '.' + m_extName;
}

QList<QWidget *> TRestoreWin::Windows() const
{
    return windows ? windows() : QList<QWidget *>{m_main};
}

bool TRestoreWin::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_main)
        return false;
    if (event->type() == QEvent::Close && !m_inClose) {
        // The main window's own close handler runs first; only a close that it accepted (the
        // window really goes) writes the file, a refused close writes nothing. The placement is
        // taken before that handler hides the panels, so the panels the user left open are
        // recorded as shown.
        PlacementTable before = m_table;
        CaptureWindows(before);
        m_inClose = true;
        static_cast<QObject *>(m_main)->event(event);
        m_inClose = false;
        if (event->isAccepted() && m_enabled) {
            m_table = std::move(before);
            WriteTable();
        }
        return true;
    }
    if (event->type() == QEvent::Show && m_firstShowPending) {
        // Only the first show restores; the main window's own show handling follows.
        m_firstShowPending = false;
        if (m_enabled)
            RestoreWindows();
    }
    return false;
}

void TRestoreWin::CaptureWindows(PlacementTable &table) const
{
    for (QWidget *w : Windows())
        if (w)
            table.Record(Capture(w));
}

bool TRestoreWin::WriteTable()
{
    return WriteFileAtomically(FileName(), m_table.Serialize());
}

bool TRestoreWin::SaveWindows()
{
    CaptureWindows(m_table);
    return WriteTable();
}

bool TRestoreWin::RestoreWindows()
{
    QByteArray bytes;
    if (!ReadSettingsFile(FileName(), bytes) || !m_table.Parse(bytes))
        return false;
    for (QWidget *w : Windows())
        if (w)
            if (const PlacementEntry *e = m_table.Find(w->objectName()))
                Apply(w, *e);
    return true;
}

void TRestoreWin::Apply(QWidget *w, const PlacementEntry &entry)
{
    auto *panel = qobject_cast<PanelWindow *>(w);
    WindowFacts facts;
    if (panel) {
        const QRect r = panel->FrameRect();
        facts = {r.x(),
                 r.y(),
                 r.width(),
                 r.height(),
                 panel->PlacementMode() == PanelWindow::Placement::Designed,
                 panel->Sizeable()};
    } else {
        facts = {w->x(),      w->y(), w->width(),
                 w->height(), true,   w->minimumSize() != w->maximumSize()};
    }
    const QScreen *screen = m_main->screen() ? m_main->screen() : QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->geometry().size() : QSize(1024, 768);
    const auto place =
        PlaceWindow(entry, facts, screenSize.width(), screenSize.height(), m_autoShow);
    if (!place)
        return;
    const QRect r(place->left, place->top, place->width, place->height);
    if (panel) {
        panel->SetFrameRect(r);
        if (place->show)
            Show(panel);
        // A panel's state lives on its MDI frame, which exists once the panel has been shown.
        if (panel->IsShownPanel() && StateOf(panel->SubWindow()->windowState()) != place->state)
            panel->SubWindow()->setWindowState(QtState(place->state));
        return;
    }
    w->move(r.topLeft());
    if (facts.sizeable)
        w->resize(r.size());
    if (StateOf(w->windowState()) != place->state)
        w->setWindowState(QtState(place->state));
    if (place->show)
        Show(w);
}

void TRestoreWin::Show(QWidget *w)
{
    if (showWindow)
        showWindow(w);
    else
        w->show();
}

} // namespace vek
