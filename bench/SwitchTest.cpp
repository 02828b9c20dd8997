#include "bench/SwitchTest.h"

#include "app/base/SettingsText.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace vek {

namespace {

constexpr int kStepFileLines = 12;

int Choice(int32_t position, int count) { return (position >= 0 && position < count) ? position : -1; }

void EndLine(QByteArray &out, const QByteArray &line)
{
    out += line;
    out += "\r\n";
}

} // namespace

std::vector<int> SwitchTest::CheckedChannels() const
{
    std::vector<int> channels;
    for (int i = 0; i < kSwitchChannels; ++i)
        if (checked[size_t(i)])
            channels.push_back(i);
    return channels;
}

int SamplesForIndex(int index)
{
    return (index >= 0 && index < kSampleChoices) ? 1 << index : kDefaultSwitchCount;
}

int LoopsForIndex(int index) { return (index >= 0 && index < kLoopChoices) ? 1 << index : kDefaultSwitchCount; }

void ApplySampleIndex(SwitchTest &t, int index)
{
    for (ChannelSet &s : t.sets)
        s.samples = uint8_t(SamplesForIndex(index));
}

void ApplyLoopIndex(SwitchTest &t, int index)
{
    for (ChannelSet &s : t.sets)
        s.loops = uint16_t(LoopsForIndex(index));
}

int ShownStep(const SwitchTest &t, int step)
{
    step = std::clamp(step, 0, kSwitchChannels - 1);
    return t.checked[size_t(step)] ? step : 0;
}

QByteArray SerializeStepFile(const SwitchTest &t)
{
    QByteArray out, line;
    AppendNumberField(line, t.evStepIndex, 4);
    AppendNumberField(line, t.loopStepIndex, 4);
    EndLine(out, line);
    line.clear();
    for (bool on : t.checked)
        AppendNumberField(line, on ? 1 : 0, 4);
    EndLine(out, line);
    line.clear();
    for (uint8_t a : kStepFileAddressLine)
        AppendNumberField(line, a, 4);
    EndLine(out, line);
    for (const ChannelSet &s : t.sets) {
        line.clear();
        for (uint8_t v : s.values)
            AppendNumberField(line, v, 4);
        EndLine(out, line);
    }
    line.clear();
    AppendNumberField(line, t.currentStep, 4);
    EndLine(out, line);
    return out;
}

int ParseStepFile(const QByteArray &bytes, SwitchTest &t)
{
    TextReader in(bytes);
    // Reads n numbers of one group, then skips the rest of its line; false when the file ends
    // or holds something else first (the group is then not taken).
    auto group = [&in](int32_t *values, int n) {
        for (int i = 0; i < n; ++i)
            if (in.ReadInt(values[i]) != TextReader::Number::Ok)
                return false;
        in.SkipLine();
        return true;
    };
    int32_t v[kSetRegisterCount] = {};
    if (!group(v, 2))
        return 0;
    t.evStepIndex = Choice(v[0], kSampleChoices);
    t.loopStepIndex = Choice(v[1], kLoopChoices);
    if (!group(v, kSwitchChannels))
        return 1;
    for (int i = 0; i < kSwitchChannels; ++i)
        t.checked[size_t(i)] = v[i] != 0;
    if (in.AtEnd())
        return 2;
    in.SkipLine();
    for (ChannelSet &s : t.sets)
        s.addresses = kSetRegisters;
    for (int k = 0; k < kSwitchChannels; ++k) {
        if (!group(v, kSetRegisterCount))
            return 3 + k;
        for (int i = 0; i < kSetRegisterCount; ++i)
            t.sets[size_t(k)].values[size_t(i)] = uint8_t(std::clamp<int32_t>(v[i], 0, 255));
    }
    if (!group(v, 1))
        return kStepFileLines - 1;
    t.currentStep = std::clamp<int32_t>(v[0], 0, kSwitchChannels - 1);
    return kStepFileLines;
}

QByteArray SwitchCsvText(const ChannelSet &set, int samples, int loops)
{
    samples = std::clamp(samples, 0, kMaxSwitchResults);
    loops = std::clamp(loops, 0, samples > 0 ? kMaxSwitchResults / samples : 0);
    QByteArray out = "  , ";
    for (int n = 0; n < samples; ++n) {
        if (n > 0)
            out += ", ";
        out += "Data " + QByteArray::number(n);
    }
    out += "\r\n";
    for (int r = 0; r < loops; ++r) {
        out += QByteArray::number(r + 1);
        for (int n = 0; n < samples; ++n) {
            out += ", ";
            out += QByteArray::number(set.results[size_t(r * samples + n)]);
        }
        out += "\r\n";
    }
    return out;
}

QString SwitchCsvName(int k) { return QStringLiteral("VekADCSW%1.CSV").arg(k); }

bool RenameFile(const QString &from, const QString &to)
{
    // POSIX rename: the new name is replaced in one step.
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool WriteSwitchCsvFiles(const QString &folder, const SwitchTest &t, int *failed, const FileRename &rename)
{
    const FileRename move = rename ? rename : FileRename(RenameFile);
    auto path = [&folder](int k, const char *suffix) { return folder + SwitchCsvName(k) + QLatin1String(suffix); };
    auto fail = [failed](int k) {
        if (failed)
            *failed = k;
        return false;
    };
    auto removeNew = [&] {
        for (int k = 0; k < kSwitchChannels; ++k)
            QFile::remove(path(k, ".new"));
    };
    // 1. The eight new texts, each complete on disk beside its file.
    for (int k = 0; k < kSwitchChannels; ++k) {
        const QByteArray text = SwitchCsvText(t.sets[size_t(k)], t.Samples(), t.Loops());
        QFile f(path(k, ".new"));
        const bool ok = !QFileInfo(path(k, "")).isDir() && f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                        f.write(text) == text.size() && f.flush() && ::fsync(f.handle()) == 0;
        f.close();
        if (!ok) {
            removeNew();
            return fail(k);
        }
    }
    // 2. One by one the old file moves aside and the new one takes its name. A step that fails
    // puts every old file back, so the folder holds the old eight or the new eight.
    std::array<bool, kSwitchChannels> hadOld{};
    for (int k = 0; k < kSwitchChannels; ++k) {
        hadOld[size_t(k)] = QFileInfo::exists(path(k, ""));
        const bool asideOk = !hadOld[size_t(k)] || move(path(k, ""), path(k, ".old"));
        if (asideOk && move(path(k, ".new"), path(k, "")))
            continue;
        for (int j = k; j >= 0; --j) {
            if (j < k || asideOk) {
                if (hadOld[size_t(j)])
                    move(path(j, ".old"), path(j, ""));
                else if (j < k)
                    QFile::remove(path(j, ""));
            }
        }
        removeNew();
        return fail(k);
    }
    for (int k = 0; k < kSwitchChannels; ++k)
        QFile::remove(path(k, ".old"));
    return true;
}

} // namespace vek
