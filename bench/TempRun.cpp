#include "bench/TempRun.h"

#include "app/base/NumberText.h"
#include "app/base/SafeFile.h"

#include <QDir>
#include <algorithm>
#include <cmath>
#include <limits>

namespace vek {

namespace {

constexpr double kWaitStepMs = 100.0;
constexpr int kCalibratorSettleMs = 500;
constexpr int kAfterSettingsMs = 4000;
constexpr int kMeterRetryMs = 1000;

bool IsHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

bool HasHexDigit(const QString &text)
{
    return std::any_of(text.begin(), text.end(), IsHexDigit);
}

bool StartsWithNoCase(const QString &text, const char *prefix)
{
    return text.startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
}

AnalysisResults FailedFigures()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return AnalysisResults{nan, nan, nan, nan, nan, nan, nan};
}

} // namespace

QString TempTables::Cell(int column, int row) const
{
    if (row < 0 || row >= int(reg.size()) || column < 0 || column >= kRegTableColumns)
        return {};
    return reg[size_t(row)][size_t(column)];
}

StepTableRow TempTables::FlukeRow(int step) const
{
    return step >= 1 && step <= int(fluke.size()) ? fluke[size_t(step - 1)] : StepTableRow{};
}

StepTableRow TempTables::PowerRow(int step) const
{
    return step >= 1 && step <= int(power.size()) ? power[size_t(step - 1)] : StepTableRow{};
}

TempTables TempTablesFrom(const RegisterStepTable &registers, const StepTable &fluke, const StepTable &power)
{
    TempTables t;
    t.reg.resize(size_t(registers.Steps()) + 1);
    for (int r = 0; r <= registers.Steps(); ++r)
        for (int c = 1; c < kRegTableColumns; ++c)
            t.reg[size_t(r)][size_t(c)] = registers.Cell(r, c);
    for (int s = 1; s <= fluke.Rows(); ++s)
        t.fluke.push_back({fluke.Marker(s), fluke.Command(s)});
    for (int s = 1; s <= power.Rows(); ++s)
        t.power.push_back({power.Marker(s), power.Command(s)});
    return t;
}

int CountRegisterColumns(const TempTables &tables)
{
    int count = 0;
    // At most the ten address columns: column 11 is the wait, not a register.
    for (int c = 1; c <= kMaxRegisterColumns && ParseHex(tables.Cell(c, 0).trimmed()) != 0; ++c)
        count = c;
    return count;
}

int CountSteps(const TempTables &tables, int limit)
{
    limit = std::clamp(limit, 0, kTempMaxSteps);
    int count = 0;
    for (int s = 1; s <= limit && HasHexDigit(tables.Cell(1, s)); ++s)
        count = s;
    return count;
}

int PowerDelayMs(const QString &text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : 500;
}

TemperatureRun::TemperatureRun(Clock &clock, InstrumentLink &link, const InstrumentPorts &ports,
                               QString programDir)
    : m_clock(clock), m_link(link), m_ports(ports), m_programDir(std::move(programDir))
{
}

void TemperatureRun::Status(int field, const QString &text)
{
    if (view.status)
        view.status(field, text);
}

bool TemperatureRun::Wait(double ms, const std::function<void(int)> &tick)
{
    const double start = m_clock.NowDays();
    for (;;) {
        if (view.pumpMessages)
            view.pumpMessages();
        if (!m_running)
            return false;
        const double elapsed = (m_clock.NowDays() - start) * kMsPerDay;
        if (tick)
            tick(int(elapsed / 1000.0));
        if (elapsed >= ms || elapsed < 0)
            return true;
        WaitMs(m_clock, int32_t(std::ceil(std::min(kWaitStepMs, ms - elapsed))));
    }
}

void TemperatureRun::Stop()
{
    m_running = false;
    if (board.stopCapture)
        board.stopCapture();
}

void TemperatureRun::TESTINI(const TempTables &tables, const TempSettings &settings)
{
    m_running = true;
    m_tables = tables;
    m_settings = settings;
    ClearTempResults(m_results);
    m_regColumns = CountRegisterColumns(tables);
    m_stepCount = CountSteps(tables, settings.stepLimit);
    if (view.prepareGrid)
        view.prepareGrid(m_stepCount);
}

