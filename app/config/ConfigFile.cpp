#include "app/config/ConfigFile.h"

#include "app/base/NumberText.h"
#include "app/base/SafeFile.h"
#include "app/base/SettingsText.h"

#include <QFileInfo>
#include <array>
#include <functional>

namespace vek {

namespace {

// Lengths of the lists whose positions the file keeps.
constexpr int kOutputModes = 2;   // "HEX", "DEC"
constexpr int kWidthChoices = 17; // "8" ... "24"
constexpr int kSamplePoints = 17;
constexpr int kZeroFunctions = 4; // "Free" ... "Chopper "
constexpr int kParallelPorts = 3;
constexpr int kMeasureModes = 2; // "Scale", "DMM"
constexpr int kShifts = 16;      // "shift 0" ... "shift 15"
constexpr int kAverages = 6;     // "1" ... "32"

constexpr std::array<int32_t, kSamplePoints> kSamplePointCounts = {
    32, 64, 128, 256, 512, 1024, 2048, 4096, 8192, 16384, 32768, 65536, 131072, 16, 8, 4, 2};

// A list set to a position it does not have shows no choice, which reads back as -1.
int Choice(int32_t position, int count)
{
    return (position >= 0 && position < count) ? position : -1;
}

// One line of numbers, each right-aligned in a field of the given width.
QByteArray Fields(std::initializer_list<int32_t> values, int width)
{
    QByteArray line;
    for (int32_t v : values)
        AppendNumberField(line, v, width);
    return line;
}

QByteArray Flag(bool on)
{
    return on ? QByteArrayLiteral("TRUE") : QByteArrayLiteral("FALSE");
}

// The reference voltage text is one line of the file: anything from a line end on is dropped.
QByteArray OneLine(const QString &text)
{
    QByteArray bytes = text.toLatin1();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\r' || bytes[i] == '\n')
            return bytes.left(i);
    return bytes;
}

} // namespace

int32_t SamplePointCount(int index)
{
    return (index >= 0 && index < kSamplePoints) ? kSamplePointCounts[index] : 0;
}

uint16_t ParallelBaseAddress(int clptIndex)
{
    switch (clptIndex) {
    case 1:
        return 0x278;
    case 2:
        return 0x3BC;
    default:
        return 0x378;
    }
}

QByteArray SerializeConfig(const SetupChoices &s, const ConfigSettings &c)
{
    QList<QByteArray> lines;
    lines << QByteArray(kConfigTitle);
    lines << Fields({s.chipModelIndex, s.interfaceIndex, s.comIndex, s.baudIndex, s.parityIndex},
                    4);
    for (bool f : c.ReservedFlags)
        lines << Flag(f);
    lines << Fields({c.CurrentPage}, 2) << Fields({c.CurrentBank}, 2);
    lines << QByteArray::number(c.TXADCOMD) << QByteArray::number(c.TXADCObit);
    lines << Fields({c.NPointIndex, c.TXScale}, 4);
    lines << Flag(c.FrequencyView);
    lines << Fields({c.CFunADC}, 4) << Fields({c.CLPT}, 4);
    lines << Fields({c.CalInput, c.CalResult}, 8);
    for (const auto &row : c.ModeRegisters)
        lines << Fields({row[0], row[1], row[2], row[3], row[4], row[5]}, 4);
    lines << Fields({c.ComFun}, 4) << Fields({c.ADShift}, 4) << Fields({c.Photo ? 1 : 0}, 4);
    lines << OneLine(c.EREFV);
    lines << Fields({c.CMAVR}, 4) << Fields({c.CHFULL ? 1 : 0}, 4);
    lines << Fields({ParseHex(c.EKEYADDR), ParseHex(c.EKEYDATA)}, 4);
    QByteArray out;
    for (const QByteArray &line : lines)
        out += line + "\r\n";
    return out;
}

ConfigLoad ParseConfig(const QByteArray &bytes)
{
    ConfigLoad load;
    TextReader r(bytes);
    if (r.ReadLine() != kConfigTitle)
        return load;
    load.titleMatched = true;
    load.lastLine = 1;

    SetupChoices &s = load.setup;
    ConfigSettings &c = load.settings;
    // Reads the numbers of one line, then skips the rest of it. A line whose numbers are cut off
    // by the end of the file, or that holds something other than a number, ends the reading.
    auto numbers = [&r](auto... out) {
        std::array<int32_t, sizeof...(out)> v{};
        for (int32_t &x : v)
            if (r.ReadInt(x) != TextReader::Number::Ok)
                return false;
        r.SkipLine();
        int i = 0;
        ((*out = v[i++]), ...);
        return true;
    };
    auto flag = [&r](bool &out) {
        out = r.ReadLine().toUpper() == "TRUE";
        return true;
    };
    auto choice = [&numbers](int &out, int count) {
        int32_t v = 0;
        if (!numbers(&v))
            return false;
        out = Choice(v, count);
        return true;
    };
    auto row = [&numbers](std::array<uint8_t, 6> &out) {
        std::array<int32_t, 6> v{};
        if (!numbers(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5]))
            return false;
        for (int i = 0; i < 6; ++i)
            out[i] = static_cast<uint8_t>(v[i] & 0xFF);
        return true;
    };

