#pragma once
// The link-independent parts of a capture: turning received bytes into samples, the counts and
// the gauge, the finish bookkeeping, and the samples of a block the chip buffered in its RAM.
// A capture over any link is: BeginCapture, then DecodeBlock for every block of bytes the link
// delivers, until CaptureDone, then FinishCapture.
#include "analysis/SampleStore.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace vek {

// One sample word: three bytes, least significant first, two's complement over 24 bits.
int32_t DecodeSampleCode(uint8_t low, uint8_t middle, uint8_t high);
// code / divisor with the magnitude divided and the sign put back (toward zero).
int32_t ScaleTowardZero(int32_t code, int32_t divisor);

// Samples a capture asks for: the chosen count, 256 when below 1, never more than the arrays hold.
int32_t CaptureTarget(int32_t targetCount);
// Percentage for the progress gauge (0..100).
int GaugePercent(int32_t sampleCount, int32_t target);
// The first samples of every streamed capture are thrown away.
constexpr int kDroppedSamples = 6;

// Clears the first `count` grid cells and entries of the sample arrays (at most the capacity).
void ClearSamples(SampleStore &store, int32_t count);

// Clears what the target covers, zeroes the sums and counters, and notes the start time.
// Does not touch CaptureIdle: the caller marks the capture running.
void BeginCapture(SampleStore &store, double nowDays);

struct DecodedRange {
    int32_t first = 0;  // index of the first sample stored by this block
    int32_t stored = 0; // samples stored
};

// Decodes a block of received bytes. Every three bytes form a sample; bytes left over at the end
// of a block are kept and completed by the next block, so a block boundary never shifts the
// stream. The first six samples of a capture are dropped; each later one is stored at
// SampleCount (code, transform input, second copy, grid cell with the scaled value) and added to
// the sums. Samples beyond the capacity of the arrays are counted but not stored.
DecodedRange DecodeBlock(SampleStore &store, const uint8_t *bytes, std::size_t n);

// True when the capture has what it asked for or was asked to stop.
bool CaptureDone(const SampleStore &store);

// The end of every capture, normal, stopped or failed: elapsed time and bin spacing; the mean and
// the RMS value from the sums (only when samples were kept); the chart count. Marks the capture
// idle. Returns true only for a capture that reached its target without a stop or a failure.
bool FinishCapture(SampleStore &store, double nowDays, bool linkFailed);

// Where the chip's firmware leaves a buffered block of samples in its RAM.
enum class RamBlockLayout {
    SmallModel, // 16 samples from 0xC0 (the two smallest models)
    Banked,     // 41 samples from 0x103, then 85 from 0x200 when the second bank exists
};

// Decodes the buffered block from the chip image (no samples dropped) into the arrays, grid and
// sums, starting from an empty capture. Returns the number of samples stored.
int32_t DecodeRamBlock(SampleStore &store, std::span<const uint8_t> image, RamBlockLayout layout,
                       bool bank2Present);

} // namespace vek
