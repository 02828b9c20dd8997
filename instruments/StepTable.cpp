#include "instruments/StepTable.h"

#include "app/base/NumberText.h"
#include "app/base/SafeFile.h"
#include "instruments/TextTableFiles.h"

#include <algorithm>

namespace vek {

int StepCountFromText(const QString &text, bool *fellBack)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok, 10);
    const bool valid = ok && n >= 1 && n <= kMaxStepCount;
    if (fellBack)
        *fellBack = !valid;
    return valid ? n : kDefaultStepCount;
}

StepTable::StepTable()
{
    SetRows(kDefaultStepCount);
}

void StepTable::SetRows(int rows)
{
    rows = std::clamp(rows, 0, kMaxStepCount);
    if (size_t(rows) > m_rows.size())
        m_rows.resize(size_t(rows));
    m_shown = rows;
}

void StepTable::GrowTo(int rows)
{
    if (rows > m_shown)
        SetRows(rows);
}

QString StepTable::Marker(int step) const
{
    return InRange(step) ? m_rows[size_t(step - 1)].marker : QString();
}

QString StepTable::Command(int step) const
{
    return InRange(step) ? m_rows[size_t(step - 1)].command : QString();
}

bool StepTable::FitsMarker(const QString &marker)
{
    return marker.size() <= kStepMarkerLength;
}

bool StepTable::FitsCommand(const QString &command)
{
    if (command.size() > kMaxCommandLength)
        return false;
    return std::all_of(command.begin(), command.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}

bool StepTable::SetMarker(int step, const QString &marker)
{
    if (!InRange(step) || !FitsMarker(marker))
        return false;
    m_rows[size_t(step - 1)].marker = marker;
    return true;
}

bool StepTable::SetCommand(int step, const QString &command)
{
    if (!InRange(step) || !FitsCommand(command))
        return false;
    m_rows[size_t(step - 1)].command = command;
    return true;
}

void StepTable::SetLoadedRow(int step, const QString &marker, const QString &command)
{
    if (InRange(step))
        m_rows[size_t(step - 1)] = Row{marker, command};
}

bool StepTable::Active(int step) const
{
    return InRange(step) && ParseHex(m_rows[size_t(step - 1)].marker) != 0;
}

void StepTable::ClearSteps(int count)
{
    for (int step = 1; step <= std::min(count, m_shown); ++step)
        m_rows[size_t(step - 1)] = Row{};
}

int LastUsedStep(const StepTable &table, int count)
{
    for (int step = std::min(count, table.Rows()); step >= 1; --step)
        if (!table.Marker(step).isEmpty() || !table.Command(step).isEmpty())
            return step;
    return 0;
}

QByteArray StepFileBytes(const StepTable &table, int count)
{
    // Every row up to the last used one has its line, so each row loads back at its step; an
    // inactive row is written with the marker "0", which a reader takes as inactive.
    QStringList lines;
    for (int step = 1; step <= LastUsedStep(table, count); ++step)
        lines.append(RightAligned(table.Active(step) ? table.Marker(step) : QStringLiteral("0"), kStepMarkerLength) +
                     table.Command(step));
    return JoinTableLines(lines);
}

int LoadStepFileBytes(StepTable &table, const QByteArray &bytes, int count, StepFileKind kind)
{
    count = std::clamp(count, 0, kMaxStepCount);
    table.GrowTo(count);
    table.ClearSteps(count);
    int step = 1;
    for (const QString &line : SplitTableLines(bytes)) {
        if (step > count)
            break;
        const QString marker = HexCharacters(line.left(kStepMarkerLength));
        // A calibrator line without any marker is no step; "0" is an inactive step in its place.
        if (kind == StepFileKind::Calibrator && marker.isEmpty())
            continue;
        table.SetLoadedRow(step, marker, line.mid(kStepMarkerLength));
        ++step;
    }
    return step - 1;
}

bool SaveStepFile(const QString &path, const StepTable &table, int count)
{
    return WriteFileAtomically(path, StepFileBytes(table, count));
}

FileRead LoadStepFile(const QString &path, StepTable &table, int count, StepFileKind kind)
{
    QByteArray bytes;
    const FileRead read = ReadTableFile(path, bytes);
    if (read == FileRead::Unreadable)
        return read;
    // A missing file loads nothing: the steps are cleared.
    LoadStepFileBytes(table, bytes, count, kind);
    return read;
}

} // namespace vek