    const std::array<std::function<bool()>, kConfigLineCount - 1> readers = {
        // 2
        [&] {
            return numbers(&s.chipModelIndex, &s.interfaceIndex, &s.comIndex, &s.baudIndex,
                           &s.parityIndex);
        },
        // 3 to 8
        [&] { return flag(c.ReservedFlags[0]); },
        [&] { return flag(c.ReservedFlags[1]); },
        [&] { return flag(c.ReservedFlags[2]); },
        [&] { return flag(c.ReservedFlags[3]); },
        [&] { return flag(c.ReservedFlags[4]); },
        [&] { return flag(c.ReservedFlags[5]); },
        // 9, 10
        [&] { return numbers(&c.CurrentPage); },
        [&] { return numbers(&c.CurrentBank); },
        // 11, 12
        [&] { return choice(c.TXADCOMD, kOutputModes); },
        [&] { return choice(c.TXADCObit, kWidthChoices); },
        // 13
        [&] {
            int32_t points = 0, scale = 0;
            if (!numbers(&points, &scale))
                return false;
            c.NPointIndex = Choice(points, kSamplePoints);
            c.TXScale = Choice(scale, kWidthChoices);
            return true;
        },
        // 14: read and ignored; loading always starts with the time record shown.
        [&] {
            r.SkipLine();
            c.FrequencyView = false;
            return true;
        },
        // 15, 16
        [&] { return choice(c.CFunADC, kZeroFunctions); },
        [&] { return choice(c.CLPT, kParallelPorts); },
        // 17: a pair with a zero is replaced by the standard pair.
        [&] {
            int32_t input = 0, result = 0;
            if (!numbers(&input, &result))
                return false;
            const bool zero = input == 0 || result == 0;
            c.CalInput = zero ? 500000 : input;
            c.CalResult = zero ? 50000 : result;
            return true;
        },
        // 18, 19
        [&] { return row(c.ModeRegisters[0]); },
        [&] { return row(c.ModeRegisters[1]); },
        // 20, 21
        [&] { return choice(c.ComFun, kMeasureModes); },
        [&] { return choice(c.ADShift, kShifts); },
        // 22: checked only by exactly 1.
        [&] {
            int32_t v = 0;
            if (!numbers(&v))
                return false;
            c.Photo = v == 1;
            return true;
        },
        // 23: the whole line.
        [&] {
            c.EREFV = QString::fromLatin1(r.ReadLine());
            return true;
        },
        // 24
        [&] { return choice(c.CMAVR, kAverages); },
        // 25: checked by anything but 0.
        [&] {
            int32_t v = 0;
            if (!numbers(&v))
                return false;
            c.CHFULL = v != 0;
            return true;
        },
        // 26: key address and key data, shown as hexadecimal texts.
        [&] {
            int32_t addr = 0, data = 0;
            if (!numbers(&addr, &data))
                return false;
            c.EKEYADDR = FormatHex(addr, 4);
            c.EKEYDATA = FormatHex(data, 2);
            return true;
        },
    };
    // Each line is read only while the file has not ended; nothing after line 26 is looked at.
    for (int line = 2; line <= kConfigLineCount; ++line) {
        if (r.AtEnd() || !readers[line - 2]())
            break;
        load.lastLine = line;
    }
    return load;
}

