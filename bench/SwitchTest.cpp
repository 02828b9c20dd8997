#include "bench/SwitchTest.h"

#include "app/base/SettingsText.h"

#include <QSaveFile>
#include <algorithm>
#include <memory>

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

bool WriteSwitchCsvFiles(const QString &folder, const SwitchTest &t, int *failed)
{
    // Every file is written to a temporary file beside it; the eight are renamed over the old
    // files only once all eight are complete.
    std::array<std::unique_ptr<QSaveFile>, kSwitchChannels> files;
    auto fail = [&](int k) {
        for (auto &f : files)
            if (f)
                f->cancelWriting();
        if (failed)
            *failed = k;
        return false;
    };
    for (int k = 0; k < kSwitchChannels; ++k) {
        auto &f = files[size_t(k)];
        f = std::make_unique<QSaveFile>(folder + SwitchCsvName(k));
        const QByteArray text = SwitchCsvText(t.sets[size_t(k)], t.Samples(), t.Loops());
        if (!f->open(QIODevice::WriteOnly) || f->write(text) != text.size())
            return fail(k);
    }
    for (int k = 0; k < kSwitchChannels; ++k)
        if (!files[size_t(k)]->commit())
            return fail(k);
    return true;
}

} // namespace vek
