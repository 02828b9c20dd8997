#include "chipdesc/ui/TOption.h"

#include "app/context/AppContext.h"
#include "chipdesc/ChipList.h"
#include "chipdesc/SelectChip.h"

#include <QComboBox>
#include <QLabel>

namespace vek {

TOption::TOption(AppContext &ctx, QWidget *parent)
    : PanelWindow(QStringLiteral("Option"), QStringLiteral("選項"), QRect(40, 40, 316, 396), parent),
      m_ctx(ctx), m_cbSeluP(new QComboBox(this)), m_selLPT(new QComboBox(this))
{
    SetSizeable(false);
    resize(316, 396);
    auto *label2 = new QLabel(QStringLiteral("Select Chip "), this);
    label2->setObjectName(QStringLiteral("Label2"));
    label2->setGeometry(8, 12, 80, 20);
    m_cbSeluP->setObjectName(QStringLiteral("CbSeluP"));
    m_cbSeluP->setGeometry(90, 10, 210, 22);
    m_selLPT->setObjectName(QStringLiteral("SelLPT"));
    m_selLPT->addItems({QStringLiteral("RS232"), QStringLiteral("SPI"), QStringLiteral("Special"),
                        QStringLiteral("Parallel"), QStringLiteral("UART")});
    m_selLPT->setGeometry(90, 44, 210, 22);
    // The chip list is read once, while the dialog is created.
    m_cbSeluP->addItems(ReadChipList(m_ctx.programDir));
    m_cbSeluP->setCurrentIndex(0);
}

bool TOption::GetSELUP(int)
{
    return vek::GetSELUP(m_ctx);
}

QString TOption::ChipEntryText(int index) const
{
    return (index >= 0 && index < m_cbSeluP->count()) ? m_cbSeluP->itemText(index) : QString();
}

} // namespace vek
