#pragma once
// The calibrator and power-supply step tables: step r of the temperature test has a step marker
// (a short hexadecimal number; the step is active when the marker's value is not 0) and the
// command text sent to the instrument at that step. Each table is kept in a file of its own,
// "Fluke.txt" and "Power.txt": one line per active step, the marker right-aligned in four
// characters, then the command; an inactive step holds its place with the marker "0".
#include "instruments/TextTableFiles.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace vek {

// The number of steps of a temperature test run: typed by the user, 1 to 10000, 48 otherwise.
constexpr int kDefaultStepCount = 48;
constexpr int kMaxStepCount = 10000;
// The step count a text stands for: a decimal number 1..10000; an empty, unreadable, zero,
// negative or larger number gives 48, and fellBack (when given) tells that it did.
int StepCountFromText(const QString &text, bool *fellBack = nullptr);

// A marker fills a four-character field of the file; the instrument link sends at most 255
// characters in one command.
constexpr int kStepMarkerLength = 4;
constexpr int kMaxCommandLength = 255;

class StepTable {
public:
    StepTable();

    // The number of step rows shown. Rows dropped from view keep their texts, so that a table
    // grown again shows them as they were.
    int Rows() const { return m_shown; }
    void SetRows(int rows);
    // Shows at least `rows` step rows.
    void GrowTo(int rows);

    // Step numbers run from 1 to Rows(); any other step reads as empty and cannot be set.
    QString Marker(int step) const;
    QString Command(int step) const;
    // False (and the cell unchanged) when the text does not fit its field: a marker of more than
    // four characters, a command of more than 255 or with a character the link cannot send.
    bool SetMarker(int step, const QString &marker);
    bool SetCommand(int step, const QString &command);
    // A row read from a file, taken as it stands (a file line is not cut to what may be typed).
    void SetLoadedRow(int step, const QString &marker, const QString &command);
    // The step's marker is a non-zero hexadecimal number.
    bool Active(int step) const;
    // Empties marker and command of steps 1..min(count, Rows()).
    void ClearSteps(int count);

    static bool FitsMarker(const QString &marker);
    static bool FitsCommand(const QString &command);

private:
    struct Row {
        QString marker;
        QString command;
    };
    bool InRange(int step) const { return step >= 1 && step <= m_shown; }

    std::vector<Row> m_rows; // index 0 is step 1; never shorter than m_shown
    int m_shown = 0;
};

enum class StepFileKind {
    Calibrator,  // a line whose marker field holds no hexadecimal digit is skipped
    PowerSupply, // every line fills a step
};

// The last of steps 1..count with a marker or a command; 0 when none has.
int LastUsedStep(const StepTable &table, int count);
// The file of steps 1..count: one line per step up to the last used one, an inactive step with
// the marker "0", so that every step loads back at its place.
QByteArray StepFileBytes(const StepTable &table, int count);
// Replaces steps 1..count (grown to that many rows first) with the lines of a step file; lines
// beyond the last step are ignored. Returns the number of steps filled.
int LoadStepFileBytes(StepTable &table, const QByteArray &bytes, int count, StepFileKind kind);

// The file in one piece, or not at all; false when it cannot be written.
bool SaveStepFile(const QString &path, const StepTable &table, int count);
// Loads steps 1..count from a file. A missing file clears those steps (there is nothing to
// load); a file that exists but cannot be read leaves the table as it was.
FileRead LoadStepFile(const QString &path, StepTable &table, int count, StepFileKind kind);

} // namespace vek
