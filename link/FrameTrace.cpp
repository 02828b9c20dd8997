#include "link/FrameTrace.h"

#include "app/base/SafeFile.h"

#include <cmath>
#include <cstdio>

namespace vek {

FrameTrace::FrameTrace(Clock &clock, QString path)
    : m_clock(clock), m_path(std::move(path)), m_lastFlush(std::chrono::steady_clock::now())
{
}

FrameTrace::~FrameTrace()
{
    if (m_dirty)
        Flush();
}

QByteArray FrameTrace::TimeStamp() const
{
    // The clock counts local days; the fraction is the time of day.
    const double days = m_clock.NowDays();
    long long ms = std::llround((days - std::floor(days)) * kMsPerDay);
    if (ms >= 86400000LL)
        ms = 86400000LL - 1;
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld", ms / 3600000, ms / 60000 % 60,
                  ms / 1000 % 60, ms % 1000);
    return QByteArray(text);
}

void FrameTrace::Frame(Direction direction, const uint8_t *bytes, size_t count, bool ok)
{
    QByteArray line = TimeStamp();
    line += direction == Direction::ToBoard ? " -> " : " <- ";
    char head[24];
    std::snprintf(head, sizeof head, "%2zu%s", count, ok ? " " : " FAILED");
    line += head;
    static const char kHex[] = "0123456789ABCDEF";
    for (size_t i = 0; i < count; ++i) {
        line += ' ';
        line += kHex[bytes[i] >> 4];
        line += kHex[bytes[i] & 15];
    }
    line += '\n';
    m_text += line;
    m_dirty = true;
    MaybeFlush();
}

void FrameTrace::Note(const QString &text)
{
    m_text += TimeStamp() + " -- " + text.toUtf8() + '\n';
    m_dirty = true;
    MaybeFlush();
}

void FrameTrace::MaybeFlush()
{
    // The whole file is rewritten each time, so a long trace is written less often: one second
    // between writes, plus one more for every megabyte it holds.
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastFlush >= std::chrono::seconds(1 + m_text.size() / (1 << 20)))
        Flush();
}

bool FrameTrace::Flush()
{
    m_lastFlush = std::chrono::steady_clock::now();
    if (m_path.isEmpty())
        return true;
    const bool ok = WriteFileAtomically(m_path, m_text);
    if (ok)
        m_dirty = false;
    return ok;
}

} // namespace vek