void ApplyLoadedConfig(AppContext &ctx, const ConfigLoad &load)
{
    if (!load.titleMatched)
        return;
    const ConfigSettings &in = load.settings;
    ConfigSettings &c = ctx.config;
    if (load.Has(2)) {
        ctx.setup.chipModelIndex = load.setup.chipModelIndex;
        ctx.setup.interfaceIndex = load.setup.interfaceIndex;
        ctx.setup.comIndex = load.setup.comIndex;
        ctx.setup.baudIndex = load.setup.baudIndex;
        ctx.setup.parityIndex = load.setup.parityIndex;
    }
    for (int i = 0; i < 6; ++i)
        if (load.Has(3 + i))
            c.ReservedFlags[i] = in.ReservedFlags[i];
    if (load.Has(9))
        c.CurrentPage = in.CurrentPage;
    if (load.Has(10))
        c.CurrentBank = in.CurrentBank;
    if (load.Has(11))
        c.TXADCOMD = in.TXADCOMD;
    if (load.Has(12))
        c.TXADCObit = in.TXADCObit;
    if (load.Has(13)) {
        c.NPointIndex = in.NPointIndex;
        c.TXScale = in.TXScale;
        // The sample count follows the "Sample Point" choice; with no choice it stays as it was.
        if (const int32_t n = SamplePointCount(c.NPointIndex); n > 0)
            ctx.samples.TargetCount = n;
        // Result width w = 8 + position: results are divided by 2^(24 - w).
        if (c.TXScale >= 0) {
            const int w = 8 + c.TXScale;
            ctx.samples.ScaleDivisor = int32_t(1) << (24 - w);
            ctx.samples.MagnitudeBits = w - 1;
        }
    }
    if (load.Has(14))
        c.FrequencyView = false;
    if (load.Has(15))
        c.CFunADC = in.CFunADC;
    if (load.Has(16)) {
        c.CLPT = in.CLPT;
        ctx.setup.lptBaseAddress = ParallelBaseAddress(in.CLPT);
    }
    if (load.Has(17)) {
        c.CalInput = in.CalInput;
        c.CalResult = in.CalResult;
    }
    for (int i = 0; i < 2; ++i)
        if (load.Has(18 + i))
            c.ModeRegisters[i] = in.ModeRegisters[i];
    if (load.Has(20))
        c.ComFun = in.ComFun;
    if (load.Has(21))
        c.ADShift = in.ADShift;
    if (load.Has(22))
        c.Photo = in.Photo;
    if (load.Has(23))
        c.EREFV = in.EREFV;
    if (load.Has(24))
        c.CMAVR = in.CMAVR;
    if (load.Has(25))
        c.CHFULL = in.CHFULL;
    if (load.Has(26)) {
        c.EKEYADDR = in.EKEYADDR;
        c.EKEYDATA = in.EKEYDATA;
    }
}

KeptConfig KeepUnloadedConfig(const QString &fileName, const QByteArray &bytes)
{
    const QString backup = fileName + QStringLiteral(".bak");
    const QString name = QFileInfo(fileName).fileName();
    const QString backupName = QFileInfo(backup).fileName();
    if (WriteFileAtomically(backup, bytes))
        return {true, name + QStringLiteral(" not loaded (other title), kept as ") + backupName};
    return {false, name + QStringLiteral(" not loaded (other title), left unchanged")};
}

} // namespace vek
