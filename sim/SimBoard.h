#pragma once
// The simulated evaluation board as a device: the chip memory, the frame protocol, the replies
// waiting to be read, the plug state, and the faults a test can switch on.
#include "sim/BoardProtocol.h"
#include "sim/SimChipMemory.h"
#include "app/base/Clock.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace vek::sim {

struct SimFaults {
    bool noReply = false;        // frames are taken but never answered
    bool shortReply = false;     // every reply comes back one byte short
    bool garbledReply = false;   // every reply byte comes back inverted
    bool wrongIdentity = false;  // the identity command answers with another text
    int unplugAfterFrames = -1;  // the board disappears right after this many frames (-1 never)
    int replugAfterMs = -1;      // an unplugged board comes back after this long on `clock` (-1 never)
};

class SimBoard {
public:
    SimBoard();
    SimBoard(const SimBoard &) = delete;
    SimBoard &operator=(const SimBoard &) = delete;

    SimChipMemory memory;
    BoardProtocol protocol;
    SimFaults faults;
    // The time base of faults.replugAfterMs.
    const Clock *clock = nullptr;

    // Transport side. A frame arrives (false when the board is unplugged).
    bool Receive(const uint8_t *frame, size_t length);
    // The oldest reply waiting; false when none waits or the board is unplugged.
    bool TakeReply(std::vector<uint8_t> &reply);

    // Whether the board is there now (an unplugged board comes back once replugAfterMs has passed).
    bool Plugged();
    // Pulls the board out: the replies waiting are lost and every open handle goes dead.
    void Unplug();
    // Plugs it in again: a fresh power-up with a free board number and no replies waiting.
    void Plug();
    // Changes with every plug-in, so a handle opened before an unplug stays dead.
    int Generation() const { return m_generation; }

    // Frames since the last plug-in, and the most recent frames received (oldest first).
    int FramesReceived() const { return m_frames; }
    const std::deque<std::vector<uint8_t>> &FrameLog() const { return m_log; }
    void ClearFrameLog() { m_log.clear(); }
    // Keep copies of received frames for tests (off for benchmarks).
    bool keepFrameLog = true;

private:
    std::deque<std::vector<uint8_t>> m_replies;
    std::deque<std::vector<uint8_t>> m_log;
    bool m_plugged = true;
    double m_unpluggedAtDays = 0;
    int m_generation = 1;
    int m_frames = 0;
};

} // namespace vek::sim
