#include "sim/SimBoard.h"

namespace vek::sim {

namespace {
constexpr size_t kMaxLoggedFrames = 4096;
constexpr size_t kMaxWaitingReplies = 256;
} // namespace

SimBoard::SimBoard() : protocol(memory) {}

bool SimBoard::Plugged()
{
    if (!m_plugged && faults.replugAfterMs >= 0 && clock &&
        (clock->NowDays() - m_unpluggedAtDays) * 86400000.0 >= faults.replugAfterMs)
        Plug();
    return m_plugged;
}

bool SimBoard::Receive(const uint8_t *frame, size_t length)
{
    if (!Plugged())
        return false;
    ++m_frames;
    if (keepFrameLog) {
        m_log.emplace_back(frame, frame + length);
        if (m_log.size() > kMaxLoggedFrames)
            m_log.pop_front();
    }
    std::vector<uint8_t> reply = protocol.Handle(frame, length);
    if (faults.wrongIdentity && length >= 2 && frame[0] == 0xF9 && frame[1] == 0xAC)
        reply = {'Q', 'u', 'o', 'r', 'v', 'a', 's', 's'};
    if (faults.garbledReply)
        for (uint8_t &b : reply)
            b = uint8_t(~b);
    if (faults.shortReply && !reply.empty())
        reply.pop_back();
    if (!reply.empty() && !faults.noReply && m_replies.size() < kMaxWaitingReplies)
        m_replies.push_back(std::move(reply));
    if (faults.unplugAfterFrames >= 0 && m_frames >= faults.unplugAfterFrames)
        Unplug();
    return true;
}

bool SimBoard::TakeReply(std::vector<uint8_t> &reply)
{
    if (!Plugged() || m_replies.empty())
        return false;
    reply = std::move(m_replies.front());
    m_replies.pop_front();
    return true;
}

void SimBoard::Unplug()
{
    m_plugged = false;
    m_unpluggedAtDays = clock ? clock->NowDays() : 0;
    m_replies.clear();
}

void SimBoard::Plug()
{
    m_plugged = true;
    ++m_generation;
    m_frames = 0;
    m_replies.clear();
    faults.unplugAfterFrames = -1;
    protocol.state.boardNumber = 0xFFFF;
    protocol.state.resetLineHigh = true;
}

} // namespace vek::sim
