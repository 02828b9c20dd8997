#pragma once
// The window placement store of the main window (component RestoreWin1). It chains itself into
// the main window's close and show events: when the main window really closes (its own close
// handler did not refuse), the placement of every window is written to the placement file; on the
// main window's first show the file is read and every window is put back where it was.
#include "app/placement/WindowPlacement.h"

#include <QList>
#include <QObject>
#include <QString>
#include <functional>

class QWidget;

namespace vek {

class TRestoreWin : public QObject {
    Q_OBJECT
public:
    // programFile names the program's executable; the placement file lies in programDir and is
    // named after the program without its extension, then "." and ExtName.
    TRestoreWin(QWidget *mainWindow, QString programDir, QString programFile);

    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool on) { m_enabled = on; }
    bool AutoShow() const { return m_autoShow; }
    void SetAutoShow(bool on) { m_autoShow = on; }
    QString ExtName() const { return m_extName; }
    // An empty extension restores "wst".
    void SetExtName(const QString &ext);
    QString FileName() const;

    const PlacementTable &Table() const { return m_table; }

    // The program's windows in the application's order; without it, the main window alone.
    std::function<QList<QWidget *>()> windows;
    // Shows a window whose entry says it was visible; without it, QWidget::show.
    std::function<void(QWidget *)> showWindow;

    // Writes the placement of every window. False when the file could not be written.
    bool SaveWindows();
    // Reads the file and applies it to every window. False when there is no file of this version.
    bool RestoreWindows();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<QWidget *> Windows() const;
    void CaptureWindows(PlacementTable &table) const;
    bool WriteTable();
    void Apply(QWidget *window, const PlacementEntry &entry);
    void Show(QWidget *window);

    QWidget *m_main;
    QString m_programDir;
    QString m_programFile;
    bool m_enabled = true;
    bool m_autoShow = true;
    QString m_extName = QStringLiteral("wst");
    bool m_firstShowPending = true;
    bool m_inClose = false;
    PlacementTable m_table;
};

} // namespace vek
