#include "sim/SimChipMonitor.h"

#include <algorithm>

namespace vek::sim {

void SimChipMonitor::Reply(Replies &out, QByteArray bytes)
{
    if (faults.silent)
        return;
    out.push_back({replyDelayMs, std::move(bytes)});
}

Replies SimChipMonitor::Feed(const QByteArray &input)
{
    Replies out;
    m_pending += input;
    auto byteAt = [&](int i) { return uint8_t(m_pending.at(i)); };
    auto limited = [&](QByteArray data) {
        if (faults.dataLimit >= 0 && data.size() > faults.dataLimit)
            data.truncate(faults.dataLimit);
        return data;
    };
    while (!m_pending.isEmpty()) {
        const uint8_t op = byteAt(0);
        if (op == 0x55) {
            m_pending.remove(0, 1);
            m_awake = true;
            Reply(out, QByteArray(1, char(faults.ackByte)));
            continue;
        }
        if (!m_awake) {
            m_pending.remove(0, 1);
            continue;
        }
        if (op == 0xC0 || op == 0x40) {
            if (m_pending.size() < 4)
                break;
            const uint32_t address = uint32_t(byteAt(1)) | uint32_t(byteAt(2)) << 8;
            const int n = byteAt(3);
            if (op == 0x40 && m_pending.size() < 4 + n)
                break;
            if (op == 0xC0) {
                QByteArray data;
                for (int i = 0; i < n; ++i)
                    data.append(char(m_memory.Read(address + uint32_t(i))));
                data = limited(data);
                data.append(QByteArray(std::max(0, faults.extraBytes), char(0x5E)));
                Reply(out, data);
                m_pending.remove(0, 4);
            } else {
                for (int i = 0; i < n; ++i)
                    m_memory.Write(address + uint32_t(i), byteAt(4 + i));
                if (faults.writeAck >= 0)
                    Reply(out, QByteArray(1, char(faults.writeAck)));
                m_pending.remove(0, 4 + n);
            }
            m_awake = false;
            continue;
        }
        if (op == 0x81) {
            m_pending.remove(0, 1);
            const uint8_t count = m_adc ? m_adc->OfferCount(kStreamBlockBytes) : 0;
            if (!faults.countUnanswered)
                Reply(out, QByteArray(1, char(count)));
            m_awake = false;
            continue;
        }
        if (op == 0x82) {
            if (m_pending.size() < 2)
                break;
            const size_t n = byteAt(1);
            m_pending.remove(0, 2);
            QByteArray data;
            if (m_adc) {
                const std::vector<uint8_t> bytes = m_adc->TakeStreamBytes(n);
                data = QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
            }
            Reply(out, limited(data));
            m_awake = false;
            continue;
        }
        // Not a command: skipped, and the monitor waits for the next handshake.
        m_pending.remove(0, 1);
        m_awake = false;
    }
    return out;
}

} // namespace vek::sim
