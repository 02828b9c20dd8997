#include "widgets/QtDialogs.h"

#include "app/base/NumberText.h"

#include <QColorDialog>
#include <QEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QWidget>

namespace vek {

MsgResult QtDialogs::Message(QWidget *parent, const QString &caption, const QString &text,
                             MsgButtons buttons, MsgIcon icon)
{
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
    case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MsgButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MsgButtons::Yes: box.setStandardButtons(QMessageBox::Yes); break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return MsgResult::Ok;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    default: return MsgResult::Cancel;
    }
}

std::optional<uint32_t> QtDialogs::PickColour(QWidget *parent, uint32_t initialRgb)
{
    const QColor c = QColorDialog::getColor(QColor::fromRgb(initialRgb), parent);
    if (!c.isValid())
        return std::nullopt;
    return c.rgb() & 0xFFFFFFu;
}

std::optional<QString> QtDialogs::OpenFile(QWidget *parent, const QString &caption,
                                           const QString &directory, const QString &filter)
{
    const QString f = QFileDialog::getOpenFileName(parent, caption, directory, filter);
    if (f.isEmpty())
        return std::nullopt;
    return f;
}

std::optional<QString> QtDialogs::SaveFile(QWidget *parent, const QString &caption,
                                           const QString &directory, const QString &filter,
                                           SaveQuestion question)
{
    const QFileDialog::Options options =
        question == SaveQuestion::Caller ? QFileDialog::DontConfirmOverwrite : QFileDialog::Options();
    const QString f = QFileDialog::getSaveFileName(parent, caption, directory, filter, nullptr, options);
    if (f.isEmpty())
        return std::nullopt;
    return f;
}

namespace {
// Ends a modal loop when the watched window is hidden or destroyed.
class HideWatcher : public QObject {
public:
    explicit HideWatcher(QEventLoop *loop) : m_loop(loop) {}
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Hide || e->type() == QEvent::Close)
            m_loop->quit();
        return false;
    }

private:
    QEventLoop *m_loop;
};
} // namespace

void QtDialogs::ShowModal(QWidget *window)
{
    QPointer<QWidget> guard(window);
    const Qt::WindowModality oldModality = window->windowModality();
    window->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    HideWatcher watcher(&loop);
    window->installEventFilter(&watcher);
    window->show();
    window->raise();
    window->activateWindow();
    loop.exec();
    if (guard) {
        guard->removeEventFilter(&watcher);
        guard->hide();
        guard->setWindowModality(oldModality);
    }
}

void FitToScreen(QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect avail = screen->geometry();
    const QRect g = window->frameGeometry();
    const ScreenRect r =
        FitRectToScreen({g.x(), g.y(), g.width(), g.height()}, avail.width(), avail.height());
    const QSize frameExtra = g.size() - window->size();
    window->resize(r.width - frameExtra.width(), r.height - frameExtra.height());
    window->move(r.left, r.top);
}

} // namespace vek
