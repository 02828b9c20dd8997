#include "link/ChipAccess.h"

#include <algorithm>

namespace vek {

namespace {

constexpr double kPauseDays = 50.0 / kMsPerDay; // after every successful access

bool SlotValid(int slot) { return slot >= 0 && slot < kChipSlotCount; }

void Header(TransferBuffer &b, uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4)
{
    b[0] = b0;
    b[1] = b1;
    b[2] = b2;
    b[3] = b3;
    b[4] = b4;
}

// The first four header bytes of an SPI or Special frame (the fifth is the count).
void UsbHeader(ChipPort &port, InterfaceKind kind, bool read, uint16_t address, int count, int slot)
{
    const uint8_t lo = uint8_t(address), hi = uint8_t(address >> 8), n = uint8_t(count);
    TransferBuffer &b = port.link.buffer;
    if (kind == InterfaceKind::SPI) {
        Header(b, port.photo ? 0xBC : 0xB1, read ? 0xC0 : 0x40, lo, hi, n);
    } else {
        const bool plain = UsesPlainSpecialHeader(port.productName, port.chips[size_t(slot)].chipModel);
        Header(b, port.photo ? 0xBE : 0xBA, SpecialHeaderByte(plain, read, address), lo, n, n);
    }
}

// The open COM port of a slot on the RS232 interface, or null when it is closed.
SerialPort *SerialPortOf(const ChipPort &port, const ChipSlot &slot)
{
    if (!port.serial || !port.serial->port || !slot.comOpen)
        return nullptr;
    return port.serial->port(slot.comHandle);
}

const std::function<void(const QString &)> &SerialStatus(const ChipPort &port)
{
    static const std::function<void(const QString &)> kNone;
    return port.serial ? port.serial->status : kNone;
}

// The plain Special header carries only the low address byte, so those models reach nothing at
// 0x100 and above; such an access is refused (and said so) rather than sent to bank 0.
bool PlainHeaderReaches(const ChipPort &port, uint16_t address, int count, int slot)
{
    if (!UsesPlainSpecialHeader(port.productName, port.chips[size_t(slot)].chipModel))
        return true;
    if (int(address) + std::max(count, 1) <= kPlainSpecialReach)
        return true;
    if (const auto &status = SerialStatus(port))
        status(QStringLiteral("Address Out of Range"));
    return false;
}

} // namespace

QString BuiltInModelName(int modelIndex)
{
    static const char *const kNames[4] = {"ZS300", "ZR300", "ZR200", "ZR100"};
    if (modelIndex < 0 || modelIndex >= 64)
        return {};
    return QString::fromLatin1(kNames[modelIndex % 4]);
}

bool UsesPlainSpecialHeader(const QString &productName, int modelIndex)
{
    QString name = productName.trimmed().toUpper();
    if (name.isEmpty())
        name = BuiltInModelName(modelIndex);
    return name == QLatin1String("ZR100") || name == QLatin1String("ZR400");
}

uint8_t SpecialHeaderByte(bool plain, bool read, uint16_t address)
{
    if (plain)
        return read ? 0xC0 : 0x40;
    const uint8_t banked = uint8_t(((address >> 8) * 4) & 0x7C);
    return read ? uint8_t(banked | 0x80) : banked;
}

uint8_t GetImageByte(const ChipSlots &chips, int address, int slot)
{
    if (!SlotValid(slot) || address < 0 || address >= kChipMemorySize)
        return 0;
    return chips[size_t(slot)].image[size_t(address)];
}

void SetImageByte(ChipSlots &chips, int address, uint8_t value, int slot)
{
    if (!SlotValid(slot) || address < 0 || address >= kChipMemorySize)
        return;
    chips[size_t(slot)].image[size_t(address)] = value;
}

bool ReadChip(ChipPort &port, uint16_t address, int count, int slot)
{
    if (!SlotValid(slot))
        return false;
    ChipSlot &s = port.chips[size_t(slot)];
    LinkIo &io = port.link;
    switch (s.interfaceKind) {
    case InterfaceKind::SPI:
    case InterfaceKind::Special:
        if (!s.link.connected || count < 1 || count > kMaxReadBytes)
            return false;
        if (s.interfaceKind == InterfaceKind::Special && !PlainHeaderReaches(port, address, count, slot))
            return false;
        UsbHeader(port, s.interfaceKind, true, address, count, slot);
        if (!LinkWrite(io, s.link, 5) || !LinkRead(io, s.link, count))
            return false;
        WaitDays(io.clock, kPauseDays);
        return true;
    case InterfaceKind::UART:
        if (count < 1 || count > kMaxUartReadBytes)
            return false;
        Header(io.buffer, 0xC1, 0x80, uint8_t(address), uint8_t(address >> 8), uint8_t(count));
        if (!LinkWrite(io, s.link, 5) || !LinkRead(io, s.link, count + 1))
            return false;
        WaitDays(io.clock, kPauseDays);
        return io.buffer[size_t(count)] == kUartReadOk;
    case InterfaceKind::RS232:
        return SerialChipRead(SerialPortOf(port, s), io.buffer, io.clock, SerialStatus(port), address, count);
    case InterfaceKind::Parallel:
        return ParallelChipRead(port.parallel, io.buffer, io.clock, address, count);
    }
    return false;
}

bool WriteChip(ChipPort &port, uint16_t address, int count, int slot)
{
    if (!SlotValid(slot) || count < 1 || count > kMaxWriteBytes)
        return false;
    ChipSlot &s = port.chips[size_t(slot)];
    LinkIo &io = port.link;
    switch (s.interfaceKind) {
    case InterfaceKind::SPI:
    case InterfaceKind::Special:
        if (s.interfaceKind == InterfaceKind::Special && !PlainHeaderReaches(port, address, count, slot))
            return false;
        UsbHeader(port, s.interfaceKind, false, address, count, slot);
        if (!LinkWrite(io, s.link, count + 5) || !LinkRead(io, s.link, 1))
            return false;
        WaitDays(io.clock, kPauseDays);
        return true;
    case InterfaceKind::UART:
        Header(io.buffer, 0xC1, 0x00, uint8_t(address), uint8_t(address >> 8), uint8_t(count));
        if (!LinkWrite(io, s.link, count + 5) || !LinkRead(io, s.link, 1))
            return false;
        WaitDays(io.clock, kPauseDays);
        return io.buffer[0] == kUartWriteOk;
    case InterfaceKind::RS232:
        return SerialChipWrite(SerialPortOf(port, s), io.buffer, io.clock, SerialStatus(port), address, count);
    case InterfaceKind::Parallel:
        return ParallelChipWrite(port.parallel, io.buffer, io.clock, address, count);
    }
    return false;
}

void StoreAndRefresh(ChipPort &port, int address, uint8_t value, int slot)
{
    SetImageByte(port.chips, address, value, slot);
    if (port.refreshPanels)
        port.refreshPanels();
}

void WriteRegister(ChipPort &port, uint16_t address, uint8_t value, int slot)
{
    if (!SlotValid(slot))
        return;
    ChipSlot &s = port.chips[size_t(slot)];
    TransferBuffer &b = port.link.buffer;
    if (s.interfaceKind == InterfaceKind::UART && !SetupUartLink(port.link, s.link))
        return;
    b[5] = value;
    if (address == 0x31 || address == 0x32) {
        // These two need a second to settle before they read back.
        WriteChip(port, address, 1, slot);
        WaitMs(port.link.clock, 1000);
        if (!ReadChip(port, address, 1, slot))
            return;
    } else if (address == 0x1B) {
        // 0x1A and 0x1B are written together; 0x1B does not read back and is kept as 0.
        b[5] = GetImageByte(port.chips, 0x1A, slot);
        b[6] = value;
        if (!WriteChip(port, 0x1A, 2, slot))
            return;
        b[0] = 0;
    } else {
        if (!WriteChip(port, address, 1, slot) || !ReadChip(port, address, 1, slot))
            return;
    }
    StoreAndRefresh(port, address, b[0], slot);

    int entry = -1;
    if (address >= 0x3C && address <= 0x40)
        entry = address - 0x3C;
    else if (address == 0x30)
        entry = 5;
    const int set = port.scaleDmm.comFun;
    if (entry >= 0 && (set == 0 || set == 1))
        port.scaleDmm.sets[size_t(set)][size_t(entry)] = value;
}

bool SetupUartLink(LinkIo &io, UsbLink &link)
{
    if (!HandleValid(link.handle))
        return false;
    const uint8_t frame[6] = {0xC0, 0x00, 0x00, 0x06, 0x81, 0x02};
    std::copy(frame, frame + 6, io.buffer.begin());
    return LinkWrite(io, link, 6) && LinkRead(io, link, 1);
}

void PulseReset(LinkIo &io, const UsbLink &link)
{
    UsbLink own = link;
    const struct {
        uint8_t level;
        int32_t waitMs;
    } steps[3] = {{1, 100}, {0, 100}, {1, 2000}};
    for (const auto &step : steps) {
        io.buffer[0] = 0xB5;
        io.buffer[1] = 0x01;
        io.buffer[2] = step.level;
        if (!LinkWrite(io, own, 3) || !LinkRead(io, own, 1))
            return;
        WaitMs(io.clock, step.waitMs);
    }
}

bool ReadBoardStatus(LinkIo &io, UsbLink &link, uint8_t &b1, uint8_t &b2, uint8_t &b3)
{
    io.buffer[0] = 0xB5;
    io.buffer[1] = 0x07;
    io.buffer[2] = 0x00;
    if (!LinkWrite(io, link, 3) || !LinkRead(io, link, 4))
        return false;
    b1 = io.buffer[1];
    b2 = io.buffer[2];
    b3 = io.buffer[3];
    return true;
}

bool ReadBoardText(LinkIo &io, UsbLink &link, QString &text)
{
    std::fill(io.buffer.begin(), io.buffer.begin() + 8, uint8_t(0));
    io.buffer[0] = 0xF9;
    io.buffer[1] = kBoardText;
    if (!LinkWrite(io, link, 8) || !LinkRead(io, link, 8))
        return false;
    text = QString::fromLatin1(reinterpret_cast<const char *>(io.buffer.data()), 8);
    return true;
}

bool SleepChip(ChipPort &port)
{
    port.link.buffer[5] = 0xA5;
    return WriteChip(port, 0xFD, 1, 0);
}

} // namespace vek
