#include "views/ui/ViewWindows.h"

#include "app/context/AppContext.h"

namespace vek {

TVek_RAM::TVek_RAM(AppContext &ctx, QWidget *parent)
    : PanelWindow(QStringLiteral("Vek_RAM"), QStringLiteral("記憶體"), QRect(380, 40, 480, 420), parent),
      m_ctx(ctx)
{
}

void TVek_RAM::ReadWholeRam() {}

TVek_Reg2::TVek_Reg2(AppContext &ctx, QWidget *parent)
    : PanelWindow(QStringLiteral("Vek_Reg2"), QStringLiteral("暫存器"), QRect(380, 300, 480, 420),
                  parent),
      m_ctx(ctx)
{
}

TVekPopSelHex::TVekPopSelHex(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("VekPopSelHex"));
    setWindowFlags(Qt::Popup);
}

} // namespace vek
