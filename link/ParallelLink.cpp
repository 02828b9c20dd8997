#include "link/ParallelLink.h"

#include <functional>

namespace vek {

namespace {

constexpr int kAttempts = 4;      // each register access
constexpr int kAccessPauseMs = 50; // after a chip read or write
constexpr uint8_t kCountCommand = 0x81;
constexpr uint8_t kFetchCommand = 0x82;

// Runs the body of one frame: BeginFrame, the body, EndFrame. After a failure inside, the frame
// is still ended where the port allows, so the chip is not left waiting in the middle of one.
bool InFrame(ParallelLink &link, const std::function<bool()> &body)
{
    if (!link.BeginFrame())
        return false;
    const bool ok = body();
    return link.EndFrame() && ok;
}

// A byte out, then the pause.
bool Out(ParallelLink &link, uint8_t byte)
{
    return link.SendByte(byte) && link.PortWait(kParallelBytePause);
}

bool In(ParallelLink &link, uint8_t &byte)
{
    return link.ReceiveByte(byte) && link.PortWait(kParallelBytePause);
}

// Command byte and the two address bytes of a chip read or write, each followed by the pause.
bool Command(ParallelLink &link, uint8_t command, uint16_t address)
{
    return link.PortWait(kParallelBytePause) && Out(link, command) && Out(link, uint8_t(address)) &&
           Out(link, uint8_t(address >> 8));
}

} // namespace

QString ParallelOpeningText(const ParallelOpening &o, uint16_t base)
{
    // Short enough for the status field: "LPT" as in the setup dialog's port list.
    QString text = QStringLiteral("LPT ") + (o.device.isEmpty() ? QStringLiteral("(none)") : o.device);
    switch (o.error) {
    case ParallelOpenError::None:
        break;
    case ParallelOpenError::Missing:
        text += QStringLiteral(" missing");
        break;
    case ParallelOpenError::Permission:
        text += QStringLiteral(": permission denied");
        break;
    case ParallelOpenError::Busy:
        text += QStringLiteral(" busy");
        break;
    case ParallelOpenError::Failed:
        text += QStringLiteral(" cannot be opened");
        if (!o.reason.isEmpty())
            text += QStringLiteral(" (") + o.reason + ')';
        break;
    }
    if (o.fallback)
        text += QStringLiteral(" (no port at 0x%1)").arg(QString::number(base, 16).toUpper());
    return text;
}

bool KnownParallelBase(uint16_t base)
{
    return base == 0x378 || base == 0x278 || base == 0x3BC;
}

bool ParallelLink::OpenParallel(uint16_t base)
{
    if (m_port && m_base == base)
        return true;
    Close();
    if (!platform) {
        m_status = QStringLiteral("LPT missing");
        return false;
    }
    ParallelOpening opening = platform->Open(base);
    m_status = ParallelOpeningText(opening, base);
    if (opening.port && opening.error != ParallelOpenError::None)
        opening.port.reset();
    m_port = std::move(opening.port);
    m_base = base;
    return m_port != nullptr;
}

bool ParallelLink::InitParallel(uint16_t base)
{
    if (!OpenParallel(base))
        return false;
    if (!KnownParallelBase(base))
        return true;
    bool ok = false;
    for (int i = 0; i < kAttempts && !ok; ++i)
        ok = m_port->SetByteMode();
    uint8_t c = 0;
    ok = ok && WritePort(base, 0) && Control(c) && SetControl(uint8_t((c & 0xD0) | 0x06));
    if (!ok)
        m_status += QStringLiteral(": the port could not be prepared");
    return ok;
}

void ParallelLink::Close()
{
    m_port.reset();
}

bool ParallelLink::ReadPort(uint16_t port, uint8_t &value)
{
    const int offset = int(port) - int(m_base);
    if (!m_port || offset < 0 || offset > 2)
        return false;
    for (int i = 0; i < kAttempts; ++i)
        if (m_port->Read(ParallelRegister(offset), value))
            return true;
    return false;
}

bool ParallelLink::WritePort(uint16_t port, uint8_t value)
{
    const int offset = int(port) - int(m_base);
    if (!m_port || offset < 0 || offset > 2)
        return false;
    for (int i = 0; i < kAttempts; ++i)
        if (m_port->Write(ParallelRegister(offset), value))
            return true;
    return false;
}

bool ParallelLink::SendByte(uint8_t byte)
{
    uint8_t c = 0;
    if (!Control(c))
        return false;
    for (int bit = 7; bit >= 0; --bit) {
        c = uint8_t((c & 0xFE) | ((byte >> bit) & 1));
        if (!SetControl(c))
            return false;
        c |= kParallelClock;
        if (!SetControl(c))
            return false;
        c &= uint8_t(~kParallelClock);
        if (!SetControl(c))
            return false;
    }
    return true;
}

bool ParallelLink::ReceiveByte(uint8_t &byte)
{
    uint8_t c = 0;
    if (!Control(c))
        return false;
    uint8_t result = 0;
    for (int bit = 7; bit >= 0; --bit) {
        c |= kParallelClock;
        uint8_t status = 0;
        if (!SetControl(c) || !ReadPort(uint16_t(m_base + 1), status))
            return false;
        result = uint8_t((result << 1) | ((status & kParallelDataIn) ? 1 : 0));
        c &= 0xF7;
        if (!SetControl(c))
            return false;
    }
    byte = result;
    return true;
}

bool ParallelLink::BeginFrame()
{
    uint8_t c = 0;
    if (!Control(c))
        return false;
    c = uint8_t(((c & 0xF5) | kParallelFrame) & ~kParallelDataOut);
    if (!SetControl(c))
        return false;
    return SetControl(uint8_t(c & ~kParallelFrame));
}

bool ParallelLink::EndFrame()
{
    uint8_t c = 0;
    return Control(c) && SetControl(uint8_t(c | kParallelFrame));
}

bool ParallelLink::PortWait(int count)
{
    uint8_t data = 0;
    for (int i = 0; i <= count; ++i)
        if (!ReadPort(m_base, data))
            return false;
    return true;
}

bool ParallelChipRead(ParallelLink *link, TransferBuffer &buffer, Clock &clock, uint16_t address, int count)
{
    if (!link || !link->IsOpen() || count < 1 || count > int(buffer.size()))
        return false;
    const bool ok = InFrame(*link, [&] {
        if (!Command(*link, kParallelReadCommand, address))
            return false;
        for (int i = 0; i < count; ++i)
            if (!In(*link, buffer[size_t(i)]))
                return false;
        return true;
    });
    if (!ok)
        return false;
    WaitMs(clock, kAccessPauseMs);
    return true;
}

bool ParallelChipWrite(ParallelLink *link, TransferBuffer &buffer, Clock &clock, uint16_t address, int count)
{
    if (!link || !link->IsOpen() || count < 1 || count + 5 > int(buffer.size()))
        return false;
    const bool ok = InFrame(*link, [&] {
        if (!Command(*link, kParallelWriteCommand, address))
            return false;
        for (int i = 0; i < count; ++i)
            if (!Out(*link, buffer[size_t(5 + i)]))
                return false;
        return true;
    });
    if (!ok)
        return false;
    // As after a read: the chip gets its 50 ms before the next frame.
    WaitMs(clock, kAccessPauseMs);
    return true;
}

bool ParallelStreamCount(ParallelLink &link, int &n)
{
    uint8_t count = 0;
    const bool ok = link.IsOpen() && InFrame(link, [&] {
        return link.PortWait(kParallelBytePause) && Out(link, kCountCommand) && In(link, count);
    });
    if (ok)
        n = count;
    return ok;
}

bool ParallelStreamFetch(ParallelLink &link, int n, uint8_t *out)
{
    if (!link.IsOpen() || n < 0 || n > 255)
        return false;
    return InFrame(link, [&] {
        if (!link.PortWait(kParallelBytePause) || !Out(link, kFetchCommand) || !Out(link, uint8_t(n)))
            return false;
        for (int i = 0; i < n; ++i)
            if (!In(link, out[i]))
                return false;
        return true;
    });
}

} // namespace vek
