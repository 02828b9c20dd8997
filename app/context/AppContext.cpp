#include "app/context/AppContext.h"

#include <QFileInfo>

namespace vek {

void StatusLine::SetText(int field, const QString &text)
{
    if (field < 0 || field >= kFields)
        return;
    m_texts[field] = text;
    if (onText)
        onText(field, text);
}

QString StatusLine::Text(int field) const
{
    return (field >= 0 && field < kFields) ? m_texts[field] : QString();
}

void StatusLine::SetGauge(bool visible, int percent)
{
    m_gaugeVisible = visible;
    m_gaugePercent = percent;
    if (onGauge)
        onGauge(visible, percent);
}

AppContext::AppContext(Clock &c, Dialogs &d, QString dir)
    : clock(c), dialogs(d), programDir(std::move(dir))
{
    if (!programDir.isEmpty() && !programDir.endsWith('/'))
        programDir += '/';
    serialPorts.SetMapFile(ProgramFile(QString::fromLatin1(ComNameMap::kFileName)));
    serialChip.port = [this](int64_t handle) { return serialPorts.Port(handle); };
    serialChip.status = [this](const QString &text) { status.SetText(1, text); };
}

QString DirectoryWithSeparator(const QString &filePath)
{
    QString dir = QFileInfo(filePath).absolutePath();
    if (!dir.endsWith('/'))
        dir += '/';
    return dir;
}

} // namespace vek
