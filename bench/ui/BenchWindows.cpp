#include "bench/ui/BenchWindows.h"

#include "app/context/AppContext.h"

namespace vek {

TTMP::TTMP(AppContext &ctx, QWidget *parent)
    : PanelWindow(QStringLiteral("TMP"), QStringLiteral("Temperature Test"), QRect(0, 0, 760, 560),
                  parent),
      m_ctx(ctx), m_timer(new QTimer(this))
{
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(1000);
}

} // namespace vek
