#pragma once
// The temperature test's register step table: row 0 holds up to ten chip register addresses
// (columns 1..10, hexadecimal) under the labels "Address", "Delay" and "ACM"; rows 1..N, labelled
// "Value-1" onward, hold the values written into those registers at each step (columns 1..10),
// the capture wait in seconds (column 11) and the reference voltage text (column 12). The table
// is kept in three files: "Register.txt", "Delay.txt" and "ACM.txt".
#include "instruments/TextTableFiles.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <vector>

namespace vek {

class RegisterStepTable {
public:
    static constexpr int kColumns = 13;
    static constexpr int kRegisterColumns = 10; // columns 1..10
    static constexpr int kDelayColumn = 11;
    static constexpr int kAcmColumn = 12;
    // Entries line up in the files: four hexadecimal digits for an address or a value, six
    // characters for a delay or a reference voltage.
    static constexpr int kRegisterFieldWidth = 4;
    static constexpr int kStepFieldWidth = 6;

    RegisterStepTable();

    // The number of step rows N (rows 1..N follow the header row 0). Rows dropped from view keep
    // their texts, so that a table grown again shows them as they were.
    int Steps() const { return m_steps; }
    void SetSteps(int steps);

    // Cell (row, column); labels in column 0 and in row 0 of columns 0, 11 and 12.
    QString Cell(int row, int column) const;
    static bool IsLabel(int row, int column);
    // False (and the cell unchanged) for a label, a cell outside the table, or a text that would
    // not line up in its file: more than four characters or a non-hexadecimal character in
    // columns 1..10, more than six characters in columns 11 and 12.
    bool SetCell(int row, int column, const QString &text);
    static bool FitsCell(int column, const QString &text);
    // Empties columns 1..12 of rows 1..N.
    void ClearSteps();

    // The used extent, as saving, loading and a run see it: the register columns are the leading
    // columns 1..10 whose address is a non-zero hexadecimal number; the steps are the leading
    // rows 1..N whose column 1 holds at least one hexadecimal digit.
    int UsedColumns() const;
    int UsedRows() const;

private:
    friend int RegDownload(RegisterStepTable &, const QByteArray &);
    friend void ReadStepColumnFile(RegisterStepTable &, const QByteArray &, int);
    using Row = std::array<QString, kColumns>;
    bool InRange(int row, int column) const;
    QString &At(int row, int column) { return m_rows[size_t(row)][size_t(column)]; }

    std::vector<Row> m_rows; // row 0 is the header; never shorter than m_steps + 1
    int m_steps = 0;
};

// The three files' bytes as saved: "Register.txt" has the header line, then one line per used
// step, each ten right-aligned fields of four characters (the columns past the used ones as
// blanks); "Delay.txt" and "ACM.txt" one right-aligned six-character field per used step.
struct RegisterStepFiles {
    QByteArray registers;
    QByteArray delays;
    QByteArray acms;
};
RegisterStepFiles RegisterStepFileBytes(const RegisterStepTable &table);

// The lines of "Register.txt" go into rows 0..N: each field's hexadecimal digits replace the
// cell; a field without any leaves the cell as it was. Returns the last row read (0 for the
// header alone, -1 for an empty file).
int RegDownload(RegisterStepTable &table, const QByteArray &bytes);
// The lines of "Delay.txt" (column 11, whole numbers) or "ACM.txt" (column 12, decimal numbers)
// go into rows 1 onward; the used steps after the last line get "15" or "2.4".
void ReadStepColumnFile(RegisterStepTable &table, const QByteArray &bytes, int column);

// The texts a delay or a reference voltage field reads as ("007" "7", "2.40" "2.4").
QString DelayFieldText(const QString &field);
QString AcmFieldText(const QString &field);

// What "Download Reg" found. The files are all read before the table changes: a missing or
// unreadable "Register.txt", or a "Delay.txt" or "ACM.txt" that exists but cannot be read, leaves
// the table as it was and names the file.
struct RegisterStepLoad {
    bool ok = false;
    QString failedFile;     // the file name, when not ok
    int lastRow = -1;       // the last row read from "Register.txt"
    bool delayRead = false; // "Delay.txt" existed (and so the table's step files are complete)
};
// Loads the table from the three files in the folder (a path with a trailing separator).
RegisterStepLoad LoadRegisterStepFiles(const QString &folder, RegisterStepTable &table);
// Saves the three files; returns the name of the first that could not be written, or an empty
// text when all three were.
QString SaveRegisterStepFiles(const QString &folder, const RegisterStepTable &table);

} // namespace vek
