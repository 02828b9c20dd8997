#include "link/ui/LinkWindows.h"

#include "app/context/AppContext.h"

namespace vek {

TVek_BASE::TVek_BASE(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("Vek_BASE"));
    setWindowTitle(QStringLiteral("Vek_BASE"));
}

TVek_UP::TVek_UP(AppContext &ctx, QWidget *parent)
    : QWidget(parent), m_ctx(ctx), m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("Vek_UP"));
    setWindowTitle(QStringLiteral("uP Center"));
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(2000);
}

void TVek_UP::USBConnect() {}

void TVek_UP::SleepChip() {}

void TVek_UP::WriteProbeByte() {}

} // namespace vek
