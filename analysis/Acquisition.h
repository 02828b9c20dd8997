#pragma once
// The streamed capture over the board link: the chip's firmware is told to stream conversion
// results (bit 1 of its mode byte at 0xF0), then the program asks the board again and again how
// many result bytes it holds and fetches them, until the capture has its samples or is stopped.
// Runs on the caller's thread; between blocks it lets the caller pump window messages, which is
// where a stop request (SampleStore::CaptureIdle set) arrives.
#include "analysis/Capture.h"
#include "link/ChipAccess.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>

namespace vek {

// Chip RAM: the firmware's mode byte and its bits.
constexpr uint16_t kCaptureModeAddress = 0xF0;
constexpr uint8_t kStreamBit = 0x02;
constexpr uint8_t kBlockCaptureBit = 0x04;
// Request codes of the device loop (second frame byte).
constexpr uint8_t kCountRequest = 0x81;
constexpr uint8_t kFetchRequest = 0x82;

// The route byte of the count and fetch frames on the SPI and Special links.
uint8_t StreamRouteByte(InterfaceKind kind, bool photo);

struct AcquisitionIo {
    explicit AcquisitionIo(ChipPort &c) : chip(c) {}
    ChipPort &chip;
    InterfaceKind kind = InterfaceKind::SPI;
    int slot = 0;
    // After every decoded block: the range stored and the number of bytes it came in.
    std::function<void(const DecodedRange &range, int byteCount)> blockDecoded;
    // Shows (visible) or hides the progress gauge.
    std::function<void(bool visible, int percent)> gauge;
    // Lets pending window messages run (a stop click among them).
    std::function<void()> pumpMessages;
    // Gives up when the board has delivered nothing for this long (0: wait until stopped). The
    // window leaves it 0 because the user can stop there; a program without a user sets it.
    int32_t idleTimeoutMs = 0;
    // When the board has nothing yet, ask again after this pause rather than at once, so a slow
    // converter does not keep the processor busy with requests.
    int32_t emptyPollMs = 1;
};

// Why a capture ended.
enum class CaptureEnd { Complete, Stopped, LinkFailed, NoData, NotSupported };

struct CaptureOutcome {
    CaptureEnd end = CaptureEnd::LinkFailed;
    bool ok() const { return end == CaptureEnd::Complete; }
};

// The streamed capture (ReadADCALL) on the device links SPI, Special and UART, on the parallel
// port (count 0x81 and fetch 0x82 n in frames of the port's byte operations) and on the chip's
// own COM port (RS232: acknowledge 0x55/0xAA, count 0x81, fetch 0x82 n, 50 ms between passes). Takes the sample count, width and buffers from
// `store`. On a normal end and on a stop the streaming bit is cleared again; after a failure it
// is cleared too where the link still answers, and the gauge is hidden and the capture marked
// idle either way, so the next click starts a new capture.
CaptureOutcome ReadADCALL(AcquisitionIo &io, SampleStore &store);

// The block capture's trigger: sets bit 2 of the mode byte (read, OR 0x04, write).
bool TMPTRIGER(ChipPort &chip, int slot);

// Waits the given number of seconds (at least 1) in steps of 100 ms; after each step `tick`
// receives the whole seconds elapsed (to show them and let window messages run).
void WaitTRIGER(Clock &clock, int seconds, const std::function<void(int elapsedSeconds)> &tick);

// The seconds of the hidden "Wait" edit: its integer value, 15 when it is not one, 1 below 1.
int BlockWaitSeconds(const QString &text);

struct BlockCaptureIo {
    BlockCaptureIo(ChipPort &c) : chip(c) {}
    ChipPort &chip;
    int slot = 0;
    InterfaceKind kind = InterfaceKind::SPI;
    RamBlockLayout layout = RamBlockLayout::Banked;
    bool bank1Present = false;
    bool bank2Present = false;
    int waitSeconds = 15;
    // Seconds elapsed while waiting for the firmware.
    std::function<void(int elapsedSeconds)> waitTick;
    // Disables the button that started the capture while the firmware fills its block.
    std::function<void(bool enabled)> setBusy;
};

// Triggers the firmware's block capture and waits until it has cleared the request (re-reading
// the mode byte after every wait). False when a read or the trigger fails.
bool TriggerBlockCapture(BlockCaptureIo &io);
// Reads the buffered block into the chip image of the slot (TmpRAMADC's reads). False when any
// read fails; the image then holds what was read before the failure.
bool ReadRamBlock(BlockCaptureIo &io);

} // namespace vek
