#pragma once
// The configuration file "VekADC.cfg": 26 lines of CR LF text, the title first, then the setup
// dialog's choices and the settings of ConfigSettings. Turning the settings into the file's bytes
// and the bytes back into settings needs no window; the main window reads and writes the file
// and applies what was loaded.
#include "app/config/ConfigSettings.h"
#include "app/context/AppContext.h"

#include <QByteArray>

namespace vek {

constexpr int kConfigLineCount = 26;
constexpr const char *kConfigTitle = "Vek-ENOBTEST V1.7 HID";
constexpr const char *kConfigFileName = "VekADC.cfg";

// What a read of the file found. Values of lines that were not read keep their start-up defaults.
struct ConfigLoad {
    // Line 1 was exactly the title. When false nothing at all is applied.
    bool titleMatched = false;
    // The last line whose values were read completely (1 when only the title was there). Reading
    // stops at the end of the file, at a number that is not a number, and after line 26.
    int lastLine = 0;
    // Line 2's five list positions (the parallel port address is not part of it).
    SetupChoices setup;
    // Lines 3 to 26, already shaped by the load rules: flags, 8-bit register values, the
    // calibration pair's zero rule, key texts in hexadecimal, list positions outside their list
    // turned into -1 (no choice), and the spectrum view cleared.
    ConfigSettings settings;

    bool Has(int line) const { return titleMatched && line >= 1 && line <= lastLine; }
};

// The file's bytes for the given settings.
QByteArray SerializeConfig(const SetupChoices &setup, const ConfigSettings &settings);
// Reads the file's bytes. Never fails: a foreign title or a garbled line only shortens what is
// read.
ConfigLoad ParseConfig(const QByteArray &bytes);
// Stores the lines that were read into the context and applies their effects that need no
// window: the sample count, the result width, the parallel port address, the spectrum view flag.
void ApplyLoadedConfig(AppContext &ctx, const ConfigLoad &load);

// A settings file that was not loaded (its title line is not ours) is kept beside it, under its
// name followed by ".bak", before the program's own settings replace it at close.
struct KeptConfig {
    bool kept = false;  // false: the copy failed, so the file must not be overwritten
    QString statusText; // for status field 0
};
KeptConfig KeepUnloadedConfig(const QString &fileName, const QByteArray &bytes);

// The number of samples of a "Sample Point" list position, 0 for a position outside the list.
int32_t SamplePointCount(int index);
// The parallel port base address of a parallel port list position: 1 gives 0x278, 2 gives
// 0x3BC, anything else 0x378.
uint16_t ParallelBaseAddress(int clptIndex);

} // namespace vek
