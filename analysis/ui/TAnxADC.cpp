#include "analysis/ui/TAnxADC.h"

#include "app/context/AppContext.h"

namespace vek {

TAnxADC::TAnxADC(AppContext &ctx, QWidget *parent)
    : PanelWindow(QStringLiteral("AnxADC"), QStringLiteral("Analyse ADC"), QRect(0, 0, 760, 560),
                  parent),
      m_ctx(ctx)
{
}

void TAnxADC::ComFunChange() {}

} // namespace vek
