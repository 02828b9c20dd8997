#include "instruments/ui/StepTableWindows.h"

#include "app/context/AppContext.h"

namespace vek {

TFLUKE::TFLUKE(AppContext &ctx, QWidget *parent)
    : PanelWindow(QStringLiteral("FLUKE"), QStringLiteral("FLUKE-5500"), QRect(0, 0, 360, 680), parent),
      m_ctx(ctx)
{
}

TFPower::TFPower(AppContext &ctx, QWidget *parent)
    : PanelWindow(QStringLiteral("FPower"), QStringLiteral("Power Supply"), QRect(370, 0, 360, 680),
                  parent),
      m_ctx(ctx)
{
}

} // namespace vek
