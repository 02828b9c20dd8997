#pragma once
// The channel switch test's board traffic: sending the sets and run parameters into chip RAM,
// the run itself (start request, preparation, the wait for the chip's test program, the fetch of
// the results in blocks) and the placement of the results into the sets.
//
// Chip RAM used: 0x120 S, 0x122 L (low byte first), 0x124 C (checked channels), 0x128 the check
// pattern, 0x130 and 0x150 the sets' first eight register values (four sets each). The chip
// runs the sets in the first C slots, so the checked channels' sets go there in channel order,
// and the r-th result rank belongs to the r-th checked channel.
#include "bench/SwitchTest.h"
#include "link/ChipAccess.h"

#include <QString>
#include <cstdint>
#include <functional>

namespace vek {

constexpr uint16_t kSwitchSamplesAddress = 0x120;
constexpr uint16_t kSwitchLoopsAddress = 0x122;
constexpr uint16_t kSwitchCountAddress = 0x124;
constexpr uint16_t kSwitchPatternAddress = 0x128;
constexpr uint16_t kSwitchSetsLowAddress = 0x130;
constexpr uint16_t kSwitchSetsHighAddress = 0x150;
// 0xA4 bit 4 selects the channel switch test.
constexpr uint8_t kSwitchTestBit = 0x10;

// Board status (first byte) once the chip's test program has finished: bit 5, or bit 4 when
// the board text begins with "ENOB" and the optocoupler path is chosen.
uint8_t SwitchDoneBit(const QString &boardText, bool photo);

// Sends the check pattern (read back and compared), the sets, S, L and C. False on any failed
// transfer or a pattern that does not read back.
bool SendTOZR200WR(ChipPort &chip, const SwitchTest &t, int slot);
// Port 2 bit 3 driven low: 0x75 bit 3 set, 0x74 bit 3 cleared.
void PT2OUTLOW(ChipPort &chip, int slot);

// Bytes of the next block request when `remaining` results are still to come.
int SwitchBlockBytes(int remaining);
// Decodes one block of 3-byte results (low, middle, high; two's complement) and stores them,
// scaled by the divisor toward zero, at their set and position. q counts the results received
// so far and grows by one per result; per loop come the checked channels' S results each.
void PlaceSwitchResults(const uint8_t *bytes, int count, int &q, const std::vector<int> &channels,
                        int samples, int32_t divisor, SwitchTest &t);

// Whole seconds between two clock readings as the status bar shows them: hours x 3600 +
// minutes x 60 + seconds of the time elapsed (whole days dropped).
int ElapsedWholeSeconds(double startDays, double nowDays);

struct SwitchRunIo {
    explicit SwitchRunIo(ChipPort &c) : chip(c) {}
    ChipPort &chip;
    int slot = 0;
    int32_t scaleDivisor = 1;
    // The window's stop flag: cleared when the run starts, set by STOP.
    bool *stop = nullptr;
    // Lets window messages run (the window repaints, a STOP click arrives).
    std::function<void()> pump;
    std::function<void(int field, const QString &text)> status;
    std::function<void(bool visible, int percent)> gauge;
    // Empties the result grid (ClearSGD).
    std::function<void()> clearGrid;
    // Longest wait for the chip to clear a request bit.
    int32_t pollLimitMs = 5000;
};

enum class SwitchRunEnd {
    NotStarted,  // the board text could not be read: nothing happened
    Failed,      // "Test Fail" before any result came
    Complete,    // every result fetched
    Stopped,     // STOP during the fetch: the results so far are kept
    FetchFailed, // a block could not be fetched: "Test Fail", the results so far are kept
};

struct SwitchRunOutcome {
    SwitchRunEnd end = SwitchRunEnd::NotStarted;
    int received = 0;
    int total = 0;
    // The grid shows the step's results afterwards.
    bool ShowsResults() const
    {
        return end == SwitchRunEnd::Complete || end == SwitchRunEnd::Stopped || end == SwitchRunEnd::FetchFailed;
    }
};

// One run ("Begin").
SwitchRunOutcome RunSwitchTest(SwitchRunIo &io, SwitchTest &t);

} // namespace vek
