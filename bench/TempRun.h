#pragma once
// The temperature test's run without a window: step by step it sets the power supply and the
// calibrator from their step tables, writes a row of chip registers, waits, measures, reads the
// meter channels and writes the result files, so that every finished step is on disk before the
// next one starts. The window and the command-line tool supply the board side and the display
// through hooks; every wait runs on the given clock and ends within 100 ms of a stop.
#include "analysis/SampleStore.h"
#include "app/base/Clock.h"
#include "bench/RegisterSteps.h"
#include "bench/TempFiles.h"
#include "instruments/StepTable.h"
#include "instruments/InstrumentLink.h"

#include <QString>
#include <array>
#include <functional>
#include <vector>

namespace vek {

constexpr int kRegTableColumns = 13;
// Register columns 1..10 hold addresses; 11 is the capture wait, 12 the reference voltage.
constexpr int kMaxRegisterColumns = 10;
constexpr int kDelayColumn = 11;
constexpr int kAcmColumn = 12;

// One row of a calibrator or power-supply step table: the step marker and the command.
struct StepTableRow {
    QString marker;
    QString command;
};

// What a run reads: the register step table (cells by row, row 0 the header) and the two
// instrument step tables (row r at index r - 1). Rows and cells that are missing read as empty.
struct TempTables {
    std::vector<std::array<QString, kRegTableColumns>> reg;
    std::vector<StepTableRow> fluke, power;

    QString Cell(int column, int row) const;
    StepTableRow FlukeRow(int step) const;
    StepTableRow PowerRow(int step) const;
};

// The measurement choice ("ADC & Brymen", "ADC", "Brymen").
enum class TempMeasure { AdcAndMeter = 0, AdcOnly = 1, MeterOnly = 2 };
// Modes of a run: streamed capture, RAM block, board-buffered capture.
enum TempMode { kTempModeRamBlock = 0, kTempModeStreamed = 1, kTempModeFlash = 2 };
enum class RangeLock { None, Lock330mV, Lock3V };

struct TempSettings {
    int stepLimit = 48;                 // N, the step count of the window
    QString powerDelayText = QStringLiteral("2000"); // "Power Supply Delay Time", ms
    bool keepCalibratorOn = false;      // "不關閉Fluke"
    bool fullFiles = false;             // "儲存完整檔案"
    TempMeasure measure = TempMeasure::AdcAndMeter;
};

// The board side of a run. Each may be empty: an empty one does nothing (and `measure` fails).
struct TempBoardHooks {
    std::function<bool()> connected;  // the board link of slot 0
    // Looks for the board when the link is down at the start of a run (as "USB Scan" does).
    std::function<void()> connect;
    std::function<void()> pulseReset;
    std::function<void(uint16_t address, uint8_t value)> writeRegister;
    std::function<void()> clearSamples;  // ClrTMP
    std::function<void()> trigger;       // TMPTRIGER
    // The measurement of a mode with the step's reference voltage text; true when it captured and
    // left its figures in `results`. `stopped` asks whether the run was stopped meanwhile.
    std::function<bool(int mode, const QString &refVolt, AnalysisResults &results)> measure;
    // Ends a capture in progress (the run's Stop calls it).
    std::function<void()> stopCapture;
    // Writes the full sample file of the step (the analysis window's result file) with the
    // step's own figures (NaN when it measured nothing).
    std::function<bool(const QString &path, const AnalysisResults &figures)> saveFullFile;
};

// What a run shows. Each may be empty.
struct TempViewHooks {
    std::function<void()> pumpMessages;
    std::function<void(int field, const QString &text)> status;
    // The mean grid gets the shape for stepCount steps and is emptied.
    std::function<void(int stepCount)> prepareGrid;
    // The mean of step s, as its grid cell shows it.
    std::function<void(int step, const QString &text)> showMean;
    // After step s is finished and its files are written; `measured` tells whether the chip
    // measurement ran and `ok` whether it succeeded.
    std::function<void(int step, bool measured, bool ok)> stepDone;
    // Something the user must know that does not end the run (a summary file written under its
    // "OVER" name); status field 0 shows it as well.
    std::function<void(const QString &text)> notice;
};

enum class TempRunEnd {
    NotStarted, // nothing ran and no file was touched (no board, no steps)
    Finished,   // every step ran
    Stopped,    // "Stop" (or a signal) ended it
    Failed,     // a result file could not be written, or the full-file folder made
};

struct TempRunOutcome {
    TempRunEnd end = TempRunEnd::NotStarted;
    QString error;        // why it did not start or ended early
    int steps = 0;        // the steps S of the run
    int stepsDone = 0;    // steps finished with their files written
    int failedSteps = 0;  // of them, steps whose chip measurement measured nothing
    QString lastLine;     // the run's state as the summary files' last line says it
};

class TemperatureRun {
public:
    TemperatureRun(Clock &clock, InstrumentLink &link, const InstrumentPorts &ports,
                   QString programDir);

