#include "bench/RegisterSteps.h"

#include "app/base/NumberText.h"
#include "app/base/SafeFile.h"
#include "instruments/StepTable.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace vek {

namespace {

const QString kRegisterFile = QStringLiteral("Register.txt");
const QString kDelayFile = QStringLiteral("Delay.txt");
const QString kAcmFile = QStringLiteral("ACM.txt");

bool HasHexCharacter(const QString &text)
{
    return std::any_of(text.begin(), text.end(), IsHexCharacter);
}

} // namespace

RegisterStepTable::RegisterStepTable()
{
    SetSteps(kDefaultStepCount);
}

void RegisterStepTable::SetSteps(int steps)
{
    steps = std::clamp(steps, 0, kMaxStepCount);
    if (size_t(steps) + 1 > m_rows.size())
        m_rows.resize(size_t(steps) + 1);
    m_steps = steps;
}

bool RegisterStepTable::InRange(int row, int column) const
{
    return row >= 0 && row <= m_steps && column >= 0 && column < kColumns;
}

bool RegisterStepTable::IsLabel(int row, int column)
{
    return column == 0 || (row == 0 && (column == kDelayColumn || column == kAcmColumn));
}

QString RegisterStepTable::Cell(int row, int column) const
{
    if (!InRange(row, column))
        return {};
    if (column == 0)
        return row == 0 ? QStringLiteral("Address") : QStringLiteral("Value-%1").arg(row);
    if (row == 0 && column == kDelayColumn)
        return QStringLiteral("Delay");
    if (row == 0 && column == kAcmColumn)
        return QStringLiteral("ACM");
    return m_rows[size_t(row)][size_t(column)];
}

bool RegisterStepTable::FitsCell(int column, const QString &text)
{
    if (column >= 1 && column <= kRegisterColumns)
        return text.size() <= kRegisterFieldWidth &&
               std::all_of(text.begin(), text.end(), IsHexCharacter);
    return text.size() <= kStepFieldWidth;
}

bool RegisterStepTable::SetCell(int row, int column, const QString &text)
{
    if (!InRange(row, column) || IsLabel(row, column) || !FitsCell(column, text))
        return false;
    At(row, column) = text;
    return true;
}

void RegisterStepTable::ClearSteps()
{
    for (int row = 1; row <= m_steps; ++row)
        for (int column = 1; column < kColumns; ++column)
            At(row, column).clear();
}

int RegisterStepTable::UsedColumns() const
{
    int used = 0;
    while (used < kRegisterColumns && ParseHex(Cell(0, used + 1)) != 0)
        ++used;
    return used;
}

int RegisterStepTable::UsedRows() const
{
    int used = 0;
    while (used < m_steps && HasHexCharacter(Cell(used + 1, 1)))
        ++used;
    return used;
}

RegisterStepFiles RegisterStepFileBytes(const RegisterStepTable &table)
{
    using T = RegisterStepTable;
    const int columns = table.UsedColumns();
    const int rows = table.UsedRows();
    QStringList registers, delays, acms;
    for (int row = 0; row <= rows; ++row) {
        QString line;
        for (int column = 1; column <= T::kRegisterColumns; ++column)
            line += RightAligned(column <= columns ? table.Cell(row, column) : QString(),
                                 T::kRegisterFieldWidth);
        registers.append(line);
        if (row == 0)
            continue;
        delays.append(RightAligned(table.Cell(row, T::kDelayColumn), T::kStepFieldWidth));
        acms.append(RightAligned(table.Cell(row, T::kAcmColumn), T::kStepFieldWidth));
    }
    return {JoinTableLines(registers), JoinTableLines(delays), JoinTableLines(acms)};
}

int RegDownload(RegisterStepTable &table, const QByteArray &bytes)
{
    using T = RegisterStepTable;
    int row = -1;
    for (const QString &line : SplitTableLines(bytes)) {
        if (row + 1 > table.Steps())
            break;
        ++row;
        for (int column = 1; column <= T::kRegisterColumns; ++column) {
            const QString kept = HexCharacters(
                line.mid((column - 1) * T::kRegisterFieldWidth, T::kRegisterFieldWidth));
            if (!kept.isEmpty())
                table.At(row, column) = kept;
        }
    }
    return row;
}