bool TemperatureRun::SendCalibrator(const QByteArray &command)
{
    const InstrumentPort &cal = m_ports[kCalibratorPort];
    m_link.SendText(cal, command);
    m_link.SendText(cal, "\r");
    m_link.WaitSpan(kCalibratorSettleMs / kMsPerDay);
    m_link.ClearReply();
    const int count = m_link.ReadReplyLine(cal);
    Status(2, QString::fromLatin1(m_link.ReplyText(count)));
    return count > 0;
}

void TemperatureRun::FlukeSTBY() { SendCalibrator("STBY"); }

bool TemperatureRun::FlukeOPER() { return SendCalibrator("OPER"); }

void TemperatureRun::LKENTER(RangeLock lock)
{
    const InstrumentPort &cal = m_ports[kCalibratorPort];
    auto send = [&](const QByteArray &text) {
        m_link.SendText(cal, text);
        m_link.SendText(cal, "\r");
    };
    send("STBY");
    if (lock == RangeLock::None) {
        send("RANGELCK OFF");
        return;
    }
    send("RANGELCK OFF");
    send(lock == RangeLock::Lock3V ? "OUT 600 mV ,0 Hz " : "OUT 100 mV ,0 Hz ");
    send("RANGELCK ON");
    send("OUT 0 V ,0 Hz");
}

void TemperatureRun::PowerSupplyStep(int step)
{
    const StepTableRow row = m_tables.PowerRow(step);
    const InstrumentPort &supply = m_ports[kPowerSupplyPort];
    if (ParseHex(row.marker.trimmed()) == 0 || !supply.present)
        return;
    QByteArray reply;
    const QByteArray command = row.command.toLatin1();
    if (!m_link.QueryText(supply, command, reply))
        m_link.QueryText(supply, command, reply);
    if (!StartsWithNoCase(row.command, "OUTP OFF") && !m_link.QueryText(supply, "OUTP ON", reply))
        m_link.QueryText(supply, "OUTP ON", reply);
    Wait(PowerDelayMs(m_settings.powerDelayText));
    Status(0, row.command + QStringLiteral(" - ") + row.marker);
}

void TemperatureRun::CalibratorStep(int step)
{
    const StepTableRow row = m_tables.FlukeRow(step);
    const InstrumentPort &cal = m_ports[kCalibratorPort];
    if (ParseHex(row.marker.trimmed()) == 0 || !cal.present)
        return;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!m_settings.keepCalibratorOn) {
            m_link.SendText(cal, "STBY");
            m_link.SendText(cal, "\r");
        }
        if (SendCalibrator(row.command.toLatin1()))
            break;
    }
}

void TemperatureRun::MeterPass(int step)
{
    for (int c = 0; c < kMeterChannels && m_running; ++c) {
        const int index = kFirstMeterPort + c;
        if (!m_ports[size_t(index)].present)
            continue;
        std::array<double, 4> values{};
        MeterReading reading;
        for (double &v : values) {
            v = m_link.ReadMeterValue(index, reading);
            for (int retry = 0; retry < 2 && reading.error && m_running; ++retry) {
                Wait(kMeterRetryMs);
                v = m_link.ReadMeterValue(index, reading);
            }
            if (view.pumpMessages)
                view.pumpMessages();
        }
        m_results.meter[size_t(c)][size_t(step)] = MiddleMean(values);
        m_results.meterUnit[size_t(c)][size_t(step)] = MeterUnitText(reading.statusA, reading.statusB);
    }
    m_meterCounter = kMeterChannels;
}

