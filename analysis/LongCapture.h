#pragma once
// A streamed capture of any length (up to 10^9 samples or a duration), its figures kept by
// StreamingStats as the blocks arrive, in constant memory; the codes optionally streamed to a file
// that is written whole or not at all.
#include "analysis/Acquisition.h"
#include "analysis/StreamingStats.h"

#include <QString>
#include <functional>

namespace vek {

enum class CodeStreamFormat { BinaryInt32, Text };

struct LongCaptureOptions {
    int64_t samples = 0;         // stop after this many kept samples (0: only the duration)
    double durationSeconds = 0;  // stop after this long (0: only the count)
    QString streamPath;          // the codes as they arrive; empty: none
    CodeStreamFormat streamFormat = CodeStreamFormat::BinaryInt32; // little-endian int32, or one a line
    int32_t idleTimeoutMs = 3000;
    std::function<void()> pumpMessages;               // between blocks
    std::function<bool()> stopRequested;              // polled between blocks
    std::function<void(const StreamingStats &)> progress; // after every block
    std::function<void(std::span<const int32_t> codes)> codesArrived; // every block's kept codes
};

struct LongCaptureRun {
    bool ok = false;      // reached its count or duration
    bool stopped = false; // stopped first: what came so far is kept
    QString error;
    double elapsedMs = 0;
};

// The largest count a long capture takes.
constexpr int64_t kLongCaptureMaxSamples = 1000000000;

LongCaptureRun RunLongCapture(ChipPort &chip, InterfaceKind kind, StreamingStats &stats, const LongCaptureOptions &options);

} // namespace vek
