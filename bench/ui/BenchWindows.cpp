#include "bench/ui/BenchWindows.h"

#include "app/context/AppContext.h"

namespace vek {

TWeightCAL::TWeightCAL(AppContext &ctx, QWidget *parent)
    : PanelWindow(QStringLiteral("WeightCAL"), QStringLiteral("Switch ADC Channel Test"),
                  QRect(0, 0, 640, 480), parent),
      m_ctx(ctx)
{
}

} // namespace vek
