#include "panels/ui/AnalogPanels.h"

#include "app/context/AppContext.h"

namespace vek {

TOPForm::TOPForm(AppContext &ctx, QWidget *parent)
    : PanelWindow(QStringLiteral("OPForm"), QStringLiteral("OP"), QRect(20, 20, 480, 400), parent),
      m_ctx(ctx)
{
    SetSizeable(false);
}

void TOPForm::DataUpdate() {}

TCMPForm::TCMPForm(AppContext &ctx, QWidget *parent)
    : PanelWindow(QStringLiteral("CMPForm"), QStringLiteral("Comparator"), QRect(40, 40, 480, 400),
                  parent),
      m_ctx(ctx)
{
    SetSizeable(false);
}

void TCMPForm::DataUpdate() {}

} // namespace vek
