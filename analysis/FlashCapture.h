#pragma once
// The board-buffered capture: the chip records a series of conversion results on its own side at
// its full data rate, the board reports when the recording is complete, and the program reads the
// series back through the chip's transfer window in chunks of 16 samples. The samples end up in
// the same arrays, grid and sums as a streamed capture.
//
// Chip registers: 0xD2 (bit 7 clear request, bit 5 start recording), 0xA4 (bit 3 transfer
// request; bits 4-6 cleared before recording), 0x170 byte offset and 0x173 byte count (24 bits,
// low byte first), 0x177 recording kind, 0x100 the transfer window, 0x23 (bit 6 off during the
// read-out), 0xF0 (bit 1 cleared at the end).
#include "analysis/Capture.h"
#include "analysis/Statistics.h"
#include "link/ChipAccess.h"

#include <QString>
#include <functional>

namespace vek {

constexpr int kFlashChunkBytes = 48;

struct FlashCaptureIo {
    explicit FlashCaptureIo(ChipPort &c) : chip(c) {}
    ChipPort &chip;
    int slot = 0;
    // Lets window messages run (a stop request among them: SampleStore::CaptureIdle set).
    std::function<void()> pumpMessages;
    std::function<void(int field, const QString &text)> status;
    std::function<void(bool visible, int percent)> gauge;
    // After every decoded chunk: the samples stored and the chunk's byte count.
    std::function<void(const DecodedRange &range, int byteCount)> blockDecoded;
    // Longest wait for the chip to clear 0xD2 bit 7 or 0xA4 bit 3.
    int32_t bitWaitMs = 2000;
    // The converter's data rate when the caller knows it (0: not known). The wait for the
    // recording follows the sample count: at this rate, or else at the slowest the converter
    // offers, with room to spare (see RecordingLimitMs).
    double dataRateHz = 0;
    // Longest wait for the recording; 0: RecordingLimitMs for the capture's sample count.
    double recordLimitMs = 0;
    // Shortest pause between two board status polls while the chip records; the pause grows to
    // a hundredth of the time waited so far (at most a second), which keeps the recording's
    // measured duration within 1 %.
    int32_t statusPollMs = 20;
    // Why the last capture failed, in the user's words (empty after a success).
    QString failure;
};

// The converter's slowest setting (oversampling 32768 on the halved clock of 1.31 MHz, divider
// 128) gives one result every 3.2 s.
constexpr double kSlowestConversionMs = 3200.0;
// The longest a recording of `samples` results may take: 1.5 times its duration at the given
// rate (at the slowest rate when 0) and a minute more.
double RecordingLimitMs(int samples, double dataRateHz);

// The status bit that tells a complete recording: bit 4 on an "ENOB" board with the optocoupler
// path, bit 5 otherwise.
uint8_t FlashDoneBit(const QString &boardText, bool photo);

// The capture (ReadADFlash). The chip records (target + 6) x 3 bytes; the read-out takes them in
// chunks of 48 bytes with its own byte offset, so the six samples dropped at the start are read
// once and every recorded sample is stored once. Every wait has a limit and ends on a stop.
// Once the read-out has begun, every exit puts back 0x23 and clears bit 1 of 0xF0. True when the
// target was reached without a stop or a failure; only then are the mean and RMS value set.
bool ReadADFlash(FlashCaptureIo &io, SampleStore &store);

// The measurement (BFlashRDCOM): the capture, then the spectrum and the figures ("Read
// Compelete" in status field 2), or "Read Error !!!!!" and no figures, with the reason in status
// field 0. A zero peak-to-peak count
// is kept as 0. True when the capture succeeded.
bool BFlashRDCOM(FlashCaptureIo &io, SampleStore &store, const MeasureSettings &settings,
                 AnalysisResults &results, Figures *figures = nullptr);

} // namespace vek