    TempBoardHooks board;
    TempViewHooks view;
    // When set, called as step s begins: puts the tables' current address row and rows of step s
    // into `tables`, so that edits and loads during a run reach every step not yet begun.
    std::function<void(int step, TempTables &tables)> refreshStep;

    // A start button. A run with no step, or one that measures the chip while no board is
    // connected (after `connect` had its try), does not start: "USB not Connect !!!". Otherwise
    // TESTINI, the summary files rewritten for this run (every step "not run"), the steps in
    // `mode`, then the closing steps, which always run: the running flag cleared, the summary
    // files with their last line (finished, stopped or ended, with the step), the calibrator put
    // to standby. A summary file that can be written neither under its name nor its "OVER" name
    // ends the run.
    TempRunOutcome Run(int mode, const TempTables &tables, const TempSettings &settings);
    // "Stop": ends the run at its next wait or capture check, within a second.
    void Stop();
    bool Running() const { return m_running; }

    // Prepares a run: counts register columns and steps, forgets the previous run's figures,
    // shapes the mean grid.
    void TESTINI(const TempTables &tables, const TempSettings &settings);
    // The steps; returns the error that ended the run early, empty otherwise.
    QString TTESTCOM(int mode);

    // Calibrator standby / operate, with the reply shown in status field 2.
    void FlukeSTBY();
    bool FlukeOPER();
    // The calibrator's range lock sequence.
    void LKENTER(RangeLock lock);

    // "SaveData": the summary file (each step twice) and, unless only the ADC is measured, the
    // meter log. Files that cannot be written go under their "OVER" names (status field 0 says
    // so); returns "Cannot write <name>" when neither could be written, empty otherwise.
    QString ENSaveClick();
    // The summary written once per step, at the end of a run; the same error text.
    QString SaveOutA();
    // The last line of the summary files for the run's state now (none before a first run).
    QByteArray StateLine() const;

    int StepCount() const { return m_stepCount; }
    int RegisterColumns() const { return m_regColumns; }
    int FullFileNumber() const { return m_fullFileNumber; }
    void ResetFullFileNumber() { m_fullFileNumber = 0; }
    const TempResults &Results() const { return m_results; }
    // The meter channel counter of the status text (0 until the first meter pass, then 6).
    int MeterChannelCounter() const { return m_meterCounter; }

private:
    void Status(int field, const QString &text);
    // Waits ms milliseconds in steps of at most 100 ms, pumping messages; `tick` gets the whole
    // seconds elapsed. False when the run was stopped meanwhile.
    bool Wait(double ms, const std::function<void(int)> &tick = {});
    bool Connected() const { return board.connected && board.connected(); }
    void PowerSupplyStep(int step);
    void CalibratorStep(int step);
    void MeterPass(int step);
    bool SendCalibrator(const QByteArray &command);
    QString WriteSummary(const QString &name, const QString &overName, const QByteArray &bytes);
    QString WriteFullFile();

    Clock &m_clock;
    InstrumentLink &m_link;
    const InstrumentPorts &m_ports;
    QString m_programDir;
    TempTables m_tables;
    TempSettings m_settings;
    TempResults m_results;
    bool m_running = false;
    int m_regColumns = 0;
    int m_stepCount = 0;
    int m_fullFileNumber = 0;
    int m_meterCounter = 0;
    int m_captureWaitSeconds = 0;
    // The run's state for the files' last line.
    bool m_runBegun = false; // a run has begun since the window was created
    TempRunEnd m_end = TempRunEnd::NotStarted;
    int m_stepsDone = 0;
    int m_failedSteps = 0;
    QString m_endError;
};

// The tables of the window (or of the files a command-line run loaded) as a run reads them.
TempTables TempTablesFrom(const RegisterStepTable &registers, const StepTable &fluke, const StepTable &power);

// Register columns of a run: leading header cells (c, 0), c = 1..10, that hold a non-zero
// hexadecimal number.
int CountRegisterColumns(const TempTables &tables);
// Steps of a run: leading rows 1..limit whose column-1 cell holds a hexadecimal digit.
int CountSteps(const TempTables &tables, int limit);
// The power supply delay: the integer of the text, 500 ms when it is not one.
int PowerDelayMs(const QString &text);
// True when every sample of the capture is -1: every byte read as 0xFF, which is what a chip
// without supply (or none at all) gives. Such a record is no measurement.
bool SilentChipRecord(const SampleStore &store);

} // namespace vek