QString TemperatureRun::TTESTCOM(int mode)
{
    m_meterCounter = 0;
    for (int s = 1; s <= m_stepCount; ++s) {
        if (refreshStep)
            refreshStep(s, m_tables);
        // 1. A fresh start of the chip. A step measures the chip only when the link was up from
        // here until its register row was written.
        const bool linkAtStart = Connected();
        if (linkAtStart) {
            if (board.pulseReset)
                board.pulseReset();
            Status(1, QStringLiteral("Channel - %1 , Step - %2").arg(m_meterCounter).arg(s));
        }
        // 2, 3. Instruments.
        PowerSupplyStep(s);
        if (!m_running)
            break;
        CalibratorStep(s);
        // 4. The step's register row (a failed transfer closes the link).
        bool rowWritten = linkAtStart && Connected();
        if (rowWritten && board.writeRegister)
            for (int c = 1; c <= m_regColumns; ++c)
                board.writeRegister(uint16_t(ParseHex(m_tables.Cell(c, 0).trimmed())),
                                    uint8_t(ParseHex(m_tables.Cell(c, s).trimmed())));
        rowWritten = rowWritten && Connected();
        // 5. The calibrator's output on.
        const StepTableRow cal = m_tables.FlukeRow(s);
        if (ParseHex(cal.marker.trimmed()) != 0 && !StartsWithNoCase(cal.command.trimmed(), "STBY") &&
            m_ports[kCalibratorPort].present && !FlukeOPER())
            FlukeOPER();
        // 6, 7. Settling, then the capture wait.
        if (!Wait(kAfterSettingsMs))
            break;
        if (board.clearSamples)
            board.clearSamples();
        if (Connected() && board.trigger)
            board.trigger();
        bool isInt = false;
        const int seconds = m_tables.Cell(kDelayColumn, s).trimmed().toInt(&isInt);
        if (isInt)
            m_captureWaitSeconds = seconds;
        if (!Wait(m_captureWaitSeconds * 1000.0,
                  [this](int elapsed) { Status(2, QString::number(elapsed)); }))
            break;
        // 8. The chip measurement: a step whose chip was not reached measured nothing.
        bool measured = false, ok = false;
        if (m_settings.measure != TempMeasure::MeterOnly) {
            measured = true;
            AnalysisResults r;
            ok = rowWritten && Connected() && board.measure && board.measure(mode, m_tables.Cell(kAcmColumn, s), r);
            if (!m_running)
                break; // a stopped capture is no result
            m_results.steps[size_t(s)] = ok ? r : FailedFigures();
            m_results.state[size_t(s)] = ok ? TempStepState::Measured : TempStepState::Failed;
            if (!ok) {
                ++m_failedSteps;
                Status(2, QStringLiteral("Test Fail"));
            }
        }
        // 9. The meter channels.
        if (m_settings.measure != TempMeasure::AdcOnly)
            MeterPass(s);
        if (!m_running) {
            if (measured && !ok)
                --m_failedSteps;
            m_results.state[size_t(s)] = TempStepState::NotRun;
            break;
        }
        if (!measured)
            m_results.state[size_t(s)] = TempStepState::MeterOnly;
        // 10, 11. The mean grid and the summary files.
        if (view.showMean)
            view.showMean(s, FixedQText(m_results.steps[size_t(s)].mean));
        m_stepsDone = s;
        QString error = ENSaveClick();
        if (!error.isEmpty())
            m_stepsDone = s - 1; // its figures never reached the files
        // 12. The full sample file.
        if (error.isEmpty() && m_settings.fullFiles)
            error = WriteFullFile();
        if (view.stepDone)
            view.stepDone(s, measured, ok);
        if (!error.isEmpty())
            return error;
        if (!m_running)
            break;
    }
    return {};
}

QString TemperatureRun::WriteFullFile()
{
    const QString folder = m_programDir + QStringLiteral("TEMP/");
    if (!QDir().mkpath(folder))
        return QStringLiteral("Cannot create ") + folder;
    const QString path = folder + QStringLiteral("VekTMP-%1.CSV").arg(m_fullFileNumber);
    // The step's own figures: a step that measured nothing writes NaN, never the last capture's.
    if (!board.saveFullFile || !board.saveFullFile(path, m_results.steps[size_t(m_stepsDone)]))
        return QStringLiteral("Cannot create ") + path;
    ++m_fullFileNumber;
    return {};
}

