#include "panels/ui/AnalogPanels.h"

#include "app/context/AppContext.h"

namespace vek {

TADCForm::TADCForm(AppContext &ctx, QWidget *parent)
    : PanelWindow(QStringLiteral("ADCForm"), QStringLiteral("ADC"), QRect(0, 0, 603, 568), parent),
      m_ctx(ctx)
{
    SetSizeable(false);
}

void TADCForm::DataUpdate() {}

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
