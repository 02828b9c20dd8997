#include "link/ui/LinkWindows.h"

#include "app/context/AppContext.h"
#include "link/ChipAccess.h"
#include "link/ClaimRecord.h"

namespace vek {

TVek_BASE::TVek_BASE(AppContext &ctx, QWidget *parent)
    : QWidget(parent), m_ctx(ctx), m_font(QStringLiteral("Courier New"), 11, QFont::Bold)
{
    setObjectName(QStringLiteral("Vek_BASE"));
    setWindowTitle(QStringLiteral("Vek_BASE"));
    // The register lists themselves live in the context, empty until a chip is selected.
    m_font.setStyleHint(QFont::TypeWriter);
}

TVek_UP::TVek_UP(AppContext &ctx, QWidget *parent)
    : QWidget(parent), m_ctx(ctx), m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("Vek_UP"));
    setWindowTitle(QStringLiteral("uP Center"));
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(2000);
    connect(m_timer, &QTimer::timeout, this, &TVek_UP::Timer1Timer);
    m_timer->start();
    // A board that an earlier run claimed and could not give back is this program's to take.
    LoadClaimRecord(m_ctx.ProgramFile(QLatin1String(kClaimRecordFileName)), m_ctx.usb);
}

void TVek_UP::KeepClaimRecord()
{
    SaveClaimRecord(m_ctx.ProgramFile(QLatin1String(kClaimRecordFileName)), m_ctx.usb);
}

ChipSlot &TVek_UP::Slot(int slot)
{
    ChipSlot &s0 = m_ctx.chipSlots[0];
    const int kind = m_ctx.setup.interfaceIndex;
    if (kind >= 0 && kind <= 4)
        s0.interfaceKind = InterfaceKind(kind);
    s0.chipModel = uint16_t(m_ctx.setup.chipModelIndex);
    return (slot >= 0 && slot < kChipSlotCount) ? m_ctx.chipSlots[size_t(slot)] : s0;
}

void TVek_UP::Timer1Timer()
{
    if (!SupervisionTickDue(m_ctx.upTickCount))
        return;
    if (UsesUsbBoard(Slot(0).interfaceKind))
        SuperviseLink();
}

void TVek_UP::SuperviseLink()
{
    LinkIo io = m_ctx.Link();
    const bool online = vek::SuperviseLink(io, Slot(0).link);
    KeepClaimRecord();
    m_ctx.status.SetText(0, QString::fromLatin1(online ? kUsbOnLine : kUsbNotConnected));
}

void TVek_UP::USBConnect()
{
    LinkIo io = m_ctx.Link();
    const bool found = ScanForBoard(io, Slot(0).link);
    KeepClaimRecord();
    if (found) {
        m_ctx.status.SetText(0, QString::fromLatin1(kUsbOnLine));
        if (onBoardFound)
            onBoardFound();
    } else {
        m_ctx.status.SetText(0, QString::fromLatin1(kUsbNotConnected));
    }
}

void TVek_UP::ReleaseBoard()
{
    LinkIo io = m_ctx.Link();
    vek::ReleaseBoard(io, m_ctx.chipSlots[0].link);
    KeepClaimRecord();
}

uint8_t TVek_UP::GetImageByte(int address, int slot) { return vek::GetImageByte(m_ctx.chipSlots, address, slot); }

void TVek_UP::SetImageByte(int address, uint8_t value, int slot)
{
    vek::SetImageByte(m_ctx.chipSlots, address, value, slot);
}

bool TVek_UP::ReadChip(uint16_t address, int count, int slot)
{
    Slot(slot);
    ChipPort port = m_ctx.Chip();
    return vek::ReadChip(port, address, count, slot);
}

bool TVek_UP::WriteChip(uint16_t address, int count, int slot)
{
    Slot(slot);
    ChipPort port = m_ctx.Chip();
    return vek::WriteChip(port, address, count, slot);
}

void TVek_UP::WriteRegister(uint16_t address, uint8_t value, int slot)
{
    Slot(slot);
    ChipPort port = m_ctx.Chip();
    vek::WriteRegister(port, address, value, slot);
}

void TVek_UP::StoreAndRefresh(int address, uint8_t value, int slot)
{
    ChipPort port = m_ctx.Chip();
    vek::StoreAndRefresh(port, address, value, slot);
}

bool TVek_UP::SetupUartLink(int slot)
{
    LinkIo io = m_ctx.Link();
    return vek::SetupUartLink(io, Slot(slot).link);
}

void TVek_UP::PulseReset(int slot)
{
    LinkIo io = m_ctx.Link();
    vek::PulseReset(io, Slot(slot).link);
}

bool TVek_UP::ReadBoardStatus(uint8_t &b1, uint8_t &b2, uint8_t &b3, int slot)
{
    LinkIo io = m_ctx.Link();
    return vek::ReadBoardStatus(io, Slot(slot).link, b1, b2, b3);
}

bool TVek_UP::ReadBoardText(QString &text, int slot)
{
    LinkIo io = m_ctx.Link();
    return vek::ReadBoardText(io, Slot(slot).link, text);
}

void TVek_UP::SleepChip()
{
    Slot(0);
    ChipPort port = m_ctx.Chip();
    vek::SleepChip(port);
}

void TVek_UP::WriteProbeByte()
{
    WriteChip(0x90, 1, 0);
}

} // namespace vek