TempRunOutcome TemperatureRun::Run(int mode, const TempTables &tables, const TempSettings &settings)
{
    TempRunOutcome out;
    out.steps = CountSteps(tables, settings.stepLimit);
    if (out.steps == 0) {
        out.error = QStringLiteral("No step to run: step 1 has no register value");
        return out;
    }
    if (settings.measure != TempMeasure::MeterOnly && !Connected()) {
        if (board.connect)
            board.connect();
        if (!Connected()) {
            out.error = QStringLiteral("USB not Connect !!!");
            Status(0, out.error);
            return out;
        }
    }
    TESTINI(tables, settings);
    m_runBegun = true;
    m_end = TempRunEnd::NotStarted;
    m_stepsDone = m_failedSteps = 0;
    m_endError.clear();
    // The files belong to this run from its start: every step "not run" until it is.
    QString error = ENSaveClick();
    if (error.isEmpty())
        error = SaveOutA();
    if (error.isEmpty())
        error = TTESTCOM(mode);
    // The closing steps run however the run ended.
    m_running = false;
    m_end = !error.isEmpty()              ? TempRunEnd::Failed
            : m_stepsDone == m_stepCount ? TempRunEnd::Finished
                                         : TempRunEnd::Stopped;
    m_endError = error;
    const QString closingA = SaveOutA();
    const QString closingB = ENSaveClick();
    if (error.isEmpty() && !(closingA + closingB).isEmpty()) {
        error = closingA.isEmpty() ? closingB : closingA;
        m_end = TempRunEnd::Failed;
        m_endError = error;
    }
    if (m_ports[kCalibratorPort].present)
        FlukeSTBY();
    out.end = m_end;
    out.error = error;
    out.stepsDone = m_stepsDone;
    out.failedSteps = m_failedSteps;
    out.lastLine = QString::fromUtf8(StateLine());
    return out;
}

QByteArray TemperatureRun::StateLine() const
{
    if (!m_runBegun)
        return {};
    const QByteArray of = QByteArray::number(m_stepsDone) + " of " + QByteArray::number(m_stepCount);
    switch (m_end) {
    case TempRunEnd::NotStarted:
        return "Run in progress: " + of + " steps done";
    case TempRunEnd::Finished:
        return "Run finished: " + of + " steps done" +
               (m_failedSteps > 0 ? ", " + QByteArray::number(m_failedSteps) + " Test Fail" : QByteArray());
    case TempRunEnd::Stopped:
        return "Run stopped after step " + of;
    case TempRunEnd::Failed:
        return "Run ended after step " + of + ": " + m_endError.toUtf8();
    }
    return {};
}

QString TemperatureRun::WriteSummary(const QString &name, const QString &overName, const QByteArray &bytes)
{
    QString reason;
    if (WriteFileAtomically(m_programDir + name, bytes, &reason))
        return {};
    if (WriteFileAtomically(m_programDir + overName, bytes)) {
        const QString text = QStringLiteral("Cannot write %1: written as %2").arg(name, overName);
        Status(0, text);
        if (view.notice)
            view.notice(text);
        return {};
    }
    return QStringLiteral("Cannot write %1%2 (%3)").arg(m_programDir, name, reason);
}

QString TemperatureRun::ENSaveClick()
{
    const QByteArray line = StateLine();
    QString error = WriteSummary(QStringLiteral("VekTEMPB.CSV"), QStringLiteral("VekTEMPFOVER.CSV"),
                                 SummaryFileBytes(m_results, m_stepCount, true, line));
    if (error.isEmpty() && m_settings.measure != TempMeasure::AdcOnly)
        error = WriteSummary(QStringLiteral("VekTEMPBryMen.CSV"), QStringLiteral("VekTEMPBryMenOVER.CSV"),
                             MeterFileBytes(m_results, m_stepCount, line));
    return error;
}

QString TemperatureRun::SaveOutA()
{
    const QString path = m_programDir + QStringLiteral("VekTEMPA.CSV");
    QString reason;
    return WriteFileAtomically(path, SummaryFileBytes(m_results, m_stepCount, false, StateLine()), &reason)
               ? QString()
               : QStringLiteral("Cannot write %1 (%2)").arg(path, reason);
}

bool SilentChipRecord(const SampleStore &store)
{
    const int n = std::clamp<int>(store.SampleCount, 0, int(store.RawSamples.size()));
    return n > 0 && std::all_of(store.RawSamples.begin(), store.RawSamples.begin() + n,
                                [](double v) { return v == -1.0; });
}

} // namespace vek
