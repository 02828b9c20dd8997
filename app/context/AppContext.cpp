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
}

QString DirectoryWithSeparator(const QString &filePath)
{
    QString dir = QFileInfo(filePath).absolutePath();
    if (!dir.endsWith('/'))
        dir += '/';
    return dir;
}

} // namespace vek