QString DelayFieldText(const QString &field)
{
    // A field with hexadecimal letters counts as far as its leading decimal digits go.
    return QString::number(
        LeadingDecimal(HexCharacters(field.left(RegisterStepTable::kStepFieldWidth))));
}

QString AcmFieldText(const QString &field)
{
    QString kept;
    for (QChar c : field.left(RegisterStepTable::kStepFieldWidth))
        if (IsHexCharacter(c) || c == QLatin1Char('.'))
            kept += c;
    bool ok = false;
    double value = QLocale::c().toDouble(kept, &ok);
    if (!ok || !std::isfinite(value)) {
        // Not a number as a whole ("2.4A", "1.2.3"): its leading digits with at most one point.
        qsizetype end = 0;
        bool point = false;
        while (end < kept.size() &&
               (kept[end].isDigit() || (kept[end] == QLatin1Char('.') && !point))) {
            point = point || kept[end] == QLatin1Char('.');
            ++end;
        }
        value = QLocale::c().toDouble(kept.left(end), &ok);
        if (!ok)
            value = 0;
    }
    // The shortest text that reads back as the same number, without an exponent for the
    // figures a six-character field can hold.
    if (std::fabs(value) < 1e15)
        return QString::number(value, 'f', QLocale::FloatingPointShortest);
    return QString::number(value, 'g', QLocale::FloatingPointShortest).toUpper();
}

void ReadStepColumnFile(RegisterStepTable &table, const QByteArray &bytes, int column)
{
    using T = RegisterStepTable;
    const bool delay = column == T::kDelayColumn;
    int row = 0;
    for (const QString &line : SplitTableLines(bytes)) {
        if (++row > table.Steps())
            break;
        // A blank field is an empty cell, as it was saved, not a zero.
        const bool blank = line.left(T::kStepFieldWidth).trimmed().isEmpty();
        table.At(row, column) = blank ? QString() : delay ? DelayFieldText(line) : AcmFieldText(line);
    }
    const QString fill = delay ? QStringLiteral("15") : QStringLiteral("2.4");
    for (++row; row <= table.UsedRows(); ++row)
        table.At(row, column) = fill;
}

RegisterStepLoad LoadRegisterStepFiles(const QString &folder, RegisterStepTable &table)
{
    RegisterStepLoad load;
    QByteArray registers, delays, acms;
    // Read and check every file first: a failure leaves the table as it was.
    if (ReadTableFile(folder + kRegisterFile, registers) != FileRead::Ok) {
        load.failedFile = kRegisterFile;
        return load;
    }
    const FileRead delayRead = ReadTableFile(folder + kDelayFile, delays);
    const FileRead acmRead = ReadTableFile(folder + kAcmFile, acms);
    if (delayRead == FileRead::Unreadable || acmRead == FileRead::Unreadable) {
        load.failedFile = delayRead == FileRead::Unreadable ? kDelayFile : kAcmFile;
        return load;
    }
    table.ClearSteps();
    load.lastRow = RegDownload(table, registers);
    load.delayRead = delayRead == FileRead::Ok;
    if (load.delayRead) {
        ReadStepColumnFile(table, delays, RegisterStepTable::kDelayColumn);
        if (acmRead == FileRead::Ok)
            ReadStepColumnFile(table, acms, RegisterStepTable::kAcmColumn);
    }
    load.ok = true;
    return load;
}

QString SaveRegisterStepFiles(const QString &folder, const RegisterStepTable &table)
{
    const RegisterStepFiles files = RegisterStepFileBytes(table);
    if (!WriteFileAtomically(folder + kRegisterFile, files.registers))
        return kRegisterFile;
    if (!WriteFileAtomically(folder + kDelayFile, files.delays))
        return kDelayFile;
    if (!WriteFileAtomically(folder + kAcmFile, files.acms))
        return kAcmFile;
    return {};
}

} // namespace vek
