#pragma once
// The channel switch test's data: eight channel sets (a snapshot of eleven ADC registers each,
// the samples per acquisition S, the loop count L and the results of the last run), which sets
// take part, the list positions of S and L and the step shown; the settings file "StepADC.txt"
// that keeps them between runs, and the result files "VekADCSW0.CSV" .. "VekADCSW7.CSV".
#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace vek {

constexpr int kSwitchChannels = 8;
constexpr int kSetRegisterCount = 11;
// Registers a set captures and restores, in this order; the first eight go to the chip.
constexpr std::array<uint8_t, kSetRegisterCount> kSetRegisters = {0x31, 0x30, 0x37, 0x3C, 0x3D, 0x3E,
                                                                  0x3F, 0x40, 0x32, 0x49, 0x34};
constexpr int kSentRegisterCount = 8;
// The address line as the settings file writes it (the reader ignores it).
constexpr std::array<uint8_t, kSetRegisterCount> kStepFileAddressLine = {49, 50, 55, 60, 61, 62,
                                                                         63, 64, 48, 73, 52};
// Room for the largest run: 64 samples x 256 loops per set.
constexpr int kMaxSwitchResults = 64 * 256;
// S and L for list positions outside their lists (no selection).
constexpr int kDefaultSwitchCount = 4;
constexpr int kSampleChoices = 7; // "1" .. "64"
constexpr int kLoopChoices = 9;   // "1" .. "256"

struct ChannelSet {
    std::array<uint8_t, kSetRegisterCount> addresses = kSetRegisters;
    std::array<uint8_t, kSetRegisterCount> values{};
    uint8_t samples = kDefaultSwitchCount; // S
    uint16_t loops = 1;                     // L
    std::vector<int32_t> results = std::vector<int32_t>(kMaxSwitchResults, 0);
};

struct SwitchTest {
    std::array<ChannelSet, kSwitchChannels> sets;
    std::array<bool, kSwitchChannels> checked{};
    int evStepIndex = 2;   // "4"
    int loopStepIndex = 0; // "1"
    int currentStep = 0;

    int Samples() const { return sets[0].samples; }
    int Loops() const { return sets[0].loops; }
    // The checked channels, in channel order; their number is C.
    std::vector<int> CheckedChannels() const;
};

// S for a position of the samples list (1, 2, 4, .., 64) and L for a position of the loop list
// (1, 2, 4, .., 256); any other position gives 4.
int SamplesForIndex(int index);
int LoopsForIndex(int index);
// Stores S (or L) from the list position in all eight sets.
void ApplySampleIndex(SwitchTest &t, int index);
void ApplyLoopIndex(SwitchTest &t, int index);

// The step shown for a requested step: the step itself, or 0 when its channel is not checked
// (then it has no results of its own). Every checked channel gets its own results, whichever
// channels before it are unchecked.
int ShownStep(const SwitchTest &t, int step);

// The twelve lines of "StepADC.txt".
QByteArray SerializeStepFile(const SwitchTest &t);
// Reads the groups of the file in order while it has data (line 3 is skipped, the address lists
// always become the fixed list). Values out of their range are brought into it: a list position
// outside its list becomes "no selection" (-1), a register value is clamped to 0..255, any flag
// other than 0 means checked, the step is clamped to 0..7. Reading stops at the first text that
// is not a number; what was read before it is kept. Returns the number of lines read (0..12).
int ParseStepFile(const QByteArray &bytes, SwitchTest &t);

// The text of result file k for sets whose S and L are given.
QByteArray SwitchCsvText(const ChannelSet &set, int samples, int loops);
// "VekADCSW0.CSV" .. "VekADCSW7.CSV".
QString SwitchCsvName(int k);
// Renames a file, replacing one of the new name; true when done.
using FileRename = std::function<bool(const QString &from, const QString &to)>;
bool RenameFile(const QString &from, const QString &to);
// Writes the eight result files into the folder (with trailing separator) as one: each goes to
// a file beside it first, and the eight replace the old files only when all eight were written;
// a replacement that fails midway puts the old files back. On failure returns the number of the
// file that failed in *failed; the old files are then as they were. `rename` (RenameFile when
// empty) moves the files.
bool WriteSwitchCsvFiles(const QString &folder, const SwitchTest &t, int *failed, const FileRename &rename = {});

} // namespace vek
