#include "sim/instruments/LoopbackPort.h"

#include <algorithm>
#include <cstring>

namespace vek::sim {

LoopbackPort::LoopbackPort(Clock &clock, std::shared_ptr<LoopbackLine> line)
    : m_clock(clock), m_line(std::move(line))
{
    m_line->open = true;
    ++m_line->opens;
    m_line->events << QStringLiteral("open");
}

LoopbackPort::~LoopbackPort()
{
    m_line->open = false;
    m_line->events << QStringLiteral("close");
}

void LoopbackPort::Deliver()
{
    const double now = m_clock.NowDays();
    while (!m_line->scheduled.empty() && m_line->scheduled.front().dueDays <= now) {
        m_line->input += m_line->scheduled.front().bytes;
        m_line->scheduled.pop_front();
    }
}

bool LoopbackPort::GetCommState(CommSettings &settings)
{
    if (m_line->vanished)
        return false;
    settings = m_line->settings;
    return true;
}

bool LoopbackPort::SetCommState(const CommSettings &s)
{
    if (m_line->vanished || s.baudRate == 0 || s.byteSize < 5 || s.byteSize > 8)
        return false;
    m_line->settings = s;
    m_line->events << QStringLiteral("state %1 %2 %3 %4")
                          .arg(s.baudRate)
                          .arg(s.byteSize)
                          .arg(s.parity)
                          .arg(s.stopBits);
    return true;
}

bool LoopbackPort::ClearCommError(CommStatus &status)
{
    if (m_line->vanished)
        return false;
    Deliver();
    status.inQueue = uint32_t(m_line->input.size());
    status.errors = m_line->pendingErrors;
    m_line->pendingErrors = 0;
    return true;
}

bool LoopbackPort::SetDtr(bool on)
{
    if (m_line->vanished)
        return false;
    m_line->dtr = on;
    m_line->events << QStringLiteral("dtr %1").arg(on ? 1 : 0);
    return true;
}

bool LoopbackPort::PurgeInput()
{
    if (m_line->vanished)
        return false;
    Deliver();
    m_line->input.clear();
    m_line->events << QStringLiteral("purge");
    return true;
}

int LoopbackPort::Read(uint8_t *buffer, int max)
{
    if (m_line->vanished)
        return -1;
    Deliver();
    const int n = std::min(max, int(m_line->input.size()));
    if (n <= 0)
        return 0;
    std::memcpy(buffer, m_line->input.constData(), size_t(n));
    m_line->input.remove(0, n);
    return n;
}

int LoopbackPort::Write(const uint8_t *data, int count)
{
    if (m_line->vanished)
        return -1;
    if (count <= 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data), count);
    m_line->written += bytes;
    m_line->events << QStringLiteral("write %1").arg(count);
    if (m_line->protocol) {
        const double now = m_clock.NowDays();
        for (const TimedReply &r : m_line->protocol->Feed(bytes))
            m_line->scheduled.push_back({now + r.delayMs / kMsPerDay, r.bytes});
        std::stable_sort(m_line->scheduled.begin(), m_line->scheduled.end(),
                         [](const auto &a, const auto &b) { return a.dueDays < b.dueDays; });
    }
    return count;
}

std::shared_ptr<LoopbackLine> LoopbackBench::Attach(const QString &comName,
                                                    std::shared_ptr<InstrumentProtocol> protocol)
{
    auto line = std::make_shared<LoopbackLine>();
    line->protocol = std::move(protocol);
    m_lines[ComNameMap::CanonicalName(comName)] = line;
    return line;
}

std::shared_ptr<LoopbackLine> LoopbackBench::Line(const QString &comName) const
{
    const auto it = m_lines.find(ComNameMap::CanonicalName(comName));
    return it != m_lines.end() ? it->second : nullptr;
}

SerialPorts::Opener LoopbackBench::Opener()
{
    return [this](const QString &comName) -> std::unique_ptr<SerialPort> {
        std::shared_ptr<LoopbackLine> line = Line(comName);
        if (!line || line->open || line->vanished)
            return nullptr;
        return std::make_unique<LoopbackPort>(m_clock, line);
    };
}

} // namespace vek::sim
